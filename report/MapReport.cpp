#include "report/MapReport.h"

#include "report/Csv.h"

namespace {

// A comment that stays one comment on one line, whatever the project's name holds.
std::string CommentText(const std::string& text) {
    std::string safe;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n')
            safe += ' ';
        else if (text[i] == '*' && i + 1 < text.size() && text[i + 1] == '/')
            safe += "* ";
        else
            safe += text[i];
    }
    return safe;
}

} // namespace

std::string MapLine(const std::string& identifier, std::int32_t number) {
    return "#define " + identifier + " " + std::to_string(number);
}

std::string MapHeader(const std::vector<HelpContextEntry>& entries, const std::string& project,
                      const std::string& madeBy, const std::string& prefix) {
    std::string header =
        "/* Help context numbers of " + CommentText(project) + " (" + CommentText(madeBy) + ") */\r\n";
    const std::vector<std::string> identifiers = HelpMapIdentifiers(entries, prefix);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].Number != 0)
            header += MapLine(identifiers[i], entries[i].Number) + "\r\n";
    }
    return header;
}

std::string MapCsv(const std::vector<HelpContextEntry>& entries) {
    std::string csv = "form,component,number\r\n";
    for (const HelpContextEntry& entry : entries) {
        if (entry.Number == 0)
            continue;
        AppendCsvField(csv, entry.Encoding.ToUtf8(entry.Form));
        csv += ',';
        AppendCsvField(csv, entry.Component ? entry.Encoding.ToUtf8(*entry.Component) : std::string());
        csv += ',' + std::to_string(entry.Number) + "\r\n";
    }
    return csv;
}
