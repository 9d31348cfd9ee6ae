#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "io/Filer.h"
#include "runtime/Object.h"

class TStream;

// The tag byte in front of every value of a binary form stream. Tags 15 to 21 are written by later
// versions of the development environment; 22 and above are no values.
enum TValueTag : std::uint8_t {
    TagNull = 0,     // end of a property list, child list, list, collection or item
    TagList = 1,     // values up to a TagNull
    TagInt8 = 2,     // 1 byte, signed
    TagInt16 = 3,    // 2 bytes, signed
    TagInt32 = 4,    // 4 bytes, signed
    TagExtended = 5, // 10 bytes, 80-bit extended precision
    TagString = 6,   // short string
    TagIdent = 7,    // short string: an identifier
    TagFalse = 8,
    TagTrue = 9,
    TagBinary = 10,     // 4-byte signed count, then the bytes
    TagSet = 11,        // short strings up to an empty one
    TagLongString = 12, // 4-byte count, then the bytes
    TagNil = 13,
    TagCollection = 14, // items up to a TagNull
    TagSingle = 15,     // 4 bytes, IEEE single
    TagCurrency = 16,   // 8 bytes, signed: ten-thousandths
    TagDate = 17,       // 8 bytes, IEEE double: days since 30 December 1899
    TagWideString = 18, // 4-byte count of UTF-16 units, then the units
    TagInt64 = 19,      // 8 bytes, signed
    TagUtf8String = 20, // 4-byte count of bytes, then UTF-8
    TagDouble = 21,     // 8 bytes, IEEE double
};

// Flags in the low four bits of a component's prefix byte (0xF0 to 0xFF).
enum : std::uint8_t { FlagInherited = 0x01, FlagChildPosition = 0x02 };

// Components, lists and collections nest at most this deep, whether they are read or skipped;
// deeper data raises EReadError "Form nesting too deep".
constexpr int kMaxFormNesting = 256;

// An 80-bit extended-precision number as stored: 8 bytes of mantissa (explicit leading bit), then
// the sign bit and the 15-bit exponent (bias 16383), little-endian. Kept as raw bytes because the
// compiler's long double is not this format everywhere.
struct TExtended {
    std::uint8_t Bytes[10] = {};

    // Spelled out byte by byte, which compilers turn into one load on a little-endian machine.
    std::uint64_t Mantissa() const {
        return std::uint64_t(Bytes[0]) | (std::uint64_t(Bytes[1]) << 8) | (std::uint64_t(Bytes[2]) << 16) |
               (std::uint64_t(Bytes[3]) << 24) | (std::uint64_t(Bytes[4]) << 32) |
               (std::uint64_t(Bytes[5]) << 40) | (std::uint64_t(Bytes[6]) << 48) |
               (std::uint64_t(Bytes[7]) << 56);
    }
    std::uint16_t ExponentField() const {
        return static_cast<std::uint16_t>(((Bytes[9] & 0x7F) << 8) | Bytes[8]);
    }
    bool Negative() const { return (Bytes[9] & 0x80) != 0; }

    // The exact extended value of an integer.
    static TExtended FromInteger(std::int32_t value);
};

// The component prefix: flags, and the child position when FlagChildPosition is set.
struct TComponentPrefix {
    std::uint8_t Flags = 0;
    std::int32_t ChildPosition = 0;
};

// Reads a binary form stream forward, one value at a time, with one tag byte of look-ahead.
// Errors: EReadError "Stream read error" when the data ends early, "Invalid property value" for a
// tag the operation does not accept, "Invalid stream format" for a missing signature.
class TReader : public TFiler {
public:
    // One level of nesting, held for the scope of a component, list or collection that is read or
    // skipped. Every level of a reader counts against the one bound, whichever path the data drives
    // the recursion through (a skip that starts inside a skip included), so no input can nest
    // deeper than kMaxFormNesting. Raises EReadError "Form nesting too deep" beyond it.
    class TNestingLevel {
    public:
        explicit TNestingLevel(TReader& reader);
        ~TNestingLevel() { --reader_.nesting_; }
        TNestingLevel(const TNestingLevel&) = delete;
        TNestingLevel& operator=(const TNestingLevel&) = delete;

    private:
        TReader& reader_;
    };

    TReader(TStream& stream, std::int32_t bufferSize = kFilerBufferSize);
    // Moves the stream back to just behind the last byte consumed.
    ~TReader() override;

    // Served from the buffer inline; the stream is asked only when the buffer runs dry.
    void ReadBytes(void* destination, std::int32_t count) {
        if (count <= bufferEnd_ - bufferPosition_) {
            std::memcpy(destination, buffer_.get() + bufferPosition_, static_cast<std::size_t>(count));
            bufferPosition_ += count;
        } else {
            ReadAcrossRefills(destination, count);
        }
    }
    void FillBuffer();
    // The next `count` bytes where they lie whole in the buffer, taken as read, or nullptr (and
    // nothing taken) when it holds fewer; nothing is asked of the stream. Valid until the next read.
    const std::uint8_t* TakeBuffered(std::int32_t count) {
        if (count > bufferEnd_ - bufferPosition_)
            return nullptr;
        const std::uint8_t* bytes = buffer_.get() + bufferPosition_;
        bufferPosition_ += count;
        return bytes;
    }

