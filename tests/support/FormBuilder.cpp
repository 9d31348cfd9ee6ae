#include "tests/support/FormBuilder.h"

#include <cstring>
#include <stdexcept>

#include "formstream/Reader.h"

FormBuilder& FormBuilder::Object(const std::string& className, const std::string& name) {
    return ShortString(className).ShortString(name);
}

FormBuilder& FormBuilder::Inherited(const std::string& className, const std::string& name) {
    return Prefix(0xF0 | FlagInherited).Object(className, name);
}

FormBuilder& FormBuilder::ObjectAt(const std::string& className, const std::string& name,
                                   std::int32_t childPosition, bool inherited) {
    return Prefix(0xF0 | FlagChildPosition | (inherited ? FlagInherited : 0))
        .Int(childPosition)
        .Object(className, name);
}

FormBuilder& FormBuilder::Prefix(std::uint8_t byte) {
    return Byte(byte);
}

FormBuilder& FormBuilder::End() {
    return Byte(TagNull);
}

FormBuilder& FormBuilder::Prop(const std::string& name) {
    return ShortString(name);
}

FormBuilder& FormBuilder::Int(std::int32_t value) {
    if (value >= INT8_MIN && value <= INT8_MAX)
        return Int8(static_cast<std::int8_t>(value));
    if (value >= INT16_MIN && value <= INT16_MAX)
        return Int16(static_cast<std::int16_t>(value));
    return Int32(value);
}

FormBuilder& FormBuilder::Int8(std::int8_t value) {
    Tag(TagInt8);
    Little(static_cast<std::uint8_t>(value), 1);
    return *this;
}

FormBuilder& FormBuilder::Int16(std::int16_t value) {
    Tag(TagInt16);
    Little(static_cast<std::uint16_t>(value), 2);
    return *this;
}

FormBuilder& FormBuilder::Int32(std::int32_t value) {
    Tag(TagInt32);
    Little(static_cast<std::uint32_t>(value), 4);
    return *this;
}

FormBuilder& FormBuilder::Extended(double value) {
    return ExtendedBytes(ExtendedOf(value));
}

FormBuilder& FormBuilder::ExtendedBytes(const std::array<std::uint8_t, 10>& bytes) {
    Tag(TagExtended);
    records_.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return *this;
}

FormBuilder& FormBuilder::String(const std::string& text) {
    if (text.size() > 255)
        return LongString(text);
    return Tag(TagString).ShortString(text);
}

FormBuilder& FormBuilder::LongString(const std::string& text) {
    LongStringCount(static_cast<std::uint32_t>(text.size()));
    return Bytes(text);
}

FormBuilder& FormBuilder::LongStringCount(std::uint32_t count) {
    Tag(TagLongString);
    Little(count, 4);
    return *this;
}

FormBuilder& FormBuilder::Ident(const std::string& identifier) {
    return Tag(TagIdent).ShortString(identifier);
}
FormBuilder& FormBuilder::False() {
    return Tag(TagFalse);
}
FormBuilder& FormBuilder::True() {
    return Tag(TagTrue);
}
FormBuilder& FormBuilder::Nil() {
    return Tag(TagNil);
}

FormBuilder& FormBuilder::Binary(const std::string& bytes) {
    BinaryCount(static_cast<std::int32_t>(bytes.size()));
    return Bytes(bytes);
}

FormBuilder& FormBuilder::BinaryCount(std::int32_t count) {
    Tag(TagBinary);
    Little(static_cast<std::uint32_t>(count), 4);
    return *this;
}

FormBuilder& FormBuilder::Set(std::initializer_list<std::string> elements) {
    Tag(TagSet);
    for (const std::string& element : elements)
        ShortString(element);
    return ShortString("");
}

FormBuilder& FormBuilder::Single(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return Word(TagSingle, bits, 4);
}

FormBuilder& FormBuilder::Currency(std::int64_t tenThousandths) {
    return Word(TagCurrency, static_cast<std::uint64_t>(tenThousandths), 8);
}

FormBuilder& FormBuilder::Date(double days) {
    return Word(TagDate, BitsOf(days), 8);
}

