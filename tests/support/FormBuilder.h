#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>

// Writes binary form streams for tests and demo files, one grammar word at a time. The builder
// checks nothing, so malformed data is as easy to make as good data:
//
//     FormBuilder f;
//     f.Object("TForm1", "Form1").Prop("Caption").String("Main").EndProps()
//         .Object("TBevel", "Bevel1").Prop("HelpContext").Int8(42).EndProps().EndChildren()
//      .EndChildren();
//     std::string file = f.FormFile("TFORM1"); // resource header + "TPF0" + the records
//
// A component record is: [prefix] class name, properties, EndProps(), children, EndChildren().
class FormBuilder {
public:
    // ---- Component headers
    // A component without prefix byte.
    FormBuilder& Object(const std::string& className, const std::string& name = "");
    // A component with prefix 0xF1 (FlagInherited).
    FormBuilder& Inherited(const std::string& className, const std::string& name = "");
    // A component with prefix 0xF2 (0xF3 when inherited) followed by its child position.
    FormBuilder& ObjectAt(const std::string& className, const std::string& name, std::int32_t childPosition,
                          bool inherited = false);
    // A raw prefix byte; write the child position (an integer value) and Object() after it yourself.
    FormBuilder& Prefix(std::uint8_t byte);
    // The 0 that ends a property list, a child list, a list, a collection item or a collection.
    FormBuilder& End();
    FormBuilder& EndProps() { return End(); }
    FormBuilder& EndChildren() { return End(); }

    // ---- Properties: the name, then exactly one value
    FormBuilder& Prop(const std::string& name);

    // ---- Values (tag and payload)
    // The shortest of Int8, Int16 and Int32 that holds the value.
    FormBuilder& Int(std::int32_t value);
    FormBuilder& Int8(std::int8_t value);
    FormBuilder& Int16(std::int16_t value);
    FormBuilder& Int32(std::int32_t value);
    // The exact 80-bit value of a double.
    FormBuilder& Extended(double value);
    // Tag 5 with 10 raw bytes (mantissa first, sign and exponent last), for INF, NAN and the like.
    FormBuilder& ExtendedBytes(const std::array<std::uint8_t, 10>& bytes);
    // Tag 6 for up to 255 bytes, tag 12 for longer strings.
    FormBuilder& String(const std::string& text);
    // Tag 12 whatever the length.
    FormBuilder& LongString(const std::string& text);
    // Tag 12 with a count of your choice and no bytes.
    FormBuilder& LongStringCount(std::uint32_t count);
    FormBuilder& Ident(const std::string& identifier);
    FormBuilder& False();
    FormBuilder& True();
    FormBuilder& Nil();
    FormBuilder& Binary(const std::string& bytes);
    // Tag 10 with a count of your choice and no bytes.
    FormBuilder& BinaryCount(std::int32_t count);
    FormBuilder& Set(std::initializer_list<std::string> elements);
    // ---- Values of later versions (tags 15 to 21)
    FormBuilder& Single(float value);
    FormBuilder& Currency(std::int64_t tenThousandths);
    FormBuilder& Date(double days);
    FormBuilder& Int64(std::int64_t value);
    FormBuilder& Double(double value);
    // Tag 18: the count of UTF-16 units, then the units.
    FormBuilder& WideString(const std::u16string& units);
    // Tag 18 with a count of your choice and no units.
    FormBuilder& WideStringCount(std::uint32_t count);
    // Tag 20: the byte count, then the bytes as they are, valid UTF-8 or not.
    FormBuilder& Utf8String(const std::string& bytes);
    // Tag 20 with a count of your choice and no bytes.
    FormBuilder& Utf8StringCount(std::uint32_t count);

    // Tag 1; the values follow, then EndList().
    FormBuilder& List();
    FormBuilder& EndList() { return End(); }
    // Tag 14; items follow, then EndCollection().
    FormBuilder& Collection();
    FormBuilder& EndCollection() { return End(); }
    // A collection item without index: its list tag; properties follow, then EndItem().
    FormBuilder& Item();
    // A collection item with an index (an integer value) in front of its list tag.
    FormBuilder& Item(std::int32_t index);
    FormBuilder& EndItem() { return End(); }

    // ---- Raw pieces
    FormBuilder& Byte(std::uint8_t byte);
    FormBuilder& Bytes(const std::string& bytes);
    // A length byte and the text (at most 255 bytes).
    FormBuilder& ShortString(const std::string& text);

    // ---- Results
    // The records written so far.
    const std::string& Records() const { return records_; }
    // "TPF0" and the records: a form stream without resource header.
    std::string FormData() const;
    // A whole form file: the resource header named `resourceName`, then FormData().
    std::string FormFile(const std::string& resourceName) const;

    // A resource header: FF 0A 00, the name and its zero, memory flags 0x1030, the data size.
    static std::string ResourceHeader(const std::string& resourceName, std::uint32_t dataSize);
    // The 10 bytes of the 80-bit extended value of a double (exact: every double is one).
    static std::array<std::uint8_t, 10> ExtendedOf(double value);

private:
    FormBuilder& Tag(std::uint8_t tag) { return Byte(tag); }
    // A tag and `bytes` bytes of `value`, low byte first.
    FormBuilder& Word(std::uint8_t tag, std::uint64_t value, int bytes);
    static std::uint64_t BitsOf(double value);
    void Little(std::uint64_t value, int bytes);

    std::string records_;
};
