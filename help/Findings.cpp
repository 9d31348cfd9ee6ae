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
            break;
    }
    return "stale";
}

std::vector<HelpContextFinding> CheckHelpContexts(const std::vector<HelpContextEntry>& entries) {
    const std::map<std::int32_t, std::vector<std::size_t>> holders = EntriesByNumber(entries);
    std::vector<HelpContextFinding> findings;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::int32_t number = entries[i].Number;
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
