#pragma once

#include <string>
#include <vector>

// The program: start-up switches, the main window, the message loop. `args` are the command-line
// arguments after the program name. Returns the exit code.
int RunQuorvel(const std::vector<std::string>& args);
