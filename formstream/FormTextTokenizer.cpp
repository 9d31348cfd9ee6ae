#include "formstream/FormTextTokenizer.h"

#include "io/Streams.h"
#include "runtime/Messages.h"
#include "runtime/Text.h"
#include "runtime/Utf8.h"

namespace {

constexpr std::int32_t kBufferSize = 4096;
constexpr std::size_t kMaxName = 255;

bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}

bool IsNameStart(int c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

bool IsNameChar(int c) {
    return IsNameStart(c) || IsDigit(c);
}

// A byte of the stream or its end (-1) as a hexadecimal digit's value, or -1.
int HexValue(int c) {
    return c >= 0 && c < 0x80 ? HexDigitValue(static_cast<char>(c)) : -1;
}

} // namespace

TFormTextTokenizer::TFormTextTokenizer(TStream& input)
    : input_(input), buffer_(new std::uint8_t[kBufferSize]) {
    // Three bytes of look-ahead do not always fit the buffer's rest; the mark can only stand at the
    // very start, where the buffer was just filled, so they are there when the text has them.
    Peek();
    position_ = ByteOrderMarkLength(std::string_view(reinterpret_cast<const char*>(buffer_.get()), end_));
    utf8_ = position_ != 0;
}

TFormTextTokenizer::~TFormTextTokenizer() = default;

void TFormTextTokenizer::Fail(int line, int message, std::initializer_list<std::string> args) {
    throw EParserError(SParseLineError, {std::to_string(line), Exception(message, args).Message()});
}

bool TFormTextTokenizer::Fill() {
    bufferStart_ += end_;
    const std::int32_t got = input_.Read(buffer_.get(), kBufferSize);
    position_ = 0;
    end_ = got > 0 ? got : 0;
    return end_ > 0;
}

int TFormTextTokenizer::Get() {
    const int c = Peek();
    if (c < 0)
        return c;
    ++position_;
    if (c > ' ')
        lastLine_ = line_;
    else if (c == '\n' || (c == '\r' && Peek() != '\n'))
        ++line_;
    return c;
}

void TFormTextTokenizer::SkipBlanks() {
    for (int c = Peek(); c >= 0 && c <= ' '; c = Peek())
        Get();
}

void TFormTextTokenizer::Next(TToken& token) {
    token.PrecededAt = bufferStart_ + position_;
    SkipBlanks();
    token.Line = line_;
    token.Offset = bufferStart_ + position_;
    const int c = Peek();
    if (c < 0) {
        token.Kind = tkEnd;
        token.Line = lastLine_;
    } else if (IsNameStart(c)) {
        ReadName(token);
    } else if (IsDigit(c) || c == '-') {
        ReadNumber(token);
    } else if (c == '\'' || c == '#') {
        ReadString(token);
    } else {
        Get();
        token.Kind = tkSymbol;
        token.Symbol = static_cast<char>(c);
    }
}

void TFormTextTokenizer::ReadName(TToken& token) {
    token.Kind = tkName;
    token.Text.clear();
    for (;;) {
        while (IsNameChar(Peek())) {
            if (token.Text.size() == kMaxName)
                Fail(token.Line, SIdentTooLong);
            token.Text += static_cast<char>(Get());
        }
        if (Peek() != '.')
            return;
        Get();
        if (!IsNameStart(Peek()))
            Fail(line_, SIdentExpected);
        if (token.Text.size() == kMaxName)
            Fail(token.Line, SIdentTooLong);
        token.Text += '.';
    }
}

// Keeps the first kDecimalDigitsKept significant digits and notes whether a nonzero one came after
// them, which is all that correct rounding needs; so a number a gigabyte long costs no memory.
void TFormTextTokenizer::ReadNumber(TToken& token) {
    token.Kind = tkNumber;
    TDecimal& number = token.Number;
    number = TDecimal{};
    if (Peek() == '-') {
        Get();
        number.Negative = true;
        if (!IsDigit(Peek())) {
            token.Kind = tkSymbol;
            token.Symbol = '-';
            return;
        }
    }
    auto addDigit = [&number](int c, bool fraction) {
        if (number.Digits.empty() && c == '0') {
            if (fraction)
                --number.Exponent;
        } else if (number.Digits.size() < kDecimalDigitsKept) {
            number.Digits += static_cast<char>(c);
            if (fraction)
                --number.Exponent;
        } else {
            number.Inexact = number.Inexact || c != '0';
            if (!fraction)
                ++number.Exponent;
        }
    };
    while (IsDigit(Peek()))
        addDigit(Get(), false);
    token.Integer = true;
    if (Peek() == '.') {
        Get();
        token.Integer = false;
        if (!IsDigit(Peek()))
            Fail(line_, SInvalidNumber);
        while (IsDigit(Peek()))
            addDigit(Get(), true);
    }
    if (Peek() == 'E' || Peek() == 'e') {
        Get();
        token.Integer = false;
        bool negative = false;
        if (Peek() == '+' || Peek() == '-')
            negative = Get() == '-';
        if (!IsDigit(Peek()))
            Fail(line_, SInvalidNumber);
        // Far beyond any format's range, the exponent only needs to stay out of it.
        std::int64_t exponent = 0;
        while (IsDigit(Peek())) {
            const int digit = Get() - '0';
            if (exponent < 1000000000000LL)
                exponent = exponent * 10 + digit;
        }
        number.Exponent += negative ? -exponent : exponent;
    }
    token.Suffix = 0;
    const int suffix = Peek();
    if (suffix == 's' || suffix == 'c' || suffix == 'd' || suffix == 'S' || suffix == 'C' || suffix == 'D') {
        Get();
        token.Suffix = AsciiLower(static_cast<char>(suffix));
    }
    if (IsNameChar(Peek()) || Peek() == '.')
        Fail(line_, SInvalidNumber);
}

