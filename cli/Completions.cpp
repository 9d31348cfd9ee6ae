#include "cli/Completions.h"

#include "cli/Usage.h"

namespace {

std::string Joined(const std::vector<std::string>& words, const std::string& between = " ") {
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : between) + word;
    return text;
}

// A word in single quotes for a POSIX shell (bash, zsh).
std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::vector<std::string> CommandNames() {
    std::vector<std::string> names;
    for (const CommandInfo& command : Commands())
        names.push_back(command.Name);
    return names;
}

std::vector<std::string> NamesOf(const std::vector<const OptionInfo*>& options) {
    std::vector<std::string> names;
    for (const OptionInfo* option : options) {
        names.push_back(option->Name);
        if (!option->Short.empty())
            names.push_back(option->Short);
    }
    return names;
}

std::vector<std::string> ValuedNames() {
    std::vector<std::string> names;
    for (const OptionInfo& option : Options()) {
        if (!option.Value.empty())
            names.push_back(option.Name);
    }
    return names;
}

// The options that may not stand beside `option`, whichever of the two names the other.
std::vector<std::string> ExcludedBy(const OptionInfo& option) {
    std::vector<std::string> names;
    for (const OptionInfo& other : Options()) {
        if (other.Excludes == option.Name || option.Excludes == other.Name)
            names.push_back(other.Name);
    }
    return names;
}

const OptionInfo* HelpOption() {
    for (const OptionInfo* option : ToolOptions()) {
        if (option->Name == "--help")
            return option;
    }
    return nullptr;
}

} // namespace

