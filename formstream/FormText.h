#pragma once

#include <string>
#include <string_view>

class TStream;

// Converts a form file (resource header, then the binary form stream) that `input` stands at into
// its indented text rendering, written to `output` at its position: CR LF after every line, nothing
// after the last one. Reader and output errors pass through; the output then holds the text made
// before the failing step.
void FormFileToText(TStream& input, TStream& output);

// The same for a stream that stands at the "TPF0" signature, without resource header.
void FormBinaryToText(TStream& input, TStream& output);

// A string value of a form: the bytes of a byte string (in the form's code page), or the UTF-16 units
// of a wide one (also a UTF-8 string, decoded).
struct TFormString {
    bool Wide = false;
    std::string Bytes;
    std::u16string Units;

    bool Empty() const { return Wide ? Units.empty() : Bytes.empty(); }
    bool operator==(const TFormString& other) const {
        return Wide == other.Wide && Bytes == other.Bytes && Units == other.Units;
    }
    bool operator!=(const TFormString& other) const { return !(*this == other); }
};

// The string as the text rendering writes one, by the same quoting rule ('It''s'#13'x', a wide
// string's units past printable ASCII as "#<code>"): it reads back as the same string.
std::string FormStringText(const TFormString& string);
