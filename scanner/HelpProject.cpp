#include "scanner/HelpProject.h"

#include <algorithm>
#include <map>

#include "io/Os.h"
#include "io/Streams.h"
#include "runtime/Text.h"

namespace {

// Headers including one another deeper than this are a loop the file-name test missed (the same
// file by two spellings), not a real project.
constexpr int kMaxIncludeDepth = 32;
// RTF groups nested deeper than this share the state of the deepest one kept.
constexpr size_t kMaxRtfDepth = 256;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
    return upper;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && UpperCase(a) == UpperCase(b);
}

std::vector<std::string_view> Lines(std::string_view bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const size_t end = bytes.find('\n');
        lines.push_back(Trimmed(bytes.substr(0, end)));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    }
    return lines;
}

// The first word of `text` (up to a blank or `stop`), `text` left after it and the blanks behind.
std::string_view TakeWord(std::string_view& text, char stop = ' ') {
    size_t end = 0;
    while (end < text.size() && !IsBlank(text[end]) && text[end] != stop)
        ++end;
    const std::string_view word = text.substr(0, end);
    text = Trimmed(text.substr(end));
    return word;
}

// "#define" / "#include" (blanks allowed after "#"): the directive's word, `line` left after it.
std::string_view Directive(std::string_view& line) {
    if (line.empty() || line.front() != '#')
        return {};
    line = Trimmed(line.substr(1));
    return TakeWord(line);
}

// The file of an #include: bare, in quotes or in angle brackets.
std::string IncludedName(std::string_view rest) {
    rest = Trimmed(rest);
    if (!rest.empty() && (rest.front() == '"' || rest.front() == '<')) {
        const size_t end = rest.find(rest.front() == '"' ? '"' : '>', 1);
        return std::string(rest.substr(1, end == std::string_view::npos ? end : end - 1));
    }
    return std::string(TakeWord(rest));
}

// A context number: decimal with an optional sign or 0x hex, an optional L, U or UL suffix, the
// whole optionally in parentheses. Numbers are 32-bit, so 0xFFFFFFFF is -1 as the forms hold it.
bool ParseNumber(std::string_view text, std::int32_t& value) {
    text = Trimmed(text);
    while (text.size() >= 2 && text.front() == '(' && text.back() == ')')
        text = Trimmed(text.substr(1, text.size() - 2));
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hex)
        text.remove_prefix(2);
    std::uint64_t magnitude = 0;
    size_t digits = 0;
    for (; digits < text.size(); ++digits) {
        const char c = Upper(text[digits]);
        unsigned digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (hex && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            break;
        magnitude = magnitude * (hex ? 16 : 10) + digit;
        if (magnitude > 0xFFFFFFFFull)
            return false;
    }
    const std::string suffix = UpperCase(text.substr(digits));
    if (digits == 0 ||
        !(suffix.empty() || suffix == "L" || suffix == "U" || suffix == "UL" || suffix == "LU"))
        return false;
    if (negative && magnitude > 0x80000000ull)
        return false;
    const std::uint32_t bits = static_cast<std::uint32_t>(negative ? 0 - magnitude : magnitude);
    value = static_cast<std::int32_t>(bits);
    return true;
}

// A line's text before a comment that may follow a value.
std::string_view BeforeComment(std::string_view text) {
    const size_t end = std::min({text.find(';'), text.find("//"), text.find("/*")});
    return Trimmed(text.substr(0, end));
}

