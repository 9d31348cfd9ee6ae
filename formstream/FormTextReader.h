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

// Told where a component's header and its own properties lie in the text that a TFormTextReader
// reads, as byte offsets into it (a byte-order mark counts), for an editor of that text. Collection
// items' properties are the items', not the component's, and are not told.
class TFormTextListener {
public:
    virtual ~TFormTextListener() = default;
    // A component's header: from its first word to the end of its last token, depth-first.
    virtual void ComponentHeader(std::int64_t start, std::int64_t end) = 0;
    // A property of the component whose header came last: its name, where the name begins, and its
    // value from its first byte to the end of its last token ("+" pieces and lines of a list or
    // binary block included).
    virtual void Property(const std::string& name, std::int64_t nameStart, std::int64_t valueStart,
                          std::int64_t valueEnd) = 0;
};

// A recursive-descent reader of one form text. Components, lists and collections nest at most
// kMaxFormNesting deep, as the binary reader takes them, so every form read converts back to text.
class TFormTextReader {
public:
    // `listener` (not owned; may be nullptr) hears where the components and their properties lie.
    TFormTextReader(TStream& input, TWideStringFormat wideStrings, TFormTextListener* listener = nullptr);

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
    void ReadProperty(bool own); // own: the component's, not a collection item's
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
    TFormTextListener* listener_;         // not owned; may be nullptr
    TWideStringFormat wideStrings_;
    int depth_ = 0;
    std::string rootClassName_;
};
