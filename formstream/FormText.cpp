#include "formstream/FormText.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "formstream/FormTextLayout.h"
#include "formstream/NumberText.h"
#include "formstream/Reader.h"
#include "formstream/Simd.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"
#include "runtime/Text.h"
#include "runtime/Utf8.h"

namespace {

constexpr std::string_view kLineEnd = form_text::kLineEnd;
// Indentation is copied from here, up to 32 levels at once.
constexpr std::string_view kBlanks = "                                                                ";

bool IsWideCode(char16_t unit) {
    return unit < 32 || unit > 126 || unit == u'\'';
}

bool IsByteCode(char c) {
    return static_cast<std::uint8_t>(c) < 0x20 || c == '\'';
}

// At most three characters a byte ("#31", or a byte of a run and its share of the apostrophes
// around it), and "''" for no bytes.
constexpr std::size_t QuotedRoom(std::size_t count) {
    return 3 * count + 2;
}

// The one quoting rule, for a string's bytes and for UTF-16 units alike: the units that isCode
// picks (control characters, the apostrophe, and in wide strings all but printable ASCII) as
// "#<code>", runs of the others between apostrophes, and "''" for no units. `out` takes the pieces:
// Text(characters, count), Code(unit), Run(units, count).
template <typename Unit, typename IsCode, typename Out>
[[gnu::always_inline]] inline void Quote(const Unit* units, std::size_t count, IsCode isCode, Out& out) {
    if (count == 0) {
        out.Text("''", 2);
        return;
    }
    for (std::size_t i = 0; i < count;) {
        if (isCode(units[i])) {
            out.Code(static_cast<unsigned>(std::make_unsigned_t<Unit>(units[i++])));
            continue;
        }
        const std::size_t start = i;
        while (i < count && !isCode(units[i]))
            ++i;
        out.Text("'", 1);
        out.Run(units + start, i - start);
        out.Text("'", 1);
    }
}

// Quote's pieces straight into a buffer with the room for them.
struct TQuotedAt {
    char* At;
    void Text(const char* text, std::size_t count) { At = CopyText(At, text, count); }
    void Code(unsigned code) {
        *At++ = '#';
        At = std::to_chars(At, At + 5, code).ptr;
    }
    void Run(const char* bytes, std::size_t count) { At = CopyText(At, bytes, count); }
};

// The text of a value of the common short kinds (integers, extended numbers, identifiers,
// booleans, nil, short strings and sets) whose bytes, tag first, lie whole in
// value[0..available) and whose text fits in `room` characters at `out`: returns its end and the
// bytes it took in `taken`, or nullptr for any other value, which is then left to the general path.
char* WriteShortValue(char* out, std::ptrdiff_t room, const std::uint8_t* value, std::int32_t available,
                      std::int32_t& taken) {
    const auto fits = [&](std::int32_t bytes, std::size_t text) {
        return bytes <= available && static_cast<std::ptrdiff_t>(text) <= room;
    };
    switch (value[0]) {
        case TagInt8:
        case TagInt16:
        case TagInt32: {
            taken = 1 + IntPayloadSize(value[0]);
            if (!fits(taken, 11))
                return nullptr;
            return std::to_chars(out, out + 11, DecodeIntPayload(value + 1, taken - 1)).ptr;
        }
        case TagExtended: {
            taken = 1 + static_cast<std::int32_t>(sizeof(TExtended::Bytes));
            if (!fits(taken, kNumberTextRoom))
                return nullptr;
            TExtended number;
            std::memcpy(number.Bytes, value + 1, sizeof number.Bytes);
            return FormatExtendedTo(out, number);
        }
        case TagFalse:
        case TagTrue:
        case TagNil: {
            const std::string_view word = value[0] == TagFalse  ? "False"
                                          : value[0] == TagTrue ? "True"
                                                                : "nil";
            taken = 1;
            if (!fits(taken, word.size()))
                return nullptr;
            return CopyText(out, word.data(), word.size());
        }
        case TagIdent:
        case TagString: {
            if (available < 2)
                return nullptr;
            const std::size_t length = value[1];
            taken = 2 + static_cast<std::int32_t>(length);
            const char* text = reinterpret_cast<const char*>(value + 2);
            if (value[0] == TagIdent)
                return fits(taken, length) ? CopyText(out, text, length) : nullptr;
            if (!fits(taken, QuotedRoom(length)))
                return nullptr;
            TQuotedAt quoted{out};
            Quote(text, length, IsByteCode, quoted);
            return quoted.At;
        }
        case TagSet: {
            // The elements up to the empty one; each takes its length and two more (", " or the
            // brackets) of the text.
            std::int32_t at = 1;
            std::size_t text = 2;
            for (;;) {
                if (at >= available)
                    return nullptr;
                const std::uint8_t length = value[at];
                if (length == 0)
                    break;
                at += 1 + length;
                text += 2 + length;
            }
            taken = at + 1;
            if (!fits(taken, text))
                return nullptr;
            *out++ = '[';
            for (std::int32_t element = 1; value[element] != 0; element += 1 + value[element]) {
                if (element != 1) {
                    std::memcpy(out, ", ", 2);
                    out += 2;
                }
                out = CopyText(out, reinterpret_cast<const char*>(value + element + 1), value[element]);
            }
            *out++ = ']';
            return out;
        }
        default:
            return nullptr;
    }
}

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
    void EmitInt64();
    void EmitFloat();
    void EmitSingle();
    void EmitDouble();
    void EmitIdent();
    void EmitList();
    void EmitSet();
    void EmitString();
    void EmitWideString();
    void EmitUtf8String();
    // Quote's pieces through the writer.
    struct TQuotedOut {
        FormTextConverter& Converter;
        void Text(const char* text, std::size_t count) { Converter.EmitText(text, count); }
        void Code(unsigned code) { Converter.EmitCode(code); }
        void Run(const char* bytes, std::size_t count) { Converter.EmitText(bytes, count); }
        void Run(const char16_t* units, std::size_t count) { Converter.EmitRun(units, count); }
    };
    template <typename Unit, typename IsCode>
    void EmitQuoted(const Unit* units, std::size_t count, IsCode isCode) {
        TQuotedOut out{*this};
        Quote(units, count, isCode, out);
    }
    void EmitRun(const char16_t* units, std::size_t count);
    void EmitCode(unsigned code);
    void EmitBinary();
    void EmitCollection();
    void EmitIndent();
    void EmitLineEnd();
    void EmitIndented(std::string_view a, std::string_view b = {}, std::string_view c = {},
                      std::string_view d = {});
    void EmitNewLine();
    void EmitText(const char* text, std::size_t length) {
        writer_.WriteBytes(text, static_cast<std::int32_t>(length));
    }
    void EmitText(std::string_view text) { EmitText(text.data(), text.size()); }
    template <std::size_t N> void EmitText(const char (&text)[N]) { EmitText(text, N - 1); }
    static void HexEncode(const std::uint8_t* bytes, int count, char* out);

