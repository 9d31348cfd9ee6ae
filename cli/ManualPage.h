#pragma once

#include <string>

// The manual page of quorvel-cli in roff (man macros), made from the tool's description (Usage.h):
// NAME, SYNOPSIS, DESCRIPTION, COMMANDS, OPTIONS, EXIT STATUS, FILES and EXAMPLES.
std::string ManualPage(const std::string& version);
