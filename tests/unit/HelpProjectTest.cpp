#include "scanner/HelpProject.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "io/Os.h"
#include "runtime/Exceptions.h"
#include "tests/support/TestFiles.h"

namespace {

const std::vector<HelpContextEntry> kEntries = {
    {"Main", std::nullopt, 100}, {"Main", "Ok", 110}, {"Main", "Cancel", 120}};
const std::string kAllAliased = "[ALIAS]\nIDH_Main=t.htm\nIDH_Main_Ok=t.htm\nIDH_Main_Cancel=t.htm\n";
const std::string kAllMapped = "[MAP]\nIDH_Main 100\nIDH_Main_Ok 110\nIDH_Main_Cancel 120\n";

// The report of `check` over kEntries with the help project `project` of the folder `files`.
std::string Report(const std::map<std::string, std::string>& files, const std::string& project) {
    TempDir dir;
    for (const auto& [name, bytes] : files)
        dir.Write(name, bytes);
    HelpProject help;
    ReadHelpProject(dir.File(project), help, nullptr);
    return FindingsText(
        MergeFindings(CheckHelpContexts(kEntries), CheckHelpProject(kEntries, help, "IDH_", os::FileExists)),
        1);
}

TEST(HelpProject, FindsWhatTheProjectLacks) {
    const struct {
        const char* rule;
        std::map<std::string, std::string> files;
        std::string expected;
    } cases[] = {
        {"map line forms and value spellings",
         {{"h.hhp", "; c\r\n[map]\r\n#define IDH_Main (100)\r\nIDH_Main_Ok = 0x6eUL ; c\r\n"
                    "IDH_Main_Cancel=12O\r\n" +
                        kAllAliased},
          {"t.htm", ""}},
         "unmapped 120: Main.Cancel\n1 findings in 1 forms\n"},
        {"includes beside the includer, then beside the project; a cycle read once; comments",
         {{"h.hhp", "[MAP]\n#include \"inc\\a.h\"\n" + kAllAliased},
          {"inc/a.h", "/* #define IDH_Main 999\n*/ #define IDH_Main 100 // 998\n#include <b.h>\n"},
          {"b.h", "#include \"inc/a.h\"\n#  define IDH_Main_Ok 110L\n#define IDH_Main_Cancel -0x10\n"},
          {"t.htm", ""}},
         "unmapped 120: Main.Cancel\nstale IDH_Main_Cancel: help project -16, forms 120: Main.Cancel\n"
         "2 findings in 1 forms\n"},
        {"hhp aliases: anchors, backslashes, included alias files, missing topics",
         {{"h.hhp",
           kAllMapped + "[ALIAS]\nidh_main = sub\\t.htm#top\n#include more.txt\nIDH_Main_Cancel=gone.htm\n"},
          {"more.txt", "IDH_Main_Ok=sub/t.htm\n"},
          {"sub/t.htm", ""}},
         "no-topic 120 (IDH_Main_Cancel): Main.Cancel\n1 findings in 1 forms\n"},
        {"hpj alias chains and loops, ROOT folders",
         {{"h.hpj", kAllMapped + "[FILES]\nt.rtf\n[ALIAS]\nIDH_Main=A\nA = B\nIDH_Main_Ok=L1\nL1=L2\nL2=L1\n"
                                 "IDH_Main_Cancel=IDH_Main_Cancel\n[OPTIONS]\nROOT=none, rtf\n"},
          {"rtf/t.rtf",
           "{\\rtf1{\\fonttbl{\\f0 #;}}#{\\footnote \\pard\\plain \\fs20 {\\fs16\\up6 #} b}\\par\n"
           "#{\\*\\footnote L1}#{\\footnote idh_main_cancel}}"}},
         "no-topic 110 (IDH_Main_Ok): Main.Ok\n1 findings in 1 forms\n"},
        {"hpj footnote marks",
         {{"h.hpj", kAllMapped + "[FILES]\nt.rtf\n"},
          {"t.rtf", "{\\rtf1 #{\\footnote IDH_Main}{\\up #}{\\footnote {\\up #} IDH_Main_Ok}\\page\n"
                    "K{\\footnote IDH_Main_Cancel}}"}},
         "no-topic 120 (IDH_Main_Cancel): Main.Cancel\n1 findings in 1 forms\n"},
    };
    for (const auto& c : cases) {
        const std::string project = c.files.count("h.hpj") != 0 ? "h.hpj" : "h.hhp";
        EXPECT_EQ(Report(c.files, project), c.expected) << c.rule;
    }
}

TEST(HelpProject, AFileThatCannotBeReadFailsOrIsReportedAndLeftOut) {
    TempDir dir;
    const std::string project = dir.Write("h.hhp", "[MAP]\n#include gone.h\nIDH_Main 100\n");
    HelpProject help;
    EXPECT_THROW(ReadHelpProject(project, help, nullptr), EFOpenError);
    std::vector<std::string> failed;
    HelpProject partial;
    EXPECT_TRUE(ReadHelpProject(
        project, partial, [&](const std::string& name, const std::exception&) { failed.push_back(name); }));
    EXPECT_EQ(failed, std::vector<std::string>{dir.File("gone.h")});
    EXPECT_EQ(partial.Map.size(), 1u);
}

TEST(HelpProject, RtfWalkerStaysInBoundsOnBrokenInput) {
    for (const std::string& rtf :
         std::vector<std::string>{"#{\\footnote X", "#{\\footnote \\", "\\'4", "\\bin99999 x",
                                  "}}}#{\\footnote Y}", std::string(100000, '{') + "#{\\footnote Z}"})
        EXPECT_LE(RtfTopicIds(rtf).size(), 1u) << rtf.substr(0, 20);
}

} // namespace