// Plain bash without the bash-completion package's helpers, so that sourcing the file is enough.
// Extensions are matched without regard to case: projects made on Windows are named either way. The
// words before the cursor are read as the tool reads them: nothing follows an option that stands alone
// (--help, --version); an option given is not offered again, nor one it excludes; a command's one
// operand is not offered twice.
std::string BashCompletion() {
    std::string script =
        "# bash completion for quorvel-cli, written from the tool's own description.\n"
        "\n"
        "# _quorvel_cli_files WORD EXTENSION...: the folders and the files of those kinds that begin with "
        "WORD\n"
        "# (which may begin with ~ or ~user).\n"
        "_quorvel_cli_files() {\n"
        "    local word=$1 name path home user extension IFS=$'\\n'\n"
        "    shift\n"
        "    compopt -o filenames 2>/dev/null\n"
        "    for name in $(compgen -f -- \"$word\"); do\n"
        "        path=$name\n"
        "        if [[ $name == \\~* ]]; then\n"
        "            user=${name%%/*}\n"
        "            user=${user#\\~}\n"
        "            home=$HOME\n"
        "            [[ -n $user && $user =~ ^[A-Za-z0-9._-]+$ ]] && eval \"home=~$user\"\n"
        "            path=$home${name#\\~$user}\n"
        "        fi\n"
        "        if [[ -d $path ]]; then\n"
        "            COMPREPLY+=(\"$name\")\n"
        "            continue\n"
        "        fi\n"
        "        for extension; do\n"
        "            if [[ ${name,,} == *.\"$extension\" ]]; then\n"
        "                COMPREPLY+=(\"$name\")\n"
        "                break\n"
        "            fi\n"
        "        done\n"
        "    done\n"
        "}\n"
        "\n"
        "_quorvel_cli() {\n"
        "    local word=${COMP_WORDS[COMP_CWORD]} previous= command= options= files= given= operands=0 "
        "ended= i "
        "w\n"
        "    ((COMP_CWORD > 0)) && previous=${COMP_WORDS[COMP_CWORD - 1]}\n"
        "    COMPREPLY=()\n"
        "    # bash splits \"--format=c\" into \"--format\" \"=\" \"c\".\n"
        "    if [[ $word == = ]]; then\n"
        "        word=\n"
        "    elif [[ $previous == = ]] && ((COMP_CWORD > 1)); then\n"
        "        previous=${COMP_WORDS[COMP_CWORD - 2]}\n"
        "    fi\n"
        "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        "        w=${COMP_WORDS[i]}\n"
        "        if [[ -n $ended ]]; then\n"
        "            operands=$((operands + 1))\n"
        "            continue\n"
        "        fi\n"
        "        case $w in\n"
        "            " +
        Joined(NamesOf(ToolOptions()), " | ") +
        ")\n"
        "                return\n"
        "                ;;\n"
        "            --)\n"
        "                ended=1\n"
        "                continue\n"
        "                ;;\n"
        "        esac\n"
        "        if [[ -z $command ]]; then\n"
        "            case $w in\n"
        "                " +
        Joined(CommandNames(), " | ") +
        ")\n"
        "                    command=$w\n"
        "                    ;;\n"
        "            esac\n"
        "            continue\n"
        "        fi\n"
        "        case $w in\n"
        "            " +
        Joined(ValuedNames(), " | ") +
        ")\n"
        "                given+=\" $w\"\n"
        "                [[ ${COMP_WORDS[i + 1]} == = ]] && i=$((i + 1))\n"
        "                i=$((i + 1))\n"
        "                ;;\n"
        "            -?*)\n"
        "                given+=\" $w\"\n"
        "                ;;\n"
        "            *)\n"
        "                operands=$((operands + 1))\n"
        "                ;;\n"
        "        esac\n"
        "    done\n"
        "    if [[ -z $command ]]; then\n"
        "        [[ -z $ended ]] && COMPREPLY=($(compgen -W " +
        Quoted(Joined(CommandNames()) + " " + Joined(NamesOf(ToolOptions()))) +
        " -- \"$word\"))\n"
        "        return\n"
        "    fi\n"
        "    [[ -z $ended ]] && case $previous in\n";
    for (const OptionInfo& option : Options()) {
        if (option.Value.empty())
            continue;
        script += "        " + option.Name + ")\n";
        if (!option.Choices.empty())
            script +=
                "            COMPREPLY=($(compgen -W " + Quoted(Joined(option.Choices)) + " -- \"$word\"))\n";
        else if (!option.Files.empty())
            script += "            _quorvel_cli_files \"$word\" " + Joined(option.Files) + "\n";
        script += "            return\n            ;;\n";
    }
    script += "    esac\n"
              "    case $command in\n";
    const OptionInfo* help = HelpOption();
    for (const CommandInfo& command : Commands()) {
        std::vector<const OptionInfo*> options = OptionsOf(command);
        if (help)
            options.push_back(help);
        script += "        " + command.Name + ")\n";
        script += "            options=" + Quoted(" " + Joined(NamesOf(options)) + " ") + "\n";
        script += "            files=" + Quoted(Joined(command.OperandFiles)) + "\n";
        script += "            ;;\n";
    }
    script += "    esac\n"
              "    if [[ $word == -* && -z $ended ]]; then\n"
              "        for w in $given; do\n"
              "            case $w in\n";
    for (const OptionInfo& option : Options()) {
        const std::vector<std::string> excluded = ExcludedBy(option);
        if (!excluded.empty())
            script += "                " + option.Name + ") w+=" + Quoted(" " + Joined(excluded)) + " ;;\n";
    }
    script += "            esac\n"
              "            for w in $w; do\n"
              "                options=${options// $w / }\n"
              "            done\n"
              "        done\n"
              "        COMPREPLY=($(compgen -W \"$options\" -- \"$word\"))\n"
              "    elif ((operands == 0)); then\n"
              "        _quorvel_cli_files \"$word\" $files\n"
              "    fi\n"
              "}\n"
              "complete -F _quorvel_cli quorvel-cli\n";
    return script;
}

