#include "scanner/HelpMap.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>

#include "scanner/HelpContextScan.h"
#include "scanner/Utf8Output.h"

namespace {

bool IsIdentifierChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::string Sanitised(std::string text) {
    for (char& c : text) {
        if (!IsIdentifierChar(c))
            c = '_';
    }
    return text;
}

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

void AppendCsvField(std::string& out, const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        AppendWindows1252AsUtf8(out, field);
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"')
            out += '"';
        AppendWindows1252AsUtf8(out, std::string_view(&c, 1));
    }
    out += '"';
}

} // namespace

std::string HelpContextEntry::NodeName() const {
    return Component ? Form + "." + *Component : Form;
}

std::vector<HelpContextEntry> NumberedNodes(const TMemoryTree& tree) {
    std::vector<HelpContextEntry> entries;
    for (const TMemoryTree::Item& form : tree.Roots()) {
        if (form.Number.value_or(0) != 0)
            entries.push_back({form.Name, std::nullopt, *form.Number});
        for (const TMemoryTree::Item& component : form.Children) {
            if (component.Number.value_or(0) != 0)
                entries.push_back({form.Name, component.Name, *component.Number});
        }
    }
    return entries;
}

std::vector<std::string> HelpMapIdentifiers(const std::vector<HelpContextEntry>& entries,
                                            const std::string& prefix) {
    std::vector<std::string> identifiers;
    std::set<std::string> taken;
    // The suffix each repeated identifier tried last: the ones below it stay taken.
    std::map<std::string, int> lastSuffix;
    for (const HelpContextEntry& entry : entries) {
        const std::string base =
            Sanitised(prefix + entry.Form + (entry.Component ? "_" + *entry.Component : std::string()));
        std::string identifier = base;
        if (taken.count(identifier) != 0) {
            int& suffix = lastSuffix.emplace(base, 1).first->second;
            do
                identifier = base + "_" + std::to_string(++suffix);
            while (taken.count(identifier) != 0);
        }
        taken.insert(identifier);
        identifiers.push_back(identifier);
    }
    return identifiers;
}

std::string HelpMapHeader(const std::vector<HelpContextEntry>& entries, const std::string& project,
                          const std::string& madeBy, const std::string& prefix) {
    std::string header =
        "/* Help context numbers of " + CommentText(project) + " (" + CommentText(madeBy) + ") */\r\n";
    const std::vector<std::string> identifiers = HelpMapIdentifiers(entries, prefix);
    for (size_t i = 0; i < entries.size(); ++i)
        header += "#define " + identifiers[i] + " " + std::to_string(entries[i].Number) + "\r\n";
    return header;
}

std::string HelpMapCsv(const std::vector<HelpContextEntry>& entries) {
    std::string csv = "form,component,number\r\n";
    for (const HelpContextEntry& entry : entries) {
        AppendCsvField(csv, entry.Form);
        csv += ',';
        AppendCsvField(csv, entry.Component.value_or(std::string()));
        csv += ',' + std::to_string(entry.Number) + "\r\n";
    }
    return csv;
}

std::vector<HelpContextFinding> CheckHelpContexts(const std::vector<HelpContextEntry>& entries) {
    std::map<std::int32_t, std::vector<size_t>> holders;
    for (size_t i = 0; i < entries.size(); ++i)
        holders[entries[i].Number].push_back(i);
    std::vector<HelpContextFinding> findings;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::int32_t number = entries[i].Number;
        const std::vector<size_t>& same = holders[number];
        if (same.size() > 1 && same.front() == i) {
            HelpContextFinding duplicate{HelpContextFinding::kDuplicate, number, {}, {}, 0, i};
            for (const size_t holder : same)
                duplicate.Nodes.push_back(entries[holder].NodeName());
            findings.push_back(duplicate);
        }
        if (number < 0)
            findings.push_back(
                HelpContextFinding{HelpContextFinding::kNegative, number, {entries[i].NodeName()}, {}, 0, i});
    }
    return findings;
}

