#include "formstream/FormText.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formstream/Reader.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"

namespace {

// ---- Floating-point digits
//
// The digits are made from the value of the 80-bit number with integer arithmetic alone, so no
// locale, rounding mode or long double format of the host takes part in them.

// A non-negative integer in base 1e9, least significant limb first, that keeps only its leading
// kMaxLimbs limbs (144 digits): each dropped limb adds 9 to the decimal exponent and sets the
// sticky flag when it was not zero. The relative error stays below 1e-130, far below anything that
// can decide an 18-digit rounding of a 64-bit mantissa, and the cost stays a few microseconds even
// for the extreme exponents, so a file full of them cannot stall the conversion.
class BigDecimal {
public:
    explicit BigDecimal(std::uint64_t value) {
        do {
            limbs_.push_back(static_cast<std::uint32_t>(value % kBase));
            value /= kBase;
        } while (value != 0);
    }

    // factor * kBase must fit in 64 bits together with the carry.
    void Multiply(std::uint32_t factor) {
        std::uint64_t carry = 0;
        for (std::uint32_t& limb : limbs_) {
            const std::uint64_t product = std::uint64_t(limb) * factor + carry;
            limb = static_cast<std::uint32_t>(product % kBase);
            carry = product / kBase;
        }
        while (carry != 0) {
            limbs_.push_back(static_cast<std::uint32_t>(carry % kBase));
            carry /= kBase;
        }
        if (limbs_.size() > kMaxLimbs) {
            const size_t dropped = limbs_.size() - kMaxLimbs;
            for (size_t i = 0; i < dropped; ++i)
                sticky_ = sticky_ || limbs_[i] != 0;
            limbs_.erase(limbs_.begin(), limbs_.begin() + static_cast<std::ptrdiff_t>(dropped));
            shift_ += 9 * static_cast<int>(dropped);
        }
    }

    std::string Digits() const {
        std::string digits = std::to_string(limbs_.back());
        for (size_t i = limbs_.size() - 1; i-- > 0;) {
            const std::string limb = std::to_string(limbs_[i]);
            digits.append(9 - limb.size(), '0');
            digits += limb;
        }
        return digits;
    }
    // The kept limbs times 10^Shift() is the number, less something when Sticky().
    int Shift() const { return shift_; }
    bool Sticky() const { return sticky_; }

private:
    static constexpr std::uint64_t kBase = 1000000000;
    static constexpr size_t kMaxLimbs = 16;
    std::vector<std::uint32_t> limbs_;
    int shift_ = 0;
    bool sticky_ = false;
};

// The decimal digits of mantissa * 2^power (mantissa not 0) with the exponent e for which
// value = 0.digits * 10^e; `inexact` tells that nonzero digits were dropped after them.
std::string DecimalDigits(std::uint64_t mantissa, int power, int& exponent, bool& inexact) {
    BigDecimal number(mantissa);
    int shift = 0; // value = number * 10^shift
    if (power >= 0) {
        for (; power >= 29; power -= 29)
            number.Multiply(std::uint32_t(1) << 29);
        number.Multiply(std::uint32_t(1) << power);
    } else {
        // m / 2^q = m * 5^q / 10^q
        int q = -power;
        shift = power;
        for (; q >= 13; q -= 13)
            number.Multiply(1220703125u); // 5^13
        std::uint32_t rest = 1;
        while (q-- > 0)
            rest *= 5;
        number.Multiply(rest);
    }
    std::string digits = number.Digits();
    exponent = static_cast<int>(digits.size()) + shift + number.Shift();
    inexact = number.Sticky();
    return digits;
}

// Rounds the digits to 18 significant digits, to nearest with ties to even as the floating-point
// unit stores them, and returns them as an integer of exactly 18 digits.
std::uint64_t RoundTo18(const std::string& digits, bool inexact, int& exponent) {
    std::uint64_t result = 0;
    for (size_t i = 0; i < 18; ++i)
        result = result * 10 + (i < digits.size() ? static_cast<std::uint64_t>(digits[i] - '0') : 0);
    if (digits.size() > 18) {
        const char first = digits[18];
        const bool restIsZero = !inexact && digits.find_first_not_of('0', 19) == std::string::npos;
        if (first > '5' || (first == '5' && (!restIsZero || (result & 1) != 0)))
            ++result;
        if (result == 1000000000000000000ull) {
            result /= 10;
            ++exponent;
        }
    }
    return result;
}

} // namespace

