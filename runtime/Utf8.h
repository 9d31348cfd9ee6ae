#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Appends one Unicode code point (at most U+10FFFF) in UTF-8.
void AppendUtf8(std::string& out, std::uint32_t code);

// Appends one code point as UTF-16 units: a surrogate pair above U+FFFF.
inline void AppendUtf16(std::u16string& out, std::uint32_t code) {
    if (code >= 0x10000) {
        code -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (code >> 10));
        code = 0xDC00 + (code & 0x3FF);
    }
    out += static_cast<char16_t>(code);
}

// Strict UTF-8, one byte at a time, for a whole string as for a stream read ahead by one byte. A
// byte that starts no valid sequence (a stray continuation byte, an overlong form, an encoded
// surrogate, a code point above U+10FFFF, a sequence cut short) is the unit of its own value, and
// decoding goes on with the next byte. The bytes after such a lead that fitted so far are all
// continuation bytes, which start no sequence either: each is then a unit of its own value too.
//
//     if (!sequence.Begin(lead)) -> lead stands for itself
//     while (!sequence.Complete() && more && sequence.Accepts(next)) sequence.Add(next)
//     Complete(): Code() is the character; else Byte(0..Taken()-1) each stand for themselves
class TUtf8Sequence {
public:
    // False when `lead` starts no sequence of two bytes or more.
    bool Begin(std::uint8_t lead) {
        bytes_[0] = lead;
        taken_ = 1;
        low_ = 0x80;
        high_ = 0xBF;
        // The range of the first continuation byte depends on the lead; the others are 80..BF.
        if (lead >= 0xC2 && lead <= 0xDF) {
            length_ = 2;
            code_ = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length_ = 3;
            code_ = lead & 0x0Fu;
            low_ = lead == 0xE0 ? 0xA0 : 0x80;
            high_ = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length_ = 4;
            code_ = lead & 0x07u;
            low_ = lead == 0xF0 ? 0x90 : 0x80;
            high_ = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            length_ = 1;
            code_ = lead;
        }
        return length_ > 1;
    }
    bool Accepts(int next) const { return next >= low_ && next <= high_; }
    void Add(std::uint8_t next) {
        bytes_[taken_++] = next;
        code_ = (code_ << 6) | (next & 0x3Fu);
        low_ = 0x80;
        high_ = 0xBF;
    }
    bool Complete() const { return taken_ == length_; }
    std::uint32_t Code() const { return code_; }
    int Taken() const { return taken_; }
    std::uint8_t Byte(int i) const { return bytes_[i]; }

private:
    std::uint8_t bytes_[4] = {};
    int length_ = 1;
    int taken_ = 0;
    std::uint32_t code_ = 0;
    int low_ = 0x80;
    int high_ = 0xBF;
};

// A whole string of UTF-8 as UTF-16 units into `units`, decoded as TUtf8Sequence decodes.
void DecodeUtf8(const char* bytes, std::size_t count, std::u16string& units);

// Whether the bytes are strict UTF-8 throughout, as TUtf8Sequence decodes it.
bool IsValidUtf8(std::string_view bytes);

// `utf8` with letters of either case as one: the capitals of ASCII, Latin-1, Latin Extended-A, Greek
// and Cyrillic as their small letters, as help indexes compare keywords. Bytes that are no UTF-8 stay.
std::string CaseFolded(std::string_view utf8);

// UTF-16 units as UTF-8. A surrogate without its partner becomes U+FFFD, or where every unit must
// survive the way back (`keepLoneSurrogates`) the three bytes of its own value.
std::string Utf16ToUtf8(std::u16string_view units, bool keepLoneSurrogates = false);
