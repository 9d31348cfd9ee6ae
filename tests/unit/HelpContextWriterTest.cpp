#include "scanner/HelpContextWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "runtime/Exceptions.h"
#include "scanner/Rescan.h"
#include "tests/support/TestFiles.h"

namespace {

constexpr char kText[] =
    "object F: TF\r\n  Caption = 'x'\r\n  object E: TEdit\r\n    TabOrder = 0\r\n  end\r\nend\r\n";

// A form that the writer refuses is left as it was, with nothing beside it, and the error names it.
TEST(HelpContextWriter, RefusesAFormThatIsNotWhatTheScanRead) {
    const struct {
        const char* what;
        const char* text;
        std::function<void(const TempDir&)> meanwhile;
        const char* message;
    } cases[] = {
        {"another tree since the scan", kText,
         [](const TempDir& dir) {
             dir.Write("F.dfm", "object F: TF\r\n  object G: TEdit\r\n  end\r\nend\r\n");
         },
         "F.dfm: the file changed since it was read"},
        {"gone since the scan", kText, [](const TempDir& dir) { std::remove(dir.File("F.dfm").c_str()); },
         "Cannot open file F.dfm"},
        {"a hand-made text whose properties the scan does not take for the form's own: the new line would "
         "not read back as the number given",
         "object F: TF\r\n    Caption = 'x'\r\nend\r\n", [](const TempDir&) {},
         "F.dfm: the new file did not read back right: it does not give the form as it was with the new "
         "numbers"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.Write("F.dfm", c.text);
        const std::string project = dir.Write("p.mak", "RESDEPEN = $(RESFILES) F.dfm\r\n");
        ScanOptions options;
        options.AnyVersion = options.KeepTrees = true;
        const ScanResult result = Rescan(project, options);
        ASSERT_EQ(result.Forms.size(), 1u) << c.what;
        c.meanwhile(dir);
        const std::string before = ReadWholeFile(dir.File("F.dfm"));
        try {
            THelpContextWriter(project, true).Write(result.Forms[0], {{0, 100}});
            ADD_FAILURE() << "no error: " << c.what;
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message(), c.message) << c.what;
        }
        EXPECT_EQ(ReadWholeFile(dir.File("F.dfm")), before) << c.what;
        std::size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            files += entry.path().filename() != "p.mak" ? 1 : 0;
        EXPECT_EQ(files, before.empty() ? 0u : 1u) << c.what;
    }
}

} // namespace
