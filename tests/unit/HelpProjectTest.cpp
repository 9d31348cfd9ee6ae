#include "help/HelpProject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "help/HelpLinks.h"
#include "help/RtfTopics.h"
#include "help/Sitemap.h"
#include "io/InputFile.h"
#include "report/CheckReport.h"
#include "tests/support/TestFiles.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

HelpContextEntry Entry(const std::string& form, std::optional<std::string> component, std::int32_t number) {
    HelpContextEntry entry;
    entry.Form = form;
    entry.Component = std::move(component);
    entry.Number = number;
    return entry;
}

const std::vector<HelpContextEntry> kEntries = {Entry("Main", std::nullopt, 100), Entry("Main", "Ok", 110),
                                                Entry("Main", "Cancel", 120)};
const std::string kAllAliased = "[ALIAS]\nIDH_Main=t.htm\nIDH_Main_Ok=t.htm\nIDH_Main_Cancel=t.htm\n";
const std::string kAllMapped = "[MAP]\nIDH_Main 100\nIDH_Main_Ok 110\nIDH_Main_Cancel 120\n";

std::string Utf16(const std::string& ascii, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : ascii)
        bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return bytes;
}

std::string Repeated(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

// A project whose [MAP] includes i1.h, each iN.h the next, `files` of them; i40.h maps IDH_Main, the
// last one IDH_Main_Ok.
std::map<std::string, std::string> IncludeChain(int files) {
    std::map<std::string, std::string> chain = {{"h.hhp", "[MAP]\n#include i1.h\n" + kAllAliased},
                                                {"t.htm", ""}};
    for (int i = 1; i < files; ++i)
        chain["i" + std::to_string(i) + ".h"] = "#include i" + std::to_string(i + 1) + ".h\n";
    chain["i40.h"] += "#define IDH_Main 100\n";
    chain["i" + std::to_string(files) + ".h"] = "#define IDH_Main_Ok 110\n";
    return chain;
}

// `steps` aliases, each from NAMEi to NAME(i+1).
std::string Chain(const std::string& name, int steps) {
    std::string chain;
    for (int i = 0; i < steps; ++i)
        chain += name + std::to_string(i) + "=" + name + std::to_string(i + 1) + "\n";
    return chain;
}

// The warnings of `count` repeats of the first of kAllAliased, read after it.
std::string RepeatedAliases(int count) {
    std::string warnings;
    for (int i = 0; i < count && i < 11; ++i)
        warnings += "warning h.hhp:" + std::to_string(609 + i) +
                    ": IDH_Main: repeated in [ALIAS]; the first, at h.hhp:606, holds" +
                    (i == 10 ? " (and " + std::to_string(count - 11) + " more like it)" : "") + "\n";
    return warnings;
}

// The report of `check` over kEntries with the help project `project` of the folder `files`: its
// findings, then each notice as "warning|error file:line: message", file names relative to the folder.
std::string Report(const std::map<std::string, std::string>& files, const std::string& project) {
    TempDir dir;
    for (const auto& [name, bytes] : files)
        dir.Write(name, bytes);
    const HelpProjectReading help = ReadHelpProject(dir.File(project));
    std::string report = FindingsText(
        MergeFindings(CheckHelpContexts(kEntries), CheckHelpProject(kEntries, help.Project, "IDH_")),
        kEntries, 1);
    for (const Notice& notice : help.Notices) {
        report += (notice.What == Notice::kWarning ? "warning " : "error ") + notice.File + ":" +
                  std::to_string(notice.Line) + ": " + notice.Message + "\n";
    }
    for (size_t at; (at = report.find(dir.Path())) != std::string::npos;)
        report.erase(at, dir.Path().size() + 1);
    return report;
}

TEST(HelpProject, ReadsWhatTheCompilersRead) {
    const struct {
        const char* rule;
        std::map<std::string, std::string> files;
        std::string expected;
    } cases[] = {
        {"map line forms, value spellings, sections and comments as written",
         {{"h.hhp", "; c\r\n[ map ]\r\n#define IDH_Main (100)\r\nIDH_Main_Ok = 0x6eUL ; c\r\n"
                    "IDH_Main_Cancel=12O\r\n" +
                        kAllAliased + "IDH_Main_Ok=gone.htm ; a repeat\r\n"},
          {"t.htm", ""}},
         "unmapped 120: Main.Cancel\n1 finding in 1 form\n"
         "warning h.hhp:10: IDH_Main_Ok: repeated in [ALIAS]; the first, at h.hhp:8, holds\n"},
        {"includes: beside the includer, then the project; any case; blanks in bare names; cycles; "
         "another machine's paths",
         {{"h.hpj", "[MAP]\n#include \"inc\\A.H\"\n#include C:\\Program Files\\x.hm ; c\n#include\n" +
                        kAllAliased + "[FILES]\nT.RTF\nnone.rtf\n"},
          {"inc/a.h", "/* #define IDH_Main 999\n*/ #define IDH_Main 100 // 998\n#include <B.h>\n"},
          {"b.h", "#include \"INC/a.h\"\n#  define IDH_Main_Ok 110L\n#define IDH_Main_Cancel -0x10\n"},
          {"t.rtf", "{\\rtf1 #{\\footnote t.htm}}"}},
         "unmapped 120: Main.Cancel\nstale IDH_Main_Cancel: help project -16, forms 120: Main.Cancel\n"
         "2 findings in 1 form\n"
         "warning h.hpj:3: C:\\Program Files\\x.hm not found; its identifiers are not known here\n"
         "warning h.hpj:4: #include names no file\n"
         "warning h.hpj:11: none.rtf not found; its topics are not known here\n"},
        {"the preprocessor: blocks, macros, expressions, continuations; several numbers for one id; 32 bits",
         {{"h.hhp", "[MAP]\nIDH_Main_Ok 111\n#include ids.h\n" + kAllAliased},
          {"ids.h",
           "#define IDH_BASE 100\n#ifdef APSTUDIO_INVOKED\n#define _APS_NEXT 120\n#endif\n"
           "#if defined(IDH_BASE) && IDH_BASE * 2 == 0xC8 && !defined X\n#define IDH_Main IDH_BASE\n"
           "#elif 1\n#define IDH_Main_Cancel 120\n#else\n#define IDH_Main_Cancel 120\n#endif\n"
           "#define IDH_Main_Ok (0 && 1 / 0) + \\\n  (IDH_BASE + 10)\n#undef IDH_BASE\n#if IDH_BASE\n"
           "#define WRONG 120\n#endif\n#define BIG 0x100000000\n#define NEG 0xFFFFFFFF\n#if 1 +\n#endif\n"
           "#if 1\n"},
          {"t.htm", ""}},
         "unmapped 120: Main.Cancel\n1 finding in 1 form\n"
         "warning ids.h:18: BIG: 0x100000000 does not fit 32 bits; nothing is mapped\n"
         "warning ids.h:20: #if: a value is missing\n"
         "warning ids.h:22: #if without #endif\n"},
        {"encodings and line ends",
         {{"h.hhp", Utf16("[MAP]\r\n#include le.h\r\n#include be.h\r\n#include cr.h\r\n[ALIAS]\r\n"
                          "IDH_Main=t.htm\r\nIDH_Main_Ok=t.htm\r\nIDH_Main_Cancel=t.htm\r\n",
                          false)},
          {"le.h", Utf16("#define IDH_Main 100\r\n", false)},
          {"be.h", Utf16("#define IDH_Main_Ok 110\n", true)},
          {"cr.h", "\xEF\xBB\xBF// c\r#define IDH_Main_Cancel \\\r\r\n 120\r\r\n"},
          {"t.htm", ""}},
         "0 findings in 1 form\n"},
        {"hhp aliases: anchors, backslashes, any case, included alias files, missing topics, text pop-ups",
         {{"h.hhp",
           "[MAP]\nIDH_Main 100\nIDH_Main_Ok 110\n[ALIAS]\nidh_main = sub\\T.htm#top\n#include more.txt\n"
           "IDH_Main_Cancel=gone.htm\n[TEXT POPUPS]\npopids.h\npop.TXT\nnone.txt\n"},
          {"more.txt", "IDH_Main_Ok=sub/t.htm\n"},
          {"sub/t.htm", ""},
          {"popids.h", "#define IDH_Main_Cancel 120\n"},
          {"pop.txt", ".topic IDH_Main_Cancel\nText.\n"}},
         "0 findings in 1 form\nwarning h.hhp:11: none.txt not found; its topics are not known here\n"},
        {"hpj alias chains and loops, ROOT folders, footnote marks",
         {{"h.hpj", kAllMapped + "[FILES]\nt.rtf\n[ALIAS]\nIDH_Main=A\nA = B\nIDH_Main_Ok=L1\nL1=L2\nL2=L1\n"
                                 "IDH_Main_Cancel=IDH_Main_Cancel\n[OPTIONS]\nROOT=none, rtf\n"},
          {"rtf/t.rtf",
           "{\\rtf1{\\fonttbl{\\f0 #;}}#{\\footnote \\pard\\plain \\fs20 {\\fs16\\up6 #} b}\\par\n"
           "#{\\*\\footnote L1}#{\\footnote idh_main_cancel}K{\\footnote IDH_Main_Ok}}"}},
         "no-topic 110 (IDH_Main_Ok): Main.Ok\n1 finding in 1 form\n"
         "warning h.hpj:11: L1: [ALIAS] entries lead round in a loop (L1 = L2 = L1); it reaches no topic\n"},
        {"alias chains: a long one reaches its topic; one into a loop and the loop told once, at its first "
         "alias",
         {{"h.hpj", kAllMapped + "[FILES]\nt.rtf\n[ALIAS]\nIDH_Main=C0\n" + Chain("C", 1000) +
                        "IDH_Main_Ok=L0\nL0=L1\nL1=L2\nL2=L3\nL3=L4\nL4=L5\nL5=L1\nIDH_Main_Cancel=L3\n"},
          {"t.rtf", "{\\rtf1 #{\\footnote c1000}}"}},
         "no-topic 110 (IDH_Main_Ok): Main.Ok\nno-topic 120 (IDH_Main_Cancel): Main.Cancel\n2 findings in 1 "
         "form\n"
         "warning h.hpj:1011: L1: [ALIAS] entries lead round in a loop (L1 = L2 = L3 = L4 = ...); it reaches "
         "no "
         "topic\n"},
        {"numbers outside 32 or 64 bits and divisions by zero map nothing and say so; long tokens cut",
         {{"h.hhp",
           "[MAP]\nIDH_Main 18446744073709551615\nIDH_Main_Ok 0xFFFFFFFFFFFFFFFF\nIDH_Main_Cancel 100/0\n"
           "IDH_Main_Cancel 120\nX 18446744073709551616\nY (0x7FFFFFFFFFFFFFFF*2+2)\n#if " +
               std::string(100, '9') + "\n#endif\n" + kAllAliased},
          {"t.htm", ""}},
         "unmapped 100: Main\nunmapped 110: Main.Ok\n2 findings in 1 form\n"
         "warning h.hhp:2: IDH_Main: 18446744073709551615 does not fit 32 bits; nothing is mapped\n"
         "warning h.hhp:3: IDH_Main_Ok: 0xFFFFFFFFFFFFFFFF does not fit 32 bits; nothing is mapped\n"
         "warning h.hhp:4: IDH_Main_Cancel: 100/0: division by zero; nothing is mapped\n"
         "warning h.hhp:6: X: 18446744073709551616 does not fit 32 bits; nothing is mapped\n"
         "warning h.hhp:7: Y: (0x7FFFFFFFFFFFFFFF*2+2) does not fit 32 bits; nothing is mapped\n"
         "warning h.hhp:8: #if: " +
             std::string(60, '9') + "... does not fit 64 bits\n"},
        {"a pop-up's number outside 32 bits is no pop-up",
         {{"h.hhp", kAllMapped + "[TEXT POPUPS]\npop.txt\n"},
          {"pop.txt", ".topic 4294967396\n.topic 110\n.topic IDH_Main_Cancel\n"}},
         "no-topic 100 (IDH_Main): Main\n1 finding in 1 form\n"
         "warning pop.txt:1: .topic 4294967396 does not fit 32 bits; it is no pop-up of a number\n"},
        {"includes as deep as 200, and a warning at the one past it", IncludeChain(201),
         "unmapped 110: Main.Ok\nunmapped 120: Main.Cancel\n2 findings in 1 form\n"
         "warning i200.h:1: i201.h: includes nested more than 200 deep; its identifiers are not read\n"},
        {"aliases into the project's own compiled file name its files; other compiled files are not checked",
         {{"h.hhp",
           "[OPTIONS]\nCompiled file=..\\out\\X.chm\n" + kAllMapped +
               "[ALIAS]\nIDH_Main=X.chm::/html\\missing.htm\nIDH_Main_Ok=x.CHM::/html\\menu_settings#anchor\n"
               "IDH_Main_Cancel=Other.chm::/a.htm\n"},
          {"html/menu_settings.htm", ""}},
         "no-topic 100 (IDH_Main): Main\nno-topic 110 (IDH_Main_Ok): Main.Ok\n2 findings in 1 form\n"},
        {"without a compiled file named, the project's own name with .chm",
         {{"h.hhp", kAllMapped +
                        "[ALIAS]\nIDH_Main=mk:@MSITStore:H.CHM::/t.htm\nIDH_Main_Ok=h.chm::gone.htm\n"
                        "IDH_Main_Cancel=http://example.com/a.htm\n"},
          {"t.htm", ""}},
         "no-topic 110 (IDH_Main_Ok): Main.Ok\n1 finding in 1 form\n"},
        {"RTF groups past the bound: what they hold is not read, and said",
         {{"h.hpj", kAllMapped + "[FILES]\nt.rtf\n[ALIAS]\nIDH_Main_Cancel=IDH_Main\n"},
          {"t.rtf", "{\\rtf1 #{\\footnote IDH_Main}" + std::string(300, '{') + "#{\\footnote IDH_Main_Ok}" +
                        std::string(300, '}') + "}"}},
         "no-topic 110 (IDH_Main_Ok): Main.Ok\n1 finding in 1 form\n"
         "warning h.hpj:6: t.rtf: groups nested more than 256 deep; the footnotes within them are not "
         "read\n"},
        {"many notices of one kind: the first ten, then one with how many more; deep blocks said once",
         {{"h.hhp", kAllMapped + Repeated("#if 1\n", 300) + Repeated("#endif\n", 300) + kAllAliased +
                        Repeated("IDH_Main=t.htm\n", 12)},
          {"t.htm", ""}},
         "0 findings in 1 form\n"
         "warning h.hhp:261: conditional blocks nested more than 256 deep; the lines within them are not "
         "read\n" +
             RepeatedAliases(12)},
    };
    for (const auto& c : cases) {
        const std::string project = c.files.count("h.hpj") != 0 ? "h.hpj" : "h.hhp";
        EXPECT_EQ(Report(c.files, project), c.expected) << c.rule;
    }
}

// A file that is not there is a warning; one that is there and cannot be read (a folder, a pipe, one past
// the size bound, one held by another program past the open's patience) an error naming the line that
// named it; reading goes on after each. Only the project itself unread leaves nothing read.
TEST(HelpProject, WhatCannotBeReadIsToldAndReadingGoesOn) {
    TempDir dir;
    const std::string project = dir.Write("h.hhp", "[MAP]\n#include none.h\n#include sub\n#include "
                                                   "big.h\n#include held.h\n#include fifo.h\nIDH_Main 100\n");
    dir.Write("sub/x", "");
    const std::string big = dir.Write("big.h", "");
    std::filesystem::resize_file(big, kMaxProjectFileBytes + 1);
    const std::string held = dir.Write("held.h", "#define IDH_Main_Ok 110\n");
    std::vector<Notice> expected = {
        {Notice::kWarning, project, 2, "none.h not found; its identifiers are not known here"},
        {Notice::kError, project, 3, "Cannot open file " + dir.File("sub")},
        {Notice::kError, project, 4, big + " is too large"}};
#ifdef _WIN32
    const HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    expected.push_back({Notice::kError, project, 5, "Cannot open file " + held});
    expected.push_back(
        {Notice::kWarning, project, 6, "fifo.h not found; its identifiers are not known here"});
#else
    ASSERT_EQ(mkfifo(dir.File("fifo.h").c_str(), 0600), 0);
    expected.push_back({Notice::kError, project, 6, dir.File("fifo.h") + " is not a regular file"});
#endif
    HelpProjectReading help = ReadHelpProject(project);
#ifdef _WIN32
    CloseHandle(holder);
#endif
    EXPECT_TRUE(help.Read);
    EXPECT_EQ(help.Project.Map.size(), expected.size() == 4 ? 2u : 1u);
    EXPECT_EQ(help.Notices, expected);
    for (const auto& [name, message] :
         {std::pair<std::string, std::string>{"none.hhp", "Cannot open file %s"},
          {"sub.hhp", "Cannot open file %s"},
          {"big.hhp", "%s is too large"}}) {
        if (name != "none.hhp")
            std::filesystem::rename(name == "big.hhp" ? big : dir.File("sub"), dir.File(name));
        help = ReadHelpProject(dir.File(name));
        EXPECT_FALSE(help.Read);
        const std::string shown =
            message.substr(0, message.find('%')) + dir.File(name) + message.substr(message.find('%') + 2);
        EXPECT_EQ(help.Notices, (std::vector<Notice>{{Notice::kError, dir.File(name), 0, shown}})) << name;
    }
}

// The work of a reading is bounded by its files, whatever they nest: counted, not timed.
TEST(HelpProject, WorkIsBoundedByTheFiles) {
    std::map<std::string, std::string> fanOut = {
        {"h.hhp", "[MAP]\n#include f0.h\n" + Repeated("#include F0.H\n", 1000)}};
    for (int i = 0; i < 30;
         ++i) // each header includes the next twice: 2^30 reads if each were read each time
        fanOut["f" + std::to_string(i) + ".h"] = Repeated("#include f" + std::to_string(i + 1) + ".h\n", 2);
    fanOut["f30.h"] = "#define IDH_Main 100\n";
    std::string exploding = "[MAP]\n#define A0 1\n";
    for (int i = 1; i <= 14; ++i) // A14 is replaced by 2^14 ones and 2^14 - 1 pluses
        exploding += "#define A" + std::to_string(i) + " A" + std::to_string(i - 1) + "+A" +
                     std::to_string(i - 1) + "\n";
    exploding += Repeated("#if A14\n#endif\nIDH_X A14\n", 100) + "IDH_Main 100\n";
    const struct {
        const char* what;
        std::map<std::string, std::string> files;
        std::size_t filesRead;
        std::uint64_t maxReplacements;
        std::size_t notices;
    } cases[] = {
        {"a header included again, by any name, is not read again", fanOut, 32, 0, 0},
        {"a topic file named by many lines and spellings is read once for the keyword index",
         {{"h.hhp", "[OPTIONS]\nIndex file=i.hhk\n[FILES]\n" + Repeated("t.htm\nT.HTM\n", 500) +
                        "[MAP]\nIDH_Main 100\n"},
          {"i.hhk", ""},
          {"t.htm", ""}},
         3,
         0,
         0},
        {"replacements share one budget a reading, said once",
         {{"h.hhp", exploding}},
         1,
         (1u << 22) + 4 * exploding.size(),
         1},
    };
    for (const auto& c : cases) {
        TempDir dir;
        for (const auto& [name, bytes] : c.files)
            dir.Write(name, bytes);
        HelpProjectReading help = ReadHelpProject(dir.File("h.hhp"));
        ReadKeywordIndex(dir.File("h.hhp"), help);
        EXPECT_EQ(help.FilesRead, c.filesRead) << c.what;
        EXPECT_LE(help.Replacements, c.maxReplacements) << c.what;
        EXPECT_GE(help.Replacements, c.maxReplacements * 9 / 10) << c.what;
        EXPECT_EQ(help.Notices.size(), c.notices) << c.what;
        ASSERT_FALSE(help.Project.Map.empty()) << c.what;
        EXPECT_EQ(help.Project.IdOf(help.Project.Map.back()), "IDH_Main") << c.what;
    }
}

std::string Joined(const std::vector<std::string>& items) {
    std::string joined;
    for (const std::string& item : items)
        joined += (joined.empty() ? "" : "|") + item;
    return joined;
}

// The keyword indexes of both kinds of help: an HTML index's entries and sub-entries, its topics'
// keyword objects, a classic project's K footnotes.
TEST(KeywordIndex, ReadsEveryKindOfIndex) {
    const struct {
        const char* what;
        std::string keywords;
        const char* expected;
    } cases[] = {
        {"index entries and sub-entries: any case, any quotes, entities (others as written)",
         Joined(IndexKeywords(
             "<LI><OBJECT type=\"text/sitemap\"><PARAM NAME=name VALUE='Saving &amp; loading'>"
             "<param name=\"Local\" value=\"a.htm\"></OBJECT><UL><LI><object>"
             "<param\tname=\"Name\" value=\" to disk \"></object></UL>"
             "<param name=\"Name\" value=\"&#52628;&#xAC00;\"><param name=\"Name\" value=\"&#1;&x;&amp\">"
             "<param name=\"Name\" value=\"cut")),
         "Saving & loading|to disk|\xEC\xB6\x94\xEA\xB0\x80|&#1;&x;&amp|cut"},
        {"topic keyword objects, several to a value",
         Joined(TopicKeywords(
             "<param name=\"Keyword\" value=\" a ; b;;c \"><param name=\"Keywords\" value=\"x\">"
             "<paramname=\"Keyword\" value=\"y\">")),
         "a|b|c"},
        {"K footnotes in the document's code page, with Unicode characters",
         Joined(ReadRtfTopics("{\\rtf1\\ansi\\ansicpg1251 K{\\footnote {\\up K} \\'cf\\'f0\\'e8;saving}"
                              "#{\\footnote ID}K{\\footnote Keyboard}\\uc1 K{\\footnote \\u1055?x}}")
                    .Keywords),
         "\xD0\x9F\xD1\x80\xD0\xB8|saving|Keyboard|\xD0\x9Fx"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.keywords, c.expected) << c.what;
}

TEST(HelpProject, RtfWalkerStaysInBoundsOnBrokenInput) {
    for (const std::string& rtf :
         std::vector<std::string>{"#{\\footnote X", "#{\\footnote \\", "\\'4", "\\bin99999 x",
                                  "}}}#{\\footnote Y}", std::string(100000, '{') + "#{\\footnote Z}",
                                  // a code page no converter has is not believed
                                  "{\\rtf1\\ansicpg12 #{\\footnote \\'e9}}"})
        EXPECT_LE(ReadRtfTopics(rtf).Ids.size(), 1u) << rtf.substr(0, 20);
}

} // namespace
