#include "help/Findings.h"

#include <algorithm>

const std::vector<FindingKindInfo>& FindingKinds() {
    using F = HelpContextFinding;
    using I = FindingKindInfo;
    static const std::vector<FindingKindInfo> kinds = {
        {F::kDuplicate,
         "duplicate",
         true,
         I::kNumber,
         "A help context number held by more than one form or component.",
         {}},
        {F::kNegative, "negative", false, I::kNumber, "A negative help context number.", {}},
        {F::kUnmapped,
         "unmapped",
         false,
         I::kNumber,
         "A help context number that the help project does not map.",
         {"--help-project"}},
        {F::kNoTopic,
         "no-topic",
         false,
         I::kNumber,
         "A mapped help context number whose identifiers reach no topic.",
         {"--help-project"}},
        {F::kStale,
         "stale",
         false,
         I::kIdentifier,
         "An identifier that the help project maps to another number than the forms hold.",
         {"--help-project"}},
        {F::kUnusedNumber,
         "unused-number",
         true,
         I::kNumber,
         "A help context number on a node whose HelpType makes F1 look up its keyword instead.",
         {"--any-version"}},
        {F::kEmptyKeyword,
         "empty-keyword",
         false,
         I::kNodesOnly,
         "A node whose HelpType makes F1 look up a keyword, without a keyword.",
         {"--any-version"}},
        {F::kUnusedKeyword,
         "unused-keyword",
         true,
         I::kKeyword,
         "A keyword on a node whose HelpType makes F1 use its help context number instead.",
         {"--any-version"}},
        {F::kNoKeyword,
         "no-keyword",
         false,
         I::kKeyword,
         "A keyword that no index of the help project holds.",
         {"--any-version", "--help-project"}},
        {F::kNoHelp,
         "no-help",
         true,
         I::kControls,
         "Controls on which F1 finds no help: not theirs, nor that of anything around them.",
         {"--coverage"}},
    };
    return kinds;
}

const FindingKindInfo& KindInfo(HelpContextFinding::Kind kind) {
    const std::vector<FindingKindInfo>& kinds = FindingKinds();
    return *std::find_if(kinds.begin(), kinds.end(),
                         [kind](const FindingKindInfo& info) { return info.Kind == kind; });
}

std::vector<HelpContextFinding> CheckKeywordHelp(const std::vector<HelpContextEntry>& entries) {
    std::vector<HelpContextFinding> findings;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const HelpContextEntry& entry = entries[i];
        const bool hasKeyword = entry.Keyword && !entry.Keyword->Empty();
        if (entry.StatedType == THelpType::kKeyword && entry.SetNumber.value_or(0) != 0)
            findings.push_back(
                HelpContextFinding{HelpContextFinding::kUnusedNumber, *entry.SetNumber, {i}, {}, 0, i});
        if (entry.StatedType == THelpType::kKeyword && !hasKeyword)
            findings.push_back(HelpContextFinding{HelpContextFinding::kEmptyKeyword, 0, {i}, {}, 0, i});
        if (entry.StatedType == THelpType::kContext && hasKeyword)
            findings.push_back(HelpContextFinding{HelpContextFinding::kUnusedKeyword, 0, {i}, {}, 0, i});
    }
    return findings;
}

std::vector<HelpContextFinding> CheckHelpContexts(const std::vector<HelpContextEntry>& entries) {
    const std::map<std::int32_t, std::vector<std::size_t>> holders = EntriesByNumber(entries);
    std::vector<HelpContextFinding> findings;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::int32_t number = entries[i].Number;
        if (number == 0)
            continue;
        const std::vector<std::size_t>& same = holders.at(number);
        if (same.size() > 1 && same.front() == i)
            findings.push_back(HelpContextFinding{HelpContextFinding::kDuplicate, number, same, {}, 0, i});
        if (number < 0)
            findings.push_back(HelpContextFinding{HelpContextFinding::kNegative, number, {i}, {}, 0, i});
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
