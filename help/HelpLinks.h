#pragma once

#include <string>
#include <vector>

#include "help/Findings.h"
#include "help/HelpProject.h"

// The links from the forms' numbers into a help project, checked.

// Every entry's number against the help project: a number no definition maps (unmapped), a mapped
// number none of whose identifiers reaches a topic (no-topic), and an identifier that `map` (with
// `prefix`) gives an entry while none of the project's numbers for it is the entry's (stale). The
// findings have their FirstEntry set.
std::vector<HelpContextFinding> CheckHelpProject(const std::vector<HelpContextEntry>& entries,
                                                 const HelpProject& project, const std::string& prefix);

// Whether some entry asks F1 for a keyword, so that the help project's keyword index is wanted.
bool AsksForKeywords(const std::vector<HelpContextEntry>& entries);

// Every keyword that entries ask F1 for and that is in none of the help project's indexes (compared
// without case): one no-keyword finding per keyword, its nodes in tree order.
std::vector<HelpContextFinding> CheckKeywords(const std::vector<HelpContextEntry>& entries,
                                              const HelpProject& project);
