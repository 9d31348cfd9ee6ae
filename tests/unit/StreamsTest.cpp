#include "io/Streams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/Exceptions.h"
#include "runtime/Messages.h"
#include "tests/support/TestFiles.h"

namespace {

template <typename E, typename F> std::string MessageOf(F action) {
    try {
        action();
    } catch (const E& error) {
        return error.Message();
    }
    return "";
}

TEST(TFileStream, CreatesWritesSeeksAndReads) {
    TempDir dir;
    const std::string name = dir.File("data.bin");
    {
        TFileStream stream(name, fmCreate);
        EXPECT_EQ(stream.Write("hello world", 11), 11);
        EXPECT_EQ(stream.Position(), 11);
        EXPECT_EQ(stream.Size(), 11);
        EXPECT_EQ(stream.Seek(6, soFromBeginning), 6);
        char five[6] = {};
        EXPECT_EQ(stream.Read(five, 5), 5);
        EXPECT_STREQ(five, "world");
        EXPECT_EQ(stream.Read(five, 5), 0);
        EXPECT_EQ(stream.Seek(-5, soFromEnd), 6);
        EXPECT_EQ(stream.Seek(-6, soFromCurrent), 0);
        // Beyond the end is allowed; reading there gives nothing.
        EXPECT_EQ(stream.Seek(100, soFromBeginning), 100);
        EXPECT_EQ(stream.Read(five, 5), 0);
    }
    EXPECT_EQ(ReadWholeFile(name), "hello world");

    {
        TFileStream stream(name, fmCreate); // truncates
        EXPECT_EQ(stream.Size(), 0);
    }
    EXPECT_EQ(ReadWholeFile(name), "");
}

TEST(TFileStream, OpenModes) {
    TempDir dir;
    const std::string name = dir.Write("f.txt", "abc");
    {
        TFileStream reading(name, fmOpenRead);
        char buffer[4] = {};
        EXPECT_EQ(reading.Read(buffer, 4), 3);
        EXPECT_STREQ(buffer, "abc");
        EXPECT_EQ(reading.Write("x", 1), 0);
        EXPECT_EQ(MessageOf<EWriteError>([&] { reading.WriteExact("x", 1); }), "Stream write error");
    }
    {
        TFileStream writing(name, fmOpenWrite | fmShareDenyNone);
        EXPECT_EQ(writing.Write("X", 1), 1);
        char buffer[1];
        writing.SetPosition(0);
        EXPECT_EQ(writing.Read(buffer, 1), 0);
    }
    {
        TFileStream both(name, fmOpenReadWrite | fmShareExclusive);
        both.Seek(0, soFromEnd);
        both.WriteExact("d", 1);
        both.SetPosition(0);
        char buffer[5] = {};
        EXPECT_EQ(both.Read(buffer, 4), 4);
        EXPECT_STREQ(buffer, "Xbcd");
    }
}

TEST(TFileStream, OpenAndCreateFailuresNameTheFileAsPassed) {
    TempDir dir;
    const std::string missing = dir.Path() + "/./no such file.dfm";
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream stream(missing, fmOpenRead); }),
              "Cannot open file " + missing);
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream stream(dir.Path(), fmOpenRead); }),
              "Cannot open file " + dir.Path());
    const std::string inMissingFolder = dir.File("none/x.txt");
    EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream stream(inMissingFolder, fmCreate); }),
              "Cannot create file " + inMissingFolder);
    // Sharing values above 4 are not valid.
    const std::string name = dir.Write("f.txt", "abc");
    EXPECT_THROW(TFileStream(name, 0x0050), EFOpenError);
}

// A memory stream whose block can be refused on request.
class GuardedMemoryStream : public TMemoryStream {
public:
    std::int32_t limit = 1 << 30;
    int reallocs = 0;

protected:
    void* Realloc(std::int32_t& newCapacity) override {
        ++reallocs;
        if (newCapacity > limit)
            throw EStreamError(SMemoryStreamError, {});
        return TMemoryStream::Realloc(newCapacity);
    }
};

