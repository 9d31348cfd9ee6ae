#pragma once

#include <vector>

#include "help/Findings.h"

// The check of where F1 lands (scanner/HelpLanding.h), as findings beside the others.

// One no-help finding for each form, of forms read with their trees, that has controls a user can
// focus on which F1 lands nowhere (TLanding::kNone; the form itself among them when its own help is
// not set), those controls in tree order. Each is ordered after the findings of its form's nodes and
// before those of the next form's (FirstEntry), for MergeFindings(noHelp, others).
std::vector<HelpContextFinding> CheckCoverage(const std::vector<const ScannedForm*>& forms,
                                              const std::vector<HelpContextEntry>& entries,
                                              bool laterVersions);
