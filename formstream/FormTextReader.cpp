#include "formstream/FormTextReader.h"

#include "formstream/Reader.h"
#include "runtime/Messages.h"
#include "runtime/Text.h"

namespace {

// The component prefix flag of an "inline" header (a frame placed on a form).
constexpr std::uint8_t kFlagInline = 0x04;

} // namespace

std::string FormTextToFormFile(TStream& input, const TFormTextOptions& options) {
    TFormBinaryWriter writer;
    TFormTextReader reader(input, options.WideStrings);
    reader.ReadForm(writer);
    return writer.FormFile(options.ResourceName.empty() ? AsciiUpperCase(reader.RootClassName())
                                                        : options.ResourceName);
}

TFormTextReader::TFormTextReader(TStream& input, TWideStringFormat wideStrings, TFormTextListener* listener)
    : tokenizer_(input), listener_(listener), wideStrings_(wideStrings) {}

void TFormTextReader::ReadForm(TFormBinaryWriter& writer) {
    writer_ = &writer;
    Advance();
    if (!AtComponentHeader())
        Fail(SSymbolExpected, {"object"});
    ReadComponent();
    if (token_.Kind != tkEnd)
        Fail(STextAfterEnd);
    writer_ = nullptr;
}

// Keywords are compared without regard to case, as the environment's own reader does.
bool TFormTextReader::IsKeyword(const char* word) const {
    return token_.Kind == tkName && EqualIgnoringAsciiCase(token_.Text, word);
}

bool TFormTextReader::AtComponentHeader() const {
    return IsKeyword("object") || IsKeyword("inherited") || IsKeyword("inline");
}

void TFormTextReader::Expect(char symbol) {
    if (!IsSymbol(symbol))
        Fail(SSymbolExpected, {std::string(1, symbol)});
    Advance();
}

void TFormTextReader::Fail(int message, std::initializer_list<std::string> args) const {
    TFormTextTokenizer::Fail(token_.Line, message, args);
}

void TFormTextReader::Enter() {
    if (depth_ >= kMaxFormNesting)
        Fail(SNestingTooDeep);
    ++depth_;
}

std::string TFormTextReader::ReadName() {
    if (token_.Kind != tkName)
        Fail(SIdentExpected);
    std::string name = std::move(token_.Text);
    Advance();
    return name;
}

// [prefix] class name, component name, properties, children: "object Name: TClass [n]", with
// "inherited" or "inline" in place of "object" and the name left out for an unnamed component.
void TFormTextReader::ReadComponent() {
    Enter();
    const std::int64_t start = token_.Offset;
    std::uint8_t flags = 0;
    if (IsKeyword("inherited"))
        flags = FlagInherited;
    else if (IsKeyword("inline"))
        flags = kFlagInline;
    Advance();
    std::string name;
    std::string className = ReadName();
    if (IsSymbol(':')) {
        Advance();
        name = std::move(className);
        className = ReadName();
    }
    std::int32_t childPosition = 0;
    if (IsSymbol('[')) {
        Advance();
        childPosition = ReadSmallInteger();
        Expect(']');
        flags |= FlagChildPosition;
    }
    if (depth_ == 1)
        rootClassName_ = className;
    writer_->WriteComponentHeader(flags, childPosition, className, name);
    if (listener_)
        listener_->ComponentHeader(start, token_.PrecededAt);

    while (!IsKeyword("end") && !AtComponentHeader())
        ReadProperty(true);
    writer_->WriteListEnd();
    while (!IsKeyword("end")) {
        if (!AtComponentHeader())
            Fail(SSymbolExpected, {"end"});
        ReadComponent();
    }
    Advance();
    writer_->WriteListEnd();
    Leave();
}

void TFormTextReader::ReadProperty(bool own) {
    if (token_.Kind == tkEnd)
        Fail(SSymbolExpected, {"end"});
    const std::int64_t nameStart = token_.Offset;
    const std::string name = ReadName();
    writer_->WriteShortString(name);
    Expect('=');
    const std::int64_t valueStart = token_.Offset;
    ReadValue();
    if (own && listener_)
        listener_->Property(name, nameStart, valueStart, token_.PrecededAt);
}

void TFormTextReader::ReadValue() {
    switch (token_.Kind) {
        case tkNumber:
            ReadNumber();
            return;
        case tkString:
            ReadString();
            return;
        case tkName:
            if (IsKeyword("true") || IsKeyword("false"))
                writer_->WriteBoolean(IsKeyword("true"));
            else if (IsKeyword("nil"))
                writer_->WriteNil();
            else if (!ReadNonFinite(false))
                writer_->WriteIdent(token_.Text);
            Advance();
            return;
        case tkSymbol:
            switch (token_.Symbol) {
                case '-': {
                    const int line = token_.Line;
                    Advance();
                    if (token_.Kind != tkName || !ReadNonFinite(true))
                        TFormTextTokenizer::Fail(line, SValueExpected);
                    Advance();
                    return;
                }
                case '(':
                    ReadList();
                    return;
                case '[':
                    ReadSet();
                    return;
                case '{':
                    ReadBinary();
                    return;
                case '<':
                    ReadCollection();
                    return;
                default:
                    break;
            }
            break;
        case tkEnd:
            break;
    }
    Fail(SValueExpected);
}

