#include "scanner/ProjectFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "runtime/Exceptions.h"
#include "scanner/ProjectFile.h"
#include "tests/support/TestFiles.h"

namespace {

// The names of a list, joined by "|" so a case reads as one line.
std::string Names(const std::string& nameList) {
    std::string joined;
    for (const std::string& name : SplitFormNames(nameList))
        joined += (joined.empty() ? "" : "|") + name;
    return joined;
}

std::string XmlNames(const std::string& xml) {
    return Names(XmlProjectNameList(xml, "p.bpr"));
}

const char kHead[] = "<?xml version='1.0' encoding='utf-8' ?>\r\n<!-- XML Project -->\r\n<PROJECT>\r\n";

struct XmlCase {
    const char* what;
    std::string xml;
    const char* names;
};

void PrintTo(const XmlCase& c, std::ostream* out) {
    *out << c.what;
}

class XmlNameListTest : public ::testing::TestWithParam<XmlCase> {};

TEST_P(XmlNameListTest, ReadsTheValueOfTheFirstResdepen) {
    EXPECT_EQ(XmlNames(GetParam().xml), GetParam().names) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Projects, XmlNameListTest,
    ::testing::Values(
        XmlCase{"over several lines, as the environment writes it",
                std::string(kHead) + "  <MACROS>\r\n    <VERSION value=\"5.03\"/>\r\n"
                                     "    <RESDEPEN value=\"$(RESFILES) A.dfm B.dfm \r\n      C.dfm\"/>\r\n"
                                     "    <LIBFILES value=\"\"/>\r\n  </MACROS>\r\n</PROJECT>\r\n",
                "A.dfm|B.dfm|C.dfm"},
        XmlCase{"LF line ends, a byte-order mark and single quotes",
                "\xEF\xBB\xBF<?xml version='1.0'?>\n<PROJECT>\n<RESDEPEN value = 'A.dfm\n  B.dfm'/>\n",
                "A.dfm|B.dfm"},
        XmlCase{"the five predefined entities",
                "<PROJECT><RESDEPEN value=\"a&amp;b.dfm &lt;c&gt;.dfm &quot;d&quot;.dfm &apos;e.dfm\"/>",
                "a&b.dfm|<c>.dfm|\"d\".dfm|'e.dfm"},
        XmlCase{"character references, written as UTF-8",
                "<PROJECT><RESDEPEN value=\"&#65;.dfm &#x42;.dfm caf&#233;.dfm &#x1F600;.dfm\"/>",
                "A.dfm|B.dfm|caf\xC3\xA9.dfm|\xF0\x9F\x98\x80.dfm"},
        XmlCase{"line breaks and tabs, written or referenced, separate names",
                "<PROJECT><RESDEPEN value=\"A.dfm\tB.dfm&#9;C.dfm&#10;D.dfm&#13;&#xA;E.dfm\"/>",
                "A.dfm|B.dfm|C.dfm|D.dfm|E.dfm"},
        XmlCase{"bytes other than references stay as they are",
                "<PROJECT><RESDEPEN value=\"caf\xC3\xA9.dfm \xE9t\xE9.dfm\"/>",
                "caf\xC3\xA9.dfm|\xE9t\xE9.dfm"},
        XmlCase{"only the first RESDEPEN element counts",
                "<PROJECT><RESDEPEN value=\"A.dfm\"/><RESDEPEN value=\"B.dfm\"/>", "A.dfm"},
        XmlCase{"RESDEPEN in comments, instructions, CDATA, the doctype or another value is no element",
                "<?xml version='1.0'?><!DOCTYPE PROJECT [<!ENTITY e \"<RESDEPEN value='1.dfm'/>\">]>"
                "<!-- <RESDEPEN value='2.dfm'/> --><?pi <RESDEPEN value='3.dfm'/> ?>"
                "<PROJECT note=\"<RESDEPEN value='4.dfm'/>\"><![CDATA[<RESDEPEN value='5.dfm'/>]]>"
                "</NOTE><RESDEPEN value=\"A.dfm\"/>",
                "A.dfm"},
        XmlCase{"a > inside an earlier value does not end its tag",
                "<PROJECT><X a=\">\" b='>'/><RESDEPEN value=\"A.dfm\"/>", "A.dfm"},
        XmlCase{"other attributes before and after the value, blanks before the end",
                "<PROJECT><RESDEPEN id=\"x\" value=\"A.dfm\" note=\"&bogus;\" >", "A.dfm"},
        XmlCase{"references in other attributes are not read",
                "<PROJECT><X a=\"&nbsp;\"/><RESDEPEN value=\"A.dfm\"/>", "A.dfm"},
        XmlCase{"only a leading $(RESFILES) token is dropped",
                "<PROJECT><RESDEPEN value=\"  $(RESFILES)x.dfm A.dfm $(RESFILES)\"/>",
                "$(RESFILES)x.dfm|A.dfm|$(RESFILES)"},
        XmlCase{"no RESDEPEN element", "<PROJECT><RESDEPENDS value=\"A.dfm\"/><resdepen value=\"B.dfm\"/>",
                ""},
        XmlCase{"a RESDEPEN without value", "<PROJECT><RESDEPEN/><RESDEPEN value=\"B.dfm\"/>", ""},
        XmlCase{"an empty value", "<PROJECT><RESDEPEN value=\"$(RESFILES)\"/>", ""}));

TEST(XmlNameList, KeepsTheBlanksOfTheValue) {
    EXPECT_EQ(XmlProjectNameList("<PROJECT><RESDEPEN value=\"$(RESFILES) A.dfm\r\n\tB.dfm\"/>", "p.bpr"),
              " A.dfm   B.dfm");
}

// Where the document cannot be followed to the end of the value, or the value holds a reference that
// names no character, the error says where.
TEST(XmlNameList, ADocumentThatCannotBeFollowedIsAnError) {
    const struct {
        const char* xml;
        int line;
    } cases[] = {
        {"<?xml version='1.0'?>\n<!-- never closed", 2},
        {"<?xml version='1.0'", 1},
        {"<PROJECT>\n<![CDATA[ open", 2},
        {"<!DOCTYPE PROJECT [ <!ENTITY e '>'>", 1},
        {"<PROJECT>\n\n</PROJECT", 3},
        {"<PROJECT>\n<RESDEPEN value=\"A.dfm\n  B.dfm", 2},
        {"<PROJECT>\n<RESDEPEN value \"A.dfm\"/>", 2},
        {"<PROJECT>\n<RESDEPEN value=A.dfm/>", 2},
        {"<PROJECT>\n<RESDEPEN =\"A.dfm\"/>", 2},
        {"<PROJECT>\n< RESDEPEN value=\"A.dfm\"/>", 2},
        {"<PROJECT>\n<RESDEPEN value=\"A.dfm\"", 2},
        {"<PROJECT><RESDEPEN value=\"A.dfm\n&nbsp;\"/>", 2},
        {"<PROJECT><RESDEPEN value=\"&amp A.dfm\"/>", 1},
        {"<PROJECT><RESDEPEN value=\"&#0;\"/>", 1},
        {"<PROJECT><RESDEPEN value=\"&#xD800;\"/>", 1},
        {"<PROJECT><RESDEPEN value=\"&#1114112;\"/>", 1},
        {"<PROJECT><RESDEPEN value=\"&#99999999999999999999;\"/>", 1},
        {"<PROJECT><RESDEPEN value=\"&#;&#x;\"/>", 1},
        {"<PROJECT><RESDEPEN value=\"&#12a;\"/>", 1},
        {"<PROJECT><RESDEPEN value=\"&#xG;\"/>", 1},
    };
    for (const auto& c : cases) {
        try {
            XmlProjectNameList(c.xml, "dir/p.bpr");
            ADD_FAILURE() << "no error: " << c.xml;
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message(),
                      "Invalid XML in project file dir/p.bpr at line " + std::to_string(c.line))
                << c.xml;
        }
    }
}

