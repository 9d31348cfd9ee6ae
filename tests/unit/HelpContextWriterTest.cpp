#include "scanner/HelpContextWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/Exceptions.h"
#include "scanner/Rescan.h"
#include "tests/support/TestFiles.h"

namespace {

// A form the writer refuses is left as it was, with nothing beside it, and the error names it.
TEST(HelpContextWriter, RefusesAFormThatIsNotWhatTheScanRead) {
    const struct {
        const char* what;
        const char* scanned;
        const char* written; // the file when it is written
        const char* message;
    } cases[] = {
        {"another tree since the scan", "object F: TF\r\n  object E: TEdit\r\n  end\r\nend\r\n",
         "object F: TF\r\n  object G: TEdit\r\n  end\r\nend\r\n",
         "F.dfm: the file changed since it was read"},
        {"a hand-made text whose properties the scan does not take for the form's own: the new line would "
         "not read back as the number given",
         "object F: TF\r\n    Caption = 'x'\r\nend\r\n", "object F: TF\r\n    Caption = 'x'\r\nend\r\n",
         "F.dfm: the new file did not read back right: it does not give the form as it was with the new "
         "numbers"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.Write("F.dfm", c.scanned);
        const std::string project = dir.Write("p.mak", "RESDEPEN = $(RESFILES) F.dfm\r\n");
        ScanOptions options;
        options.AnyVersion = options.KeepTrees = true;
        const ScanResult result = Rescan(project, options);
        ASSERT_EQ(result.Forms.size(), 1u) << c.what;
        dir.Write("F.dfm", c.written);
        try {
            THelpContextWriter(project, true).Write(result.Forms[0], {{0, 100}});
            ADD_FAILURE() << "no error: " << c.what;
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message(), c.message) << c.what;
        }
        EXPECT_EQ(ReadWholeFile(dir.File("F.dfm")), c.written) << c.what;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2) << c.what;
    }
}

} // namespace