// A C header with its comments turned into blanks, line ends kept; quoted text stays as it is.
std::string WithoutComments(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') {
            const size_t end = text.find_first_of("\"\n", i + 1);
            const size_t stop = end == std::string_view::npos ? text.size() : end + (text[end] == '"');
            out.append(text.substr(i, stop - i));
            i = stop - 1;
        } else if (StartsWith(text, i, "//")) {
            while (i + 1 < text.size() && text[i + 1] != '\n')
                ++i;
        } else if (StartsWith(text, i, "/*")) {
            const size_t end = text.find("*/", i + 2);
            const size_t stop = end == std::string_view::npos ? text.size() : end + 2;
            for (size_t j = i; j < stop; ++j) {
                if (text[j] == '\n')
                    out += '\n';
            }
            out += ' ';
            i = stop - 1;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string FolderOf(const std::string& fileName) {
    return fileName.substr(0, os::FolderPartLength(fileName));
}

bool IsAbsolute(const std::string& path) {
    if (!path.empty() && (path[0] == '/' || path[0] == '\\'))
        return true;
    return path.size() >= 2 && path[1] == ':';
}

// A name as a help project writes it (Windows separators), relative to `folder`.
std::string Beside(const std::string& folder, const std::string& name) {
    const std::string path = os::ListedNameToPath(name);
    return IsAbsolute(path) ? path : folder + path;
}

std::string ReadFile(const std::string& name) {
    TFileStream file(name, fmOpenRead | fmShareDenyWrite);
    std::string bytes;
    ReadRest(file, bytes);
    return bytes;
}

class ProjectReader {
public:
    ProjectReader(HelpProject& project, const HelpFileFailure& onFailure)
        : project_(project), onFailure_(onFailure) {}

    // The file's bytes, or false when it could not be read and onFailure took the error.
    bool Read(const std::string& name, std::string& bytes) {
        if (!onFailure_) {
            bytes = ReadFile(name);
            return true;
        }
        try {
            bytes = ReadFile(name);
            return true;
        } catch (const std::exception& error) {
            onFailure_(name, error);
            return false;
        }
    }

    // An included file beside the including one, else beside the help project.
    std::string Locate(const std::string& includingFolder, const std::string& name) {
        const std::string first = Beside(includingFolder, name);
        if (os::FileExists(first))
            return first;
        const std::string second = Beside(project_.Folder, name);
        return os::FileExists(second) ? second : first;
    }

    void MapLine(std::string_view line, const std::string& folder) {
        std::string_view rest = line;
        const std::string_view directive = Directive(rest);
        if (EqualNoCase(directive, "include")) {
            Header(Locate(folder, IncludedName(rest)));
            return;
        }
        if (!line.empty() && line.front() == '#' && !EqualNoCase(directive, "define"))
            return;
        if (EqualNoCase(directive, "define"))
            line = rest;
        const std::string_view id = TakeWord(line, '=');
        if (!line.empty() && line.front() == '=')
            line = Trimmed(line.substr(1));
        std::int32_t value = 0;
        if (!id.empty() && ParseNumber(BeforeComment(line), value))
            project_.Map.emplace_back(std::string(id), value);
    }

    void Header(const std::string& name) {
        if (!Enter(name))
            return;
        std::string bytes;
        if (!Read(name, bytes))
            return reading_.pop_back();
        const std::string text = WithoutComments(bytes);
        for (std::string_view line : Lines(text)) {
            std::string_view rest = line;
            const std::string_view directive = Directive(rest);
            if (EqualNoCase(directive, "define") || EqualNoCase(directive, "include"))
                MapLine(line, FolderOf(name));
        }
        reading_.pop_back();
    }

    void AliasLine(std::string_view line, const std::string& folder) {
        std::string_view rest = line;
        if (EqualNoCase(Directive(rest), "include")) {
            AliasFile(Locate(folder, IncludedName(rest)));
            return;
        }
        const std::string_view id = TakeWord(line, '=');
        if (id.empty() || line.empty() || line.front() != '=')
            return;
        std::string_view target = Trimmed(line.substr(1));
        if (project_.Kind == HelpProjectKind::kHtml)
            target = Trimmed(target.substr(0, target.find('#')));
        else
            target = TakeWord(target, ';');
        if (!target.empty())
            project_.Aliases.emplace_back(std::string(id), std::string(target));
    }

    void AliasFile(const std::string& name) {
        if (!Enter(name))
            return;
        std::string bytes;
        if (!Read(name, bytes))
            return reading_.pop_back();
        for (const std::string_view line : Lines(bytes)) {
            if (!line.empty() && line.front() != ';')
                AliasLine(line, FolderOf(name));
        }
        reading_.pop_back();
    }

    // A classic project's topic file, beside the project or in one of its ROOT folders.
    void TopicFile(const std::string& listed, const std::vector<std::string>& roots) {
        std::string name = Beside(project_.Folder, listed);
        for (size_t i = 0; i < roots.size() && !os::FileExists(name); ++i) {
            const std::string candidate = Beside(Beside(project_.Folder, roots[i]) + "/", listed);
            if (os::FileExists(candidate))
                name = candidate;
        }
        std::string bytes;
        if (Read(name, bytes)) {
            const std::set<std::string> ids = RtfTopicIds(bytes);
            project_.Topics.insert(ids.begin(), ids.end());
        }
    }

    // Marks a file as being read; false when it already is (one file by two spellings too) or the
    // includes run too deep.
    bool Enter(const std::string& name) {
        const std::string identity = os::FileIdentity(name);
        const std::string key = identity.empty() ? name : identity;
        if (reading_.size() >= kMaxIncludeDepth ||
            std::find(reading_.begin(), reading_.end(), key) != reading_.end())
            return false;
        reading_.push_back(key);
        return true;
    }

    std::vector<std::string> reading_;

private:
    HelpProject& project_;
    const HelpFileFailure& onFailure_;
};

// The RTF walker's state per group.
struct RtfGroup {
    // Text that is no topic text: \* destinations, font and colour tables, pictures.
    bool Skip = false;
    bool Footnote = false;
};

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int HexDigit(char c) {
    c = Upper(c);
    if (c >= '0' && c <= '9')
        return c - '0';
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

} // namespace

HelpProjectKind HelpProjectKindOf(const std::string& fileName) {
    const std::string upper = UpperCase(fileName);
    if (upper.size() > 4 && StartsWith(upper, upper.size() - 4, ".HHP"))
        return HelpProjectKind::kHtml;
    if (upper.size() > 4 && StartsWith(upper, upper.size() - 4, ".HPJ"))
        return HelpProjectKind::kClassic;
    return HelpProjectKind::kNone;
}

bool ReadHelpProject(const std::string& fileName, HelpProject& project, const HelpFileFailure& onFailure) {
    project.Kind = HelpProjectKindOf(fileName);
    project.Folder = FolderOf(fileName);
    ProjectReader reader(project, onFailure);
    std::string bytes;
    if (!reader.Read(fileName, bytes))
        return false;
    reader.Enter(fileName);
    std::string section;
    std::vector<std::string> files;
    std::vector<std::string> roots;
    for (const std::string_view line : Lines(bytes)) {
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            section = UpperCase(line.substr(1, line.find(']') - 1));
        } else if (section == "MAP") {
            reader.MapLine(line, project.Folder);
        } else if (section == "ALIAS") {
            reader.AliasLine(line, project.Folder);
        } else if (section == "FILES" && project.Kind == HelpProjectKind::kClassic) {
            files.emplace_back(BeforeComment(line));
        } else if (section == "OPTIONS") {
            std::string_view rest = line;
            if (EqualNoCase(TakeWord(rest, '='), "ROOT") && !rest.empty() && rest.front() == '=') {
                rest = rest.substr(1);
                while (!rest.empty()) {
                    const size_t comma = rest.find(',');
                    const std::string_view root = Trimmed(rest.substr(0, comma));
                    if (!root.empty())
                        roots.emplace_back(root);
                    rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
                }
            }
        }
    }
    for (const std::string& file : files)
        reader.TopicFile(file, roots);
    return true;
}

