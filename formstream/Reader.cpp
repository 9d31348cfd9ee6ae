#include "formstream/Reader.h"

#include <algorithm>
#include <cstring>

#include "io/Streams.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"

namespace {

[[noreturn]] void InvalidProperty() {
    throw EReadError(SInvalidProperty, {});
}

} // namespace

// ---- TExtended

TExtended TExtended::FromInteger(std::int32_t value) {
    TExtended result;
    if (value == 0)
        return result;
    std::uint64_t mantissa = value < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(value))
                                       : static_cast<std::uint64_t>(value);
    int exponent = 16383 + 63;
    while ((mantissa & (std::uint64_t(1) << 63)) == 0) {
        mantissa <<= 1;
        --exponent;
    }
    for (int i = 0; i < 8; ++i)
        result.Bytes[i] = static_cast<std::uint8_t>(mantissa >> (8 * i));
    result.Bytes[8] = static_cast<std::uint8_t>(exponent & 0xFF);
    result.Bytes[9] = static_cast<std::uint8_t>((exponent >> 8) | (value < 0 ? 0x80 : 0));
    return result;
}

// ---- TReader

TReader::TNestingLevel::TNestingLevel(TReader& reader) : reader_(reader) {
    if (reader_.nesting_ >= kMaxFormNesting)
        throw EReadError(SNestingTooDeep, {});
    ++reader_.nesting_;
}

TReader::TReader(TStream& stream, std::int32_t bufferSize) : TFiler(stream, bufferSize) {}

TReader::~TReader() {
    // Give back the bytes read ahead so the stream stands behind the last byte consumed. Nothing to
    // move is no call at all, which keeps a reader on an unseekable stream quiet. A destructor must
    // not throw; a stream whose Seek raises simply stays where it is.
    const std::int32_t unread = bufferPosition_ - bufferEnd_;
    if (unread != 0) {
        try {
            stream_.Seek(unread, soFromCurrent);
        } catch (...) {
        }
    }
}

void TReader::ReadAcrossRefills(void* destination, std::int32_t count) {
    auto* out = static_cast<std::uint8_t*>(destination);
    while (count > 0) {
        if (bufferPosition_ >= bufferEnd_)
            FillBuffer();
        const std::int32_t n = std::min(count, bufferEnd_ - bufferPosition_);
        std::memcpy(out, buffer_.get() + bufferPosition_, static_cast<size_t>(n));
        bufferPosition_ += n;
        out += n;
        count -= n;
    }
}

void TReader::FillBuffer() {
    const std::int32_t got = stream_.Read(buffer_.get(), bufferSize_);
    if (got <= 0) {
        // An empty buffer, not a stale position: the destructor then moves the stream by nothing
        // instead of skipping forward by the old buffer's length.
        bufferPosition_ = 0;
        bufferEnd_ = 0;
        throw EReadError(SReadError, {});
    }
    bufferEnd_ = std::min(got, bufferSize_);
    bufferPosition_ = 0;
}

void TReader::SkipBytes(std::uint32_t count) {
    // Straight through the buffer: nothing is allocated, however large the count claims to be.
    while (count > 0) {
        if (bufferPosition_ >= bufferEnd_)
            FillBuffer();
        const auto n =
            std::min<std::uint32_t>(count, static_cast<std::uint32_t>(bufferEnd_ - bufferPosition_));
        bufferPosition_ += static_cast<std::int32_t>(n);
        count -= n;
    }
}

void TReader::ExpectTag(std::uint8_t tag) {
    if (ReadTag() != tag) {
        StepBack();
        SkipFormValue();
        InvalidProperty();
    }
}

std::int32_t TReader::ReadIntValue() {
    const int size = IntPayloadSize(ReadTag());
    if (size == 0)
        InvalidProperty();
    std::uint8_t payload[4];
    ReadBytes(payload, size);
    return DecodeIntPayload(payload, size);
}

TExtended TReader::ReadFloatValue() {
    if (ReadTag() == TagExtended) {
        TExtended value;
        ReadBytes(value.Bytes, sizeof value.Bytes);
        return value;
    }
    StepBack();
    return TExtended::FromInteger(ReadIntValue());
}

std::string_view TReader::ReadShortStringAcrossRefill(std::uint8_t length) {
    ReadBytes(shortString_, length);
    return {shortString_, length};
}

std::uint32_t TReader::ReadUInt32() {
    std::uint8_t bytes[4];
    ReadBytes(bytes, 4);
    return std::uint32_t(bytes[0]) | (std::uint32_t(bytes[1]) << 8) | (std::uint32_t(bytes[2]) << 16) |
           (std::uint32_t(bytes[3]) << 24);
}

std::uint64_t TReader::ReadUInt64() {
    const std::uint64_t low = ReadUInt32();
    return low | (std::uint64_t(ReadUInt32()) << 32);
}

std::uint32_t TReader::ReadCount() {
    // A count with its top bit set is negative as a length: no valid value.
    const std::uint32_t count = ReadUInt32();
    if (count & 0x80000000u)
        InvalidProperty();
    return count;
}

std::uint32_t TReader::ReadStringHeader() {
    switch (ReadTag()) {
        case TagString:
            return ReadTag();
        case TagLongString:
            return ReadCount();
        default:
            InvalidProperty();
    }
}

std::string_view TReader::ReadStringView() {
    // A short string is viewed where it lies when the buffer holds it whole.
    if (PeekTag() == TagString) {
        ReadTag();
        return ReadShortStringView();
    }
    return ReadCounted(ReadStringHeader());
}

