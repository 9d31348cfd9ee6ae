#include "formstream/FormBinaryWriter.h"

#include <cstdint>

#include "formstream/Reader.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"
#include "runtime/Utf8.h"

namespace {

// Counts and stream positions of the format are 32-bit signed.
constexpr std::size_t kMaxCount = 0x7FFFFFFF;

// The longest resource name SkipResourceHeader reads back: its 79-byte header block holds 76.
constexpr std::size_t kMaxResourceName = 76;

} // namespace

TFormBinaryWriter::TFormBinaryWriter() : data_("TPF0") {}

void TFormBinaryWriter::PutLittle(std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        Put(static_cast<std::uint8_t>(value >> (8 * i)));
}

void TFormBinaryWriter::PutCount(std::size_t count) {
    if (count > kMaxCount || data_.size() > kMaxCount)
        throw EWriteError(SFormTooLarge, {});
    PutLittle(count, 4);
}

void TFormBinaryWriter::WriteComponentHeader(std::uint8_t flags, std::int32_t childPosition,
                                             const std::string& className, const std::string& name) {
    // A class name of 240 bytes or more starts with a length the reader takes for a prefix: such a
    // component gets one, without flags.
    if (flags != 0 || className.size() >= 0xF0) {
        Put(static_cast<std::uint8_t>(0xF0 | flags));
        if (flags & FlagChildPosition)
            WriteInteger(childPosition);
    }
    WriteShortString(className);
    WriteShortString(name);
}

void TFormBinaryWriter::WriteShortString(const std::string& text) {
    Put(static_cast<std::uint8_t>(text.size()));
    data_ += text;
}

void TFormBinaryWriter::WriteInteger(std::int64_t value) {
    if (value >= INT8_MIN && value <= INT8_MAX) {
        Put(TagInt8);
        PutLittle(static_cast<std::uint64_t>(value), 1);
    } else if (value >= INT16_MIN && value <= INT16_MAX) {
        Put(TagInt16);
        PutLittle(static_cast<std::uint64_t>(value), 2);
    } else if (value >= INT32_MIN && value <= INT32_MAX) {
        Put(TagInt32);
        PutLittle(static_cast<std::uint64_t>(value), 4);
    } else {
        Put(TagInt64);
        PutLittle(static_cast<std::uint64_t>(value), 8);
    }
}

void TFormBinaryWriter::WriteExtended(const TExtended& value) {
    Put(TagExtended);
    data_.append(reinterpret_cast<const char*>(value.Bytes), sizeof value.Bytes);
}

void TFormBinaryWriter::WriteSingle(std::uint32_t bits) {
    Put(TagSingle);
    PutLittle(bits, 4);
}

void TFormBinaryWriter::WriteCurrency(std::int64_t tenThousandths) {
    Put(TagCurrency);
    PutLittle(static_cast<std::uint64_t>(tenThousandths), 8);
}

void TFormBinaryWriter::WriteDate(std::uint64_t bits) {
    Put(TagDate);
    PutLittle(bits, 8);
}

void TFormBinaryWriter::WriteDouble(std::uint64_t bits) {
    Put(TagDouble);
    PutLittle(bits, 8);
}

void TFormBinaryWriter::WriteString(const std::string& bytes) {
    if (bytes.size() <= 255) {
        Put(TagString);
        Put(static_cast<std::uint8_t>(bytes.size()));
    } else {
        Put(TagLongString);
        PutCount(bytes.size());
    }
    data_ += bytes;
}

void TFormBinaryWriter::WriteWideString(const std::u16string& units, TWideStringFormat format) {
    if (format == wsUtf8) {
        const std::string bytes = Utf16ToUtf8(units, true);
        Put(TagUtf8String);
        PutCount(bytes.size());
        data_ += bytes;
        return;
    }
    Put(TagWideString);
    PutCount(units.size());
    for (const char16_t unit : units)
        PutLittle(unit, 2);
}

void TFormBinaryWriter::WriteIdent(const std::string& identifier) {
    Put(TagIdent);
    WriteShortString(identifier);
}

void TFormBinaryWriter::WriteBoolean(bool value) {
    Put(value ? TagTrue : TagFalse);
}

void TFormBinaryWriter::WriteNil() {
    Put(TagNil);
}

void TFormBinaryWriter::BeginBinary() {
    Put(TagBinary);
    PutCount(0);
    binaryStart_ = data_.size();
}

void TFormBinaryWriter::EndBinary() {
    const std::size_t count = data_.size() - binaryStart_;
    if (count > kMaxCount)
        throw EWriteError(SFormTooLarge, {});
    for (int i = 0; i < 4; ++i)
        data_[binaryStart_ - 4 + static_cast<std::size_t>(i)] = static_cast<char>(count >> (8 * i));
}

std::string TFormBinaryWriter::FormFile(const std::string& resourceName) const {
    if (resourceName.size() > kMaxResourceName || resourceName.find('\0') != std::string::npos)
        throw EWriteError(SResourceNameTooLong, {});
    if (data_.size() > kMaxCount - 90)
        throw EWriteError(SFormTooLarge, {});
    std::string file("\xFF\x0A\x00", 3);
    file += resourceName;
    file += '\0';
    file += "\x30\x10";
    for (int i = 0; i < 4; ++i)
        file += static_cast<char>(data_.size() >> (8 * i));
    file += data_;
    return file;
}
