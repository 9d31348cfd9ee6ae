#include "runtime/Utf8.h"

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void DecodeUtf8(const char* bytes, std::size_t count, std::u16string& units) {
    units.clear();
    TUtf8Sequence sequence;
    for (std::size_t i = 0; i < count;) {
        const auto lead = static_cast<std::uint8_t>(bytes[i++]);
        if (!sequence.Begin(lead)) {
            units += static_cast<char16_t>(lead);
            continue;
        }
        while (!sequence.Complete() && i < count && sequence.Accepts(static_cast<std::uint8_t>(bytes[i])))
            sequence.Add(static_cast<std::uint8_t>(bytes[i++]));
        if (sequence.Complete()) {
            AppendUtf16(units, sequence.Code());
        } else {
            for (int n = 0; n < sequence.Taken(); ++n)
                units += static_cast<char16_t>(sequence.Byte(n));
        }
    }
}

bool IsValidUtf8(std::string_view bytes) {
    TUtf8Sequence sequence;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<std::uint8_t>(bytes[i++]);
        if (lead < 0x80)
            continue;
        if (!sequence.Begin(lead))
            return false;
        while (!sequence.Complete() && i < bytes.size() &&
               sequence.Accepts(static_cast<std::uint8_t>(bytes[i])))
            sequence.Add(static_cast<std::uint8_t>(bytes[i++]));
        if (!sequence.Complete())
            return false;
    }
    return true;
}

namespace {

std::uint32_t FoldedLetter(std::uint32_t code) {
    if ((code >= 'A' && code <= 'Z') || (code >= 0xC0 && code <= 0xDE && code != 0xD7))
        return code + 0x20;
    if (code == 0x178)
        return 0xFF;
    if (code >= 0x100 && code <= 0x17F && code != 0x130 && code != 0x138 && code != 0x149) {
        // Latin Extended-A pairs capitals and small letters: even-odd, but for 0x139-0x148 and
        // 0x179-0x17E, which pair odd-even.
        const bool oddFirst = (code >= 0x139 && code <= 0x148) || (code >= 0x179 && code <= 0x17E);
        return (code % 2 == 1) == oddFirst ? code + 1 : code;
    }
    if (code >= 0x391 && code <= 0x3AB && code != 0x3A2)
        return code + 0x20;
    if (code >= 0x410 && code <= 0x42F)
        return code + 0x20;
    if (code >= 0x400 && code <= 0x40F)
        return code + 0x50;
    return code;
}

} // namespace

std::string CaseFolded(std::string_view utf8) {
    std::string folded;
    folded.reserve(utf8.size());
    TUtf8Sequence sequence;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<std::uint8_t>(utf8[i++]);
        if (!sequence.Begin(lead)) {
            if (lead < 0x80)
                AppendUtf8(folded, FoldedLetter(lead));
            else
                folded += static_cast<char>(lead);
            continue;
        }
        while (!sequence.Complete() && i < utf8.size() &&
               sequence.Accepts(static_cast<std::uint8_t>(utf8[i])))
            sequence.Add(static_cast<std::uint8_t>(utf8[i++]));
        if (sequence.Complete()) {
            AppendUtf8(folded, FoldedLetter(sequence.Code()));
        } else {
            for (int n = 0; n < sequence.Taken(); ++n)
                folded += static_cast<char>(sequence.Byte(n));
        }
    }
    return folded;
}

std::string Utf16ToUtf8(std::u16string_view units, bool keepLoneSurrogates) {
    std::string utf8;
    utf8.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t code = units[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000)
            code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00u);
        else if (code >= 0xD800 && code < 0xE000 && !keepLoneSurrogates)
            code = 0xFFFD;
        AppendUtf8(utf8, code);
    }
    return utf8;
}
