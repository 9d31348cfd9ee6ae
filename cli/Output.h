#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/Notice.h"

// The exit codes of every command.
enum : int { kExitSuccess = 0, kExitFailure = 1, kExitUsage = 2 };

// Writes to standard output straight away and raises EWriteError ("Stream write error") when any
// byte does not arrive: a full disk or a reader that went away is a failure, never a silent success.
void WriteOut(std::string_view bytes);

// Writes "quorvel-cli: <message>." on a line of its own to standard error.
void ReportError(const std::string& message);

// ReportError, then the exit code of a failed command.
int Fail(const std::string& message);

// Each notice on a line of its own on standard error: "quorvel-cli: warning: <where>: <message>." for
// a warning, without "warning: " for an error (see NoticeText).
void ReportNotices(const std::vector<Notice>& notices);
