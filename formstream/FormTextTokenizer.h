#pragma once

#include "formstream/FormText.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "formstream/DecimalFloat.h"
#include "runtime/Exceptions.h"

class TStream;

// A form text that cannot be read: the message names the line, "Line 12: ')' expected".
class EParserError : public Exception {
public:
    using Exception::Exception;
};

enum TTokenKind { tkEnd, tkSymbol, tkName, tkNumber, tkString };

struct TToken {
    TTokenKind Kind = tkEnd;
    int Line = 1;         // where the token begins; for tkEnd, the last line with text
    char Symbol = 0;      // tkSymbol: the character, such as '=', '(', '{'
    std::string Text;     // tkName: the name, dotted parts included; tkString: the bytes (not Wide)
    std::u16string Units; // tkString when Wide: the UTF-16 units
    bool Wide = false;    // tkString: a character beyond 255 made it a wide string
    TDecimal Number;      // tkNumber
    bool Integer = false; // tkNumber: neither a point nor an exponent
    char Suffix = 0;      // tkNumber: 's', 'c', 'd' or 0

    // Where it lies in the text: the offset of its first byte (for tkEnd, of the text's end), and
    // where what came before it ends, which is where the blanks before it start.
    std::int64_t Offset = 0;
    std::int64_t PrecededAt = 0;
};

// Splits a form text into tokens, reading its stream forward through a buffer. Blanks, tabs, line
// ends and other control bytes separate tokens; a line ends with LF, CR LF or a lone CR.
//
// Names are letters, digits, '_' and bytes from 0x80 up, not starting with a digit, joined by
// dots ("Font.Name"), at most 255 bytes. A number is an optional '-', digits, an optional point
// with digits, an optional exponent ("E-5") and an optional suffix s, c or d. A string is a run of
// quoted pieces ('It''s', an apostrophe doubled) and character codes (#13, #$0D) with nothing
// between them; a text that begins with a UTF-8 byte-order mark has its quoted non-ASCII
// characters decoded strictly (a byte that starts no valid sequence is the character of its own
// value), which makes their strings wide. Anything else is a one-character symbol.
//
// Memory stays bounded by the token at hand: a number keeps kDecimalDigitsKept digits however long
// it is written, a name 255 bytes. Errors raise EParserError with the line number.
class TFormTextTokenizer {
public:
    explicit TFormTextTokenizer(TStream& input);
    ~TFormTextTokenizer();
    TFormTextTokenizer(const TFormTextTokenizer&) = delete;
    TFormTextTokenizer& operator=(const TFormTextTokenizer&) = delete;

    // Reads the next token into `token`.
    void Next(TToken& token);
    // Inside "{...}", after the '{': the next byte of hex digits (blanks and line ends between
    // them are skipped), or false once the '}' is consumed.
    bool NextHexByte(std::uint8_t& byte);

    // Raises EParserError "Line <line>: <message>".
    [[noreturn]] static void Fail(int line, int message, std::initializer_list<std::string> args = {});

private:
    int Peek() {
        if (position_ == end_ && !Fill())
            return -1;
        return buffer_[position_];
    }
    int Get();
    bool Fill();
    void SkipBlanks();
    void ReadName(TToken& token);
    void ReadNumber(TToken& token);
    void ReadString(TToken& token);
    static void MakeWide(TToken& token);
    static void AppendUnit(TToken& token, std::uint32_t unit);
    void AppendUtf8(TToken& token, std::uint8_t lead);

    TStream& input_; // not owned
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::int32_t position_ = 0;
    std::int32_t end_ = 0;
    std::int64_t bufferStart_ = 0; // the text's offset of the buffer's first byte
    int line_ = 1;
    int lastLine_ = 1;  // of the last byte that is not blank: where the end of the text is reported
    bool utf8_ = false; // the text began with a UTF-8 byte-order mark
};

// The string a value of a form's text holds: quoted pieces and character codes, read as the tokenizer
// reads them, optionally joined by "+" (a long string the environment wrote over several lines,
// joined here with its line ends). Nothing for a value that is no string or not only one; `utf8`: the
// text's quoted non-ASCII characters are UTF-8.
std::optional<TFormString> ParseFormString(std::string_view value, bool utf8 = false);