const char* FindingKindName(HelpContextFinding::Kind kind) {
    switch (kind) {
        case HelpContextFinding::kDuplicate:
            return "duplicate";
        case HelpContextFinding::kNegative:
            return "negative";
        case HelpContextFinding::kUnmapped:
            return "unmapped";
        case HelpContextFinding::kNoTopic:
            return "no-topic";
        case HelpContextFinding::kStale:
            break;
    }
    return "stale";
}

std::string FindingLine(const HelpContextFinding& finding) {
    std::string line = std::string(FindingKindName(finding.What)) + " ";
    if (finding.What == HelpContextFinding::kStale) {
        line += finding.Ids.empty() ? std::string() : finding.Ids.front();
        line +=
            ": help project " + std::to_string(finding.Help) + ", forms " + std::to_string(finding.Number);
    } else {
        line += std::to_string(finding.Number);
    }
    if (finding.What == HelpContextFinding::kNoTopic) {
        for (size_t i = 0; i < finding.Ids.size(); ++i)
            line += (i == 0 ? " (" : ", ") + finding.Ids[i];
        line += finding.Ids.empty() ? "" : ")";
    }
    line += ":";
    for (size_t i = 0; i < finding.Nodes.size(); ++i)
        line += (i == 0 ? " " : ", ") + finding.Nodes[i];
    return line;
}

std::string FindingsText(const std::vector<HelpContextFinding>& findings, std::size_t forms) {
    std::string text;
    for (const HelpContextFinding& finding : findings)
        text += FindingLine(finding) + '\n';
    return text + std::to_string(findings.size()) +
           (findings.size() == 1 ? " finding in " : " findings in ") + std::to_string(forms) + " forms\n";
}

namespace {

void AppendNoticeJson(std::string& json, const Notice& notice) {
    json += std::string("  {\"kind\": \"") + (notice.What == Notice::kWarning ? "warning" : "error") +
            "\", \"file\": ";
    AppendJsonString(json, notice.File, true);
    json += ", \"line\": " + (notice.Line > 0 ? std::to_string(notice.Line) : std::string("null")) +
            ", \"message\": ";
    AppendJsonString(json, notice.Message, true);
    json += "}";
}

} // namespace

std::string FindingsJson(const std::vector<HelpContextFinding>& findings,
                         const std::vector<Notice>& notices) {
    if (findings.empty() && notices.empty())
        return "[]\n";
    std::string json = "[\n";
    for (size_t i = 0; i < findings.size(); ++i) {
        const HelpContextFinding& finding = findings[i];
        json += "  {\"kind\": \"" + std::string(FindingKindName(finding.What)) + "\", ";
        if (finding.What == HelpContextFinding::kStale) {
            json += "\"id\": ";
            AppendJsonString(json, finding.Ids.empty() ? std::string() : finding.Ids.front());
            json += ", \"help\": " + std::to_string(finding.Help) + ", ";
        }
        json += "\"number\": " + std::to_string(finding.Number) + ", ";
        if (finding.What == HelpContextFinding::kNoTopic) {
            json += "\"ids\": [";
            for (size_t n = 0; n < finding.Ids.size(); ++n) {
                if (n > 0)
                    json += ", ";
                AppendJsonString(json, finding.Ids[n]);
            }
            json += "], ";
        }
        json += "\"nodes\": [";
        for (size_t n = 0; n < finding.Nodes.size(); ++n) {
            if (n > 0)
                json += ", ";
            AppendJsonString(json, finding.Nodes[n]);
        }
        json += i + 1 < findings.size() || !notices.empty() ? "]},\n" : "]}\n";
    }
    for (size_t i = 0; i < notices.size(); ++i) {
        AppendNoticeJson(json, notices[i]);
        json += i + 1 < notices.size() ? ",\n" : "\n";
    }
    return json + "]\n";
}

namespace {

// A listed file name as a SARIF artifact URI: Windows separators as slashes, every byte other than
// the unreserved ones and "/" percent-encoded; an absolute name becomes a file URI.
std::string ArtifactUri(const std::string& name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri;
    const bool drive = name.size() >= 2 && name[1] == ':';
    if (drive)
        uri = "file:///";
    else if (!name.empty() && (name[0] == '/' || name[0] == '\\'))
        uri = "file://";
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i] == '\\' ? '/' : name[i];
        if (IsIdentifierChar(c) || c == '-' || c == '.' || c == '~' || c == '/' || (drive && i == 1))
            uri += c;
        else
            uri += std::string{'%', kHex[static_cast<unsigned char>(c) >> 4],
                               kHex[static_cast<unsigned char>(c) & 15]};
    }
    return uri;
}

} // namespace

