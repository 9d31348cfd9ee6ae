#include "help/Findings.h"

#include <algorithm>

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
            return "stale";
        case HelpContextFinding::kUnusedNumber:
            return "unused-number";
        case HelpContextFinding::kEmptyKeyword:
            return "empty-keyword";
        case HelpContextFinding::kUnusedKeyword:
            return "unused-keyword";
        case HelpContextFinding::kNoHelp:
            return "no-help";
        case HelpContextFinding::kNoKeyword:
            break;
    }
    return "no-keyword";
}

bool IsWarningKind(HelpContextFinding::Kind kind) {
    return kind == HelpContextFinding::kDuplicate || kind == HelpContextFinding::kUnusedNumber ||
           kind == HelpContextFinding::kUnusedKeyword || kind == HelpContextFinding::kNoHelp;
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
