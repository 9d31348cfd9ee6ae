#include "runtime/Text.h"

#include <gtest/gtest.h>

namespace {

// A name from a Windows file stands on its own, never in the current folder: drive letters (also
// "C:name"), UNC and rooted paths with either separator; everything else is relative.
TEST(IsAbsoluteName, DriveLettersUncAndRootedPathsAreAbsolute) {
    const struct {
        const char* name;
        bool absolute;
    } cases[] = {
        {"C:\\Inc\\x.hm", true},
        {"c:/inc/x.hm", true},
        {"Z:x.hm", true},
        {"\\\\server\\share\\x", true},
        {"//server/share/x", true},
        {"\\Inc\\x.hm", true},
        {"/usr/x.hm", true},
        {"x.hm", false},
        {"sub\\x.hm", false},
        {"..\\x.hm", false},
        {".\\x.hm", false},
        {"1:x", false},
        {":x", false},
        {"", false},
        {"C", false},
        {"\xC3\x84:x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsAbsoluteName(c.name), c.absolute) << c.name;
}

} // namespace
