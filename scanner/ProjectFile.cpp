#include "scanner/ProjectFile.h"

#include <algorithm>
#include <cstdint>

#include "io/InputFile.h"
#include "io/Os.h"
#include "io/Streams.h"
#include "io/StringList.h"
#include "runtime/Entities.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"
#include "runtime/Text.h"
#include "runtime/Utf8.h"

namespace {

// The macro line loses this many leading characters, "RESDEPEN = " and its padding in a generated makefile.
constexpr size_t kMacroPrefixLength = 23;
// Blanks and tabs separate the names of the name list.
constexpr const char* kNameSeparators = " \t";

constexpr size_t kNone = std::string_view::npos;

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Follows the document just far enough to find the first RESDEPEN start tag: it passes over
// comments, processing instructions, CDATA sections, the document type declaration, end tags and
// text, and reads each start tag's attributes, since a value may hold a ">". A narrow reader rather
// than an XML library: the tool needs one attribute, and no XML library is packaged for the
// cross-compiled Windows build, so one reader serves both builds the same way.
class NameListReader {
public:
    NameListReader(std::string_view xml, const std::string& fileName) : xml_(xml), fileName_(fileName) {}

    std::string Read() {
        size_t at = ByteOrderMarkLength(xml_);
        for (;;) {
            const size_t open = xml_.find('<', at);
            if (open == kNone)
                return std::string();
            if (StartsWith(xml_, open, "<!--"))
                at = After(open, open + 4, "-->");
            else if (StartsWith(xml_, open, "<![CDATA["))
                at = After(open, open + 9, "]]>");
            else if (StartsWith(xml_, open, "<?"))
                at = After(open, open + 2, "?>");
            else if (StartsWith(xml_, open, "<!"))
                at = AfterDeclaration(open);
            else if (StartsWith(xml_, open, "</"))
                at = After(open, open + 2, ">");
            else if (auto nameList = StartTag(open, at))
                return *nameList;
        }
    }

private:
    [[noreturn]] void Invalid(size_t at) const {
        const auto line = 1 + std::count(xml_.begin(), xml_.begin() + static_cast<std::ptrdiff_t>(at), '\n');
        throw Exception(SInvalidProjectXml, {fileName_, std::to_string(line)});
    }

    // The position after the first `terminator` at or after `from`; a construct begun at `start`
    // that never ends is invalid.
    size_t After(size_t start, size_t from, std::string_view terminator) const {
        const size_t found = xml_.find(terminator, from);
        if (found == kNone)
            Invalid(start);
        return found + terminator.size();
    }

    // "<!DOCTYPE ...>", whose internal subset in brackets and quoted literals may hold ">".
    size_t AfterDeclaration(size_t start) const {
        int depth = 0;
        for (size_t at = start + 2; at < xml_.size(); ++at) {
            const char c = xml_[at];
            if (c == '"' || c == '\'')
                at = After(start, at + 1, std::string_view(&xml_[at], 1)) - 1;
            else if (c == '[')
                ++depth;
            else if (c == ']')
                depth = std::max(0, depth - 1);
            else if (c == '>' && depth == 0)
                return at + 1;
        }
        Invalid(start);
    }

    size_t SkipSpace(size_t at) const {
        while (at < xml_.size() && IsXmlSpace(xml_[at]))
            ++at;
        return at;
    }

    size_t NameEnd(size_t at) const {
        while (at < xml_.size() && !IsXmlSpace(xml_[at]) && xml_[at] != '=' && xml_[at] != '/' &&
               xml_[at] != '>')
            ++at;
        return at;
    }

    // Reads the start tag at `open` and sets `next` to the position after it. For the first
    // RESDEPEN element, gives its name list.
    std::optional<std::string> StartTag(size_t open, size_t& next) const {
        const size_t nameEnd = NameEnd(open + 1);
        if (nameEnd == open + 1)
            Invalid(open);
        const bool isResdepen = xml_.substr(open + 1, nameEnd - open - 1) == "RESDEPEN";
        std::optional<std::string> value;
        for (size_t at = SkipSpace(nameEnd);; at = SkipSpace(at)) {
            if (at >= xml_.size())
                Invalid(open);
            if (xml_[at] == '>' || StartsWith(xml_, at, "/>")) {
                next = at + (xml_[at] == '>' ? 1 : 2);
                break;
            }
            const size_t attributeEnd = NameEnd(at);
            const std::string_view attribute = xml_.substr(at, attributeEnd - at);
            size_t quote = SkipSpace(attributeEnd);
            if (attribute.empty() || quote >= xml_.size() || xml_[quote] != '=')
                Invalid(at);
            quote = SkipSpace(quote + 1);
            if (quote >= xml_.size() || (xml_[quote] != '"' && xml_[quote] != '\''))
                Invalid(at);
            const size_t close = xml_.find(xml_[quote], quote + 1);
            if (close == kNone)
                Invalid(quote);
            if (isResdepen && !value && attribute == "value")
                value = Decode(quote + 1, close);
            at = close + 1;
        }
        if (!isResdepen)
            return std::nullopt;
        return value ? WithoutResFiles(*value) : std::string();
    }

