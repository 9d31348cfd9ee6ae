#include "io/Os.h"

#include <gtest/gtest.h>

#include "runtime/Exceptions.h"

#ifndef _WIN32
#include <iconv.h>

#include <string>
#endif

namespace {

// What Windows alone converts, byte for byte the same from every build: the characters the published
// mappings leave out (private-use characters, the euro sign of 936), the default characters; a lead byte
// without its pair is the default character, and the byte after it, where it cannot follow a lead
// byte, is read on its own (Wine's converter takes it as the pair's).
TEST(CodePageToUtf8, GivesWhatWindowsGives) {
    const struct {
        unsigned page;
        const char* bytes;
        const char* utf8;
    } cases[] = {
        {932, "\x83\x74\x83\x48\x81\x5B\x83\x80:100", "\xE3\x83\x95\xE3\x82\xA9\xE3\x83\xBC\xE3\x83\xA0:100"},
        {932, "\xB1\xDD\xA0", "\xEF\xBD\xB1\xEF\xBE\x9D\xEF\xA3\xB0"}, // half-width, 0xA0 private
        {932, "\xF0\x40\x85\x40", "\xEE\x80\x80\xE3\x83\xBB"},         // user-defined; none: U+30FB
        {936, "\xC4\xE3\x80\xA1\x40\xA2\xAB", "\xE4\xBD\xA0\xE2\x82\xAC\xEE\x93\x86\xEE\x9D\xA6"},
        {949, "\xC7\xD1\xC9\xA1\xC7\x41", "\xED\x95\x9C\xEE\x80\x80?"},
        {950, "\xA4\xA4\xC6\xA1\x81\x40\xA3\xE1", "\xE4\xB8\xAD\xEF\x9A\xB1\xEE\xBA\xB8\xE2\x82\xAC"},
        {1251, "\xCF\xF0\xE8\x98", "\xD0\x9F\xD1\x80\xD0\xB8\xC2\x98"},
        {1252, "\x80\x81\x9D\xFF", "\xE2\x82\xAC\xC2\x81\xC2\x9D\xC3\xBF"},
        {1253, "\xAA\xC1", "\xEF\xA3\xB9\xCE\x91"},
        {1255, "\xCA\xE0", "\xD6\xBA\xD7\x90"},
        {874, "\xA1\xDB", "\xE0\xB8\x81\xEF\xA3\x81"},
        {932, "a\x81", "a\xE3\x83\xBB"},
#ifndef _WIN32
        {932, "\x81\"\x81\x7F\x81\\", "\xE3\x83\xBB\"\xE3\x83\xBB\x7F\xE2\x80\x95"},
        {950, "\xA4\x80\xA4", "?\xC2\x80?"},
#endif
    };
    for (const auto& c : cases)
        EXPECT_EQ(os::CodePageToUtf8(c.page, c.bytes), c.utf8) << c.page << " " << c.bytes;
}

TEST(CodePageToUtf8, ACodePageWithoutConversionIsAnErrorNamingIt) {
    try {
        os::CodePageToUtf8(12345, "abc");
        FAIL() << "converted";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "Text of code page 12345 cannot be converted here");
    }
    EXPECT_EQ(os::CodePageToUtf8(12345, ""), "");
}

#ifndef _WIN32

// The system's converter's UTF-8, its state flushed; false when it refuses the bytes.
bool SystemConverts(iconv_t converter, const std::string& bytes, std::string& utf8) {
    ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::string in = bytes;
    char out[32];
    char* inAt = in.data();
    size_t inLeft = in.size();
    char* outAt = out;
    size_t outLeft = sizeof out;
    if (::iconv(converter, &inAt, &inLeft, &outAt, &outLeft) == static_cast<size_t>(-1) ||
        ::iconv(converter, nullptr, nullptr, &outAt, &outLeft) == static_cast<size_t>(-1))
        return false;
    utf8.assign(out, outAt);
    return true;
}

// Every byte, and in a double-byte page every two bytes from 0x80 up: where the system converts them,
// the tables give the same characters (and they convert more: what Windows alone converts). Single-byte
// pages byte by byte: the system may join a letter and its mark.
TEST(CodePageToUtf8, AgreesWithTheSystemsConverter) {
    std::string missing;
    for (const unsigned page :
         {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 932, 936, 949, 950}) {
        const iconv_t converter = ::iconv_open("UTF-8", ("CP" + std::to_string(page)).c_str());
        if (converter == reinterpret_cast<iconv_t>(-1)) {
            missing += " " + std::to_string(page);
            continue;
        }
        int converted = 0;
        std::string system;
        for (int first = 0; first < 256; ++first) {
            const int last = page < 1000 && page != 874 && first >= 0x80 ? 255 : -1;
            for (int second = -1; second <= last; ++second) {
                const std::string bytes =
                    std::string(1, char(first)) + (second < 0 ? "" : std::string(1, char(second)));
                if (SystemConverts(converter, bytes, system)) {
                    ++converted;
                    ASSERT_EQ(os::CodePageToUtf8(page, bytes), system)
                        << page << " " << first << " " << second;
                }
            }
        }
        ::iconv_close(converter);
        EXPECT_GE(converted, 220) << page; // a converter that refuses everything fails
    }
    if (!missing.empty())
        GTEST_SKIP() << "the system has no converter for" << missing;
}

#endif

} // namespace
