#include "formstream/Reader.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <vector>

#include "formstream/FormText.h"
#include "formstream/NumberText.h"
#include "io/Streams.h"
#include "runtime/Exceptions.h"
#include "tests/support/BytesStream.h"
#include "tests/support/FormBuilder.h"
#include "tests/support/SmallStack.h"

namespace {

// Counts the reads it serves and remembers how many bytes each asked for.
class CountingStream : public BytesStream {
public:
    using BytesStream::BytesStream;
    std::int32_t Read(void* buffer, std::int32_t count) override {
        requests.push_back(count);
        return BytesStream::Read(buffer, count);
    }
    std::vector<std::int32_t> requests;
};

// Runs `action` and returns the message of the exception of type E it raises ("" if none).
template <typename E> std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& error) {
        return error.Message();
    }
    return "";
}

std::string Header(const std::string& name) {
    return FormBuilder::ResourceHeader(name, 0);
}

TEST(SkipResourceHeader, LeavesTheStreamAtTheFormData) {
    for (const std::string& name : {std::string(), std::string("TFORM1"), std::string(76, 'N')}) {
        BytesStream stream(Header(name) + "TPF0");
        SkipResourceHeader(stream);
        EXPECT_EQ(stream.Position(), static_cast<std::int32_t>(name.size()) + 10) << name.size();
        TReader reader(stream);
        EXPECT_NO_THROW(reader.CheckSignature());
    }
}

TEST(SkipResourceHeader, NameOf77CharactersLeavesTheStreamInsideTheHeader) {
    BytesStream stream(Header(std::string(77, 'N')) + "TPF0");
    SkipResourceHeader(stream);
    EXPECT_EQ(stream.Position(), 86);
    TReader reader(stream);
    EXPECT_EQ(MessageOf<EReadError>([&] { reader.CheckSignature(); }), "Invalid stream format");
}

TEST(SkipResourceHeader, HeaderAloneEndsInAReadError) {
    BytesStream stream(std::string("\xFF\x0A\x00", 3));
    SkipResourceHeader(stream);
    EXPECT_EQ(stream.Position(), 10);
    TMemoryStream out;
    BytesStream again(std::string("\xFF\x0A\x00", 3));
    EXPECT_EQ(MessageOf<EReadError>([&] { FormFileToText(again, out); }), "Stream read error");
}

TEST(SkipResourceHeader, TextFormFailsAfterOneShortRead) {
    const std::string text = "object Form1: TForm1\r\n" + std::string(500, ' ') + "\r\nend\r\n";
    CountingStream stream(text);
    EXPECT_EQ(MessageOf<EInvalidImage>([&] { SkipResourceHeader(stream); }), "Invalid stream format");
    ASSERT_EQ(stream.requests.size(), 1u);
    EXPECT_LE(stream.requests[0], 79);
}

TEST(SkipResourceHeader, FormDataWithoutHeaderIsNoFormFile) {
    BytesStream stream(FormBuilder().Object("TForm1", "Form1").End().End().FormData());
    EXPECT_EQ(MessageOf<EInvalidImage>([&] { SkipResourceHeader(stream); }), "Invalid stream format");
}

TEST(TReader, ChecksTheSignature) {
    BytesStream stream("TPF1");
    TReader reader(stream);
    EXPECT_EQ(MessageOf<EReadError>([&] { reader.CheckSignature(); }), "Invalid stream format");
}