    TReader& reader_;
    TWriter& writer_;
    int level_ = 0;
    std::u16string units_; // a wide or UTF-8 string as UTF-16 units; kept to reuse its storage
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
    EmitIndented(form_text::kEndLine, kLineEnd);
}

void FormTextConverter::EmitHeader() {
    const TComponentPrefix prefix = reader_.ReadComponentPrefix();
    // The class name comes first but is written last; reading the name may refill the buffer.
    char className[256];
    const std::string_view classView = reader_.ReadShortStringView();
    const std::string_view classText(className, classView.size());
    std::copy(classView.begin(), classView.end(), className);
    const std::string_view name = reader_.ReadShortStringView();
    const std::string_view word =
        (prefix.Flags & FlagInherited) ? form_text::kInheritedWord : form_text::kObjectWord;
    if (name.empty())
        EmitIndented(word, classText);
    else
        EmitIndented(word, name, form_text::kNameClassSeparator, classText);
    if (prefix.Flags & FlagChildPosition) {
        char position[16] = {' ', '['};
        char* end = std::to_chars(position + 2, position + sizeof position - 1, prefix.ChildPosition).ptr;
        *end++ = ']';
        EmitText(position, static_cast<std::size_t>(end - position));
    }
    EmitText(kLineEnd);
}