std::string FormatExtended(const TExtended& value) {
    const std::uint16_t exponentField = value.ExponentField();
    const std::uint64_t mantissa = value.Mantissa();
    if (exponentField == 0x7FFF)
        return (mantissa & 0x7FFFFFFFFFFFFFFFull) == 0 ? "INF" : "NAN";
    if (exponentField == 0 || mantissa == 0)
        return "0";

    // value = mantissa * 2^(field - 16383 - 63)
    int e = 0;
    bool inexact = false;
    const std::string decimal = DecimalDigits(mantissa, exponentField - 16383 - 63, e, inexact);
    std::uint64_t digits15 = RoundTo18(decimal, inexact, e);
    // Half up at the 16th digit leaves 15 significant digits.
    const bool up = digits15 % 1000 >= 500;
    digits15 = digits15 / 1000 + (up ? 1 : 0);
    if (digits15 == 1000000000000000ull) {
        digits15 /= 10;
        ++e;
    }
    std::string digits = std::to_string(digits15);
    digits.erase(digits.find_last_not_of('0') + 1);
    const int k = static_cast<int>(digits.size());

    std::string text = value.Negative() ? "-" : "";
    if (e >= -3 && e <= 15) {
        if (e <= 0) {
            text += "0.";
            text.append(static_cast<size_t>(-e), '0');
            text += digits;
        } else if (k <= e) {
            text += digits;
            text.append(static_cast<size_t>(e - k), '0');
        } else {
            text.append(digits, 0, static_cast<size_t>(e));
            text += '.';
            text.append(digits, static_cast<size_t>(e), std::string::npos);
        }
    } else {
        text += digits[0];
        if (k > 1) {
            text += '.';
            text.append(digits, 1, std::string::npos);
        }
        text += 'E';
        text += std::to_string(e - 1);
    }
    return text;
}

namespace {

const char kLineEnd[] = "\r\n";

// Turns one form stream into text. Shares the reader, the writer and the nesting level among the
// steps. Components, lists and collections hold one of the reader's nesting levels while they are
// written, which bounds the recursion together with any skip the reader makes inside them.
class FormTextConverter {
public:
    FormTextConverter(TReader& reader, TWriter& writer) : reader_(reader), writer_(writer) {}

    void EmitComponent();

private:
    void EmitHeader();
    void EmitProperty();
    void EmitValue();
    void EmitInteger();
    void EmitFloat();
    void EmitIdent();
    void EmitList();
    void EmitSet();
    void EmitString();
    void EmitBinary();
    void EmitCollection();
    void EmitIndent();
    void EmitNewLine();
    void EmitText(const char* text, std::size_t length) {
        writer_.WriteBytes(text, static_cast<std::int32_t>(length));
    }
    void EmitText(std::string_view text) { EmitText(text.data(), text.size()); }
    template <std::size_t N> void EmitText(const char (&text)[N]) { EmitText(text, N - 1); }
    void HexEncode(const std::uint8_t* bytes, int count);

    TReader& reader_;
    TWriter& writer_;
    int level_ = 0;
};

void FormTextConverter::EmitComponent() {
    TReader::TNestingLevel nesting(reader_);
    EmitHeader();
    ++level_;
    while (!reader_.AtListEnd())
        EmitProperty();
    reader_.ExpectListEnd();
    while (!reader_.AtListEnd())
        EmitComponent();
    reader_.ExpectListEnd();
    --level_;
    EmitIndent();
    EmitText("end");
    EmitText(kLineEnd);
}

void FormTextConverter::EmitHeader() {
    const TComponentPrefix prefix = reader_.ReadComponentPrefix();
    const std::string className = reader_.ReadShortString();
    const std::string name = reader_.ReadShortString();
    EmitIndent();
    EmitText((prefix.Flags & FlagInherited) ? "inherited " : "object ");
    if (!name.empty()) {
        EmitText(name);
        EmitText(": ");
    }
    EmitText(className);
    if (prefix.Flags & FlagChildPosition) {
        EmitText(" [");
        EmitText(std::to_string(prefix.ChildPosition));
        EmitText("]");
    }
    EmitText(kLineEnd);
}

void FormTextConverter::EmitProperty() {
    EmitIndent();
    EmitText(reader_.ReadShortStringView());
    EmitText(" = ");
    EmitValue();
    EmitText(kLineEnd);
}

// Lists and collections recurse through here, so the dispatch keeps no locals of its own: each
// kind is written by a function whose frame is gone before the next level starts.
void FormTextConverter::EmitValue() {
    switch (reader_.PeekTag()) {
        case TagNull:
            break; // left for the caller's list end: the line ends after " = "
        case TagList:
            EmitList();
            break;
        case TagInt8:
        case TagInt16:
        case TagInt32:
            EmitInteger();
            break;
        case TagExtended:
            EmitFloat();
            break;
        case TagString:
        case TagLongString:
            EmitString();
            break;
        case TagIdent:
        case TagFalse:
        case TagTrue:
        case TagNil:
            EmitIdent();
            break;
        case TagBinary:
            EmitBinary();
            break;
        case TagSet:
            EmitSet();
            break;
        case TagCollection:
            EmitCollection();
            break;
        default:
            // Not a value. Left in place it would be read again as a name length, or, inside a
            // list, make the list loop write line ends for ever.
            reader_.ReadTag();
            throw EReadError(SInvalidProperty, {});
    }
}

void FormTextConverter::EmitInteger() {
    char digits[16];
    const char* end = std::to_chars(digits, digits + sizeof digits, reader_.ReadIntValue()).ptr;
    EmitText(digits, static_cast<std::size_t>(end - digits));
}

void FormTextConverter::EmitFloat() {
    EmitText(FormatExtended(reader_.ReadFloatValue()));
}

void FormTextConverter::EmitIdent() {
    switch (reader_.ReadTag()) {
        case TagIdent:
            EmitText(reader_.ReadShortStringView());
            break;
        case TagFalse:
            EmitText("False");
            break;
        case TagTrue:
            EmitText("True");
            break;
        default:
            EmitText("nil");
    }
}

void FormTextConverter::EmitList() {
    TReader::TNestingLevel nesting(reader_);
    reader_.ReadTag();
    EmitText("(");
    ++level_;
    while (!reader_.AtListEnd()) {
        EmitNewLine();
        EmitValue();
    }
    reader_.ExpectListEnd();
    --level_;
    EmitText(")");
}

void FormTextConverter::EmitSet() {
    reader_.ReadTag();
    EmitText("[");
    for (bool first = true;; first = false) {
        const std::string element = reader_.ReadShortString();
        if (element.empty())
            break;
        if (!first)
            EmitText(", ");
        EmitText(element);
    }
    EmitText("]");
}

// Control bytes and the apostrophe become "#<code>", runs of other bytes stand between
// apostrophes. The whole value is read before anything of it is written: a string cut short by the
// end of the data leaves nothing of itself in the text.
void FormTextConverter::EmitString() {
    const std::string_view text = reader_.ReadStringView();
    if (text.empty()) {
        EmitText("''");
        return;
    }
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<std::uint8_t>(text[i]);
        if (byte < 0x20 || byte == '\'') {
            EmitText("#");
            EmitText(std::to_string(byte));
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < text.size() && static_cast<std::uint8_t>(text[i]) >= 0x20 && text[i] != '\'')
            ++i;
        EmitText("'");
        EmitText(text.data() + start, i - start);
        EmitText("'");
    }
}

