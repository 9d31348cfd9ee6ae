#pragma once

#include <string>

class TStream;
struct TExtended;

// Converts a form file (resource header, then the binary form stream) that `input` stands at into
// its indented text rendering, written to `output` at its position: CR LF after every line, nothing
// after the last one. Reader and output errors pass through; the output then holds the text made
// before the failing step.
void FormFileToText(TStream& input, TStream& output);

// The same for a stream that stands at the "TPF0" signature, without resource header.
void FormBinaryToText(TStream& input, TStream& output);

// An extended value as the conversion writes it: 15 significant digits, "." as decimal separator
// whatever the locale, fixed form for exponents -3 to 15 and "1.5E-7" form otherwise; "INF", "NAN",
// and "0" for every value with a zero exponent field.
std::string FormatExtended(const TExtended& value);