// The indentation goes out before the name is read, so a form cut short inside the name leaves it
// in the text, as every step writes what it has before it reads on. A line whose name and value lie
// in the reader's buffer goes into the writer's buffer at once, with the bounds checked once for
// the name and once for the value: no stream is read for it, so nothing changes that the text was
// made before the bytes were read. A value of another kind, or one that does not lie whole in the
// buffer, goes on through the general path after the name.
void FormTextConverter::EmitProperty() {
    const std::size_t indent = form_text::kIndentStep * static_cast<std::size_t>(level_);
    const TReader::TBufferedBytes in = reader_.Buffered();
    const std::int32_t room = writer_.Room();
    if (indent <= 32 && in.Count >= 2 && in.Count >= 2 + in.Bytes[0] && room >= 32 + in.Bytes[0] + 3) {
        const std::int32_t nameBytes = 1 + in.Bytes[0];
        char* const line = writer_.Reserve(room);
        std::memcpy(line, kBlanks.data(), 32);
        char* out = CopyText(line + indent, reinterpret_cast<const char*>(in.Bytes + 1), in.Bytes[0]);
        std::memcpy(out, form_text::kPropertySeparator.data(), form_text::kPropertySeparator.size());
        out += form_text::kPropertySeparator.size();
        std::int32_t taken = 0;
        if (char* end = WriteShortValue(out, line + room - 2 - out, in.Bytes + nameBytes,
                                        in.Count - nameBytes, taken)) {
            std::memcpy(end, kLineEnd.data(), kLineEnd.size());
            reader_.Consume(nameBytes + taken);
            writer_.Commit(static_cast<std::int32_t>(end + 2 - line));
            return;
        }
        reader_.Consume(nameBytes);
        writer_.Commit(static_cast<std::int32_t>(out - line));
    } else {
        EmitIndent();
        const std::string_view name = reader_.ReadShortStringView();
        EmitText(name);
        EmitText(form_text::kPropertySeparator);
    }
    EmitValue();
    EmitLineEnd();
}

// The indentation and up to four pieces: one copy into the writer's buffer when it has the room.
void FormTextConverter::EmitIndented(std::string_view a, std::string_view b, std::string_view c,
                                     std::string_view d) {
    const std::size_t blanks = 2 * static_cast<std::size_t>(level_);
    const std::size_t length = blanks + a.size() + b.size() + c.size() + d.size();
    if (blanks <= kBlanks.size()) {
        if (char* out = writer_.Reserve(static_cast<std::int32_t>(length))) {
            out = CopyText(out, kBlanks.data(), blanks);
            for (const std::string_view piece : {a, b, c, d})
                out = CopyText(out, piece.data(), piece.size());
            writer_.Commit(static_cast<std::int32_t>(length));
            return;
        }
    }
    EmitIndent();
    for (const std::string_view piece : {a, b, c, d})
        EmitText(piece);
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
        case TagSingle:
            EmitSingle();
            break;
        case TagCurrency:
        case TagInt64:
            EmitInt64();
            break;
        case TagDate:
        case TagDouble:
            EmitDouble();
            break;
        case TagWideString:
            EmitWideString();
            break;
        case TagUtf8String:
            EmitUtf8String();
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

void FormTextConverter::EmitInt64() {
    const bool currency = reader_.PeekTag() == TagCurrency;
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, reader_.ReadInt64Value()).ptr;
    if (currency)
        *end++ = 'c';
    EmitText(digits, static_cast<std::size_t>(end - digits));
}