TEST(TReader, ComponentPrefixes) {
    struct Case {
        std::string bytes;
        std::uint8_t flags;
        std::int32_t childPosition;
        std::string className; // what the next short string then reads
    };
    const std::string name = FormBuilder().ShortString("TBevel").Records();
    const Case cases[] = {
        {name, 0, 0, "TBevel"},
        {"\xF0" + name, 0, 0, "TBevel"},
        {"\xF1" + name, FlagInherited, 0, "TBevel"},
        {FormBuilder().Prefix(0xF2).Int8(7).Records() + name, FlagChildPosition, 7, "TBevel"},
        {FormBuilder().Prefix(0xF3).Int32(100000).Records() + name, FlagInherited | FlagChildPosition, 100000,
         "TBevel"},
        {"\xF4" + name, 0x04, 0, "TBevel"},
    };
    for (const Case& c : cases) {
        BytesStream stream(c.bytes);
        TReader reader(stream);
        const TComponentPrefix prefix = reader.ReadComponentPrefix();
        EXPECT_EQ(prefix.Flags, c.flags);
        if (prefix.Flags & FlagChildPosition) {
            EXPECT_EQ(prefix.ChildPosition, c.childPosition);
        }
        EXPECT_EQ(reader.ReadShortStringView(), c.className);
    }

    // 0xEF has a clear high bit: no prefix, it is the class name's length.
    BytesStream stream("\xEF" + std::string(0xEF, 'C'));
    TReader reader(stream);
    EXPECT_EQ(reader.ReadComponentPrefix().Flags, 0);
    EXPECT_EQ(reader.ReadShortStringView(), std::string(0xEF, 'C'));
}

TEST(TReader, ChildPositionMustBeAnInteger) {
    BytesStream stream(FormBuilder().Prefix(0xF2).String("3").Object("TBevel").Records());
    TReader reader(stream);
    EXPECT_EQ(MessageOf<EReadError>([&] { reader.ReadComponentPrefix(); }), "Invalid property value");
}

TEST(TReader, IntegerValues) {
    BytesStream stream(
        std::string("\x02\xFF\x03\x00\x80\x04\xFF\xFF\xFF\x7F\x04\x00\x00\x00\x80\x02\x7F", 17));
    TReader reader(stream);
    EXPECT_EQ(reader.ReadIntValue(), -1);
    EXPECT_EQ(reader.ReadIntValue(), -32768);
    EXPECT_EQ(reader.ReadIntValue(), INT_MAX);
    EXPECT_EQ(reader.ReadIntValue(), INT_MIN);
    EXPECT_EQ(reader.ReadIntValue(), 127);
}

TEST(TReader, WrongTagsForAValue) {
    // The tag stays consumed and nothing else is: the next byte is read next.
    BytesStream stream("\x06\x07\x0F\x05");
    TReader reader(stream);
    EXPECT_EQ(MessageOf<EReadError>([&] { reader.ReadIntValue(); }), "Invalid property value");
    EXPECT_EQ(MessageOf<EReadError>([&] { reader.ReadStringView(); }), "Invalid property value");
    EXPECT_EQ(MessageOf<EReadError>([&] { reader.ReadInt64Value(); }), "Invalid property value");
    EXPECT_EQ(reader.ReadTag(), 0x05);
}

TEST(TReader, FloatValueOfAnIntegerTag) {
    BytesStream stream(FormBuilder().Int(-5).Int32(123456789).Extended(0.5).Records());
    TReader reader(stream);
    EXPECT_EQ(FormatExtended(reader.ReadFloatValue()), "-5");
    EXPECT_EQ(FormatExtended(reader.ReadFloatValue()), "123456789");
    EXPECT_EQ(FormatExtended(reader.ReadFloatValue()), "0.5");
}

TEST(TReader, StringValues) {
    BytesStream stream(
        FormBuilder().String("short").LongString(std::string(5000, 'x')).LongString("").Records());
    TReader reader(stream);
    EXPECT_EQ(reader.ReadStringView(), "short");
    EXPECT_EQ(reader.ReadStringView(), std::string(5000, 'x'));
    EXPECT_EQ(reader.ReadStringView(), "");
}

TEST(TReader, LongStringCounts) {
    {
        // The top bit set is no length at all.
        BytesStream stream(FormBuilder().LongStringCount(0x80000000u).Bytes("abc").Records());
        TReader reader(stream);
        EXPECT_EQ(MessageOf<EReadError>([&] { reader.ReadStringView(); }), "Invalid property value");
    }
    {
        // A count far beyond the data fails on the data, not on an allocation.
        BytesStream stream(FormBuilder().LongStringCount(0x7FFFFFFFu).Bytes("abc").Records());
        TReader reader(stream);
        EXPECT_EQ(MessageOf<EReadError>([&] { reader.ReadStringView(); }), "Stream read error");
    }
}

