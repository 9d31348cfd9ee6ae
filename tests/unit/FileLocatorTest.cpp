#include "io/Os.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestFiles.h"

namespace {

// Names of a Windows project on a disk that tells letter case apart: each found as Windows finds it.
TEST(FileLocator, FindsNamesAsWindowsDoesListingEachFolderOnce) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows ignores letter case itself";
#else
    TempDir dir;
    dir.Write("Exact.dfm", "");
    dir.Write("Sub/Deep/Form.DFM", "");
    dir.Write("twice.DFM", "");
    dir.Write("Twice.dfm", "");
    dir.Write("both.dfm", "");
    dir.Write("BOTH.dfm", "");
    const std::string folder = dir.Path() + "/";
    struct Case {
        const char* name;
        const char* path; // relative to the folder; empty: not found
        bool ambiguous;
    };
    const Case cases[] = {
        {"Exact.dfm", "Exact.dfm", false},
        {"EXACT.DFM", "Exact.dfm", false},
        {"sub\\deep\\form.dfm", "Sub/Deep/Form.DFM", false}, // folder parts in another case
        {"TWICE.dfm", "Twice.dfm", true},                    // the first of several, sorted by bytes
        {"both.dfm", "both.dfm", false},                     // the exact one of several
        {"Sub", "", false},                                  // a folder is no file
        {"C:\\Work\\Exact.dfm", "", false},                  // another machine's disk
        {"\\Work\\Exact.dfm", "", false},                    // a rooted path that is not here
        {"Missing.dfm", "", false},
    };
    os::FileLocator locator;
    for (const Case& c : cases) {
        const os::LocatedFile located = locator.Locate(folder, c.name);
        EXPECT_EQ(located.Found, *c.path != '\0') << c.name;
        EXPECT_EQ(located.Found ? located.Path : "", located.Found ? folder + c.path : "") << c.name;
        EXPECT_EQ(located.Ambiguous, c.ambiguous) << c.name;
    }
    // However many names are looked up in another case, each folder is listed once.
    for (int i = 0; i < 1000; ++i)
        dir.Write("many/Form" + std::to_string(i) + ".dfm", "");
    os::FileLocator many;
    for (int i = 0; i < 1000; ++i)
        EXPECT_TRUE(many.Locate(folder, "MANY\\form" + std::to_string(i) + ".DFM").Found) << i;
    EXPECT_EQ(many.Listings(), 2u); // the project's folder, for "many", and "many"
#endif
}

} // namespace
