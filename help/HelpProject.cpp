#include "help/HelpProject.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "help/Expression.h"
#include "help/HelpText.h"
#include "help/Preprocessor.h"
#include "help/RtfTopics.h"
#include "help/Sitemap.h"
#include "io/InputFile.h"
#include "io/Os.h"
#include "runtime/Exceptions.h"
#include "runtime/Text.h"
#include "runtime/Utf8.h"

namespace {

// Macro replacements a reading allows: this many, and a few more for each byte of the files it reads,
// so that no map's own expressions are cut, while definitions built to explode cost a bounded multiple
// of their text.
constexpr std::uint64_t kBaseBudget = std::uint64_t{1} << 22;
constexpr std::uint64_t kBudgetPerByte = 4;
// Of the notices of one kind, the first this many are told, and the next one with how many more there
// were: a broken line repeated a hundred thousand times is one cause, not a hundred thousand.
constexpr std::size_t kToldPerKind = 10;
// A longer name names no file of a help project (on POSIX no file at all), and looking for it folder by
// folder would cost far more than its length.
constexpr std::size_t kMaxNameBytes = 4096;


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

// The last part of a name: after its last "\", "/" or ":".
std::string_view LastPart(std::string_view name) {
    const std::size_t separator = name.find_last_of("\\/:");
    return separator == std::string_view::npos ? name : name.substr(separator + 1);
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

// What a notice tells of, so that many of one kind are told as a few.
enum class Cause {
    kNotFound,
    kAmbiguous,
    kRepeated,
    kRange,
    kDivision,
    kDirective,
    kBound,
    kBudget,
    kLoop,
    kUnreadable
};
constexpr std::size_t kCauses = 10;

// How a file is read: each file is read once for each, however often and by whatever name it is named.
enum Role : unsigned {
    kProject = 1,
    kMapText = 2,
    kAliasText = 4,
    kPopups = 8,
    kTopics = 16,
    kKeywordText = 32
};

// The sections of a help project that are read.
enum class Section { kOther, kMap, kAlias, kFiles, kTextPopups, kOptions };

Section SectionNamed(std::string_view name) {
    static const std::pair<std::string_view, Section> kNames[] = {{"MAP", Section::kMap},
                                                                  {"ALIAS", Section::kAlias},
                                                                  {"FILES", Section::kFiles},
                                                                  {"TEXT POPUPS", Section::kTextPopups},
                                                                  {"OPTIONS", Section::kOptions}};
    for (const auto& [written, section] : kNames) {
        if (EqualIgnoringAsciiCase(name, written))
            return section;
    }
    return Section::kOther;
}

class Reader {
public:
    explicit Reader(HelpProjectReading& out) : out_(out), project_(out.Project) {
        budget_.Left = kBaseBudget;
    }

    // A file the reading looked for, by folder and name: looked for once, however many lines name it.
    struct Place {
        os::LocatedFile Located;
        bool Present = false;    // not found, yet something else than a regular file is there
        std::string Identity;    // once opened
        bool Unreadable = false; // told once, at the first line that named it
        bool There() const { return Located.Found || Present; }
    };

    Place& Locate(const std::string& folder, std::string_view name) {
        std::string key = folder;
        key.append(1, '\0').append(name);
        const auto [at, isNew] = places_.try_emplace(std::move(key));
        Place& place = at->second;
        if (isNew && !name.empty() && name.size() <= kMaxNameBytes) {
            place.Located = locator_.Locate(folder, std::string(name));
            place.Present = !place.Located.Found && os::EntryExists(place.Located.Path);
        }
        return place;
    }

    // A file that the line `line` of `from` names: `name` in `folder`, else in the project's; nullptr,
    // told, when nothing is there.
    Place* Find(std::string_view name, const std::string& folder, const std::string& from, int line,
                Content content) {
        Place* place = &Locate(folder, name);
        if (!place->There() && folder != project_.Folder)
            place = &Locate(project_.Folder, name);
        if (!place->There()) {
            Warn(Cause::kNotFound, from, line,
                 Shown(name) + " not found; its " + LostWith(content) + " are not known here");
            return nullptr;
        }
        if (place->Located.Ambiguous)
            Warn(Cause::kAmbiguous, from, line,
                 Shown(name) + ": several files match it without regard to case; " +
                     Shown(place->Located.Path, kShownPathBytes) + " is read");
        return place;
    }

    // The text of `path` for `roles`, as every file of the reading is opened: a regular file within the
    // bound, or an error naming it and the line `line` of `from` that named it. False, quietly, when the
    // file (by any name) was read for those roles before; `identity` is filled either way.
    bool Load(const std::string& path, const std::string& shown, unsigned roles, const std::string& from,
              int line, std::string& identity, std::string& text, bool decode = true) {
        if (!identity.empty() && !FirstTime(identity, roles))
            return false;
        try {
            TInputFile file(path, shown, kMaxProjectFileBytes);
            identity = file.Identity().empty() ? path : file.Identity();
            if (!FirstTime(identity, roles))
                return false;
            std::string bytes = file.ReadAll();
            ++out_.FilesRead;
            budget_.Left += kBudgetPerByte * bytes.size();
            budgetGiven_ += kBudgetPerByte * bytes.size();
            text = decode ? HelpFileText(std::move(bytes)) : std::move(bytes);
        } catch (...) {
            Tell(Notice::kError, Cause::kUnreadable, from, line, ErrorMessage(std::current_exception()));
            return false;
        }
        return true;
    }

    bool Load(Place& place, unsigned roles, const std::string& from, int line, std::string& text,
              bool decode = true) {
        if (place.Unreadable)
            return false;
        const bool read = Load(place.Located.Path, Shown(place.Located.Path, kShownPathBytes), roles, from,
                               line, place.Identity, text, decode);
        place.Unreadable = !read && place.Identity.empty();
        return read;
    }

    void Tell(Notice::Level level, Cause cause, const std::string& file, int line, std::string message) {
        Told& told = told_[static_cast<std::size_t>(cause)];
        if (told.Count++ < kToldPerKind)
            out_.Notices.push_back(Notice{level, file, line, std::move(message)});
        else if (!told.Next)
            told.Next = Notice{level, file, line, std::move(message)};
    }

    void Warn(Cause cause, const std::string& file, int line, std::string message) {
        Tell(Notice::kWarning, cause, file, line, std::move(message));
    }

    // The notices held back: of each kind the first, with how many more there were.
    void Finish() {
        out_.Replacements += budgetGiven_ - budget_.Left;
        budgetGiven_ = budget_.Left;
        for (Told& told : told_) {
            if (told.Next) {
                const std::size_t more = told.Count - kToldPerKind - 1;
                if (more > 0)
                    told.Next->Message += " (and " + std::to_string(more) + " more like it)";
                out_.Notices.push_back(std::move(*told.Next));
            }
            told = Told{};
        }
    }

    // Map text: the [MAP] section, or a file it includes, as C source with ";" comments. Every form
    // of a [MAP] line counts: "#define ID n", "ID n", "ID = n", "ID=n;".
    void MapText(std::string text, const std::string& file) {
        TConditionals conditionals;
        TSourceLines lines(std::move(text));
        std::string_view source;
        int number = 0;
        while (lines.Next(source, number)) {
            const std::string_view line = Trimmed(BeforeSemicolonComment(source));
            if (line.empty())
                continue;
            if (line.front() == '#') {
                const Directive directive = ParseDirective(line);
                std::string problem;
                if (conditionals.Take(directive, project_.Macros, &budget_, problem)) {
                    if (!problem.empty())
                        Warn(Cause::kDirective, file, number, problem);
                } else if (conditionals.Active()) {
                    Directed(directive, file, number);
                }
            } else if (conditionals.Active()) {
                MapLine(line, file, number);
            }
            if (budget_.Exhausted && !budgetTold_) {
                budgetTold_ = true;
                Warn(Cause::kBudget, file, number,
                     "macros are replaced here by more tokens than a reading allows; what needs more "
                     "replacements is not read");
            }
        }
        if (conditionals.Open() != 0)
            Warn(Cause::kDirective, file, lines.LastNumber(), "#if without #endif");
    }

    void Directed(const Directive& directive, const std::string& file, int line) {
        if (directive.Name == "define") {
            Define(directive.Rest, file, line);
        } else if (directive.Name == "undef") {
            project_.Macros.Undefine(Identifier(directive.Rest));
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
        const std::string_view name = Identifier(rest);
        if (name.empty())
            return Warn(Cause::kDirective, file, line, "#define without a name");
        rest.remove_prefix(name.size());
        if (!rest.empty() && rest.front() == '(') {
            const std::size_t close = rest.find(')');
            project_.Macros.Define(
                name, Trimmed(rest.substr(close == std::string_view::npos ? rest.size() : close + 1)), true);
            return;
        }
        Map(name, Trimmed(rest), file, line);
    }

    void MapLine(std::string_view line, const std::string& file, int number) {
        const std::string_view id = Identifier(line);
        std::string_view value = Trimmed(line.substr(id.size()));
        if (!value.empty() && value.front() == '=')
            value = Trimmed(value.substr(1));
        if (!id.empty())
            Map(id, value, file, number);
    }

    // Defines `id` as the macro `value`; when the value is a number, maps it.
    void Map(std::string_view id, std::string_view value, const std::string& file, int line) {
        if (TooMany(project_.Macros.Names(), !project_.Macros.Named(id), file, line))
            return;
        const std::uint32_t place = project_.Macros.Define(id, value);
        if (value.empty())
            return;
        const ExpressionValue number =
            EvaluateExpression(value, project_.Macros, UndefinedIdentifiers::kFail, &budget_);
        if (number.Failed == ExpressionValue::kDivisionByZero)
            return Warn(Cause::kDivision, file, line,
                        Shown(id) + ": " + Shown(value) + ": division by zero; nothing is mapped");
        if (number.Failed == ExpressionValue::kBound && !budget_.Exhausted)
            return Warn(Cause::kBound, file, line, Shown(id) + ": " + number.Problem + "; nothing is mapped");
        if (!number.Ok && number.Failed != ExpressionValue::kRange)
            return; // no number: a string, a name defined nowhere
        if (!FitsNumber(number))
            return Warn(Cause::kRange, file, line,
                        Shown(id) + ": " + Shown(value) + " does not fit 32 bits; nothing is mapped");
        // 0x80000000 to 0xFFFFFFFF are the negative numbers forms hold.
        if (place != MacroTable::kNoPlace)
            project_.Map.push_back(
                HelpMapping{place, static_cast<std::int32_t>(static_cast<std::uint32_t>(number.Value))});
    }

    static bool FitsNumber(const ExpressionValue& number) {
        return number.Ok && number.Value >= INT32_MIN &&
               number.Value <= static_cast<std::int64_t>(UINT32_MAX);
    }

    void Include(std::string_view rest, const std::string& file, int line, Content content) {
        const std::string name = IncludedName(rest);
        if (name.empty())
            return Warn(Cause::kDirective, file, line, "#include names no file");
        if (depth_ >= kMaxIncludeDepth)
            return Warn(Cause::kBound, file, line,
                        Shown(name) + ": includes nested more than " + std::to_string(kMaxIncludeDepth) +
                            " deep; its " + LostWith(content) + " are not read");
        Place* place = Find(name, os::FolderOf(file), file, line, content);
        std::string text;
        if (place == nullptr ||
            !Load(*place, content == Content::kIdentifiers ? kMapText : kAliasText, file, line, text))
            return;
        ++depth_;
        if (content == Content::kIdentifiers)
            MapText(std::move(text), place->Located.Path);
        else
            AliasText(text, place->Located.Path, 0);
        --depth_;
    }

    // [ALIAS] lines, or a file they include; `firstLine` the number of the line before the text's first.
    void AliasText(std::string_view text, const std::string& file, int firstLine) {
        int number = firstLine;
        while (!text.empty()) {
            ++number;
            const std::string_view line = Trimmed(BeforeSemicolonComment(TakeLine(text)));
            if (!line.empty())
                AliasLine(line, file, number);
        }
    }

    void AliasLine(std::string_view line, const std::string& file, int number) {
        const std::size_t equals = line.find('=');
        if (line.front() == '#') {
            const Directive directive = ParseDirective(line);
            if (directive.Name == "include")
                Include(directive.Rest, file, number, Content::kAliases);
            return;
        }
        if (equals == std::string_view::npos)
            return;
        const std::string_view id = Trimmed(line.substr(0, equals));
        std::string_view target = Trimmed(line.substr(equals + 1));
        if (project_.Kind == HelpProjectKind::kHtml)
            target = Trimmed(target.substr(0, target.find('#')));
        else
            target = target.substr(0, std::min(target.find(' '), target.find('\t')));
        if (id.empty() || target.empty())
            return;
        if (const HelpAlias* first = project_.Aliases.Find(id)) {
            const auto [firstFile, firstLine] =
                aliasAt_[static_cast<std::size_t>(first - &project_.Aliases.Entries()[0])];
            return Warn(Cause::kRepeated, file, number,
                        Shown(id) + ": repeated in [ALIAS]; the first, at " + files_[firstFile] + ":" +
                            std::to_string(firstLine) + ", holds");
        }
        if (TooMany(project_.Aliases.Entries().size(), true, file, number))
            return;
        bool added = false;
        project_.Aliases.Add(HelpAlias{std::string(id), TargetPlace(target), false}, added);
        aliasAt_.emplace_back(FilePlace(file), number);
    }

    // A classic project's RTF topic file: beside the project, else in one of its ROOT folders.
    void TopicFile(const std::string& listed, const std::string& file, int line,
                   const std::vector<std::string>& roots) {
        Place* place = &Locate(project_.Folder, listed);
        for (std::size_t i = 0; i < roots.size() && !place->There(); ++i)
            place = &Locate(project_.Folder, roots[i] + "\\" + listed);
        if (!place->There())
            place = Find(listed, project_.Folder, file, line, Content::kTopics);
        std::string rtf;
        if (place == nullptr || !Load(*place, kTopics, file, line, rtf, false))
            return;
        RtfTopics topics = ReadRtfTopics(rtf);
        project_.Topics.insert(topics.Ids.begin(), topics.Ids.end());
        for (const std::string& keyword : topics.Keywords)
            project_.Keywords.insert(CaseFolded(keyword));
        if (topics.TooDeep)
            Warn(Cause::kBound, file, line,
                 Shown(listed) + ": groups nested more than " + std::to_string(kMaxRtfDepth) +
                     " deep; the footnotes within them are not read");
    }

    // An HTML project's text pop-up file: each ".topic ID" line begins a topic, ".topic 1001" one for a
    // number. The headers listed beside the pop-up texts, which give their identifiers numbers, map
    // them as [MAP] would.
    void PopupFile(const std::string& listed, const std::string& file, int line) {
        Place* place = Find(listed, project_.Folder, file, line, Content::kTopics);
        std::string text;
        if (place == nullptr || !Load(*place, kPopups, file, line, text))
            return;
        const std::string& path = place->Located.Path;
        std::string directives;
        int number = 0;
        for (std::string_view rest = text; !rest.empty();) {
            ++number;
            std::string_view topic = Trimmed(TakeLine(rest));
            directives.append(StartsWith(topic, "#") ? topic : std::string_view()).append("\n");
            if (topic.size() < 7 || !EqualIgnoringAsciiCase(topic.substr(0, 6), ".topic") ||
                !IsBlank(topic[6]))
                continue;
            topic = Trimmed(topic.substr(7));
            topic = topic.substr(0, std::min(topic.find(' '), topic.find('\t')));
            const ExpressionValue value = EvaluateExpression(topic, noMacros_, UndefinedIdentifiers::kFail);
            if (FitsNumber(value))
                project_.TopicNumbers.insert(
                    static_cast<std::int32_t>(static_cast<std::uint32_t>(value.Value)));
            else if (value.Ok || value.Failed == ExpressionValue::kRange)
                Warn(Cause::kRange, path, number,
                     ".topic " + Shown(topic) + " does not fit 32 bits; it is no pop-up of a number");
            else if (!topic.empty())
                project_.Topics.insert(AsciiUpperCase(topic));
        }
        std::string().swap(text);
        MapText(std::move(directives), path);
    }

    // Room for `count` aliases, so that a large [ALIAS] is not copied as it grows.
    void ReserveAliases(std::size_t count) {
        project_.Aliases.Reserve(count);
        aliasAt_.reserve(count);
    }

    // The compiled file the project makes ("Compiled file=" of [OPTIONS]), whose topics its aliases
    // may name as "X.chm::/topic.htm".
    void CompiledFile(std::string_view name) { compiledFile_ = std::string(LastPart(name)); }

    // Works out once per alias whether it leads to a topic, each topic file looked for once.
    void ResolveAliases() {
        std::vector<HelpAlias>& aliases = project_.Aliases.Entries();
        if (project_.Kind == HelpProjectKind::kClassic)
            return ResolveChains();
        std::vector<std::int8_t> there(project_.AliasTargets.size(), -1);
        for (HelpAlias& alias : aliases) {
            std::int8_t& found = there[alias.Target];
            if (found < 0)
                found = TopicFileThere(project_.AliasTargets[alias.Target]) ? 1 : 0;
            alias.Reaches = found != 0;
        }
    }

private:
    // An HTML alias's target: a file of the project, also when it is named inside the project's own
    // compiled file; a topic of another compiled file or on the web cannot be looked at here, and is
    // taken as there.
    bool TopicFileThere(std::string_view target) {
        const std::size_t colon = target.find(':');
        if (colon == std::string_view::npos || colon <= 1) // none, or a drive letter
            return Locate(project_.Folder, target).Located.Found;
        const std::size_t inside = target.find("::");
        if (inside == std::string_view::npos ||
            !EqualIgnoringAsciiCase(LastPart(target.substr(0, inside)), compiledFile_))
            return true;
        target.remove_prefix(inside + 2);
        while (!target.empty() && (target.front() == '/' || target.front() == '\\'))
            target.remove_prefix(1);
        return !target.empty() && Locate(project_.Folder, target).Located.Found;
    }

    bool IsTopic(std::string_view id) const { return project_.Topics.count(AsciiUpperCase(id)) != 0; }

    // A classic project's chains: each alias leads to its target, a topic or another alias. Each alias is
    // walked once; the aliases of a walk share its end, and a loop is told once.
    void ResolveChains() {
        std::vector<HelpAlias>& aliases = project_.Aliases.Entries();
        enum : std::uint8_t { kNew, kOnWalk, kDone };
        std::vector<std::uint8_t> state(aliases.size(), kNew);
        std::vector<std::size_t> walk;
        for (std::size_t start = 0; start < aliases.size(); ++start) {
            bool reaches = false;
            for (std::size_t at = start;;) {
                if (state[at] == kDone) {
                    reaches = aliases[at].Reaches;
                    break;
                }
                if (state[at] == kOnWalk) {
                    TellLoop(std::vector<std::size_t>(std::find(walk.begin(), walk.end(), at), walk.end()));
                    break;
                }
                state[at] = kOnWalk;
                walk.push_back(at);
                const std::string& target = project_.AliasTargets[aliases[at].Target];
                if (IsTopic(aliases[at].Id) || IsTopic(target)) {
                    reaches = true;
                    break;
                }
                const HelpAlias* next = project_.Aliases.Find(target);
                if (next == nullptr)
                    break;
                at = static_cast<std::size_t>(next - aliases.data());
            }
            for (const std::size_t at : walk) {
                aliases[at].Reaches = reaches;
                state[at] = kDone;
            }
            walk.clear();
        }
    }

    // Told at the first alias of the loop that was read.
    void TellLoop(const std::vector<std::size_t>& loop) {
        const std::vector<HelpAlias>& aliases = project_.Aliases.Entries();
        const std::size_t first = *std::min_element(loop.begin(), loop.end());
        std::string names;
        for (std::size_t i = 0; i < loop.size() && i < 4; ++i)
            names += Shown(aliases[loop[i]].Id) + " = ";
        names += loop.size() > 4 ? "..." : Shown(aliases[loop.front()].Id);
        const auto [file, line] = aliasAt_[first];
        Warn(Cause::kLoop, files_[file], line,
             Shown(aliases[first].Id) + ": [ALIAS] entries lead round in a loop (" + names +
                 "); it reaches no topic");
    }

    // Whether a new identifier (`adding`) would pass kMaxIdentifiers, told once.
    bool TooMany(std::size_t count, bool adding, const std::string& file, int line) {
        if (!adding || count < kMaxIdentifiers)
            return false;
        if (!tooManyTold_)
            Warn(Cause::kBound, file, line,
                 "more than " + std::to_string(kMaxIdentifiers) +
                     " identifiers or aliases; this one and the later new ones are not read");
        tooManyTold_ = true;
        return true;
    }

    std::uint32_t TargetPlace(std::string_view target) {
        const auto nameOf = [this](std::uint32_t place) -> std::string_view {
            return project_.AliasTargets[place];
        };
        std::uint32_t place = targets_.Find(target, nameOf);
        if (place == TNameIndex<false>::kNone) {
            place = static_cast<std::uint32_t>(project_.AliasTargets.size());
            project_.AliasTargets.emplace_back(target);
            targets_.Add(place, nameOf);
        }
        return place;
    }

    std::uint32_t FilePlace(const std::string& file) {
        if (files_.empty() || files_.back() != file) {
            const auto known = std::find(files_.begin(), files_.end(), file);
            if (known != files_.end())
                return static_cast<std::uint32_t>(known - files_.begin());
            files_.push_back(file);
        }
        return static_cast<std::uint32_t>(files_.size() - 1);
    }

    bool FirstTime(const std::string& identity, unsigned roles) {
        unsigned& read = read_[identity];
        const bool first = (read & roles) == 0;
        read |= roles;
        return first;
    }

    struct Told {
        std::size_t Count = 0;
        std::optional<Notice> Next; // the first one not told
    };

    HelpProjectReading& out_;
    HelpProject& project_;
    os::FileLocator locator_;
    std::unordered_map<std::string, Place> places_;  // by folder, a NUL and name
    std::unordered_map<std::string, unsigned> read_; // the roles each file was read for, by its identity
    const MacroTable noMacros_;
    ExpansionBudget budget_;
    std::uint64_t budgetGiven_ = kBaseBudget;
    bool budgetTold_ = false;
    bool tooManyTold_ = false;
    std::size_t depth_ = 0; // of includes
    std::array<Told, kCauses> told_;
    std::string compiledFile_;
    TNameIndex<false> targets_; // the places of project_.AliasTargets
    // Where each alias was read: its file among files_, and line.
    std::vector<std::string> files_;
    std::vector<std::pair<std::uint32_t, int>> aliasAt_;
};

} // namespace

const HelpAlias* HelpAliases::Find(std::string_view id) const {
    const std::uint32_t place =
        index_.Find(id, [this](std::uint32_t at) -> std::string_view { return entries_[at].Id; });
    return place == TNameIndex<true>::kNone ? nullptr : &entries_[place];
}

std::uint32_t HelpAliases::Add(HelpAlias alias, bool& added) {
    const auto nameOf = [this](std::uint32_t at) -> std::string_view { return entries_[at].Id; };
    std::uint32_t place = index_.Find(alias.Id, nameOf);
    added = place == TNameIndex<true>::kNone;
    if (added) {
        place = static_cast<std::uint32_t>(entries_.size());
        entries_.push_back(std::move(alias));
        index_.Add(place, nameOf);
    }
    return place;
}

HelpProjectKind HelpProjectKindOf(const std::string& fileName) {
    const std::string upper = AsciiUpperCase(fileName);
    if (upper.size() > 4 && StartsWith(upper, upper.size() - 4, ".HHP"))
        return HelpProjectKind::kHtml;
    if (upper.size() > 4 && StartsWith(upper, upper.size() - 4, ".HPJ"))
        return HelpProjectKind::kClassic;
    return HelpProjectKind::kNone;
}

namespace {

// A line of a section, with its number.
struct NumberedLine {
    std::string Text;
    int Number = 0;
};

} // namespace

HelpProjectReading ReadHelpProject(const std::string& fileName) {
    HelpProjectReading out;
    HelpProject& project = out.Project;
    project.Kind = HelpProjectKindOf(fileName);
    Reader reader(out);
    // A project named in another case than it is stored in is found as Windows finds it.
    const Reader::Place& located = reader.Locate(std::string(), fileName);
    const std::string path = located.Located.Found ? located.Located.Path : fileName;
    project.Folder = os::FolderOf(path);
    std::string identity;
    std::string text;
    // Its own [MAP] and [ALIAS] are not read once more as a file they include.
    if (!reader.Load(path, fileName, kProject | kMapText | kAliasText, fileName, 0, identity, text))
        return out;
    out.Read = true;
    const std::string_view base = LastPart(path);
    reader.CompiledFile(std::string(base.substr(0, base.size() - 4)) + ".chm");

    // The [MAP] lines stay in place, every other line blank, so that the map reads as one C source
    // with the project's own line numbers. [ALIAS] sections are read where they stand, after [OPTIONS]
    // has named the compiled file.
    std::string mapText;
    struct Part {
        std::size_t Begin = 0, End = 0; // in the text
        int Header = 0;                 // the number of the section's header line
    };
    std::vector<Part> aliasSections;
    std::vector<NumberedLine> topicFiles;
    std::vector<NumberedLine> popupFiles;
    std::vector<std::string> roots;
    Section section = Section::kOther;
    int number = 0;
    std::size_t aliasLines = 0;
    const std::string_view all = text;
    for (std::string_view rest = all; !rest.empty();) {
        const std::string_view raw = TakeLine(rest);
        ++number;
        const std::string_view line = Trimmed(BeforeSemicolonComment(raw));
        if (!line.empty() && line.front() == '[') {
            if (section == Section::kAlias)
                aliasSections.back().End = static_cast<std::size_t>(raw.data() - all.data());
            section = SectionNamed(Trimmed(line.substr(1, line.find(']') - 1)));
            if (section == Section::kAlias) {
                const std::size_t begin = all.size() - rest.size();
                aliasSections.push_back(Part{begin, all.size(), number});
            }
            mapText += '\n';
            continue;
        }
        mapText.append(section == Section::kMap ? line : std::string_view()).append("\n");
        if (line.empty())
            continue;
        aliasLines += section == Section::kAlias ? 1 : 0;
        const std::size_t equals = line.find('=');
        const std::string_view key = Trimmed(line.substr(0, equals));
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : Trimmed(line.substr(equals + 1));
        if (section == Section::kFiles && project.Kind == HelpProjectKind::kClassic) {
            topicFiles.push_back(NumberedLine{std::string(line), number});
        } else if (section == Section::kTextPopups && project.Kind == HelpProjectKind::kHtml) {
            popupFiles.push_back(NumberedLine{std::string(line), number});
        } else if (section == Section::kFiles && project.Kind == HelpProjectKind::kHtml) {
            project.TopicFiles.push_back(HelpProject::NamedFile{std::string(line), number});
        } else if (section != Section::kOptions || equals == std::string_view::npos) {
            continue;
        } else if (project.Kind == HelpProjectKind::kHtml && EqualIgnoringAsciiCase(key, "Index file")) {
            project.IndexFile = HelpProject::NamedFile{std::string(value), number};
        } else if (project.Kind == HelpProjectKind::kHtml && EqualIgnoringAsciiCase(key, "Compiled file")) {
            reader.CompiledFile(value);
        } else if (project.Kind == HelpProjectKind::kClassic && EqualIgnoringAsciiCase(key, "ROOT")) {
            AddListItems(value, ',', roots);
        }
    }
    reader.MapText(std::move(mapText), fileName);
    reader.ReserveAliases(aliasLines);
    for (const Part& aliases : aliasSections)
        reader.AliasText(all.substr(aliases.Begin, aliases.End - aliases.Begin), fileName, aliases.Header);
    for (const NumberedLine& topics : topicFiles)
        reader.TopicFile(topics.Text, fileName, topics.Number, roots);
    for (const NumberedLine& popups : popupFiles)
        reader.PopupFile(popups.Text, fileName, popups.Number);
    reader.ResolveAliases();
    reader.Finish();
    return out;
}

void ReadKeywordIndex(const std::string& fileName, HelpProjectReading& reading) {
    HelpProject& project = reading.Project;
    if (project.Kind != HelpProjectKind::kHtml)
        return;
    Reader reader(reading);
    const auto read = [&](const HelpProject::NamedFile& file, bool isIndex) {
        Reader::Place* place =
            reader.Find(file.Name, project.Folder, fileName, file.Line, Content::kKeywords);
        std::string text;
        if (place == nullptr || !reader.Load(*place, kKeywordText, fileName, file.Line, text))
            return;
        for (const std::string& keyword : isIndex ? IndexKeywords(text) : TopicKeywords(text))
            project.Keywords.insert(CaseFolded(keyword));
    };
    if (project.IndexFile)
        read(*project.IndexFile, true);
    for (const HelpProject::NamedFile& topic : project.TopicFiles)
        read(topic, false);
    reader.Finish();
}
