#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/Notice.h"
#include "scanner/ResultTree.h"

// The help author's view of a result tree: its numbered nodes as the map a help project includes,
// and the checks to run on them before a release.

// A node whose number is not 0: a form's own number (no Component) or a component's (whose name may
// be empty).
struct HelpContextEntry {
    std::string Form;
    std::optional<std::string> Component;
    std::int32_t Number = 0;

    // "form" or "form.component" ("form." for a component without a name).
    std::string NodeName() const;
};

// Every numbered node of the tree, in tree order.
std::vector<HelpContextEntry> NumberedNodes(const TMemoryTree& tree);

// The identifier of each entry: `prefix` + form, and for a component "_" + its name, with every
// character other than A-Z, a-z, 0-9 and "_" replaced by "_"; one equal to an earlier one gets the
// first free suffix of "_2", "_3", ...
std::vector<std::string> HelpMapIdentifiers(const std::vector<HelpContextEntry>& entries,
                                            const std::string& prefix);

// The C header both help compilers include: "/* Help context numbers of <project> (<madeBy>) */",
// then "#define <identifier> <number>" per entry, every line ending in CR LF.
std::string HelpMapHeader(const std::vector<HelpContextEntry>& entries, const std::string& project,
                          const std::string& madeBy, const std::string& prefix);

// RFC 4180 CSV in UTF-8 with CR LF line ends: "form,component,number", then one row per entry.
std::string HelpMapCsv(const std::vector<HelpContextEntry>& entries);

// A number held by more than one node (its holders in tree order), or a node's negative number; with
// a help project also a number it does not map, a mapped number whose identifiers reach no topic,
// and an identifier the help project maps to another number than the forms give it.
struct HelpContextFinding {
    enum Kind { kDuplicate, kNegative, kUnmapped, kNoTopic, kStale };
    Kind What = kDuplicate;
    std::int32_t Number = 0;
    std::vector<std::string> Nodes;
    // kNoTopic: the help project's identifiers of Number; kStale: the one identifier.
    std::vector<std::string> Ids;
    // kStale: the number the help project gives the identifier.
    std::int32_t Help = 0;
    // The index of the finding's first node among the entries it was found in, which orders the
    // findings of different checks into one report.
    std::size_t FirstEntry = 0;
};

// The findings in order of their first node in the tree; where one node begins both a duplicate
// and a negative finding, the duplicate comes first.
std::vector<HelpContextFinding> CheckHelpContexts(const std::vector<HelpContextEntry>& entries);

// The finding's line without its end: "duplicate 5: A.B, C", "negative -1: A", "unmapped 7: A",
// "no-topic 7 (IDH_A): A", "stale IDH_A: help project 8, forms 7: A".
std::string FindingLine(const HelpContextFinding& finding);
// The finding's kind as the reports name it: "duplicate", "no-topic", ...
const char* FindingKindName(HelpContextFinding::Kind kind);

// One line per finding (FindingLine), then "1 finding in <M> forms" or "<N> findings in <M> forms";
// node names as they stand, LF line ends.
std::string FindingsText(const std::vector<HelpContextFinding>& findings, std::size_t forms);
// A JSON array of {"kind", "number", "nodes"} objects, names in UTF-8, then the notices as
// {"kind": "warning"|"error", "file", "line" (null for none), "message"} objects.
std::string FindingsJson(const std::vector<HelpContextFinding>& findings, const std::vector<Notice>& notices);
// The findings as a SARIF 2.1.0 log of one run of `tool` `version`: a rule per kind, each result
// with its kind's level (warning for a duplicate, error for the rest), its FindingLine as message and
// files[i] (a form file as the project lists it, relative to the project's folder; none when empty)
// as the location of findings[i]. The notices are the invocation's tool execution notifications; the
// execution was successful unless one of them is an error.
std::string FindingsSarif(const std::vector<HelpContextFinding>& findings,
                          const std::vector<std::string>& files, const std::vector<Notice>& notices,
                          const std::string& tool, const std::string& version);