    // The attribute value between `begin` and `end`, references decoded, line breaks and tabs as blanks.
    std::string Decode(size_t begin, size_t end) const {
        std::string text;
        text.reserve(end - begin);
        for (size_t at = begin; at < end; ++at) {
            const char c = xml_[at];
            if (c != '&') {
                text += c == '\r' || c == '\n' || c == '\t' ? ' ' : c;
                continue;
            }
            const auto entity = EntityAt(xml_.substr(0, end), at + 1, Markup::kXml);
            if (!entity)
                Invalid(at);
            std::uint32_t code = entity->Code;
            if (code == '\r' || code == '\n' || code == '\t')
                code = ' ';
            AppendUtf8(text, code);
            at = entity->End - 1;
        }
        return text;
    }

    // The list without its leading "$(RESFILES)" token, which names the project's resources.
    static std::string WithoutResFiles(const std::string& list) {
        constexpr std::string_view kResFiles = "$(RESFILES)";
        const size_t first = list.find_first_not_of(' ');
        if (first != std::string::npos && StartsWith(list, first, kResFiles) &&
            (first + kResFiles.size() == list.size() || list[first + kResFiles.size()] == ' '))
            return list.substr(first + kResFiles.size());
        return list;
    }

    std::string_view xml_;
    const std::string& fileName_;
};

} // namespace

bool IsXmlProject(std::string_view bytes) {
    const size_t at = SkipByteOrderMarkAndBlanks(bytes);
    return StartsWith(bytes, at, "<?xml") || StartsWith(bytes, at, "<PROJECT");
}

std::string XmlProjectNameList(std::string_view xml, const std::string& fileName) {
    return NameListReader(xml, fileName).Read();
}

std::string LoadProjectNameList(const std::string& fileName, const std::string& shownName, bool anyVersion) {
    std::string bytes = TInputFile(fileName, shownName, kMaxProjectFileBytes).ReadAll();
    if (anyVersion && IsXmlProject(bytes))
        return XmlProjectNameList(bytes, shownName);
    TStringList lines;
    lines.SetAllText(bytes);
    return os::SystemBytesToUtf8(ExtractFormNameList(lines));
}

std::string ExtractFormNameList(const TStrings& lines) {
    int index = 0;
    while (index < lines.Count() && lines[index].find("RESDEPEN") == std::string::npos)
        ++index;
    if (index == lines.Count())
        return std::string();
    const std::string& macroLine = lines[index];
    std::string names =
        macroLine.size() > kMacroPrefixLength ? macroLine.substr(kMacroPrefixLength) : std::string();
    // Only a backslash that ends the list, blanks and tabs after it set aside, continues it: one
    // anywhere else separates the folders of a name. Each pass looks at the end of the newest line
    // only, so joining stays linear however many lines there are.
    for (;;) {
        const size_t last = names.find_last_not_of(" \t");
        if (last == std::string::npos || names[last] != '\\')
            break;
        names.erase(last);
        if (++index >= lines.Count())
            break;
        names += ' ';
        names += lines[index];
    }
    return names;
}

std::vector<std::string> SplitFormNames(const std::string& nameList) {
    std::vector<std::string> names;
    size_t at = 0;
    while (at < nameList.size()) {
        at = nameList.find_first_not_of(kNameSeparators, at);
        if (at == std::string::npos)
            break;
        const size_t end = std::min(nameList.find_first_of(kNameSeparators, at), nameList.size());
        names.push_back(nameList.substr(at, end - at));
        at = end;
    }
    return names;
}

bool NamesAFile(const std::string& listedName) {
    const size_t dot = listedName.find_last_of('.');
    return dot != std::string::npos && listedName.find_first_of("\\/", dot) == std::string::npos &&
           listedName.find("$(") == std::string::npos;
}