namespace {

// Text inside the brackets or after the colons of an _arguments spec.
std::string ZshDescription(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '[' || c == ']' || c == ':' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string ZshFiles(const std::vector<std::string>& extensions) {
    return "_files -g \"*.(#i)(" + Joined(extensions, "|") + ")(-.)\"";
}

// One option's _arguments spec, with the options of the same command it excludes.
std::string ZshOptionSpec(const OptionInfo& option, const std::vector<const OptionInfo*>& siblings) {
    std::vector<std::string> excluded;
    for (const OptionInfo* other : siblings) {
        if (other->Excludes == option.Name || option.Excludes == other->Name)
            excluded.push_back(other->Name);
    }
    if (option.Commands.empty())
        excluded = {"- : *"}; // nothing after it: no option, no command, no operand
    const std::string exclusions = excluded.empty() ? "" : "(" + Joined(excluded) + ")";
    std::string spec =
        option.Name + (option.Value.empty() ? "" : "=") + "[" + ZshDescription(option.Summary) + "]";
    if (!option.Value.empty()) {
        spec += ":" + ZshDescription(option.Value) + ":";
        if (!option.Choices.empty())
            spec += "(" + Joined(option.Choices) + ")";
        else if (!option.Files.empty())
            spec += ZshFiles(option.Files);
        else
            spec += " ";
    }
    std::string specs = Quoted(exclusions + spec);
    if (!option.Short.empty())
        specs += " " + Quoted(exclusions + option.Short + "[" + ZshDescription(option.Summary) + "]");
    return specs;
}

} // namespace

std::string ZshCompletion() {
    std::string script = "#compdef quorvel-cli\n"
                         "# zsh completion for quorvel-cli, written from the tool's own description.\n"
                         "\n"
                         "_quorvel-cli() {\n"
                         "    local curcontext=$curcontext state line ret=1\n"
                         "    _arguments -S -C";
    const std::vector<const OptionInfo*> alone = ToolOptions();
    for (const OptionInfo* option : alone)
        script += " \\\n        " + ZshOptionSpec(*option, alone);
    script += " \\\n        '1:command:->command' \\\n        '*::argument:->argument' && ret=0\n"
              "    case $state in\n"
              "        command)\n"
              "            local -a commands=(\n";
    for (const CommandInfo& command : Commands())
        script += "                " + Quoted(command.Name + ":" + ZshDescription(command.Summary)) + "\n";
    script += "            )\n"
              "            _describe -t commands 'quorvel-cli command' commands && ret=0\n"
              "            ;;\n"
              "        argument)\n"
              "            case $words[1] in\n";
    const OptionInfo* help = HelpOption();
    for (const CommandInfo& command : Commands()) {
        std::vector<const OptionInfo*> options = OptionsOf(command);
        if (help)
            options.push_back(help);
        script += "                " + command.Name + ")\n                    _arguments -S";
        for (const OptionInfo* option : options)
            script += " \\\n                        " + ZshOptionSpec(*option, options);
        script += " \\\n                        " +
                  Quoted(":" + ZshDescription(command.Operand) + ":" + ZshFiles(command.OperandFiles)) +
                  " && ret=0\n                    ;;\n";
    }
    script += "            esac\n"
              "            ;;\n"
              "    esac\n"
              "    return ret\n"
              "}\n"
              "\n"
              "_quorvel-cli \"$@\"\n";
    return script;
}

namespace {

// A word in single quotes for fish, where only the backslash and the quote are escaped.
std::string FishQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "'";
}

// fish's own __fish_complete_suffix takes one suffix, and other arguments in other versions.
const char kFishFiles[] = R"(
# __quorvel_cli_files EXTENSION...: the folders and the files of those kinds that complete the word
# (which may begin with ~).
function __quorvel_cli_files
    set -l token (commandline -ct)
    set -l kinds (string join '|' -- $argv)
    set -l home
    if string match -qr '^~(/|$)' -- $token
        set home $HOME
        set token $HOME(string sub -s 2 -- $token)
    end
    for name in $token*
        set -l shown $name
        if test -n "$home"
            set shown '~'(string sub -s (math (string length -- $home) + 1) -- $name)
        end
        if test -d $name
            echo $shown/
        else if string match -qir -- "\.($kinds)\$" $name
            echo $shown
        end
    end
end
)";

std::string FishFiles(const std::vector<std::string>& extensions) {
    return "'(__quorvel_cli_files " + Joined(extensions) + ")'";
}