TEST(TReader, SkipFormValueConsumesExactlyOneValue) {
    const std::function<void(FormBuilder&)> values[] = {
        [](FormBuilder& f) { f.End(); },
        [](FormBuilder& f) { f.List().Int(1).String("a").List().True().EndList().EndList(); },
        [](FormBuilder& f) { f.Int8(-1); },
        [](FormBuilder& f) { f.Int16(300); },
        [](FormBuilder& f) { f.Int32(70000); },
        [](FormBuilder& f) { f.Extended(2.5); },
        [](FormBuilder& f) { f.String("abc"); },
        [](FormBuilder& f) { f.Ident("alClient"); },
        [](FormBuilder& f) { f.False(); },
        [](FormBuilder& f) { f.True(); },
        [](FormBuilder& f) { f.Binary(std::string(1000, '\x55')); },
        [](FormBuilder& f) { f.BinaryCount(0); },
        [](FormBuilder& f) { f.BinaryCount(-20); },
        [](FormBuilder& f) {
            f.Set({"akLeft", "akTop"});
        },
        [](FormBuilder& f) { f.LongString(std::string(6000, 'L')); },
        [](FormBuilder& f) { f.Nil(); },
        [](FormBuilder& f) {
            f.Collection().Item(3).Prop("Width").Int(64).EndItem().Item().Prop("Text").String("x").EndItem();
            f.EndCollection();
        },
        [](FormBuilder& f) { f.Single(1.5f); },
        [](FormBuilder& f) { f.Currency(-1); },
        [](FormBuilder& f) { f.Date(2.5); },
        [](FormBuilder& f) { f.WideString(u"wé😀"); },
        [](FormBuilder& f) { f.WideString(u""); },
        [](FormBuilder& f) { f.Int64(1LL << 60); },
        [](FormBuilder& f) { f.Utf8String("Ã©ÿ"); },
        [](FormBuilder& f) { f.Double(-0.25); },
        [](FormBuilder& f) {
            f.Collection().Item().Prop("A").WideString(u"é").Prop("B").Double(1).EndItem().EndCollection();
        },
    };
    int index = 0;
    for (const auto& build : values) {
        FormBuilder f;
        build(f);
        f.Byte(0x99);
        BytesStream stream(f.Records());
        TReader reader(stream);
        reader.SkipFormValue();
        EXPECT_EQ(reader.ReadTag(), 0x99) << "value " << index;
        ++index;
    }
}

TEST(TReader, SkipRejectsTagsAbove21) {
    BytesStream tag(std::string("\x01\x02\x05\x15\x00\x00\x00\x00\x00\x00\x00\x00\x16\x00", 14));
    TReader tagReader(tag);
    EXPECT_EQ(MessageOf<EReadError>([&] { tagReader.SkipFormValue(); }), "Invalid property value");
}

TEST(TReader, SkipBoundsNestingOnASmallStack) {
    const auto lists = [](int depth) {
        FormBuilder f;
        for (int i = 0; i < depth; ++i)
            f.List();
        for (int i = 0; i < depth; ++i)
            f.EndList();
        return f.Records();
    };
    // Collections whose first item lacks its list tag: the failing ExpectListStart skips the next
    // collection in its place, which fails the same way.
    const std::string collections(100000, static_cast<char>(TagCollection));
    // A collection item whose property holds nested lists.
    const auto listsInAnItem = [&](int depth) {
        return FormBuilder().Collection().Item().Prop("X").Records() + lists(depth) +
               FormBuilder().EndItem().EndCollection().Records();
    };
    const std::pair<std::string, const char*> cases[] = {
        {lists(kMaxFormNesting), ""},
        {lists(kMaxFormNesting + 1), "Form nesting too deep"},
        {lists(100000), "Form nesting too deep"},
        {collections, "Form nesting too deep"},
        {listsInAnItem(kMaxFormNesting - 1), ""},
        {listsInAnItem(kMaxFormNesting), "Form nesting too deep"},
        {listsInAnItem(100000), "Form nesting too deep"},
    };
    for (const auto& c : cases) {
        std::string error;
        RunOnSmallStack([&] {
            BytesStream stream(c.first);
            TReader reader(stream);
            error = MessageOf<EReadError>([&] { reader.SkipFormValue(); });
        });
        EXPECT_EQ(error, c.second) << c.first.size();
    }
}

