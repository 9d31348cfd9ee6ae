#pragma once

class Arguments;

// The commands of quorvel-cli, each over its parsed arguments (exactly one operand); each returns
// the process's exit code. Output errors pass through as exceptions.
int Form2TextCommand(const Arguments& args);
int ScanCommand(const Arguments& args);
int MapCommand(const Arguments& args);
int CheckCommand(const Arguments& args);
int CoverageCommand(const Arguments& args);
int AssignCommand(const Arguments& args);
int Text2FormCommand(const Arguments& args);
