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
