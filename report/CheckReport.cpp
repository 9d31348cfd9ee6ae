#include "report/CheckReport.h"

#include <algorithm>

#include "report/Json.h"
#include "runtime/Text.h"

namespace {

std::string NodeName(const std::vector<HelpContextEntry>& entries, std::size_t index, bool utf8) {
    return utf8 ? entries[index].NodeNameUtf8() : entries[index].NodeName();
}

const char* NoticeKind(const Notice& notice) {
    return notice.What == Notice::kWarning ? "warning" : "error";
}

// A file name as a SARIF artifact URI: Windows separators as slashes, every byte other than the
// unreserved ones and "/" percent-encoded; an absolute name becomes a file URI.
std::string ArtifactUri(const std::string& name) {
    const bool drive = IsDriveName(name);
    std::string uri = drive ? "file:///" : IsAbsoluteName(name) ? "file://" : "";
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i] == '\\' ? '/' : name[i];
        if (IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_' || c == '-' || c == '.' || c == '~' || c == '/' ||
            (drive && i == 1))
            uri += c;
        else
            uri += std::string{'%', HexDigit(static_cast<unsigned char>(c) >> 4),
                               HexDigit(static_cast<unsigned char>(c))};
    }
    return uri;
}

Json Location(const std::string& file, int line) {
    Json physical = {{"artifactLocation", {{"uri", ArtifactUri(file)}}}};
    if (line > 0)
        physical["region"] = {{"startLine", line}};
    return Json::array({{{"physicalLocation", physical}}});
}

// The keyword a finding is about: its first node's.
std::string FindingKeyword(const HelpContextFinding& finding, const std::vector<HelpContextEntry>& entries,
                           bool utf8) {
    const HelpContextEntry& entry = entries[finding.FirstEntry];
    return utf8 ? entry.KeywordUtf8() : entry.KeywordText();
}

// A no-help finding's controls: by their own names (the form's own node by the form's), or as nodes.
std::vector<std::string> ControlNames(const HelpContextFinding& finding, bool utf8, bool asNodes) {
    std::vector<std::string> names;
    const ScannedForm& form = *finding.Form;
    const auto shown = [&](const std::string& name) { return utf8 ? form.Encoding.ToUtf8(name) : name; };
    for (const std::size_t control : finding.Controls) {
        if (control == 0 || !form.Tree)
            names.push_back(shown(form.Name));
        else
            names.push_back((asNodes ? shown(form.Name) + "." : "") + shown(form.Tree->Nodes[control].Name));
    }
    return names;
}

} // namespace

std::string FindingLine(const HelpContextFinding& finding, const std::vector<HelpContextEntry>& entries,
                        bool utf8) {
    const FindingKindInfo& kind = KindInfo(finding.What);
    std::string line = kind.Name;
    if (kind.About == FindingKindInfo::kControls) {
        line += ": " + (utf8 ? finding.Form->Encoding.ToUtf8(finding.Form->Name) : finding.Form->Name) + ":";
        const std::vector<std::string> names = ControlNames(finding, utf8, false);
        for (size_t i = 0; i < names.size(); ++i)
            line += (i == 0 ? " " : ", ") + names[i];
        return line;
    }
    if (kind.About == FindingKindInfo::kNodesOnly) {
        // the node alone
    } else if (kind.About == FindingKindInfo::kKeyword) {
        line += " \"" + FindingKeyword(finding, entries, utf8) + "\"";
    } else if (kind.About == FindingKindInfo::kIdentifier) {
        line += " ";
        line += finding.Ids.empty() ? std::string() : finding.Ids.front();
        line +=
            ": help project " + std::to_string(finding.Help) + ", forms " + std::to_string(finding.Number);
    } else {
        line += " " + std::to_string(finding.Number);
    }
    if (finding.What == HelpContextFinding::kNoTopic) {
        for (size_t i = 0; i < finding.Ids.size(); ++i)
            line += (i == 0 ? " (" : ", ") + finding.Ids[i];
        line += finding.Ids.empty() ? "" : ")";
    }
    line += ":";
    for (size_t i = 0; i < finding.Nodes.size(); ++i)
        line += (i == 0 ? " " : ", ") + NodeName(entries, finding.Nodes[i], utf8);
    return line;
}