void FormTextConverter::EmitBinary() {
    reader_.ReadTag();
    EmitText("{");
    ++level_;
    std::uint8_t countBytes[4];
    reader_.ReadBytes(countBytes, 4);
    auto count = static_cast<std::int32_t>(
        std::uint32_t(countBytes[0]) | (std::uint32_t(countBytes[1]) << 8) |
        (std::uint32_t(countBytes[2]) << 16) | (std::uint32_t(countBytes[3]) << 24));
    const bool multiLine = count >= 32;
    // Read 32 bytes at a time: a count that claims more than the file holds ends in
    // "Stream read error" without anything allocated for it.
    std::uint8_t bytes[32];
    while (count > 0) {
        if (multiLine)
            EmitNewLine();
        const int n = count < 32 ? count : 32;
        reader_.ReadBytes(bytes, n);
        HexEncode(bytes, n);
        count -= n;
    }
    --level_;
    EmitText("}");
}

void FormTextConverter::HexEncode(const std::uint8_t* bytes, int count) {
    static const char kDigits[] = "0123456789ABCDEF";
    char text[64];
    for (int i = 0; i < count; ++i) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    EmitText(text, static_cast<std::size_t>(2 * count));
}

void FormTextConverter::EmitCollection() {
    TReader::TNestingLevel nesting(reader_);
    reader_.ReadTag();
    EmitText("<");
    ++level_;
    while (!reader_.AtListEnd()) {
        EmitNewLine();
        EmitText("item");
        const std::uint8_t tag = reader_.PeekTag();
        if (tag == TagInt8 || tag == TagInt16 || tag == TagInt32) {
            EmitText(" [");
            EmitValue();
            EmitText("]");
        }
        EmitText(kLineEnd);
        reader_.ExpectListStart();
        ++level_;
        while (!reader_.AtListEnd())
            EmitProperty();
        reader_.ExpectListEnd();
        --level_;
        EmitIndent();
        EmitText("end");
    }
    reader_.ExpectListEnd();
    --level_;
    EmitText(">");
}

void FormTextConverter::EmitIndent() {
    static const char kBlanks[] = "                                                                ";
    constexpr int kChunk = sizeof kBlanks - 1;
    for (int blanks = 2 * level_; blanks > 0; blanks -= kChunk)
        EmitText(kBlanks, static_cast<std::size_t>(blanks < kChunk ? blanks : kChunk));
}

void FormTextConverter::EmitNewLine() {
    EmitText(kLineEnd);
    EmitIndent();
}

} // namespace

void FormFileToText(TStream& input, TStream& output) {
    SkipResourceHeader(input);
    FormBinaryToText(input, output);
}

void FormBinaryToText(TStream& input, TStream& output) {
    // Digits are made without any locale, so no process-wide setting is touched. The writer is
    // declared after the reader and so destroyed first; on an error its destructor flushes the
    // text made so far into the output while the error passes on.
    TReader reader(input, kFilerBufferSize);
    TWriter writer(output, kFilerBufferSize);
    reader.CheckSignature();
    FormTextConverter(reader, writer).EmitComponent();
    writer.FlushOutput();
}