void TFormTextTokenizer::MakeWide(TToken& token) {
    if (token.Wide)
        return;
    token.Wide = true;
    token.Units.clear();
    for (const char byte : token.Text)
        token.Units += static_cast<char16_t>(static_cast<std::uint8_t>(byte));
    token.Text.clear();
}

void TFormTextTokenizer::AppendUnit(TToken& token, std::uint32_t unit) {
    if (unit > 0xFF)
        MakeWide(token);
    if (token.Wide)
        token.Units += static_cast<char16_t>(unit);
    else
        token.Text += static_cast<char>(unit);
}

// One UTF-8 sequence whose lead byte was just read, as UTF-16 units, decoded strictly as the
// conversion decodes a UTF-8 string: so a string that the conversion wrote comes back as its bytes.
// Only bytes that continue the sequence are read on; none of them is an apostrophe or a line end.
void TFormTextTokenizer::AppendUtf8(TToken& token, std::uint8_t lead) {
    // Non-ASCII characters of a UTF-8 text are Unicode: their string is stored wide.
    MakeWide(token);
    TUtf8Sequence sequence;
    if (!sequence.Begin(lead)) {
        token.Units += static_cast<char16_t>(lead);
        return;
    }
    while (!sequence.Complete() && sequence.Accepts(Peek()))
        sequence.Add(static_cast<std::uint8_t>(Get()));
    if (sequence.Complete()) {
        AppendUtf16(token.Units, sequence.Code());
        return;
    }
    for (int n = 0; n < sequence.Taken(); ++n)
        token.Units += static_cast<char16_t>(sequence.Byte(n));
}

void TFormTextTokenizer::ReadString(TToken& token) {
    token.Kind = tkString;
    token.Text.clear();
    token.Units.clear();
    token.Wide = false;
    for (;;) {
        const int c = Peek();
        if (c == '\'') {
            Get();
            for (;;) {
                int b = Peek();
                if (b < 0 || b == '\r' || b == '\n')
                    Fail(line_, SUnterminatedString);
                Get();
                if (b == '\'') {
                    if (Peek() != '\'')
                        break;
                    Get();
                }
                if (utf8_ && b >= 0x80)
                    AppendUtf8(token, static_cast<std::uint8_t>(b));
                else
                    AppendUnit(token, static_cast<std::uint32_t>(b));
            }
        } else if (c == '#') {
            Get();
            // Past 0xFFFFF the code only needs to stay out of range, however many digits follow.
            std::uint32_t code = 0;
            int digits = 0;
            const bool hex = Peek() == '$';
            if (hex)
                Get();
            for (int value; (value = hex               ? HexValue(Peek())
                                     : IsDigit(Peek()) ? Peek() - '0'
                                                       : -1) >= 0;
                 ++digits) {
                Get();
                code = code > 0xFFFFF ? code : code * (hex ? 16 : 10) + static_cast<std::uint32_t>(value);
            }
            if (digits == 0)
                Fail(line_, SNumberExpected);
            if (code > 0xFFFF)
                Fail(line_, SCharCodeRange);
            // The rendering writes a byte string's bytes as they are, but for control characters and the
            // quote; a code beyond 126 is a character of a wide string.
            if (code > 126)
                MakeWide(token);
            AppendUnit(token, code);
        } else {
            return;
        }
    }
}

bool TFormTextTokenizer::NextHexByte(std::uint8_t& byte) {
    SkipBlanks();
    const int high = Peek();
    if (high == '}') {
        Get();
        return false;
    }
    if (high < 0)
        Fail(lastLine_, SSymbolExpected, {"}"});
    const int line = line_;
    Get();
    const int low = Get();
    if (HexValue(high) < 0 || HexValue(low) < 0)
        Fail(line, SInvalidBinary);
    byte = static_cast<std::uint8_t>(HexValue(high) * 16 + HexValue(low));
    return true;
}

namespace {

// A text read where it stands.
class TTextStream : public TCustomMemoryStream {
public:
    explicit TTextStream(std::string& text) {
        SetPointer(text.data(), static_cast<std::int32_t>(text.size()));
    }
    std::int32_t Write(const void*, std::int32_t) override { return 0; }
};

// A byte string's bytes as units of a wide string, as the tokenizer widens a string.
void AppendBytes(std::u16string& units, const std::string& bytes) {
    for (const char byte : bytes)
        units += static_cast<char16_t>(static_cast<std::uint8_t>(byte));
}

void Append(TFormString& string, const TToken& piece) {
    if (piece.Wide && !string.Wide) {
        string.Wide = true;
        AppendBytes(string.Units, string.Bytes);
        string.Bytes.clear();
    }
    if (!string.Wide)
        string.Bytes += piece.Text;
    else if (piece.Wide)
        string.Units += piece.Units;
    else
        AppendBytes(string.Units, piece.Text);
}

} // namespace

std::optional<TFormString> ParseFormString(std::string_view value, bool utf8) {
    if (value.size() > static_cast<std::size_t>(INT32_MAX) - 3)
        return std::nullopt;
    std::string text = (utf8 ? "\xEF\xBB\xBF" : "") + std::string(value);
    TTextStream input(text);
    try {
        TFormTextTokenizer tokens(input);
        TToken token;
        TFormString string;
        for (tokens.Next(token);; tokens.Next(token)) {
            if (token.Kind != tkString)
                return std::nullopt;
            Append(string, token);
            tokens.Next(token);
            if (token.Kind == tkEnd)
                return string;
            if (token.Kind != tkSymbol || token.Symbol != '+')
                return std::nullopt;
        }
    } catch (const EParserError&) {
        return std::nullopt;
    }
}