std::string_view TReader::ReadCounted(std::uint32_t count) {
    // Appended piece by piece as the buffer holds them: storage follows the bytes that actually
    // arrive, never the count.
    counted_.clear();
    while (count > 0) {
        if (bufferPosition_ >= bufferEnd_)
            FillBuffer();
        const auto n =
            std::min<std::uint32_t>(count, static_cast<std::uint32_t>(bufferEnd_ - bufferPosition_));
        counted_.append(reinterpret_cast<const char*>(buffer_.get() + bufferPosition_), n);
        bufferPosition_ += static_cast<std::int32_t>(n);
        count -= n;
    }
    return counted_;
}

std::string_view TReader::ReadWideStringView() {
    if (ReadTag() != TagWideString)
        InvalidProperty();
    return ReadCounted(2 * ReadCount());
}

std::string_view TReader::ReadUtf8StringView() {
    if (ReadTag() != TagUtf8String)
        InvalidProperty();
    return ReadCounted(ReadCount());
}

float TReader::ReadSingleValue() {
    if (ReadTag() != TagSingle)
        InvalidProperty();
    const std::uint32_t bits = ReadUInt32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double TReader::ReadDoubleValue() {
    const std::uint8_t tag = ReadTag();
    if (tag != TagDate && tag != TagDouble)
        InvalidProperty();
    const std::uint64_t bits = ReadUInt64();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::int64_t TReader::ReadInt64Value() {
    const std::uint8_t tag = ReadTag();
    if (tag != TagCurrency && tag != TagInt64)
        InvalidProperty();
    return static_cast<std::int64_t>(ReadUInt64());
}

TComponentPrefix TReader::ReadComponentPrefix() {
    TComponentPrefix prefix;
    const std::uint8_t byte = PeekTag();
    if ((byte & 0xF0) == 0xF0) {
        ReadTag();
        prefix.Flags = byte & 0x0F;
        if (prefix.Flags & FlagChildPosition)
            prefix.ChildPosition = ReadIntValue();
    }
    return prefix;
}

void TReader::CheckSignature() {
    char signature[4];
    ReadBytes(signature, 4);
    if (std::memcmp(signature, "TPF0", 4) != 0)
        throw EReadError(SInvalidImage, {});
}

// A skip runs only on the way to an "Invalid property value" error. It consumes whole values,
// payloads of long strings (tag 12) and collections (tag 14) included, so the stream is left behind
// the offending value. Tags above 21 are not values and are rejected at once. A list or collection
// holds a nesting level while it is skipped, so a skip that fails inside a skip (an item without
// its list tag) goes on counting where the outer one stands. The recursion runs through small
// frames: the payloads of the other kinds are consumed in SkipPayload.
void TReader::SkipFormValue() {
    switch (const std::uint8_t tag = ReadTag()) {
        case TagList:
            SkipList();
            break;
        case TagCollection:
            SkipCollection();
            break;
        default:
            SkipPayload(tag);
    }
}

void TReader::SkipList() {
    TNestingLevel level(*this);
    while (!AtListEnd())
        SkipFormValue();
    ExpectListEnd();
}

void TReader::SkipCollection() {
    TNestingLevel level(*this);
    while (!AtListEnd()) {
        const std::uint8_t next = PeekTag();
        if (next == TagInt8 || next == TagInt16 || next == TagInt32)
            ReadIntValue();
        ExpectListStart();
        while (!AtListEnd()) {
            SkipBytes(ReadTag()); // the property name
            SkipFormValue();
        }
        ExpectListEnd();
    }
    ExpectListEnd();
}

void TReader::SkipPayload(std::uint8_t tag) {
    switch (tag) {
        case TagNull:
        case TagFalse:
        case TagTrue:
        case TagNil:
            break;
        case TagInt8:
            SkipBytes(1);
            break;
        case TagInt16:
            SkipBytes(2);
            break;
        case TagInt32:
            SkipBytes(4);
            break;
        case TagExtended:
            SkipBytes(10);
            break;
        case TagString:
        case TagIdent:
            SkipBytes(ReadTag());
            break;
        case TagBinary: {
            const auto count = static_cast<std::int32_t>(ReadUInt32());
            if (count > 0)
                SkipBytes(static_cast<std::uint32_t>(count));
            break;
        }
        case TagSet:
            while (std::uint8_t length = ReadTag())
                SkipBytes(length);
            break;
        case TagLongString:
        case TagUtf8String:
            SkipBytes(ReadCount());
            break;
        case TagWideString:
            SkipBytes(2 * ReadCount());
            break;
        case TagSingle:
            SkipBytes(4);
            break;
        case TagCurrency:
        case TagDate:
        case TagInt64:
        case TagDouble:
            SkipBytes(8);
            break;
        default:
            InvalidProperty();
    }
}

// ---- The resource header

void SkipResourceHeader(TStream& stream) {
    // One read of at most 79 bytes into a zeroed 80-byte block: the zero at the end stops the
    // name at 76 characters at the latest.
    std::uint8_t header[80] = {};
    std::int32_t got = stream.Read(header, 79);
    if (got < 0)
        got = 0;
    if (header[0] != 0xFF || header[1] != 10 || header[2] != 0)
        throw EInvalidImage(SInvalidImage, {});
    const auto nameLength = static_cast<std::int32_t>(std::strlen(reinterpret_cast<const char*>(header + 3)));
    stream.Seek(nameLength + 10 - got, soFromCurrent);
}
