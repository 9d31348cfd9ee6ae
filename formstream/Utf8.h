#pragma once

#include <cstdint>
#include <string>

// Appends one Unicode code point (at most U+10FFFF) in UTF-8.
void AppendUtf8(std::string& out, std::uint32_t code);