TEST(TMemoryStream, GrowsInStepsOf8192) {
    TMemoryStream stream;
    EXPECT_EQ(stream.Capacity(), 0);
    EXPECT_EQ(stream.Memory(), nullptr);
    EXPECT_EQ(stream.Write("a", 1), 1);
    EXPECT_EQ(stream.Capacity(), 8192);
    const std::string block(8191, 'b');
    stream.WriteExact(block.data(), 8191);
    EXPECT_EQ(stream.Size(), 8192);
    EXPECT_EQ(stream.Capacity(), 8192);
    stream.WriteExact("c", 1);
    EXPECT_EQ(stream.Capacity(), 16384);
    EXPECT_EQ(stream.Size(), 8193);
    EXPECT_EQ(std::string(stream.Memory(), 2), "ab");
    EXPECT_EQ(stream.Memory()[8192], 'c');
    stream.Clear();
    EXPECT_EQ(stream.Capacity(), 0);
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Position(), 0);
}

// Growing 8 KiB at a time copied a large form's pictures once per step: minutes for 100 MiB.
TEST(TMemoryStream, GrowsGeometricallyWhenWrittenInSmallPieces) {
    GuardedMemoryStream stream;
    const std::string piece(1000, 'p');
    for (int i = 0; i < 16 * 1024; ++i)
        stream.WriteExact(piece.data(), 1000);
    EXPECT_EQ(stream.Size(), 16 * 1024 * 1000);
    EXPECT_LT(stream.reallocs, 40);
    EXPECT_EQ(stream.Capacity() % 8192, 0);
}

TEST(TMemoryStream, ExactlyFullBlockHasNoByteAfterTheData) {
    TMemoryStream stream;
    const std::string text(8192, 't');
    stream.WriteExact(text.data(), 8192);
    EXPECT_EQ(stream.Size(), 8192);
    EXPECT_EQ(stream.Capacity(), 8192); // AddressSanitizer would catch a terminator written past it
}

TEST(TMemoryStream, ReadSeekAndWriteInsideTheData) {
    TMemoryStream stream;
    stream.WriteExact("0123456789", 10);
    EXPECT_EQ(stream.Seek(-4, soFromEnd), 6);
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 8), 4);
    EXPECT_STREQ(buffer, "6789");
    EXPECT_EQ(stream.Seek(2, soFromBeginning), 2);
    stream.WriteExact("ab", 2);
    EXPECT_EQ(stream.Size(), 10);
    EXPECT_EQ(std::string(stream.Memory(), 10), "01ab456789");
    // Positions are not clamped; outside the data nothing is read.
    EXPECT_EQ(stream.Seek(-20, soFromCurrent), -16);
    EXPECT_EQ(stream.Read(buffer, 1), 0);
    EXPECT_EQ(stream.Write("x", 1), 0);
    EXPECT_EQ(stream.Seek(20, soFromBeginning), 20);
    EXPECT_EQ(stream.Read(buffer, 1), 0);
    EXPECT_EQ(stream.Write("z", 1), 1); // the gap is part of the data now
    EXPECT_EQ(stream.Size(), 21);
    EXPECT_EQ(stream.Write("x", -1), 0);
}

TEST(TMemoryStream, FailedGrowthLeavesEverythingAsItWas) {
    GuardedMemoryStream stream;
    stream.limit = 8192;
    const std::string block(8000, 'k');
    stream.WriteExact(block.data(), 8000);
    const char* memory = stream.Memory();
    const std::string more(500, 'm');
    EXPECT_EQ(MessageOf<EStreamError>([&] { stream.Write(more.data(), 500); }),
              "Out of memory while expanding memory stream");
    EXPECT_EQ(stream.Memory(), memory);
    EXPECT_EQ(stream.Capacity(), 8192);
    EXPECT_EQ(stream.Size(), 8000);
    EXPECT_EQ(stream.Position(), 8000);
    EXPECT_EQ(std::string(stream.Memory(), 8000), block);
}

TEST(TCustomMemoryStream, ReadsOnlyWithinItsSize) {
    TMemoryStream stream;
    stream.WriteExact("abc", 3);
    stream.SetPosition(0);
    char buffer[4] = {};
    EXPECT_EQ(stream.Read(buffer, -1), 0);
    EXPECT_EQ(stream.Read(buffer, 0), 0);
    EXPECT_EQ(stream.Read(buffer, 4), 3);
    EXPECT_EQ(stream.Size(), 3);
    EXPECT_EQ(stream.Position(), 3);
}

} // namespace
