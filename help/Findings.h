#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "help/HelpEntries.h"

// What a check finds in the nodes with help: a number held by more than one node (its holders in tree
// order), or a node's negative number; with a help project also a number it does not map, a mapped
// number whose identifiers reach no topic, and an identifier the help project maps to another number
// than the forms give it. Reading later versions also a number that a node's HelpType leaves unused,
// a keyword it leaves unused, a node that asks for a keyword and has none, and with a help project a
// keyword in no index (the nodes asking for it, the first one's keyword shown). With the coverage
// check, a form whose controls F1 leads to no help (no-help, see CheckCoverage).
struct HelpContextFinding {
    enum Kind {
        kDuplicate,
        kNegative,
        kUnmapped,
        kNoTopic,
        kStale,
        kUnusedNumber,
        kEmptyKeyword,
        kUnusedKeyword,
        kNoKeyword,
        kNoHelp
    };
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
    // kNoHelp: the form (not owned) and its controls on which F1 lands nowhere, by their places in its
    // tree; Nodes is empty.
    const ScannedForm* Form = nullptr;
    std::vector<std::size_t> Controls = {};
};

// A kind of finding as every report and the manual page tell it.
struct FindingKindInfo {
    HelpContextFinding::Kind Kind;
    // As the reports name it: "duplicate", "no-topic", ...
    const char* Name;
    // Something that may be meant, rather than an error.
    bool Warning;
    // What a finding's line names before its nodes (kControls: a form, then its controls by their names).
    enum Subject { kNumber, kKeyword, kIdentifier, kNodesOnly, kControls } About;
    // One sentence, for the SARIF rule and the manual page.
    const char* Description;
    // The options of check that make it look for this kind; none for the kinds it always looks for.
    std::vector<const char*> Options;

    // "warning" or "error", as SARIF names the level.
    const char* Level() const { return Warning ? "warning" : "error"; }
};

// Every kind, in the order the reports list their rules.
const std::vector<FindingKindInfo>& FindingKinds();
const FindingKindInfo& KindInfo(HelpContextFinding::Kind kind);

// The findings in order of their first node in the tree; where one node begins both a duplicate
// and a negative finding, the duplicate comes first.
std::vector<HelpContextFinding> CheckHelpContexts(const std::vector<HelpContextEntry>& entries);

// The keyword help settings that F1 cannot use, in tree order: a number under a stated htKeyword
// (unused-number), a keyword under a stated htContext (unused-keyword), a stated htKeyword without a
// keyword (empty-keyword).
std::vector<HelpContextFinding> CheckKeywordHelp(const std::vector<HelpContextEntry>& entries);

// Findings of several checks over the same entries as one report, in order of their first node (at
// one node, in the order given).
std::vector<HelpContextFinding> MergeFindings(std::vector<HelpContextFinding> first,
                                              const std::vector<HelpContextFinding>& second);