    // The bytes that lie in the buffer now, none of them taken; nothing is asked of the stream.
    // Valid until the next read. Consume(n) takes the first n of them (n <= Count) as read.
    struct TBufferedBytes {
        const std::uint8_t* Bytes;
        std::int32_t Count;
    };
    TBufferedBytes Buffered() const {
        return {buffer_.get() + bufferPosition_, bufferEnd_ - bufferPosition_};
    }
    void Consume(std::int32_t count) { bufferPosition_ += count; }

    std::uint8_t ReadTag() {
        if (bufferPosition_ >= bufferEnd_)
            FillBuffer();
        return buffer_[static_cast<std::size_t>(bufferPosition_++)];
    }
    // The byte just read is always still in the buffer, so peeking never crosses a refill.
    std::uint8_t PeekTag() {
        if (bufferPosition_ >= bufferEnd_)
            FillBuffer();
        return buffer_[static_cast<std::size_t>(bufferPosition_)];
    }
    bool AtListEnd() { return PeekTag() == TagNull; }
    // A different tag is skipped as a whole value before "Invalid property value" is raised.
    void ExpectTag(std::uint8_t tag);
    void ExpectListStart() { ExpectTag(TagList); }
    void ExpectListEnd() { ExpectTag(TagNull); }

    // Little-endian words without a tag.
    std::uint32_t ReadUInt32();
    std::uint64_t ReadUInt64();

    std::int32_t ReadIntValue();
    TExtended ReadFloatValue();
    // A length byte and as many bytes, without a copy where they lie whole in the buffer; valid until
    // the next read from this reader.
    std::string_view ReadShortStringView() {
        const std::uint8_t length = ReadTag();
        if (bufferEnd_ - bufferPosition_ < length)
            return ReadShortStringAcrossRefill(length);
        const char* text = reinterpret_cast<const char*>(buffer_.get() + bufferPosition_);
        bufferPosition_ += length;
        return {text, length};
    }
    // A string value without a copy: the bytes stay valid until the next read from this reader.
    // The whole value is read before it is returned, but storage grows only as its bytes arrive,
    // so a count that claims more than the stream holds allocates nothing on its word.
    std::string_view ReadStringView();
    // After TagWideString: the units' bytes, two a unit, low byte first. After TagUtf8String: the
    // UTF-8 bytes. Read whole like ReadStringView, and valid as long.
    std::string_view ReadWideStringView();
    std::string_view ReadUtf8StringView();
    // After TagSingle; after TagDate or TagDouble; after TagCurrency or TagInt64.
    float ReadSingleValue();
    double ReadDoubleValue();
    std::int64_t ReadInt64Value();
    TComponentPrefix ReadComponentPrefix();
    void CheckSignature();
    void SkipFormValue();

private:
    void ReadAcrossRefills(void* destination, std::int32_t count);
    std::string_view ReadShortStringAcrossRefill(std::uint8_t length);
    void StepBack() { --bufferPosition_; }
    void SkipBytes(std::uint32_t count);
    void SkipList();
    void SkipCollection();
    void SkipPayload(std::uint8_t tag);
    // A 4-byte count of a long value; one with its top bit set is no count ("Invalid property value").
    std::uint32_t ReadCount();
    // The length of a string value after its tag (TagString or TagLongString).
    std::uint32_t ReadStringHeader();
    std::string_view ReadCounted(std::uint32_t count);

    int nesting_ = 0;            // levels held by TNestingLevel
    std::string counted_;        // a long value read whole; kept to reuse its storage
    char shortString_[256] = {}; // a short string that straddles a refill
};

// The payload bytes of an integer value: 1, 2 or 4 after TagInt8, TagInt16, TagInt32; 0 after any
// other tag.
constexpr int IntPayloadSize(std::uint8_t tag) {
    return tag == TagInt8 ? 1 : tag == TagInt16 ? 2 : tag == TagInt32 ? 4 : 0;
}

// The integer of an integer value's payload of `size` bytes, little-endian and signed.
inline std::int32_t DecodeIntPayload(const std::uint8_t* payload, int size) {
    if (size == 1)
        return static_cast<std::int8_t>(payload[0]);
    if (size == 2)
        return static_cast<std::int16_t>(payload[0] | (payload[1] << 8));
    return static_cast<std::int32_t>(std::uint32_t(payload[0]) | (std::uint32_t(payload[1]) << 8) |
                                     (std::uint32_t(payload[2]) << 16) | (std::uint32_t(payload[3]) << 24));
}

// Checks the 16-bit resource header of a form file and leaves the stream at the form data.
// EInvalidImage "Invalid stream format" when the file does not begin with FF 0A 00.
void SkipResourceHeader(TStream& stream);