TEST(XmlNameList, RecognisesXmlProjects) {
    for (const char* xml : {"<?xml version='1.0'?>", "<PROJECT>", "\xEF\xBB\xBF \r\n\t<?xml", "<PROJECT"})
        EXPECT_TRUE(IsXmlProject(xml)) << xml;
    for (const char* other :
         {"", "RESDEPEN = $(RESFILES) A.dfm", "<project>", "<?XML", "# <?xml", "\xEF\xBB<?xml"})
        EXPECT_FALSE(IsXmlProject(other)) << other;
}

// The XML project files of the real projects list the forms of their makefile twins; two of them
// were saved after forms were added to (and, in fractals, one removed from) the project.
TEST(XmlNameList, RealProjectsAgreeWithTheirMakefiles) {
    const std::string corpus = CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "no real-world corpus next to the repository";
    const struct {
        const char* xml;
        const char* makefile;
        const char* onlyInXml;
        const char* onlyInMakefile;
    } twins[] = {
        {"ibm1410/PIBM1410.bpr", "ibm1410/PIBM1410.mak", "", ""},
        {"mmana/Mmana.bpr", "mmana/Mmana.mak", "", ""},
        {"traincalc/Project1.bpr", "traincalc/Project1.mak", "Unit9.dfm", ""},
        {"fractals/Project1.bpr", "fractals/Project1.mak", "lSystem.dfm|ddWindow.dfm", "Unit2.dfm"},
    };
    for (const auto& twin : twins) {
        const std::string xml = corpus + "/realworld/" + twin.xml;
        const std::string makefile = corpus + "/realworld/" + twin.makefile;
        const std::vector<std::string> xmlNames = SplitFormNames(LoadProjectNameList(xml, xml, true));
        const std::vector<std::string> makeNames =
            SplitFormNames(LoadProjectNameList(makefile, makefile, false));
        std::string onlyInXml, onlyInMakefile;
        for (const std::string& name : xmlNames) {
            if (std::find(makeNames.begin(), makeNames.end(), name) == makeNames.end())
                onlyInXml += (onlyInXml.empty() ? "" : "|") + name;
        }
        for (const std::string& name : makeNames) {
            if (std::find(xmlNames.begin(), xmlNames.end(), name) == xmlNames.end())
                onlyInMakefile += (onlyInMakefile.empty() ? "" : "|") + name;
        }
        EXPECT_GE(xmlNames.size(), 3u) << twin.xml;
        EXPECT_EQ(onlyInXml, twin.onlyInXml) << twin.xml;
        EXPECT_EQ(onlyInMakefile, twin.onlyInMakefile) << twin.xml;
    }
}

} // namespace