std::set<std::string> RtfTopicIds(std::string_view rtf) {
    std::set<std::string> ids;
    std::vector<RtfGroup> stack{RtfGroup{}};
    size_t deeper = 0;        // groups past kMaxRtfDepth, sharing the deepest state
    size_t footnoteDepth = 0; // the stack size inside the footnote being read
    bool groupStart = false;  // nothing read yet in the group just opened
    char lastChar = 0;        // the last plain character of the body: a footnote's mark
    char footnoteMark = 0;
    std::string footnoteText;
    const auto plain = [&](char c) {
        if (stack.back().Skip)
            return;
        if (stack.back().Footnote)
            footnoteText += c;
        else
            lastChar = c;
    };
    size_t i = 0;
    while (i < rtf.size()) {
        const char c = rtf[i++];
        if (c == '{') {
            if (stack.size() < kMaxRtfDepth)
                stack.push_back(stack.back());
            else
                ++deeper;
            groupStart = true;
            continue;
        }
        if (c == '}') {
            if (deeper > 0) {
                --deeper;
            } else if (stack.size() > 1) {
                if (stack.back().Footnote && stack.size() == footnoteDepth) {
                    std::string_view text = Trimmed(footnoteText);
                    if (!text.empty() && text.front() == '#')
                        text = Trimmed(text.substr(1));
                    if (footnoteMark == '#' && !text.empty())
                        ids.insert(UpperCase(text));
                    lastChar = 0;
                }
                stack.pop_back();
            }
            groupStart = false;
            continue;
        }
        const bool first = groupStart;
        groupStart = false;
        if (c == '\r' || c == '\n')
            continue;
        if (c != '\\') {
            plain(c);
            continue;
        }
        if (i >= rtf.size())
            break;
        if (IsLetter(rtf[i])) {
            const size_t start = i;
            while (i < rtf.size() && IsLetter(rtf[i]) && i - start < 32)
                ++i;
            const std::string_view word = rtf.substr(start, i - start);
            std::uint64_t parameter = 0;
            if (i < rtf.size() && rtf[i] == '-')
                ++i;
            for (size_t digits = 0; i < rtf.size() && rtf[i] >= '0' && rtf[i] <= '9'; ++digits, ++i) {
                if (digits < 10)
                    parameter = parameter * 10 + static_cast<unsigned>(rtf[i] - '0');
            }
            if (i < rtf.size() && rtf[i] == ' ')
                ++i;
            RtfGroup& group = stack.back();
            if (word == "bin") {
                i += static_cast<size_t>(std::min<std::uint64_t>(parameter, rtf.size() - i));
            } else if (first && word == "footnote" && !group.Skip && !group.Footnote && deeper == 0) {
                group.Footnote = true;
                footnoteDepth = stack.size();
                footnoteMark = lastChar;
                footnoteText.clear();
            } else if (first && (word == "fonttbl" || word == "colortbl" || word == "stylesheet" ||
                                 word == "info" || word == "pict" || word == "object")) {
                group.Skip = true;
            }
            continue;
        }
        const char symbol = rtf[i++];
        if (symbol == '\'') {
            const int high = i < rtf.size() ? HexDigit(rtf[i]) : -1;
            const int low = i + 1 < rtf.size() ? HexDigit(rtf[i + 1]) : -1;
            if (high >= 0 && low >= 0) {
                plain(static_cast<char>(high * 16 + low));
                i += 2;
            }
        } else if (symbol == '\\' || symbol == '{' || symbol == '}') {
            plain(symbol);
        } else if (symbol == '~') {
            plain(' ');
        } else if (symbol == '*' && first) {
            stack.back().Skip = true;
        }
    }
    return ids;
}