FormBuilder& FormBuilder::Int64(std::int64_t value) {
    return Word(TagInt64, static_cast<std::uint64_t>(value), 8);
}

FormBuilder& FormBuilder::Double(double value) {
    return Word(TagDouble, BitsOf(value), 8);
}

FormBuilder& FormBuilder::WideString(const std::u16string& units) {
    WideStringCount(static_cast<std::uint32_t>(units.size()));
    for (const char16_t unit : units)
        Little(unit, 2);
    return *this;
}

FormBuilder& FormBuilder::WideStringCount(std::uint32_t count) {
    return Word(TagWideString, count, 4);
}

FormBuilder& FormBuilder::Utf8String(const std::string& bytes) {
    Utf8StringCount(static_cast<std::uint32_t>(bytes.size()));
    return Bytes(bytes);
}

FormBuilder& FormBuilder::Utf8StringCount(std::uint32_t count) {
    return Word(TagUtf8String, count, 4);
}

FormBuilder& FormBuilder::List() {
    return Tag(TagList);
}
FormBuilder& FormBuilder::Collection() {
    return Tag(TagCollection);
}
FormBuilder& FormBuilder::Item() {
    return Tag(TagList);
}
FormBuilder& FormBuilder::Item(std::int32_t index) {
    return Int(index).Tag(TagList);
}

FormBuilder& FormBuilder::Byte(std::uint8_t byte) {
    records_ += static_cast<char>(byte);
    return *this;
}

FormBuilder& FormBuilder::Bytes(const std::string& bytes) {
    records_ += bytes;
    return *this;
}

FormBuilder& FormBuilder::ShortString(const std::string& text) {
    if (text.size() > 255)
        throw std::length_error("a short string holds at most 255 bytes");
    Byte(static_cast<std::uint8_t>(text.size()));
    return Bytes(text);
}

std::string FormBuilder::FormData() const {
    return "TPF0" + records_;
}

std::string FormBuilder::FormFile(const std::string& resourceName) const {
    const std::string data = FormData();
    return ResourceHeader(resourceName, static_cast<std::uint32_t>(data.size())) + data;
}

std::string FormBuilder::ResourceHeader(const std::string& resourceName, std::uint32_t dataSize) {
    FormBuilder header;
    header.Byte(0xFF).Byte(10).Byte(0).Bytes(resourceName).Byte(0);
    header.Little(0x1030, 2);
    header.Little(dataSize, 4);
    return header.records_;
}

std::array<std::uint8_t, 10> FormBuilder::ExtendedOf(double value) {
    std::array<std::uint8_t, 10> bytes{};
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    const int field = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t fraction = bits & ((std::uint64_t(1) << 52) - 1);
    std::uint64_t mantissa = 0;
    int exponent = 0;
    if (field == 0x7FF) {
        exponent = 0x7FFF;
        mantissa = (std::uint64_t(1) << 63) | (fraction << 11);
    } else if (field != 0 || fraction != 0) {
        // Normal: 1.fraction * 2^(field - 1023); subnormal: 0.fraction * 2^-1022, normalised here.
        mantissa = field != 0 ? (std::uint64_t(1) << 63) | (fraction << 11) : fraction << 11;
        exponent = (field != 0 ? field : 1) - 1023 + 16383;
        while ((mantissa >> 63) == 0) {
            mantissa <<= 1;
            --exponent;
        }
    }
    for (int i = 0; i < 8; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<std::uint8_t>(mantissa >> (8 * i));
    bytes[8] = static_cast<std::uint8_t>(exponent & 0xFF);
    bytes[9] = static_cast<std::uint8_t>(((exponent >> 8) & 0x7F) | (negative ? 0x80 : 0));
    return bytes;
}

FormBuilder& FormBuilder::Word(std::uint8_t tag, std::uint64_t value, int bytes) {
    Tag(tag);
    Little(value, bytes);
    return *this;
}

std::uint64_t FormBuilder::BitsOf(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void FormBuilder::Little(std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        Byte(static_cast<std::uint8_t>(value >> (8 * i)));
}
