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
