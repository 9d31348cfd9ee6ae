#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/Utf8.h"

// The program's text is Windows-1252; the outputs meant for other tools (JSON, CSV) are UTF-8.

// Appends `text` in UTF-8. The five bytes Windows-1252 leaves unassigned (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) stand for the control characters of the same number.
void AppendWindows1252AsUtf8(std::string& out, std::string_view text);

// Appends `text` as a JSON string literal in UTF-8, quotes included: text of the forms converted
// from Windows-1252, or the program's own UTF-8 (file names, messages) as it is.
void AppendJsonString(std::string& out, std::string_view text, bool isUtf8 = false);