TEST(TReader, ExpectTagSkipsTheOffendingValue) {
    {
        BytesStream stream(FormBuilder().String("abc").End().Records());
        TReader reader(stream);
        EXPECT_EQ(MessageOf<EReadError>([&] { reader.ExpectListEnd(); }), "Invalid property value");
        EXPECT_EQ(reader.ReadTag(), 0);
    }
    {
        // When the skip runs out of data, the read error takes the place of the tag error.
        BytesStream stream(FormBuilder().BinaryCount(100).Bytes("ab").Records());
        TReader reader(stream);
        EXPECT_EQ(MessageOf<EReadError>([&] { reader.ExpectListStart(); }), "Stream read error");
    }
}

TEST(TReader, PeekTagDoesNotConsume) {
    BytesStream stream(std::string("\x00\x07", 2));
    TReader reader(stream);
    EXPECT_TRUE(reader.AtListEnd());
    EXPECT_EQ(reader.PeekTag(), 0);
    EXPECT_EQ(reader.ReadTag(), 0);
    EXPECT_FALSE(reader.AtListEnd());
}

TEST(TReader, ReadsAcrossBufferRefills) {
    std::string bytes;
    for (int i = 0; i < 10000; ++i)
        bytes += static_cast<char>(i * 7);
    CountingStream stream(bytes);
    TReader reader(stream, 4096);
    std::string got(10000, '\0');
    reader.ReadBytes(got.data(), 10000);
    EXPECT_EQ(got, bytes);
    EXPECT_EQ(stream.requests, (std::vector<std::int32_t>{4096, 4096, 4096}));
    EXPECT_EQ(MessageOf<EReadError>([&] { reader.ReadTag(); }), "Stream read error");
}

TEST(TReader, DestructorMovesTheStreamBehindTheLastByteConsumed) {
    BytesStream stream(std::string(10000, 'x'));
    stream.SetPosition(100);
    {
        TReader reader(stream);
        char five[5];
        reader.ReadBytes(five, 5);
        reader.PeekTag();
        EXPECT_EQ(stream.Position(), 4196);
    }
    EXPECT_EQ(stream.Position(), 105);

    // A failed refill does not move the stream beyond its end.
    BytesStream shortStream("abc");
    {
        TReader reader(shortStream);
        char four[4];
        EXPECT_THROW(reader.ReadBytes(four, 4), EReadError);
    }
    EXPECT_EQ(shortStream.Position(), 3);
}

} // namespace

// Every length a piece of text can be copied with, at every alignment of a word: the bytes arrive
// in order, the end returned is right, and nothing around the copy is touched.
TEST(CopyText, CopiesExactlyTheRange) {
    std::string from(80, '\0');
    for (std::size_t i = 0; i < from.size(); ++i)
        from[i] = static_cast<char>('A' + i % 53);
    for (std::size_t count = 0; count <= 40; ++count) {
        for (std::size_t offset = 0; offset < 8; ++offset) {
            std::string to(64, '.');
            const char* end = CopyText(&to[8], from.data() + offset, count);
            EXPECT_EQ(end, &to[8] + count);
            EXPECT_EQ(to, std::string(8, '.') + from.substr(offset, count) + std::string(56 - count, '.'))
                << count << " bytes from " << offset;
        }
    }
}