std::vector<HelpContextFinding> CheckHelpProject(const std::vector<HelpContextEntry>& entries,
                                                 const HelpProject& project, const std::string& prefix,
                                                 const std::function<bool(const std::string&)>& fileExists) {
    std::map<std::int32_t, std::vector<std::string>> idsOf;
    std::map<std::string, std::int32_t> numberOf;
    for (const std::pair<std::string, std::int32_t>& mapping : project.Map) {
        const std::string& id = mapping.first;
        std::vector<std::string>& ids = idsOf[mapping.second];
        if (std::none_of(ids.begin(), ids.end(),
                         [&id](const std::string& other) { return EqualNoCase(other, id); }))
            ids.push_back(id);
        numberOf.emplace(UpperCase(id), mapping.second);
    }
    std::multimap<std::string, std::string> aliases;
    for (const auto& [id, target] : project.Aliases)
        aliases.emplace(UpperCase(id), target);
    const auto reachesTopic = [&](const std::string& id) {
        std::string at = UpperCase(id);
        if (project.Kind == HelpProjectKind::kHtml) {
            const auto [begin, end] = aliases.equal_range(at);
            return std::any_of(begin, end, [&](const auto& alias) {
                return fileExists(Beside(project.Folder, alias.second));
            });
        }
        std::set<std::string> seen;
        while (seen.insert(at).second) {
            if (project.Topics.count(at) != 0)
                return true;
            const auto next = aliases.find(at);
            if (next == aliases.end())
                return false;
            at = UpperCase(next->second);
        }
        return false;
    };
    std::map<std::int32_t, std::vector<size_t>> holders;
    for (size_t i = 0; i < entries.size(); ++i)
        holders[entries[i].Number].push_back(i);
    const std::vector<std::string> identifiers = HelpMapIdentifiers(entries, prefix);
    std::vector<HelpContextFinding> findings;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::int32_t number = entries[i].Number;
        const std::vector<size_t>& same = holders[number];
        if (same.front() == i) {
            HelpContextFinding finding{HelpContextFinding::kUnmapped, number, {}, {}, 0, i};
            const auto mapped = idsOf.find(number);
            if (mapped != idsOf.end()) {
                finding.What = HelpContextFinding::kNoTopic;
                finding.Ids = mapped->second;
            }
            if (finding.What == HelpContextFinding::kUnmapped ||
                std::none_of(finding.Ids.begin(), finding.Ids.end(), reachesTopic)) {
                for (const size_t holder : same)
                    finding.Nodes.push_back(entries[holder].NodeName());
                findings.push_back(finding);
            }
        }
        const auto help = numberOf.find(UpperCase(identifiers[i]));
        if (help != numberOf.end() && help->second != number) {
            findings.push_back(HelpContextFinding{HelpContextFinding::kStale,
                                                  number,
                                                  {entries[i].NodeName()},
                                                  {identifiers[i]},
                                                  help->second,
                                                  i});
        }
    }
    return findings;
}

std::vector<HelpContextFinding> MergeFindings(std::vector<HelpContextFinding> first,
                                              const std::vector<HelpContextFinding>& second) {
    first.insert(first.end(), second.begin(), second.end());
    std::stable_sort(
        first.begin(), first.end(),
        [](const HelpContextFinding& a, const HelpContextFinding& b) { return a.FirstEntry < b.FirstEntry; });
    return first;
}
