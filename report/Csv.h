#pragma once

#include <string>

// RFC 4180 fields, as every CSV report writes them.

// Appends `field` to `out`: as it is, or in double quotes (each quote doubled) when it holds a comma,
// a quote or a line break.
void AppendCsvField(std::string& out, const std::string& field);
