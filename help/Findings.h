#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "help/HelpEntries.h"

// What a check finds in the numbered nodes: a number held by more than one node (its holders in tree
// order), or a node's negative number; with a help project also a number it does not map, a mapped
// number whose identifiers reach no topic, and an identifier the help project maps to another number
// than the forms give it.
struct HelpContextFinding {
    enum Kind { kDuplicate, kNegative, kUnmapped, kNoTopic, kStale };
    Kind What = kDuplicate;
    std::int32_t Number = 0;
    // The entries concerned, by their indexes.
    std::vector<std::size_t> Nodes;
    // kNoTopic: the help project's identifiers of Number; kStale: the one identifier.
    std::vector<std::string> Ids;
    // kStale: the number the help project gives the identifier.
    std::int32_t Help = 0;
    // The index of the finding's first node, which orders the findings of different checks into one
    // report.
    std::size_t FirstEntry = 0;
};

// The finding's kind as the reports name it: "duplicate", "no-topic", ...
const char* FindingKindName(HelpContextFinding::Kind kind);

// The findings in order of their first node in the tree; where one node begins both a duplicate
// and a negative finding, the duplicate comes first.
std::vector<HelpContextFinding> CheckHelpContexts(const std::vector<HelpContextEntry>& entries);

// Findings of several checks over the same entries as one report, in order of their first node (at
// one node, in the order given).
std::vector<HelpContextFinding> MergeFindings(std::vector<HelpContextFinding> first,
                                              const std::vector<HelpContextFinding>& second);
