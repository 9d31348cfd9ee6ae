#pragma once

#include <string>

// The shell completions of quorvel-cli, made from the tool's description (Usage.h): the commands,
// each command's options, the values an option takes and files of the kinds a command or an option
// names. Each script defines or registers what its shell looks for in the standard places:
// bash: the function _quorvel_cli, registered with `complete`; zsh: the function file _quorvel-cli;
// fish: `complete` lines for quorvel-cli.
std::string BashCompletion();
std::string ZshCompletion();
std::string FishCompletion();
