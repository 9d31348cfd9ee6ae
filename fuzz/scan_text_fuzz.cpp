// Arbitrary bytes as form text: the search must stay inside them, never fail, and give exactly the
// tree of a plain reference that splits the text into lines first and then, for every header, looks
// through the lines after it for its number.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "report/ScanReport.h"
#include "scanner/FormTextSearch.h"

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const bool fed = end != std::string::npos;
        if (!fed)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (fed && !line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

size_t Indent(const std::string& line) {
    size_t blanks = 0;
    while (blanks < line.size() && line[blanks] == ' ')
        ++blanks;
    return blanks;
}

bool IsHeader(const std::string& line, std::string& name) {
    const std::string text = line.substr(Indent(line));
    for (const char* word : {"object ", "inherited ", "inline "}) {
        if (text.compare(0, std::strlen(word), word) == 0) {
            const std::string rest = text.substr(std::strlen(word));
            const size_t colon = rest.find(':');
            name = colon == std::string::npos ? "" : rest.substr(0, colon).substr(0, 255);
            return true;
        }
    }
    return false;
}

std::string Number(const std::string& value) {
    size_t at = 0;
    while (at < value.size() && std::strchr(" \t\n\v\f\r", value[at]) && value[at] != '\0')
        ++at;
    bool negative = false;
    if (at < value.size() && (value[at] == '+' || value[at] == '-'))
        negative = value[at++] == '-';
    std::uint32_t number = 0;
    while (at < value.size() && value[at] >= '0' && value[at] <= '9')
        number = number * 10u + static_cast<std::uint32_t>(value[at++] - '0');
    return std::to_string(static_cast<std::int32_t>(negative ? 0u - number : number));
}

// The number of the header at `index`: its first own "HelpContext = " line, before the next header
// or its own "end"; empty when it has none.
std::string NumberOf(const std::vector<std::string>& lines, size_t index) {
    const size_t indent = Indent(lines[index]);
    std::string ignored;
    for (size_t i = index + 1; i < lines.size() && !IsHeader(lines[i], ignored); ++i) {
        const std::string& line = lines[i];
        if (line == std::string(indent, ' ') + "end")
            return "";
        if (Indent(line) == indent + 2 && line.compare(indent + 2, 14, "HelpContext = ") == 0)
            return Number(line.substr(indent + 16));
    }
    return "";
}

std::string ReferenceScan(const std::string& text) {
    const std::vector<std::string> lines = SplitLines(text);
    std::string form;
    std::string formNumber;
    std::string children;
    bool formSeen = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name;
        if (!IsHeader(lines[i], name))
            continue;
        const std::string number = NumberOf(lines, i);
        if (!formSeen) {
            formSeen = true;
            form = name;
            formNumber = number;
        } else if (!number.empty() && number != "0") {
            children += "  " + name + ":" + number + "\n";
        }
    }
    if (!formNumber.empty())
        return form + ":" + formNumber + "\n" + children;
    return children.empty() ? "" : form + "\n" + children;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that any read beyond them is caught.
    char* text = new char[size];
    std::memcpy(text, data, size);
    ScannedForm form;
    ScanFormText(std::string_view(text, size), form);
    ScanResult result;
    result.Forms.push_back(std::move(form));
    if (ScanText(result) != ReferenceScan(std::string(text, size)))
        std::abort();
    delete[] text;
    return 0;
}
