#include "scanner/HelpContextScan.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string_view>

#include "formstream/FormText.h"
#include "formstream/Os.h"
#include "formstream/Streams.h"
#include "formstream/StringList.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"

namespace {

constexpr size_t kNone = std::string_view::npos;
// The macro line loses this many leading characters, "RESDEPEN = " and its padding in a generated makefile.
constexpr size_t kMacroPrefixLength = 23;
// Names are cut out into a buffer of 256 bytes.
constexpr size_t kMaxNameLength = 255;
// A property value stands this far after the start of its name: "HelpContext" and " = ".
constexpr size_t kHelpContextValueOffset = 14;
// Blanks and tabs separate the names of the name list.
constexpr const char* kNameSeparators = " \t";

// Finds the first occurrence of a needle at or after a position. The scan only ever asks for
// positions that move forward, so the answer to the last question is remembered: while the next
// position lies at or before it, it is still the answer, and a form is searched once per needle
// instead of once per component.
class ForwardFinder {
public:
    ForwardFinder(std::string_view text, std::string_view needle) : text_(text), needle_(needle) {}

    size_t Find(size_t from) {
        if (asked_ && from >= askedFrom_ && (found_ == kNone || from <= found_))
            return found_;
        asked_ = true;
        askedFrom_ = from;
        found_ = from <= text_.size() ? text_.find(needle_, from) : kNone;
        return found_;
    }

private:
    std::string_view text_;
    std::string_view needle_;
    bool asked_ = false;
    size_t askedFrom_ = 0;
    size_t found_ = kNone;
};

bool IsBlankSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// White space, an optional sign and decimal digits; no digits read as 0. The value wraps at 32 bits.
std::int32_t ReadNumber(std::string_view text, size_t at) {
    while (at < text.size() && IsBlankSpace(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    std::uint32_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9')
        value = value * 10u + static_cast<std::uint32_t>(text[at++] - '0');
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

// The characters from `begin` up to `end`, at most 255 of them; none when `end` lies before `begin`.
std::string CutName(std::string_view text, size_t begin, size_t end) {
    if (end <= begin)
        return std::string();
    return std::string(text.substr(begin, std::min(end - begin, kMaxNameLength)));
}

} // namespace

void ScanFormText(const char* data, std::int32_t size, TResultTree& tree) {
    const std::string_view text(data, size > 0 ? static_cast<size_t>(size) : 0);
    ForwardFinder objects(text, "object");
    ForwardFinder colons(text, ":");
    ForwardFinder helpContexts(text, "HelpContext");
    ForwardFinder ends(text, "end");

    if (objects.Find(0) == kNone)
        return;
    const size_t formColon = colons.Find(0);
    if (formColon == kNone)
        return;
    const std::string formName = CutName(text, 7, formColon);
    const size_t firstNested = objects.Find(formColon);
    const size_t formHelp = helpContexts.Find(0);
    const bool formHasContext = formHelp != kNone && (firstNested == kNone || formHelp < firstNested);

    TResultTree::Node formNode;
    if (formHasContext) {
        const std::int32_t number = ReadNumber(text, formHelp + kHelpContextValueOffset);
        formNode = tree.AddRoot(formName + ":" + std::to_string(number));
        tree.SetImages(formNode, kImageFormWithContext, kImageFormWithContext);
    } else {
        formNode = tree.AddRoot(formName);
        tree.SetImages(formNode, kImageFormWithoutContext, kImageFormWithoutContext);
    }

    bool componentAdded = false;
    for (size_t object = firstNested; object != kNone;) {
        const size_t end = ends.Find(object);
        const size_t help = helpContexts.Find(object);
        if (help != kNone && end != kNone && help < end) {
            const size_t colon = colons.Find(object);
            if (colon != kNone) {
                const std::string name = CutName(text, object + 7, colon);
                const std::int32_t number = ReadNumber(text, help + kHelpContextValueOffset);
                if (number != 0) {
                    const TResultTree::Node node =
                        tree.AddChild(formNode, name + ":" + std::to_string(number));
                    tree.SetImages(node, kImageComponent, kImageComponent);
                    componentAdded = true;
                }
            }
        }
        // A converted text always ends with the form's own "end"; any other text simply stops here.
        object = end == kNone ? kNone : objects.Find(end);
    }

    if (!componentAdded && !formHasContext)
        tree.Delete(formNode);
}

void ScanFormFile(const ListedForm& form, TResultTree& tree) {
    TMemoryStream text;
    {
        std::unique_ptr<TFileStream> file;
        try {
            file = std::make_unique<TFileStream>(form.Path, fmOpenRead);
        } catch (const EFOpenError&) {
            // The user knows the file by the name the project gives it.
            throw EFOpenError(SFOpenError, {form.Name});
        }
        FormFileToText(*file, text);
    }
    ScanFormText(text.Memory(), text.Size(), tree);
}

std::string ProjectFileName(const std::string& projectText) {
    // The browse dialog quotes a name that holds a blank; what it quotes is the file.
    if (!projectText.empty() && projectText[0] == '"') {
        const size_t closing = projectText.find('"', 1);
        if (closing != std::string::npos)
            return projectText.substr(1, closing - 1);
    }
    return projectText;
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

std::string LoadFormNameList(const std::string& projectFileName) {
    TStringList lines;
    lines.LoadLinesFromFile(projectFileName);
    return ExtractFormNameList(lines);
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

ListedForm LocateListedForm(const std::string& projectFileName, const std::string& listedName) {
    const std::string path = os::ListedNameToPath(listedName);
    const bool absolute = (!listedName.empty() && (listedName[0] == '\\' || listedName[0] == '/')) ||
                          (listedName.size() >= 2 && listedName[1] == ':' &&
                           std::isalpha(static_cast<unsigned char>(listedName[0])));
    if (absolute)
        return {listedName, path};
    return {listedName, projectFileName.substr(0, os::FolderPartLength(projectFileName)) + path};
}

void ScanFormNames(const std::string& projectFileName, const std::string& nameList,
                   const std::function<void(const ListedForm&)>& scanFormFile) {
    for (const std::string& name : SplitFormNames(nameList)) {
        const ListedForm form = LocateListedForm(projectFileName, name);
        if (os::FileExists(form.Path))
            scanFormFile(form);
    }
}

void Rescan(const std::string& projectText, TResultTree& tree,
            const std::function<void(const ListedForm&)>& scanFormFile) {
    if (projectText.empty())
        return;
    const std::string project = ProjectFileName(projectText);
    // The project is read whole first: when that fails, the tree keeps what it shows.
    const std::string nameList = LoadFormNameList(project);
    tree.Clear();
    ScanFormNames(project, nameList, scanFormFile);
}

void Rescan(const std::string& projectText, TResultTree& tree) {
    Rescan(projectText, tree, [&tree](const ListedForm& form) { ScanFormFile(form, tree); });
}
