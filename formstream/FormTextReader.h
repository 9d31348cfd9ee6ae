#pragma once

#include <string>

#include "formstream/FormBinaryWriter.h"
#include "formstream/FormTextTokenizer.h"

class TStream;

struct TFormTextOptions {
    // The resource name of the form file; empty: the root component's class name in upper case.
    std::string ResourceName;
    // How strings with characters beyond 255 are stored.
    TWideStringFormat WideStrings = wsUtf16;
};

// Reads a form's text (the conversion's own rendering, or the text later versions of the
// development environment write) and returns the whole binary form file: resource header,
// "TPF0" and the component tree, every value in the narrowest kind that holds it. Errors raise
// EParserError "Line <n>: <what>" (EWriteError for a form or resource name too large); nothing is
// returned then, so a caller never sees half a form.
std::string FormTextToFormFile(TStream& input, const TFormTextOptions& options = {});

// A recursive-descent reader of one form text. Components, lists and collections nest at most
// kMaxFormNesting deep, as the binary reader takes them, so every form read converts back to text.
class TFormTextReader {
public:
    TFormTextReader(TStream& input, TWideStringFormat wideStrings);

    // Reads the root component, which must be followed by nothing but blanks.
    void ReadForm(TFormBinaryWriter& writer);
    // The root component's class name, once ReadForm has read it.
    const std::string& RootClassName() const { return rootClassName_; }

private:
    void Advance() { tokenizer_.Next(token_); }
    bool IsSymbol(char symbol) const { return token_.Kind == tkSymbol && token_.Symbol == symbol; }
    bool IsKeyword(const char* word) const;
    bool AtComponentHeader() const;
    void Expect(char symbol);
    [[noreturn]] void Fail(int message, std::initializer_list<std::string> args = {}) const;
    void Enter();
    void Leave() { --depth_; }

    void ReadComponent();
    void ReadProperty();
    void ReadValue();
    void ReadNumber();
    bool ReadNonFinite(bool negative);
    void ReadString();
    void ReadList();
    void ReadSet();
    void ReadBinary();
    void ReadCollection();
    std::int32_t ReadSmallInteger(); // a child position or an item index: 32 bits
    std::string ReadName();

    TFormTextTokenizer tokenizer_;
    TToken token_;                        // the token at hand, not yet consumed
    TFormBinaryWriter* writer_ = nullptr; // not owned; set for the time of ReadForm
    TWideStringFormat wideStrings_;
    int depth_ = 0;
    std::string rootClassName_;
};
