#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "help/Findings.h"
#include "runtime/Notice.h"

// The check's findings, and the warnings and failures beside them, as people and other tools read
// them. Nodes are named by the entries the findings index.

// The finding's line without its end: "duplicate 5: A.B, C", "negative -1: A", "unmapped 7: A",
// "no-topic 7 (IDH_A): A", "stale IDH_A: help project 8, forms 7: A"; node names as the forms hold
// them, or in UTF-8.
std::string FindingLine(const HelpContextFinding& finding, const std::vector<HelpContextEntry>& entries,
                        bool utf8);

// "<file>:<line>: <message>", "<file>: <message>" or the message alone: a file the message already
// names is not named again.
std::string NoticeText(const Notice& notice);

// One line per finding, then "<N> findings in <M> forms", each noun singular where its count is 1
// ("1 finding in 1 form"); LF line ends.
std::string FindingsText(const std::vector<HelpContextFinding>& findings,
                         const std::vector<HelpContextEntry>& entries, std::size_t forms);

// A JSON array, one object a line: each finding as {"kind", "number", "nodes"} (a no-topic one with
// "ids", a stale one with "id" and "help"), then each notice as {"kind": "warning"|"error", "file",
// "line" (null for none), "message"}.
std::string FindingsJson(const std::vector<HelpContextFinding>& findings,
                         const std::vector<HelpContextEntry>& entries, const std::vector<Notice>& notices);

// A SARIF 2.1.0 log of one run of `tool` `version`: a rule per kind (FindingKinds); each finding a
// result with its kind's level (warning or error), its line as message and the form file
// of its first node (as the project lists it, relative to the project's folder) as location. The
// notices are the invocation's tool execution notifications; it was successful unless one is an error.
std::string FindingsSarif(const std::vector<HelpContextFinding>& findings,
                          const std::vector<HelpContextEntry>& entries, const std::vector<Notice>& notices,
                          const std::string& tool, const std::string& version);