void FormTextConverter::EmitFloat() {
    const TExtended value = reader_.ReadFloatValue();
    if (char* out = writer_.Reserve(kNumberTextRoom)) {
        writer_.Commit(static_cast<std::int32_t>(FormatExtendedTo(out, value) - out));
        return;
    }
    char text[kNumberTextRoom];
    EmitText(text, static_cast<std::size_t>(FormatExtendedTo(text, value) - text));
}

void FormTextConverter::EmitSingle() {
    char text[kNumberTextRoom + 1];
    char* end = FormatSingleTo(text, reader_.ReadSingleValue());
    *end++ = 's';
    EmitText(text, static_cast<std::size_t>(end - text));
}

void FormTextConverter::EmitDouble() {
    const bool date = reader_.PeekTag() == TagDate;
    char text[kNumberTextRoom + 1];
    char* end = FormatDoubleTo(text, reader_.ReadDoubleValue());
    if (date)
        *end++ = 'd';
    EmitText(text, static_cast<std::size_t>(end - text));
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
        const std::string_view element = reader_.ReadShortStringView();
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
    EmitQuoted(text.data(), text.size(), IsByteCode);
}

// Wide strings keep only the printable ASCII units between apostrophes; every other unit, and the
// apostrophe, is written "#<code>", as the environment's own text forms show ('Poci'#261'gu').
void FormTextConverter::EmitWideString() {
    const std::string_view bytes = reader_.ReadWideStringView();
    units_.resize(bytes.size() / 2);
    for (std::size_t i = 0; i < units_.size(); ++i)
        units_[i] = static_cast<char16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                          (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
    EmitQuoted(units_.data(), units_.size(), IsWideCode);
}

void FormTextConverter::EmitUtf8String() {
    const std::string_view bytes = reader_.ReadUtf8StringView();
    DecodeUtf8(bytes.data(), bytes.size(), units_);
    EmitQuoted(units_.data(), units_.size(), IsWideCode);
}

// A run of printable ASCII units, written as the bytes of the same characters.
void FormTextConverter::EmitRun(const char16_t* units, std::size_t count) {
    char bytes[256];
    while (count > 0) {
        const std::size_t n = std::min(count, sizeof bytes);
        std::copy(units, units + n, bytes);
        EmitText(bytes, n);
        units += n;
        count -= n;
    }
}

void FormTextConverter::EmitCode(unsigned code) {
    char text[16] = {'#'};
    EmitText(text, static_cast<std::size_t>(std::to_chars(text + 1, text + sizeof text, code).ptr - text));
}

// Read 32 bytes at a time: a count that claims more than the file holds ends in "Stream read
// error" without anything allocated for it. A line whose bytes lie in the reader's buffer goes
// into the writer's buffer at once, line end, indentation and digits, when it has the room: no
// stream is read for it, so nothing changes that the text was made before the bytes were read.
// Otherwise its line end and indentation are written before its bytes are read.
void FormTextConverter::EmitBinary() {
    reader_.ReadTag();
    EmitText("{");
    ++level_;
    auto count = static_cast<std::int32_t>(reader_.ReadUInt32());
    const bool multiLine = count >= 32;
    const std::size_t indent = form_text::kIndentStep * static_cast<std::size_t>(level_);
    const std::size_t prefix = multiLine ? 2 + indent : 0;
    while (count > 0) {
        const int n = count < 32 ? count : 32;
        const auto length = static_cast<std::int32_t>(prefix) + 2 * n;
        if (indent <= kBlanks.size()) {
            if (char* out = writer_.Reserve(length)) {
                if (const std::uint8_t* bytes = reader_.TakeBuffered(n)) {
                    if (multiLine) {
                        std::memcpy(out, kLineEnd.data(), kLineEnd.size());
                        CopyText(out + 2, kBlanks.data(), indent);
                    }
                    HexEncode(bytes, n, out + prefix);
                    writer_.Commit(length);
                    count -= n;
                    continue;
                }
            }
        }
        if (multiLine)
            EmitNewLine();
        std::uint8_t bytes[32];
        reader_.ReadBytes(bytes, n);
        count -= n;
        char text[64];
        HexEncode(bytes, n, text);
        EmitText(text, static_cast<std::size_t>(2 * n));
    }
    --level_;
    EmitText("}");
}

// Two digits a byte, high four bits first. Sixteen bytes at a time with the vector unit where there
// is one: each half byte becomes '0' + half, or 'A' + half - 10 from 10 on (7 more).
void FormTextConverter::HexEncode(const std::uint8_t* bytes, int count, char* out) {
    int i = 0;
#if defined(QUORVEL_SSE2)
    const __m128i low4 = _mm_set1_epi8(0x0F);
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i letterStep = _mm_set1_epi8('A' - '0' - 10);
    const auto ascii = [&](__m128i halves) {
        const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(halves, nine), letterStep);
        return _mm_add_epi8(_mm_add_epi8(halves, zero), letters);
    };
    for (; i + 16 <= count; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i high = _mm_and_si128(_mm_srli_epi16(block, 4), low4);
        const __m128i low = _mm_and_si128(block, low4);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), ascii(_mm_unpacklo_epi8(high, low)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 16), ascii(_mm_unpackhi_epi8(high, low)));
    }