// The conversion's texts of the values that are no number: "INF" and "NAN" of an extended value,
// the infinities and NaN of a single ("s") or a date ("d"), and "-INF" of a double without suffix,
// which only a double can hold (an extended infinity is written "INF" whatever its sign). Written
// with the tag they came from, so their text comes back as it was. False for any other name.
bool TFormTextReader::ReadNonFinite(bool negative) {
    const std::string& text = token_.Text;
    const char suffix = text.size() == 4 ? text[3] : 0;
    if (text.size() < 3 || text.size() > 4 || (suffix != 0 && suffix != 's' && suffix != 'd'))
        return false;
    const std::string word = text.substr(0, 3);
    const bool infinite = word == "INF";
    if (!infinite && (word != "NAN" || negative))
        return false;
    if (suffix == 's') {
        writer_->WriteSingle((negative ? 0x80000000u : 0u) | (infinite ? 0x7F800000u : 0x7FC00000u));
    } else if (suffix == 'd' || negative) {
        const std::uint64_t bits = (negative ? std::uint64_t(1) << 63 : 0) |
                                   (infinite ? 0x7FF0000000000000ull : 0x7FF8000000000000ull);
        if (suffix == 'd')
            writer_->WriteDate(bits);
        else
            writer_->WriteDouble(bits);
    } else {
        writer_->WriteExtended(infinite ? TExtended{{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}}
                                        : TExtended{{0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F}});
    }
    return true;
}

// Without suffix an integer takes the narrowest integer tag and any other number the 80-bit
// extended one; "s" makes a single, "d" a date (a double), "c" a currency amount, written as the
// number of ten-thousandths it holds (as the conversion writes it), the nearest whole one.
void TFormTextReader::ReadNumber() {
    const TDecimal& number = token_.Number;
    bool inRange = true;
    switch (token_.Suffix) {
        case 's': {
            std::uint32_t bits = 0;
            inRange = DecimalToSingle(number, bits);
            writer_->WriteSingle(bits);
            break;
        }
        case 'd': {
            std::uint64_t bits = 0;
            inRange = DecimalToDouble(number, bits);
            writer_->WriteDate(bits);
            break;
        }
        case 'c': {
            std::int64_t amount = 0;
            inRange = DecimalToScaledInteger(number, 0, amount);
            writer_->WriteCurrency(amount);
            break;
        }
        default:
            if (token_.Integer) {
                std::int64_t value = 0;
                inRange = DecimalToScaledInteger(number, 0, value);
                writer_->WriteInteger(value);
            } else {
                TExtended value;
                inRange = DecimalToExtended(number, value);
                writer_->WriteExtended(value);
            }
            break;
    }
    if (!inRange)
        Fail(SNumberRange);
    Advance();
}

// Pieces joined by '+', over as many lines as the text likes. A string with a character code beyond
// 126 (or a character beyond 255) is wide; the others are bytes, as many as 255 in a short string and more in
// a long one.
void TFormTextReader::ReadString() {
    std::string bytes = std::move(token_.Text);
    std::u16string units = std::move(token_.Units);
    bool wide = token_.Wide;
    Advance();
    while (IsSymbol('+')) {
        Advance();
        if (token_.Kind != tkString)
            Fail(SStringExpected);
        if (token_.Wide && !wide) {
            for (const char byte : bytes)
                units += static_cast<char16_t>(static_cast<std::uint8_t>(byte));
            bytes.clear();
            wide = true;
        }
        if (!wide)
            bytes += token_.Text;
        else if (token_.Wide)
            units += token_.Units;
        else
            for (const char byte : token_.Text)
                units += static_cast<char16_t>(static_cast<std::uint8_t>(byte));
        Advance();
    }
    if (wide)
        writer_->WriteWideString(units, wideStrings_);
    else
        writer_->WriteString(bytes);
}

void TFormTextReader::ReadList() {
    Enter();
    Advance();
    writer_->WriteListStart();
    while (!IsSymbol(')')) {
        if (token_.Kind == tkEnd)
            Fail(SSymbolExpected, {")"});
        ReadValue();
    }
    Advance();
    writer_->WriteListEnd();
    Leave();
}

void TFormTextReader::ReadSet() {
    Advance();
    writer_->WriteSetStart();
    if (!IsSymbol(']')) {
        for (;;) {
            writer_->WriteShortString(ReadName());
            if (IsSymbol(']'))
                break;
            Expect(',');
        }
    }
    Advance();
    writer_->WriteSetEnd();
}

// The hex digits are taken straight from the tokenizer into the form data: a block is never held
// twice, and one that is never closed ends at the end of the text with "'}' expected".
void TFormTextReader::ReadBinary() {
    writer_->BeginBinary();
    std::uint8_t byte = 0;
    while (tokenizer_.NextHexByte(byte))
        writer_->WriteBinaryByte(byte);
    writer_->EndBinary();
    Advance();
}

// "<", items "item [n]" with their properties up to "end", ">".
void TFormTextReader::ReadCollection() {
    Enter();
    Advance();
    writer_->WriteCollectionStart();
    while (!IsSymbol('>')) {
        if (!IsKeyword("item"))
            Fail(SSymbolExpected, {">"});
        Advance();
        if (IsSymbol('[')) {
            Advance();
            writer_->WriteInteger(ReadSmallInteger());
            Expect(']');
        }
        writer_->WriteListStart();
        while (!IsKeyword("end"))
            ReadProperty(false);
        Advance();
        writer_->WriteListEnd();
    }
    Advance();
    writer_->WriteListEnd();
    Leave();
}

std::int32_t TFormTextReader::ReadSmallInteger() {
    if (token_.Kind != tkNumber || !token_.Integer || token_.Suffix != 0)
        Fail(SNumberExpected);
    std::int64_t value = 0;
    if (!DecimalToScaledInteger(token_.Number, 0, value) || value < INT32_MIN || value > INT32_MAX)
        Fail(SNumberRange);
    Advance();
    return static_cast<std::int32_t>(value);
}