std::string NoticeText(const Notice& notice) {
    if (notice.File.empty() || (notice.Line == 0 && notice.Message.find(notice.File) != std::string::npos))
        return notice.Message;
    return notice.File + (notice.Line > 0 ? ":" + std::to_string(notice.Line) : std::string()) + ": " +
           notice.Message;
}

std::string FindingsText(const std::vector<HelpContextFinding>& findings,
                         const std::vector<HelpContextEntry>& entries, std::size_t forms) {
    std::string text;
    for (const HelpContextFinding& finding : findings)
        text += FindingLine(finding, entries, false) + '\n';
    return text + std::to_string(findings.size()) +
           (findings.size() == 1 ? " finding in " : " findings in ") + std::to_string(forms) +
           (forms == 1 ? " form\n" : " forms\n");
}

std::string FindingsJson(const std::vector<HelpContextFinding>& findings,
                         const std::vector<HelpContextEntry>& entries, const std::vector<Notice>& notices) {
    Json report = Json::array();
    for (const HelpContextFinding& finding : findings) {
        const FindingKindInfo& kind = KindInfo(finding.What);
        Json item = {{"kind", kind.Name}};
        if (kind.About == FindingKindInfo::kIdentifier) {
            item["id"] = finding.Ids.empty() ? std::string() : finding.Ids.front();
            item["help"] = finding.Help;
        }
        if (kind.About == FindingKindInfo::kKeyword)
            item["keyword"] = FindingKeyword(finding, entries, true);
        else if (kind.About != FindingKindInfo::kNodesOnly && kind.About != FindingKindInfo::kControls)
            item["number"] = finding.Number;
        if (finding.What == HelpContextFinding::kNoTopic)
            item["ids"] = finding.Ids;
        Json nodes = Json::array();
        for (const std::size_t node : finding.Nodes)
            nodes.push_back(NodeName(entries, node, true));
        if (finding.What == HelpContextFinding::kNoHelp)
            nodes = ControlNames(finding, true, true);
        item["nodes"] = std::move(nodes);
        report.push_back(std::move(item));
    }
    for (const Notice& notice : notices) {
        report.push_back({{"kind", NoticeKind(notice)},
                          {"file", notice.File},
                          {"line", notice.Line > 0 ? Json(notice.Line) : Json(nullptr)},
                          {"message", notice.Message}});
    }
    return JsonText(report, 1);
}

std::string FindingsSarif(const std::vector<HelpContextFinding>& findings,
                          const std::vector<HelpContextEntry>& entries, const std::vector<Notice>& notices,
                          const std::string& tool, const std::string& version) {
    Json rules = Json::array();
    for (const FindingKindInfo& kind : FindingKinds())
        rules.push_back({{"id", kind.Name}, {"shortDescription", {{"text", kind.Description}}}});
    Json notifications = Json::array();
    for (const Notice& notice : notices) {
        Json notification = {{"level", NoticeKind(notice)}, {"message", {{"text", notice.Message}}}};
        if (!notice.File.empty())
            notification["locations"] = Location(notice.File, notice.Line);
        notifications.push_back(std::move(notification));
    }
    Json results = Json::array();
    for (const HelpContextFinding& finding : findings) {
        const FindingKindInfo& kind = KindInfo(finding.What);
        Json result = {{"ruleId", kind.Name},
                       {"level", kind.Level()},
                       {"message", {{"text", FindingLine(finding, entries, true)}}}};
        if (finding.Form)
            result["locations"] = Location(finding.Form->Listed, 0);
        else if (finding.FirstEntry < entries.size() && !entries[finding.FirstEntry].File.empty())
            result["locations"] = Location(entries[finding.FirstEntry].File, 0);
        results.push_back(std::move(result));
    }
    const bool successful = std::none_of(notices.begin(), notices.end(),
                                         [](const Notice& notice) { return notice.What == Notice::kError; });
    const Json log = {
        {"version", "2.1.0"},
        {"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
        {"runs",
         Json::array({{{"tool", {{"driver", {{"name", tool}, {"version", version}, {"rules", rules}}}}},
                       {"invocations", Json::array({{{"executionSuccessful", successful},
                                                     {"toolExecutionNotifications", notifications}}})},
                       {"results", results}}})}};
    return JsonText(log, 3);
}