#endif
    for (; i < count; ++i) {
        out[2 * i] = HexDigit(bytes[i] >> 4);
        out[2 * i + 1] = HexDigit(bytes[i]);
    }
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
    const std::size_t indent = form_text::kIndentStep * static_cast<std::size_t>(level_);
    // Up to 16 levels from one block of blanks of a fixed size, of which the indentation counts.
    if (indent <= 32) {
        if (char* out = writer_.Reserve(32)) {
            std::memcpy(out, kBlanks.data(), 32);
            writer_.Commit(static_cast<std::int32_t>(indent));
            return;
        }
    }
    if (indent <= kBlanks.size()) {
        if (char* out = writer_.Reserve(static_cast<std::int32_t>(indent))) {
            CopyText(out, kBlanks.data(), indent);
            writer_.Commit(static_cast<std::int32_t>(indent));
            return;
        }
    }
    for (std::size_t blanks = indent; blanks > 0;) {
        const std::size_t n = std::min(blanks, kBlanks.size());
        EmitText(kBlanks.data(), n);
        blanks -= n;
    }
}

void FormTextConverter::EmitLineEnd() {
    if (char* out = writer_.Reserve(2)) {
        std::memcpy(out, kLineEnd.data(), kLineEnd.size());
        writer_.Commit(2);
    } else {
        EmitText(kLineEnd);
    }
}

void FormTextConverter::EmitNewLine() {
    const std::size_t indent = form_text::kIndentStep * static_cast<std::size_t>(level_);
    if (indent <= kBlanks.size()) {
        if (char* out = writer_.Reserve(static_cast<std::int32_t>(indent + 2))) {
            std::memcpy(out, kLineEnd.data(), kLineEnd.size());
            CopyText(out + 2, kBlanks.data(), indent);
            writer_.Commit(static_cast<std::int32_t>(indent + 2));
            return;
        }
    }
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

namespace {

// Quote's pieces into a string.
struct TQuotedString {
    std::string& Out;
    void Text(const char* text, std::size_t count) { Out.append(text, count); }
    void Code(unsigned code) { Out += "#" + std::to_string(code); }
    void Run(const char* bytes, std::size_t count) { Out.append(bytes, count); }
    void Run(const char16_t* units, std::size_t count) { Out.append(units, units + count); }
};

} // namespace

std::string FormStringText(const TFormString& string) {
    std::string text;
    TQuotedString out{text};
    if (string.Wide)
        Quote(string.Units.data(), string.Units.size(), IsWideCode, out);
    else
        Quote(string.Bytes.data(), string.Bytes.size(), IsByteCode, out);
    return text;
}
