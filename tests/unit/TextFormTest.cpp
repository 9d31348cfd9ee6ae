#include "scanner/TextForm.h"
#include "scanner/FormTextSearch.h"

#include <gtest/gtest.h>

#include <string>

#include "report/ScanReport.h"
#include "runtime/Exceptions.h"
#include "scanner/FormSource.h"
#include "tests/support/FormBuilder.h"
#include "tests/support/TestFiles.h"

namespace {

constexpr size_t kNone = std::string::npos;

TEST(TextFormStart, FindsTheFirstWordOfATextSavedForm) {
    const struct {
        const char* bytes;
        size_t start;
    } cases[] = {
        {"object Form1: TForm1\r\n", 0},
        {"inherited Form1: TForm1\n", 0},
        {"inline Frame1: TFrame1\n", 0},
        {"object\tForm1: TForm1", 0},
        {"\xEF\xBB\xBFobject Form1: TForm1", 3},
        {"\xEF\xBB\xBF \r\n\r\n\t object Form1: TForm1", 10},
        {"  \n  inherited F: T", 5},
        {"", kNone},
        {" \r\n ", kNone},
        {"object", kNone},
        {"objects: TList", kNone},
        {"Object Form1: TForm1", kNone},
        {"object\r\nForm1", kNone},
        {"\xEF\xBB object F: T", kNone},
        {"# object F: T", kNone},
        {"\xFF\x0A\x00TFORM1\x00", kNone},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextFormStart(c.bytes), c.start) << c.bytes;
}

std::string ScanFile(const std::string& fileName) {
    TFileFormSource anyVersion(true);
    ScanResult result;
    result.Forms.emplace_back();
    ScanFormText(anyVersion.FormText(ListedForm{fileName, fileName}).Text, result.Forms.back());
    return ScanText(result);
}

TEST(AnyVersionFormSource, SearchesTextSavedFormsAsTheyStand) {
    const std::string crlf = "object Form1: TForm1\r\n  HelpContext = 5\r\n  object Button1: TButton\r\n"
                             "    HelpContext = 7\r\n  end\r\nend\r\n";
    const std::string lf =
        "object Form1: TForm1\n  object Button1: TButton\n    HelpContext = -7\n  end\nend\n";
    TempDir dir;
    EXPECT_EQ(ScanFile(dir.Write("crlf.dfm", crlf)), "Form1:5\n  Button1:7\n");
    EXPECT_EQ(ScanFile(dir.Write("lf.dfm", lf)), "Form1\n  Button1:-7\n");
    EXPECT_EQ(ScanFile(dir.Write("bom.dfm", "\xEF\xBB\xBF\r\n" + crlf)), "Form1:5\n  Button1:7\n");
    // The first word beyond the first read of the file.
    EXPECT_EQ(ScanFile(dir.Write("blank.dfm", std::string(5000, '\n') + lf)), "Form1\n  Button1:-7\n");
    EXPECT_EQ(ScanFile(dir.Write("late.dfm", std::string(4090, ' ') + lf)), "Form1\n  Button1:-7\n");
}

TEST(AnyVersionFormSource, ConvertsEveryOtherFile) {
    FormBuilder f;
    f.Object("TForm1", "Form1").Prop("HelpContext").Int(5).EndProps().EndChildren();
    TempDir dir;
    EXPECT_EQ(ScanFile(dir.Write("binary.dfm", f.FormFile("TFORM1"))), "Form1:5\n");
    for (const char* other : {"", "   ", "objects", "hello\r\n"}) {
        const std::string name = dir.Write("other.dfm", other);
        EXPECT_THROW(ScanFile(name), EInvalidImage) << other;
    }
    EXPECT_THROW(ScanFile(dir.File("none.dfm")), EFOpenError);
}

} // namespace
