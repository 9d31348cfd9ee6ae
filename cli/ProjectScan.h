#pragma once

#include "scanner/ScanResult.h"

class Arguments;

// The Rescan of PROJECT for scan, map and check, as if it had been typed into the window: the project
// is opened by the name as given, relative form names are looked up in its folder, and the options
// say which versions are read (--any-version), whether a failing form ends it (--keep-going) and the
// forms' code page (--codepage N). `keepTrees`: each form's whole component tree too.
ScanResult ScanProject(const Arguments& args, bool keepTrees = false);

// Reports the failure that ended the scan, if any, and gives the exit code of a command whose own
// output raised no further failure: 1 when the scan or any form failed, else 0.
int ScanExitCode(const ScanResult& result);
