#include "help/HelpProject.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string_view>
#include <utility>

#include "help/Expression.h"
#include "help/HelpText.h"
#include "help/Preprocessor.h"
#include "help/RtfTopics.h"
#include "help/Sitemap.h"
#include "io/Os.h"
#include "io/Streams.h"
#include "runtime/Text.h"
#include "runtime/Utf8.h"

namespace {

// Files including one another deeper than this are a loop the file identities missed, not a project.
constexpr std::size_t kMaxIncludeDepth = 32;

std::string FolderOf(const std::string& fileName) {
    return fileName.substr(0, os::FolderPartLength(fileName));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The name an "#include" gives: in quotes or angle brackets as in C; else the rest of the line (a
// name of a Windows machine may hold blanks), its comment already gone.
std::string IncludedName(std::string_view rest) {
    rest = Trimmed(rest);
    if (!rest.empty() && (rest.front() == '"' || rest.front() == '<')) {
        const std::size_t end = rest.find(rest.front() == '"' ? '"' : '>', 1);
        return std::string(Trimmed(rest.substr(1, end == std::string_view::npos ? end : end - 1)));
    }
    return std::string(Trimmed(rest.substr(0, rest.find("//"))));
}

// What a file that cannot be found takes with it, for its warning.
enum class Content { kIdentifiers, kAliases, kTopics, kKeywords };

const char* LostWith(Content content) {
    switch (content) {
        case Content::kIdentifiers:
            return "identifiers";
        case Content::kAliases:
            return "aliases";
        case Content::kTopics:
            return "topics";
        case Content::kKeywords:
            break;
    }
    return "keywords";
}

class Reader {
public:
    explicit Reader(HelpProjectReading& out) : out_(out), project_(out.Project) {}

    // The file's text, or false when it cannot be read: its error then names the file and line that
    // named it.
    bool Load(const std::string& path, const std::string& from, int line, std::string& text,
              bool decode = true) {
        std::string bytes;
        try {
            TFileStream file(path, fmOpenRead | fmShareDenyWrite);
            ReadRest(file, bytes);
        } catch (const std::exception& error) {
            out_.Notices.push_back(Notice{Notice::kError, from, line, error.what()});
            return false;
        }
        text = decode ? HelpFileText(bytes) : std::move(bytes);
        return true;
    }

    void Warn(const std::string& file, int line, const std::string& message) {
        out_.Notices.push_back(Notice{Notice::kWarning, file, line, message});
    }

    // A file that the line `line` of `from` names: `name` in `folder`, else in the project's.
    os::LocatedFile Find(const std::string& name, const std::string& folder, const std::string& from,
                         int line, Content content) {
        os::LocatedFile located = os::LocateFile(folder, name);
        if (!located.Found && folder != project_.Folder)
            located = os::LocateFile(project_.Folder, name);
        if (!located.Found)
            Warn(from, line, name + " not found; its " + LostWith(content) + " are not known here");
        else if (located.Ambiguous)
            Warn(from, line,
                 name + ": several files match it without regard to case; " + located.Path + " is read");
        return located;
    }

    // Marks a file as being read; false when it already is (one file by two spellings too) or the
    // includes run too deep.
    bool Enter(const std::string& path) {
        const std::string identity = os::FileIdentity(path);
        const std::string key = identity.empty() ? path : identity;
        if (reading_.size() >= kMaxIncludeDepth ||
            std::find(reading_.begin(), reading_.end(), key) != reading_.end())
            return false;
        reading_.push_back(key);
        return true;
    }
    void Leave() { reading_.pop_back(); }

    // Map text: the [MAP] section, or a file it includes, as C source with ";" comments. Every form
    // of a [MAP] line counts: "#define ID n", "ID n", "ID = n", "ID=n;".
    void MapText(std::string_view text, const std::string& file) {
        TConditionals conditionals;
        int lastLine = 0;
        for (const SourceLine& source : SourceLines(text)) {
            lastLine = source.Number;
            const std::string_view line = Trimmed(BeforeSemicolonComment(source.Text));
            if (line.empty())
                continue;
            if (line.front() == '#') {
                const Directive directive = ParseDirective(line);
                std::string problem;
                if (conditionals.Take(directive, macros_, problem)) {
                    if (!problem.empty())
                        Warn(file, source.Number, problem);
                } else if (conditionals.Active()) {
                    Directed(directive, file, source.Number);
                }
            } else if (conditionals.Active()) {
                MapLine(line, file, source.Number);
            }
        }
        if (conditionals.Open() != 0)
            Warn(file, lastLine, "#if without #endif");
    }

    void Directed(const Directive& directive, const std::string& file, int line) {
        if (directive.Name == "define") {
            Define(directive.Rest, file, line);
        } else if (directive.Name == "undef") {
            macros_.erase(std::string(Identifier(directive.Rest)));
        } else if (directive.Name == "include") {
            Include(directive.Rest, file, line, Content::kIdentifiers);
        }
        // Other directives (#pragma, #error, #line) map nothing.
    }

    static std::string_view Identifier(std::string_view text) {
        std::size_t end = 0;
        while (end < text.size() && !IsBlank(text[end]) && text[end] != '(' && text[end] != '=')
            ++end;
        return text.substr(0, end);
    }

    void Define(std::string_view rest, const std::string& file, int line) {
        const std::string name(Identifier(rest));
        if (name.empty())
            return Warn(file, line, "#define without a name");
        rest.remove_prefix(name.size());
        if (!rest.empty() && rest.front() == '(') {
            const std::size_t close = rest.find(')');
            macros_[name] = Macro{
                std::string(Trimmed(rest.substr(close == std::string_view::npos ? rest.size() : close + 1))),
                true};
            return;
        }
        Map(name, Trimmed(rest), file, line);
    }

    void MapLine(std::string_view line, const std::string& file, int number) {
        const std::string id(Identifier(line));
        std::string_view value = Trimmed(line.substr(id.size()));
        if (!value.empty() && value.front() == '=')
            value = Trimmed(value.substr(1));
        if (!id.empty())
            Map(id, value, file, number);
    }

    // Defines `id` as the macro `value`; when the value is a number, maps it.
    void Map(const std::string& id, std::string_view value, const std::string& file, int line) {
        macros_[id] = Macro{std::string(value), false};
        if (value.empty())
            return;
        const ExpressionValue number = EvaluateExpression(value, macros_, UndefinedIdentifiers::kFail);
        if (!number.Ok)
            return;
        if (number.Value < INT32_MIN || number.Value > static_cast<std::int64_t>(UINT32_MAX))
            return Warn(file, line,
                        id + ": " + std::string(value) + " does not fit 32 bits; nothing is mapped");
        // 0x80000000 to 0xFFFFFFFF are the negative numbers forms hold.
        project_.Map.push_back(
            HelpMapping{id, static_cast<std::int32_t>(static_cast<std::uint32_t>(number.Value))});
    }

    void Include(std::string_view rest, const std::string& file, int line, Content content) {
        const std::string name = IncludedName(rest);
        if (name.empty())
            return Warn(file, line, "#include names no file");
        const os::LocatedFile located = Find(name, FolderOf(file), file, line, content);
        if (!located.Found || !Enter(located.Path))
            return;
        std::string text;
        if (Load(located.Path, file, line, text)) {
            if (content == Content::kIdentifiers)
                MapText(text, located.Path);
            else
                AliasText(text, located.Path, 0);
        }
        Leave();
    }

    // [ALIAS] lines, or a file they include; `firstLine` the number of the text's first line.
    void AliasText(std::string_view text, const std::string& file, int firstLine) {
        int number = firstLine;
        for (const std::string_view raw : TextLines(text)) {
            ++number;
            const std::string_view line = Trimmed(BeforeSemicolonComment(raw));
            if (!line.empty())
                AliasLine(line, file, number);
        }
    }

    void AliasLine(std::string_view line, const std::string& file, int number) {
        const Directive directive = ParseDirective(line);
        if (directive.Name == "include")
            return Include(directive.Rest, file, number, Content::kAliases);
        const std::size_t equals = line.find('=');
        if (line.front() == '#' || equals == std::string_view::npos)
            return;
        const std::string id(Trimmed(line.substr(0, equals)));
        std::string_view target = Trimmed(line.substr(equals + 1));
        if (project_.Kind == HelpProjectKind::kHtml)
            target = Trimmed(target.substr(0, target.find('#')));
        else
            target = target.substr(0, std::min(target.find(' '), target.find('\t')));
        if (id.empty() || target.empty())
            return;
        const auto [first, isNew] = aliasAt_.emplace(AsciiUpperCase(id), std::make_pair(file, number));
        if (!isNew) {
            return Warn(file, number,
                        id + ": repeated in [ALIAS]; the first, at " + first->second.first + ":" +
                            std::to_string(first->second.second) + ", holds");
        }
        HelpAlias alias{id, std::string(target), false};
        // A topic in another compiled file ("other.chm::/x.htm") or on the web cannot be looked at here,
        // and is taken as there.
        const std::size_t colon = alias.Target.find(':');
        if (project_.Kind == HelpProjectKind::kHtml)
            alias.TargetFound = (colon != std::string::npos && colon > 1) ||
                                os::LocateFile(project_.Folder, alias.Target).Found;
        project_.Aliases.push_back(std::move(alias));
    }

    // A classic project's RTF topic file: beside the project, else in one of its ROOT folders.
    void TopicFile(const std::string& listed, const std::string& file, int line,
                   const std::vector<std::string>& roots) {
        os::LocatedFile located = os::LocateFile(project_.Folder, listed);
        for (std::size_t i = 0; i < roots.size() && !located.Found; ++i)
            located = os::LocateFile(project_.Folder, roots[i] + "\\" + listed);
        if (!located.Found)
            located = Find(listed, project_.Folder, file, line, Content::kTopics);
        std::string rtf;
        if (located.Found && Load(located.Path, file, line, rtf, false)) {
            RtfTopics topics = ReadRtfTopics(rtf);
            project_.Topics.insert(topics.Ids.begin(), topics.Ids.end());
            for (const std::string& keyword : topics.Keywords)
                project_.Keywords.insert(CaseFolded(keyword));
        }
    }

    // An HTML project's text pop-up file: each ".topic ID" line begins a topic. The headers listed
    // beside the pop-up texts, which give their identifiers numbers, map them as [MAP] would.
    void PopupFile(const std::string& listed, const std::string& file, int line) {
        const os::LocatedFile located = Find(listed, project_.Folder, file, line, Content::kTopics);
        std::string text;
        if (!located.Found || !Load(located.Path, file, line, text))
            return;
        std::string directives;
        for (const std::string_view raw : TextLines(text)) {
            std::string_view topic = Trimmed(raw);
            directives.append(StartsWith(topic, "#") ? topic : std::string_view()).append("\n");
            if (topic.size() < 7 || !EqualIgnoringAsciiCase(topic.substr(0, 6), ".topic") ||
                !IsBlank(topic[6]))
                continue;
            topic = Trimmed(topic.substr(7));
            topic = topic.substr(0, std::min(topic.find(' '), topic.find('\t')));
            const ExpressionValue number =
                EvaluateExpression(topic, MacroTable(), UndefinedIdentifiers::kFail);
            if (number.Ok)
                project_.TopicNumbers.insert(
                    static_cast<std::int32_t>(static_cast<std::uint32_t>(number.Value)));
            else if (!topic.empty())
                project_.Topics.insert(AsciiUpperCase(topic));
        }
        MapText(directives, located.Path);
    }

private:
    HelpProjectReading& out_;
    HelpProject& project_;
    MacroTable macros_;
    std::vector<std::string> reading_;
    // The file and line of each [ALIAS] key's first entry, by the key in upper case.
    std::map<std::string, std::pair<std::string, int>> aliasAt_;
};

// A line of a section, with its number.
struct NumberedLine {
    std::string Text;
    int Number = 0;
};

} // namespace

HelpProjectKind HelpProjectKindOf(const std::string& fileName) {
    const std::string upper = AsciiUpperCase(fileName);
    if (upper.size() > 4 && StartsWith(upper, upper.size() - 4, ".HHP"))
        return HelpProjectKind::kHtml;
    if (upper.size() > 4 && StartsWith(upper, upper.size() - 4, ".HPJ"))
        return HelpProjectKind::kClassic;
    return HelpProjectKind::kNone;
}

HelpProjectReading ReadHelpProject(const std::string& fileName) {
    HelpProjectReading out;
    HelpProject& project = out.Project;
    project.Kind = HelpProjectKindOf(fileName);
    // A project named in another case than it is stored in is found as Windows finds it.
    const os::LocatedFile located = os::LocateFile(std::string(), fileName);
    const std::string path = os::FileExists(fileName) || !located.Found ? fileName : located.Path;
    project.Folder = FolderOf(path);
    Reader reader(out);
    std::string text;
    if (!reader.Load(path, fileName, 0, text))
        return out;
    out.Read = true;
    reader.Enter(path);

    // The [MAP] lines stay in place, every other line blank, so that the map reads as one C source
    // with the project's own line numbers.
    std::string mapText;
    std::string aliasText;
    std::vector<NumberedLine> topicFiles;
    std::vector<NumberedLine> popupFiles;
    std::vector<std::string> roots;
    std::string section;
    int number = 0;
    for (const std::string_view raw : TextLines(text)) {
        ++number;
        const std::string_view line = Trimmed(BeforeSemicolonComment(raw));
        if (!line.empty() && line.front() == '[') {
            section = AsciiUpperCase(Trimmed(line.substr(1, line.find(']') - 1)));
            mapText += '\n';
            aliasText += '\n';
            continue;
        }
        mapText.append(section == "MAP" ? line : std::string_view()).append("\n");
        aliasText.append(section == "ALIAS" ? line : std::string_view()).append("\n");
        if (line.empty())
            continue;
        if (section == "FILES" && project.Kind == HelpProjectKind::kClassic) {
            topicFiles.push_back(NumberedLine{std::string(line), number});
        } else if (section == "TEXT POPUPS" && project.Kind == HelpProjectKind::kHtml) {
            popupFiles.push_back(NumberedLine{std::string(line), number});
        } else if (section == "FILES" && project.Kind == HelpProjectKind::kHtml) {
            project.TopicFiles.push_back(HelpProject::NamedFile{std::string(line), number});
        } else if (section == "OPTIONS" && project.Kind == HelpProjectKind::kHtml) {
            const std::size_t equals = line.find('=');
            if (equals != std::string_view::npos &&
                EqualIgnoringAsciiCase(Trimmed(line.substr(0, equals)), "Index file"))
                project.IndexFile =
                    HelpProject::NamedFile{std::string(Trimmed(line.substr(equals + 1))), number};
        } else if (section == "OPTIONS" && project.Kind == HelpProjectKind::kClassic) {
            const std::size_t equals = line.find('=');
            if (equals == std::string_view::npos ||
                !EqualIgnoringAsciiCase(Trimmed(line.substr(0, equals)), "ROOT"))
                continue;
            std::string_view rest = line.substr(equals + 1);
            while (!rest.empty()) {
                const std::size_t comma = rest.find(',');
                const std::string_view root = Trimmed(rest.substr(0, comma));
                if (!root.empty())
                    roots.emplace_back(root);
                rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
            }
        }
    }
    reader.MapText(mapText, fileName);
    reader.AliasText(aliasText, fileName, 0);
    for (const NumberedLine& topics : topicFiles)
        reader.TopicFile(topics.Text, fileName, topics.Number, roots);
    for (const NumberedLine& popups : popupFiles)
        reader.PopupFile(popups.Text, fileName, popups.Number);
    return out;
}

void ReadKeywordIndex(const std::string& fileName, HelpProjectReading& reading) {
    HelpProject& project = reading.Project;
    if (project.Kind != HelpProjectKind::kHtml)
        return;
    Reader reader(reading);
    const auto read = [&](const HelpProject::NamedFile& file, bool isIndex) {
        const os::LocatedFile located =
            reader.Find(file.Name, project.Folder, fileName, file.Line, Content::kKeywords);
        std::string text;
        if (!located.Found || !reader.Load(located.Path, fileName, file.Line, text))
            return;
        for (const std::string& keyword : isIndex ? IndexKeywords(text) : TopicKeywords(text))
            project.Keywords.insert(CaseFolded(keyword));
    };
    if (project.IndexFile)
        read(*project.IndexFile, true);
    for (const HelpProject::NamedFile& topic : project.TopicFiles)
        read(topic, false);
}
