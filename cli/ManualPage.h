#pragma once

#include <string>

// The manual page of quorvel-cli in roff (man macros), made from the tool's description (Usage.h):
// NAME, SYNOPSIS, DESCRIPTION, COMMANDS, OPTIONS, EXIT STATUS, FILES, EXAMPLES and SEE ALSO; dated
// `date` (YYYY-MM-DD, the commit's: the same tree gives the same page), or undated when it is empty.
std::string ManualPage(const std::string& version, const std::string& date);