// The function that reads the words before the cursor as the tool reads them, for the conditions of
// the completions: nothing follows an option that stands alone (--help, --version); an option given is
// not offered again, nor one it excludes; a command's one operand is not offered twice.
std::string FishWants() {
    return "\n"
           "# __quorvel_cli_wants command | help | operand COMMAND | option 'COMMAND...' NAME...: whether "
           "the\n"
           "# words before the cursor leave room for a command, for --help, for COMMAND's operand, or for "
           "an\n"
           "# option of those commands that neither it nor an option it excludes (the other NAMEs) is "
           "given.\n"
           "function __quorvel_cli_wants\n"
           "    set -l words (commandline -opc)\n"
           "    set -l command\n"
           "    set -l given\n"
           "    set -l operands 0\n"
           "    set -l ended\n"
           "    set -l valued\n"
           "    for word in $words[2..-1]\n"
           "        if test -n \"$valued\"\n"
           "            set -a given $valued\n"
           "            set valued\n"
           "        else if test -n \"$ended\"\n"
           "            set operands (math $operands + 1)\n"
           "        else if contains -- $word " +
           Joined(NamesOf(ToolOptions())) +
           "\n"
           "            return 1\n"
           "        else if test \"$word\" = --\n"
           "            set ended 1\n"
           "        else if test -z \"$command\"\n"
           "            contains -- $word " +
           Joined(CommandNames()) +
           "; and set command $word\n"
           "        else if contains -- $word " +
           Joined(ValuedNames()) +
           "\n"
           "            set valued $word\n"
           "        else if string match -q -- '-?*' $word\n"
           "            set -a given (string split -m 1 = -- $word)[1]\n"
           "        else\n"
           "            set operands (math $operands + 1)\n"
           "        end\n"
           "    end\n"
           "    switch $argv[1]\n"
           "        case command\n"
           "            test -z \"$command\" -a -z \"$ended\"\n"
           "        case help\n"
           "            test -z \"$ended\"\n"
           "        case operand\n"
           "            test \"$command\" = \"$argv[2]\" -a $operands -eq 0 -a -z \"$valued\"\n"
           "        case option\n"
           "            test -z \"$ended\"; and contains -- \"$command\" (string split ' ' -- $argv[2]); or "
           "return 1\n"
           "            for name in $argv[3..-1]\n"
           "                contains -- $name $given; and return 1\n"
           "            end\n"
           "            return 0\n"
           "    end\n"
           "end\n"
           "\n";
}

} // namespace

std::string FishCompletion() {
    const std::string complete = "complete -c quorvel-cli";
    std::string script = "# fish completion for quorvel-cli, written from the tool's own description.\n" +
                         std::string(kFishFiles) + FishWants() + complete + " -f\n";
    for (const CommandInfo& command : Commands()) {
        script += complete + " -n '__quorvel_cli_wants command' -a " + command.Name + " -d " +
                  FishQuoted(command.Summary) + "\n";
    }
    for (const OptionInfo& option : Options()) {
        std::string line = complete;
        if (!option.Commands.empty()) {
            std::string condition =
                "__quorvel_cli_wants option " + FishQuoted(option.Commands) + " " + option.Name;
            for (const std::string& excluded : ExcludedBy(option))
                condition += " " + excluded;
            line += " -n " + FishQuoted(condition);
        } else {
            line += option.Name == "--help" ? " -n '__quorvel_cli_wants help'"
                                            : " -n '__quorvel_cli_wants command'";
        }
        if (!option.Short.empty())
            line += " -s " + option.Short.substr(1);
        line += " -l " + option.Name.substr(2);
        if (!option.Choices.empty())
            line += " -x -a " + FishQuoted(Joined(option.Choices));
        else if (!option.Files.empty())
            line += " -x -a " + FishFiles(option.Files);
        else if (!option.Value.empty())
            line += " -x";
        script += line + " -d " + FishQuoted(option.Summary) + "\n";
    }
    for (const CommandInfo& command : Commands()) {
        script += complete + " -n " + FishQuoted("__quorvel_cli_wants operand " + command.Name) + " -a " +
                  FishFiles(command.OperandFiles) + "\n";
    }
    return script;
}
