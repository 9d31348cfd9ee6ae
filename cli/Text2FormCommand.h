#pragma once

#include <string>
#include <vector>

// quorvel-cli text2form [--resource-name NAME] [--wide utf16|utf8] FILE: reads a form's text and
// writes the binary form file to standard output, only once it is whole. `args` are the arguments
// after the command's name; the result is the exit code (0, 1 on an error, 2 on a usage error).
int Text2FormCommand(const std::vector<std::string>& args);
