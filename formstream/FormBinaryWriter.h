#pragma once

#include <cstdint>
#include <string>

#include "formstream/Reader.h"

// How a string with characters beyond the 8-bit range is stored: UTF-16 units (TagWideString) or
// UTF-8 bytes (TagUtf8String).
enum TWideStringFormat { wsUtf16, wsUtf8 };

// Writes a binary form stream into memory, one grammar word at a time, each value with the
// narrowest tag that holds it, as the development environment stores them. Every kind a text can
// give has its call. A float's text without suffix reads as an extended value; only "-INF", which
// no extended value's text is, gives a double (TagDouble). The form file comes whole at the end,
// so nothing of a form that fails half-way ever reaches an output.
class TFormBinaryWriter {
public:
    TFormBinaryWriter(); // starts with the "TPF0" signature

    // ---- Structure
    // The component prefix (only when flags are set) with the child position, then class and name.
    void WriteComponentHeader(std::uint8_t flags, std::int32_t childPosition, const std::string& className,
                              const std::string& name);
    void WriteShortString(const std::string& text); // at most 255 bytes
    void WriteListEnd() { Put(TagNull); }           // also ends properties, children, items
    void WriteListStart() { Put(TagList); }
    void WriteCollectionStart() { Put(TagCollection); }
    void WriteSetStart() { Put(TagSet); }
    void WriteSetEnd() { Put(TagNull); }

    // ---- Values
    void WriteInteger(std::int64_t value); // TagInt8, TagInt16 or TagInt32; TagInt64 beyond
    void WriteExtended(const TExtended& value);
    void WriteSingle(std::uint32_t bits);            // TagSingle
    void WriteCurrency(std::int64_t tenThousandths); // TagCurrency
    void WriteDate(std::uint64_t bits);              // TagDate, a double
    void WriteDouble(std::uint64_t bits);            // TagDouble
    void WriteString(const std::string& bytes);      // TagString, TagLongString above 255 bytes
    void WriteWideString(const std::u16string& units,
                         TWideStringFormat format); // TagWideString, TagUtf8String
    void WriteIdent(const std::string& identifier); // TagIdent
    void WriteBoolean(bool value);                  // TagTrue, TagFalse
    void WriteNil();                                // TagNil
    // TagBinary: the bytes follow with WriteBinaryByte, then EndBinary puts their count in front.
    void BeginBinary();
    void WriteBinaryByte(std::uint8_t byte) { data_ += static_cast<char>(byte); }
    void EndBinary();

    // ---- Results
    // "TPF0" and the records written so far.
    const std::string& FormData() const { return data_; }
    // The form data behind a 16-bit resource header: FF 0A 00, the name and its zero, memory flags
    // 0x1030, the data size. EWriteError "Resource name too long" for a name longer than a reader
    // of the format takes (76 bytes), or one holding a zero byte.
    std::string FormFile(const std::string& resourceName) const;

private:
    void Put(std::uint8_t byte) { data_ += static_cast<char>(byte); }
    void PutLittle(std::uint64_t value, int bytes);
    // A 4-byte count. Counts, like stream positions, have 31 bits: EWriteError "Form too large"
    // beyond them.
    void PutCount(std::size_t count);

    std::string data_;
    std::size_t binaryStart_ = 0; // where the count of the open binary block goes
};
