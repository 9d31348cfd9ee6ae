#include "scanner/FormTextCache.h"
#include "scanner/FormTextSearch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "report/ScanReport.h"
#include "tests/support/FormCompiler.h"
#include "tests/support/TestFiles.h"

namespace {

std::string Form(const std::string& name, int number) {
    return CompileFormText(
        "object " + name + ": TForm1\r\n  HelpContext = " + std::to_string(number) + "\r\nend\r\n", "TFORM");
}

std::string Scan(TFormTextCache& cache, const std::string& path) {
    ScanResult result;
    result.Forms.emplace_back();
    ScanFormText(cache.FormText({"A.dfm", path}).Text, result.Forms.back());
    return ScanText(result);
}

// A form saved again within the time stamp's resolution, as long as before: only its bytes tell.
TEST(FormTextCache, AFormRewrittenWithTheSameSizeAndTimeIsConvertedAnew) {
    TempDir dir;
    const std::string path = dir.Write("A.dfm", Form("A", 1111));
    const auto time = std::filesystem::last_write_time(path);
    TFileFormSource files(false);
    TFormTextCache cache(files, 64u << 20,
                         3600); // however slowly this runs, the stamp settles within the hour
    EXPECT_EQ(Scan(cache, path), "A:1111\n");
    EXPECT_EQ(Scan(cache, path), "A:1111\n");
    dir.Write("A.dfm", Form("A", 2222));
    std::filesystem::last_write_time(path, time);
    EXPECT_EQ(Scan(cache, path), "A:2222\n");
    EXPECT_EQ(cache.Count(), 1u);
    // A form written long before it was read is known by its stamp, which any rewrite changes.
    const auto old = time - std::chrono::hours(2);
    std::filesystem::last_write_time(path, old);
    EXPECT_EQ(Scan(cache, path), "A:2222\n");
    dir.Write("A.dfm", Form("A", 33333));
    std::filesystem::last_write_time(path, old);
    EXPECT_EQ(Scan(cache, path), "A:33333\n");
}

// Over its bound the cache lets the least recently used texts go, and still gives every form right.
TEST(FormTextCache, StaysWithinItsBound) {
    TempDir dir;
    TFileFormSource files(false);
    TFormTextCache cache(files, 2 * (Form("F0", 100).size() + 60));
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 5; ++i) {
            const std::string name = "F" + std::to_string(i);
            EXPECT_EQ(Scan(cache, dir.Write(name + ".dfm", Form(name, 100 + i))),
                      name + ":" + std::to_string(100 + i) + "\n");
            EXPECT_LE(cache.Bytes(), 2 * (Form("F0", 100).size() + 60));
        }
    }
    EXPECT_GE(cache.Count(), 1u);
}

} // namespace

// What the file system is asked is a real span in the stamps' units: not nothing, which would trust a
// stamp that a rewrite at once keeps, and no more than FAT's steps need.
TEST(FormTextCache, AStampSettlesWithinHalfASecondToThreeSeconds) {
    TempDir dir;
    const std::int64_t settle = os::StampSettleTime(dir.Write("A.dfm", "x"));
    EXPECT_GE(settle, os::FileTimeUnitsPerSecond() / 2);
    EXPECT_LE(settle, 3 * os::FileTimeUnitsPerSecond());
}
