#include "io/InputFile.h"

#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "runtime/Exceptions.h"
#include "tests/support/TestFiles.h"

namespace {

std::string Failure(const std::string& path, std::int64_t maxBytes) {
    try {
        TInputFile file(path, "shown.dfm", maxBytes);
        return "read " + file.ReadAll();
    } catch (const EFOpenError& error) {
        return error.Message();
    }
}

// Only a regular file within the bound is read, and a refusal names the file as the user knows it; a
// pipe is refused at once, never waited on.
TEST(InputFile, ReadsOnlyRegularFilesWithinTheirBound) {
    TempDir dir;
    const std::string file = dir.Write("a.dfm", "12345");
    EXPECT_EQ(Failure(file, 5), "read 12345");
    EXPECT_EQ(Failure(file, 4), "shown.dfm is too large");
    EXPECT_EQ(Failure(dir.File("none.dfm"), 5), "Cannot open file shown.dfm");
    EXPECT_EQ(Failure(dir.Path(), 5), "Cannot open file shown.dfm");
#ifndef _WIN32
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_EQ(Failure(dir.File("fifo"), 5), "shown.dfm is not a regular file");
    EXPECT_EQ(Failure("/dev/zero", 5), "shown.dfm is not a regular file");
#endif
    TInputFile opened(file, "a.dfm", 5);
    EXPECT_EQ(opened.Stamp().Size, 5);
    EXPECT_EQ(opened.Identity(), os::FileIdentity(file));
}

} // namespace