std::string FindingsSarif(const std::vector<HelpContextFinding>& findings,
                          const std::vector<std::string>& files, const std::vector<Notice>& notices,
                          const std::string& tool, const std::string& version) {
    static const HelpContextFinding::Kind kKinds[] = {
        HelpContextFinding::kDuplicate, HelpContextFinding::kNegative, HelpContextFinding::kUnmapped,
        HelpContextFinding::kNoTopic, HelpContextFinding::kStale};
    static const char* const kDescriptions[] = {
        "A help context number held by more than one form or component.", "A negative help context number.",
        "A help context number that the help project does not map.",
        "A mapped help context number whose identifiers reach no topic.",
        "An identifier that the help project maps to another number than the forms hold."};
    std::string sarif =
        "{\n  \"version\": \"2.1.0\",\n"
        "  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n"
        "  \"runs\": [\n    {\n      \"tool\": {\n        \"driver\": {\n          \"name\": ";
    AppendJsonString(sarif, tool);
    sarif += ",\n          \"version\": ";
    AppendJsonString(sarif, version);
    sarif += ",\n          \"rules\": [\n";
    for (size_t i = 0; i < std::size(kKinds); ++i) {
        sarif += std::string("            {\"id\": \"") + FindingKindName(kKinds[i]) +
                 "\", \"shortDescription\": {\"text\": \"" + kDescriptions[i] + "\"}}" +
                 (i + 1 < std::size(kKinds) ? ",\n" : "\n");
    }
    sarif += "          ]\n        }\n      },\n      \"invocations\": [\n        {\"executionSuccessful\": ";
    sarif += std::none_of(notices.begin(), notices.end(),
                          [](const Notice& notice) { return notice.What == Notice::kError; })
                 ? "true"
                 : "false";
    sarif += ", \"toolExecutionNotifications\": [";
    for (size_t i = 0; i < notices.size(); ++i) {
        const Notice& notice = notices[i];
        sarif += i == 0 ? "\n" : ",\n";
        sarif += std::string("          {\"level\": \"") +
                 (notice.What == Notice::kWarning ? "warning" : "error") + "\", \"message\": {\"text\": ";
        AppendJsonString(sarif, notice.Message, true);
        sarif += "}";
        if (!notice.File.empty()) {
            sarif += ", \"locations\": [{\"physicalLocation\": {\"artifactLocation\": {\"uri\": ";
            AppendJsonString(sarif, ArtifactUri(notice.File), true);
            sarif += "}";
            if (notice.Line > 0)
                sarif += ", \"region\": {\"startLine\": " + std::to_string(notice.Line) + "}";
            sarif += "}}]";
        }
        sarif += "}";
    }
    sarif += notices.empty() ? "]}\n      ],\n      \"results\": ["
                             : "\n        ]}\n      ],\n      \"results\": [";
    for (size_t i = 0; i < findings.size(); ++i) {
        const HelpContextFinding& finding = findings[i];
        sarif += i == 0 ? "\n" : ",\n";
        sarif += std::string("        {\"ruleId\": \"") + FindingKindName(finding.What) +
                 "\", \"level\": \"" +
                 (finding.What == HelpContextFinding::kDuplicate ? "warning" : "error") +
                 "\", \"message\": {\"text\": ";
        AppendJsonString(sarif, FindingLine(finding));
        sarif += "}";
        if (i < files.size() && !files[i].empty()) {
            sarif += ", \"locations\": [{\"physicalLocation\": {\"artifactLocation\": {\"uri\": ";
            AppendJsonString(sarif, ArtifactUri(files[i]));
            sarif += "}}}]";
        }
        sarif += "}";
    }
    return sarif + (findings.empty() ? "]\n    }\n  ]\n}\n" : "\n      ]\n    }\n  ]\n}\n");
}
