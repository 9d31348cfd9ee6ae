// quorvel-cli as other tools see it: exact output, messages on standard error, exit codes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/FormBuilder.h"
#include "tests/support/TestFiles.h"

namespace {

struct CliRun {
    int Exit;
    std::string Out;
    std::string Err;
};

std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (const char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs the tool through the shell; standard output goes to a file unless `stdoutTo` names another.
CliRun Cli(const std::string& args, const std::string& folder = "", const std::string& stdoutTo = "") {
    TempDir capture;
    const std::string out = stdoutTo.empty() ? capture.File("out") : stdoutTo;
    const std::string err = capture.File("err");
    std::string command = std::string(QUORVEL_CLI) + " " + args + " >" + Quote(out) + " 2>" + Quote(err);
    if (!folder.empty())
        command = "cd " + Quote(folder) + " && " + command;
    const int status = std::system(command.c_str());
    return CliRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, stdoutTo.empty() ? ReadWholeFile(out) : "",
                  ReadWholeFile(err)};
}

// Runs the tool with standard output on a pipe whose reading end is already closed, and SIGPIPE at
// its default, as a pager that quit would leave it. Exit is -1 when a signal ended the process.
CliRun CliIntoClosedPipe(const std::vector<std::string>& args) {
    TempDir capture;
    const std::string err = capture.File("err");
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return CliRun{-2, "", "pipe failed"};
    ::close(pipeEnds[0]);
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGPIPE, SIG_DFL);
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        const int errFile = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(errFile, STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(QUORVEL_CLI)};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(QUORVEL_CLI, argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return CliRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", ReadWholeFile(err)};
}

std::string Form(const std::string& name, int formContext, int componentContext) {
    FormBuilder f;
    f.Object("T" + name, name);
    if (formContext != 0)
        f.Prop("HelpContext").Int(formContext);
    f.EndProps().Object("TButton", "Button1");
    if (componentContext != 0)
        f.Prop("HelpContext").Int(componentContext);
    f.EndProps().EndChildren().EndChildren();
    return f.FormFile("T" + name);
}

// A run's exit code and both outputs at once.
::testing::AssertionResult Ran(const CliRun& run, int exit, const std::string& out, const std::string& err) {
    if (run.Exit == exit && run.Out == out && run.Err == err)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "exit " << run.Exit << " (" << exit << "), out \"" << run.Out << "\" (\"" << out
           << "\"), err \"" << run.Err << "\" (\"" << err << "\")";
}

const char kWorkedExample[] = "\xFF\x0A\x00TFORM1\x00\x00\x00\x3F\x00\x00\x00TPF0\x06TForm1\x05"
                              "Form1\x07"
                              "Caption\x06\x04Main\x00\x06TBevel\x06"
                              "Bevel1\x0BHelpContext\x02\x2A\x00\x00\x00";

TEST(CliForm2Text, WritesTheExactText) {
    TempDir dir;
    const std::string form = dir.Write("a.dfm", std::string(kWorkedExample, sizeof kWorkedExample - 1));
    const CliRun run = Cli("form2text " + Quote(form));
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, "object Form1: TForm1\r\n  Caption = 'Main'\r\n  object Bevel1: TBevel\r\n"
                       "    HelpContext = 42\r\n  end\r\nend\r\n");
    EXPECT_EQ(run.Err, "");
}

TEST(CliForm2Text, PrintsTheTextBeforeAFailureThenTheMessage) {
    TempDir dir;
    const std::string whole(kWorkedExample, sizeof kWorkedExample - 1);
    const std::string cut = dir.Write("cut.dfm", whole.substr(0, whole.size() - 8));
    CliRun run = Cli("form2text " + Quote(cut));
    EXPECT_EQ(run.Exit, 1);
    // The indentation of the property that could not be read was already written.
    EXPECT_EQ(run.Out, "object Form1: TForm1\r\n  Caption = 'Main'\r\n  object Bevel1: TBevel\r\n    ");
    EXPECT_EQ(run.Err, "quorvel-cli: Stream read error.\n");

    run = Cli("form2text " + Quote(dir.File("none.dfm")));
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "quorvel-cli: Cannot open file " + dir.File("none.dfm") + ".\n");

    const std::string text = dir.Write("text.dfm", "object Form1: TForm1\r\nend\r\n");
    run = Cli("form2text " + Quote(text));
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Err, "quorvel-cli: Invalid stream format.\n");
}

TEST(CliScan, PrintsTheTreeAsTextAndJson) {
    TempDir dir;
    dir.Write("A.dfm", Form("FormA", 5, 7));
    dir.Write("B.dfm", Form("FormB", 0, 9));
    dir.Write("C.dfm", Form("FormC", 0, 0));
    dir.Write("p.mak", "RESDEPEN = $(RESFILES) A.dfm missing.dfm \\\r\n  B.dfm C.dfm\r\n");
    CliRun run = Cli(Quote(dir.File("p.mak")).insert(0, "scan "));
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, "FormA:5\n  Button1:7\nFormB\n  Button1:9\n");
    EXPECT_EQ(run.Err, "quorvel-cli: warning: missing.dfm: listed, not found.\n");

    run = Cli("scan " + Quote(dir.File("p.mak")) + " --json");
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out,
              "[\n"
              "  {\"caption\": \"FormA:5\", \"image\": 0, \"children\": [{\"caption\": \"Button1:7\", "
              "\"image\": 1, \"children\": []}]},\n"
              "  {\"caption\": \"FormB\", \"image\": 2, \"children\": [{\"caption\": \"Button1:9\", "
              "\"image\": 1, \"children\": []}]}\n"
              "]\n");
}

TEST(CliScan, ResolvesFormsInTheProjectFolderAndNamesTheProjectAsTyped) {
    TempDir dir;
    dir.Write("sub/A.dfm", Form("FormA", 5, 0));
    dir.Write("sub/p.mak", "RESDEPEN = $(RESFILES) A.dfm\r\n");
    CliRun run = Cli("scan sub/p.mak", dir.Path());
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, "FormA:5\n");

    run = Cli("scan --json sub/none.mak", dir.Path());
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Out, "[]\n");
    EXPECT_EQ(run.Err, "quorvel-cli: Cannot open file sub/none.mak.\n");
}

TEST(CliScan, PrintsTheNodesBeforeAFailure) {
    TempDir dir;
    dir.Write("A.dfm", Form("FormA", 5, 0));
    dir.Write("bad.dfm", "object Bad: TBad\r\nend\r\n");
    dir.Write("B.dfm", Form("FormB", 6, 0));
    dir.Write("p.mak", "RESDEPEN = $(RESFILES) A.dfm bad.dfm B.dfm\r\n");
    CliRun run = Cli("scan p.mak", dir.Path());
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Out, "FormA:5\n");
    EXPECT_EQ(run.Err, "quorvel-cli: bad.dfm: Invalid stream format.\n");

    run = Cli("scan --json p.mak", dir.Path());
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Out, "[\n  {\"caption\": \"FormA:5\", \"image\": 0, \"children\": []}\n]\n");
}

TEST(CliScan, JsonCaptionsAreUtf8) {
    TempDir dir;
    dir.Write("A.dfm", Form("Caf\xE9\x80\x81", 1, 0));
    dir.Write("p.mak", "RESDEPEN = $(RESFILES) A.dfm\r\n");
    const CliRun run = Cli("scan --json p.mak", dir.Path());
    EXPECT_EQ(
        run.Out,
        "[\n  {\"caption\": \"Caf\xC3\xA9\xE2\x82\xAC\xC2\x81:1\", \"image\": 0, \"children\": []}\n]\n");
}

// Names are in the code page their form was saved in (Windows-1252 unless --codepage says another);
// later versions write UTF-8, which --any-version takes where a name is valid UTF-8. JSON and CSV
// convert; the text keeps the bytes.
TEST(CliScan, NamesAreConvertedFromTheirCodePage) {
    TempDir dir;
    dir.Write("Ru.dfm", Form("\xCF\xF0\xE8", 5, 0));
    dir.Write("Jp.dfm",
              "object \xE3\x83\xA1\xE3\x82\xA4\xE3\x83\xB3: TForm1\r\n  HelpContext = 6\r\nend\r\n");
    dir.Write("p.mak", "RESDEPEN = $(RESFILES) Ru.dfm Jp.dfm\r\n");
    const struct {
        const char* args;
        const char* out;
    } cases[] = {
        {"scan --json --codepage 1251 p.mak",
         "[\n  {\"caption\": \"\xD0\x9F\xD1\x80\xD0\xB8:5\", \"image\": 0, \"children\": []}\n]\n"},
        {"map --format csv --any-version --codepage=1251 p.mak",
         "form,component,number\r\n\xD0\x9F\xD1\x80\xD0\xB8,,5\r\n\xE3\x83\xA1\xE3\x82\xA4\xE3\x83\xB3,,"
         "6\r\n"},
        {"map --format csv p.mak", "form,component,number\r\n\xC3\x8F\xC3\xB0\xC3\xA8,,5\r\n"},
        {"scan --codepage 1251 --any-version p.mak",
         "\xCF\xF0\xE8:5\n\xE3\x83\xA1\xE3\x82\xA4\xE3\x83\xB3:6\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cli(c.args, dir.Path()).Out, c.out) << c.args;
    EXPECT_EQ(Cli("scan --codepage 65001 p.mak", dir.Path()).Exit, 2);
}

TEST(CliUsage, ExitCodes) {
    EXPECT_EQ(Cli("scan ''").Exit, 0);
    EXPECT_EQ(Cli("scan ''").Out, "");
    EXPECT_EQ(Cli("--help").Exit, 0);
    EXPECT_NE(Cli("--help").Out.find("scan"), std::string::npos);
    EXPECT_TRUE(std::regex_match(
        Cli("--version").Out, std::regex("quorvel-cli " QUORVEL_VERSION " \\((unknown|[0-9a-f]{7,})\\)\n")))
        << Cli("--version").Out;
    EXPECT_EQ(Cli("scan --codepage 932 --codepage=1250 ''").Exit, 0);
    EXPECT_EQ(Cli("scan --help").Out, Cli("--help").Out);
    EXPECT_EQ(Cli("form2text x.dfm --help").Exit, 0);
    for (const char* bad : {"",
                            "frobnicate",
                            "scan",
                            "scan a b",
                            "scan --xml a",
                            "form2text",
                            "form2text a b",
                            "form2text --bogus",
                            "form2text -x a.dfm",
                            "scan p.mak --json=yes",
                            "scan -j p.mak",
                            "--json scan p.mak",
                            "map --format xml p.mak",
                            "map --format",
                            "map p.mak --prefix",
                            "map --json p.mak",
                            "check",
                            "check a b",
                            "check --format h p.mak",
                            "check --help-project help.txt p.mak",
                            "check p.mak --help-project",
                            "check --json --sarif p.mak",
                            "scan --codepage 437 p.mak",
                            "map --codepage=utf8 p.mak",
                            "check --codepage p.mak",
                            "form2text --codepage 1252 a.dfm"}) {
        const CliRun run = Cli(bad);
        EXPECT_EQ(run.Exit, 2) << bad;
        EXPECT_NE(run.Err.find("usage: "), std::string::npos) << bad;
        EXPECT_EQ(run.Out, "") << bad;
    }
}

TEST(CliUsage, ALoneDashAndWhatFollowsADoubleDashAreOperands) {
    TempDir dir;
    EXPECT_TRUE(Ran(Cli("form2text -", dir.Path()), 1, "", "quorvel-cli: Cannot open file -.\n"));
    EXPECT_TRUE(Ran(Cli("scan -- --json", dir.Path()), 1, "", "quorvel-cli: Cannot open file --json.\n"));
}

// Every command that writes to standard output, each with output to write.
std::vector<std::vector<std::string>> CommandsThatWrite(const std::string& project, const std::string& form) {
    return {{"scan", project},     {"scan", "--json", project},
            {"map", project},      {"map", "--format", "csv", project},
            {"check", project},    {"check", "--json", project},
            {"coverage", project}, {"assign", project},
            {"form2text", form},   {"--help"},
            {"scan", "--help"},    {"--version"}};
}

std::string Joined(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& arg : args)
        line += (line.empty() ? "" : " ") + Quote(arg);
    return line;
}

TEST(CliOutput, AFullDiskOrAClosedPipeIsAFailureNotASignal) {
    TempDir dir;
    dir.Write("A.dfm", Form("FormA", 5, 7));
    const std::string project = dir.Write("p.mak", "RESDEPEN = $(RESFILES) A.dfm\r\n");
    for (const auto& args : CommandsThatWrite(project, dir.File("A.dfm"))) {
        EXPECT_TRUE(Ran(Cli(Joined(args), "", "/dev/full"), 1, "", "quorvel-cli: Stream write error.\n"))
            << Joined(args);
        EXPECT_TRUE(Ran(CliIntoClosedPipe(args), 1, "", "quorvel-cli: Stream write error.\n"))
            << Joined(args);
    }
}

// A project of good, damaged, foreign and missing forms.
struct MixedProject {
    MixedProject() {
        dir.Write("A.dfm", Form("FormA", 5, 7));
        dir.Write("foreign.dfm", "not a form\r\n");
        const std::string cut = Form("FormC", 0, 3);
        dir.Write("cut.dfm", cut.substr(0, cut.size() - 6));
        dir.Write("B.dfm", Form("FormB", 0, 9));
        dir.Write("p.mak", "RESDEPEN = $(RESFILES) A.dfm foreign.dfm missing.dfm cut.dfm B.dfm\r\n");
        dir.Write("good.mak", "RESDEPEN = $(RESFILES) A.dfm missing.dfm\r\n");
        dir.Write("bad.bpr", "<?xml version='1.0'?>\n<PROJECT>\n<RESDEPEN value=\"A.dfm &nbsp; B.dfm\"/>\n");
    }
    TempDir dir;
};

TEST(CliKeepGoing, ReportsEachFailingFormAndScansTheRest) {
    const MixedProject project;
    const std::string failed = "quorvel-cli: foreign.dfm: Invalid stream format.\n"
                               "quorvel-cli: warning: missing.dfm: listed, not found.\n"
                               "quorvel-cli: cut.dfm: Stream read error.\n";
    EXPECT_TRUE(Ran(Cli("scan --keep-going p.mak", project.dir.Path()), 1,
                    "FormA:5\n  Button1:7\nFormB\n  Button1:9\n", failed));
    const CliRun json = Cli("scan p.mak --json --keep-going", project.dir.Path());
    EXPECT_TRUE(Ran(json, 1, json.Out, failed));
    EXPECT_EQ(json.Out.substr(0, 30), "[\n  {\"caption\": \"FormA:5\", \"im");
    EXPECT_NE(json.Out.find("\"FormB\""), std::string::npos);
    // Without the option the first failure ends the scan.
    EXPECT_TRUE(Ran(Cli("scan p.mak", project.dir.Path()), 1, "FormA:5\n  Button1:7\n",
                    "quorvel-cli: foreign.dfm: Invalid stream format.\n"));
}

TEST(CliKeepGoing, ExitsWithZeroWhenNoFormFailsAndStopsAtAProjectThatCannotBeRead) {
    const MixedProject project;
    EXPECT_TRUE(Ran(Cli("scan --keep-going good.mak", project.dir.Path()), 0, "FormA:5\n  Button1:7\n",
                    "quorvel-cli: warning: missing.dfm: listed, not found.\n"));
    const struct {
        const char* project;
        const char* err;
    } unreadable[] = {
        {"none.mak", "quorvel-cli: Cannot open file none.mak.\n"},
        {".", "quorvel-cli: Cannot open file ..\n"},
        {"bad.bpr", "quorvel-cli: Invalid XML in project file bad.bpr at line 3.\n"},
    };
    for (const auto& p : unreadable)
        EXPECT_TRUE(Ran(Cli(std::string("scan --keep-going --any-version ") + p.project, project.dir.Path()),
                        1, "", p.err));
}

TEST(CliAnyVersion, ReadsXmlProjectsAndTextSavedFormsLikeTheirMakefileTwins) {
    TempDir dir;
    dir.Write("A.dfm", Form("FormA", 5, 7));
    dir.Write("T.dfm",
              "\xEF\xBB\xBFobject TextForm: TTextForm\r\n  HelpContext = 40\r\n  object Edit1: TEdit\r\n"
              "    HelpContext = 41\r\n  end\r\nend\r\n");
    dir.Write("p.bpr", "<?xml version='1.0' encoding='utf-8' ?>\r\n<PROJECT>\r\n  <MACROS>\r\n"
                       "    <RESDEPEN value=\"$(RESFILES) A.dfm missing.dfm\r\n      T.dfm\"/>\r\n"
                       "  </MACROS>\r\n</PROJECT>\r\n");
    dir.Write("p.mak", "RESDEPEN = $(RESFILES) A.dfm missing.dfm \\\r\n  T.dfm\r\n");
    for (const char* args : {"scan --any-version p.bpr", "scan p.bpr --any-version",
                             "scan --any-version p.mak", "scan --keep-going p.bpr --any-version"}) {
        EXPECT_TRUE(Ran(Cli(args, dir.Path()), 0, "FormA:5\n  Button1:7\nTextForm:40\n  Edit1:41\n",
                        "quorvel-cli: warning: missing.dfm: listed, not found.\n"))
            << args;
    }
    EXPECT_NE(
        Cli("scan --any-version --json p.bpr", dir.Path())
            .Out.find(
                "{\"caption\": \"TextForm:40\", \"image\": 0, \"help\": \"context\", \"children\": "
                "[{\"caption\": \"Edit1:41\", \"image\": 1, \"help\": \"context\", \"children\": []}]}"),
        std::string::npos);

    // Without the option the tool reads what the window reads; the XML file as a makefile gives the
    // names of its first line.
    EXPECT_TRUE(Ran(Cli("scan p.mak", dir.Path()), 1, "FormA:5\n  Button1:7\n",
                    "quorvel-cli: warning: missing.dfm: listed, not found.\nquorvel-cli: T.dfm: Invalid "
                    "stream format.\n"));
    EXPECT_TRUE(Ran(Cli("scan p.bpr", dir.Path()), 0, "FormA:5\n  Button1:7\n",
                    "quorvel-cli: warning: missing.dfm: listed, not found.\n"));
}

// Every real project, makefile or XML, scans with every listed form read: binary forms of every
// version, forms saved as text, and names with folders.
TEST(CliRealProjects, EveryProjectScansWithAnyVersionAndKeepGoing) {
    const std::string corpus = CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "no real-world corpus next to the repository";
    const char* const projects[] = {
        "vision8/download/Vision8/windows/Vision8.mak",
        "ampcfg/extras/wincfg/ampcfg.mak",
        "pexeso/Project1.mak",
        "ibm1410/PIBM1410.mak",
        "ibm1410/PIBM1410.bpr",
        "mmana/Mmana.mak",
        "mmana/Mmana.bpr",
        "fractals/Project1.mak",
        "fractals/Project1.bpr",
        "traincalc/Project1.mak",
        "traincalc/Project1.bpr",
        "tictactoe/Project1.mak",
    };
    // Two list a form that is not there, one by a path of its author's machine: each is named.
    const std::map<std::string, std::string> missing = {
        {"fractals/Project1.mak", "Unit2.dfm"},
        {"tictactoe/Project1.mak", "\\Users\\xlinker\\Desktop\\ticticc\\Unit1.dfm"}};
    for (const char* project : projects) {
        const CliRun run = Cli("scan --any-version --keep-going " + Quote(corpus + "/realworld/" + project));
        const auto warned = missing.find(project);
        EXPECT_TRUE(Ran(run, 0, run.Out,
                        warned == missing.end()
                            ? ""
                            : "quorvel-cli: warning: " + warned->second + ": listed, not found.\n"))
            << project;
    }
}

// The forms of traincalc are saved as text and hold no HelpContext: copies with one set on each
// show that every one is found and searched from its first word on.
TEST(CliRealProjects, TraincalcTextFormsAreFound) {
    const std::string corpus = CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "no real-world corpus next to the repository";
    TempDir dir;
    std::string names, tree;
    int number = 100;
    for (const char* unit : {"Unit1", "Unit2", "Unit3", "Unit4", "Unit5", "Unit6", "Unit8", "Unit9"}) {
        std::string text = ReadWholeFile(corpus + "/realworld/traincalc/" + unit + ".dfm");
        const size_t lineEnd = text.find('\n');
        ASSERT_NE(lineEnd, std::string::npos) << unit;
        const size_t colon = text.find(':');
        text.insert(lineEnd + 1, "  HelpContext = " + std::to_string(++number) + "\r\n");
        dir.Write(std::string(unit) + ".dfm", text);
        names += std::string(" ") + unit + ".dfm";
        tree += text.substr(7, colon - 7) + ":" + std::to_string(number) + "\n";
    }
    dir.Write("p.mak", "RESDEPEN = $(RESFILES)" + names + "\r\n");
    EXPECT_TRUE(Ran(Cli("scan --any-version p.mak", dir.Path()), 0, tree, ""));
}

TEST(CliRealProjects, QuarkTextFormsGiveTheirNodes) {
    const std::string corpus = CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "no real-world corpus next to the repository";
    const std::string prog = corpus + "/realworld/pairs/quark-crlf-damaged/text/source/trunk/prog/";
    TempDir dir;
    dir.Write("p.mak", "RESDEPEN = $(RESFILES) " + prog + "About.dfm " + prog + "TbUndoMenu.dfm\r\n");
    EXPECT_TRUE(Ran(Cli("scan --any-version p.mak", dir.Path()), 0, "AboutBox:-1\nUndoDlg:415\n", ""));
}

// The numbers of a scan's text output, in order, that are not 0.
std::vector<std::string> ScanNumbers(const std::string& text) {
    std::vector<std::string> numbers;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = text.substr(start, end - start);
        const size_t colon = line.rfind(':');
        if (colon != std::string::npos && line.substr(colon + 1) != "0")
            numbers.push_back(line.substr(colon + 1));
    }
    return numbers;
}

// The lines of a CR LF text; a line that ends in a bare LF, or a text that does not end in CR LF,
// is a failure.
std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
        EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << lines.back();
    }
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

// A project whose forms hold repeated, negative and zero numbers.
struct HelpProject {
    HelpProject() {
        dir.Write("A.dfm", Form("Main", 100, 110));
        dir.Write("B.dfm", Form("Dialog", 0, 110));
        dir.Write("C.dfm", Form("Main", 0, -4));
        dir.Write("T.dfm",
                  "object Zero: TZero\r\n  HelpContext = 0\r\n  object E: TEdit\r\n    HelpContext = 7\r\n"
                  "  end\r\nend\r\n");
        dir.Write("bad.dfm", "garbage");
        dir.Write("p.mak", "RESDEPEN = $(RESFILES) A.dfm B.dfm C.dfm T.dfm\r\n");
        dir.Write("clean.mak", "RESDEPEN = $(RESFILES) A.dfm T.dfm\r\n");
        dir.Write("failing.mak", "RESDEPEN = $(RESFILES) A.dfm bad.dfm T.dfm\r\n");
    }
    TempDir dir;
};

TEST(CliMap, AgreesWithScan) {
    const HelpProject project;
    const CliRun scan = Cli("scan --any-version p.mak", project.dir.Path());
    ASSERT_EQ(scan.Exit, 0);
    const std::vector<std::string> numbers = ScanNumbers(scan.Out);
    ASSERT_EQ(numbers.size(), 5u);

    CliRun run = Cli("map --any-version p.mak", project.dir.Path());
    EXPECT_TRUE(Ran(run, 0, run.Out, ""));
    std::vector<std::string> lines = CrLfLines(run.Out);
    ASSERT_EQ(lines.size(), numbers.size() + 1);
    EXPECT_EQ(lines[0], "/* Help context numbers of p.mak (quorvel-cli " QUORVEL_VERSION ") */");
    const char* identifiers[] = {"IDH_Main", "IDH_Main_Button1", "IDH_Dialog_Button1", "IDH_Main_Button1_2",
                                 "IDH_Zero_E"};
    for (size_t i = 0; i < numbers.size(); ++i)
        EXPECT_EQ(lines[i + 1], std::string("#define ") + identifiers[i] + " " + numbers[i]);

    run = Cli("map --format=csv --any-version p.mak", project.dir.Path());
    EXPECT_TRUE(Ran(run, 0, run.Out, ""));
    lines = CrLfLines(run.Out);
    ASSERT_EQ(lines.size(), numbers.size() + 1);
    EXPECT_EQ(lines[0], "form,component,number");
    EXPECT_EQ(lines[1], "Main,," + numbers[0]);
    EXPECT_EQ(lines[4], "Main,Button1," + numbers[3]);
    for (size_t i = 0; i < numbers.size(); ++i)
        EXPECT_EQ(lines[i + 1].substr(lines[i + 1].rfind(',') + 1), numbers[i]);

    run = Cli("map --prefix HLP- p.mak --any-version --format h", project.dir.Path());
    EXPECT_EQ(CrLfLines(run.Out)[2], "#define HLP_Main_Button1 110");
}

TEST(CliMap, WritesWhatWasFoundBeforeAFailure) {
    const HelpProject project;
    const CliRun header = Cli("map failing.mak", project.dir.Path());
    EXPECT_TRUE(Ran(header, 1, header.Out, "quorvel-cli: bad.dfm: Invalid stream format.\n"));
    EXPECT_EQ(header.Out.substr(header.Out.find("*/")),
              "*/\r\n#define IDH_Main 100\r\n#define IDH_Main_Button1 110\r\n");
    EXPECT_TRUE(Ran(Cli("map --format csv failing.mak", project.dir.Path()), 1,
                    "form,component,number\r\nMain,,100\r\nMain,Button1,110\r\n",
                    "quorvel-cli: bad.dfm: Invalid stream format.\n"));
}

// A command line, and its exit code and both outputs.
struct CliCase {
    const char* args;
    int exit;
    const char* out;
    const char* err;
};

TEST(CliCheck, ExitCodes) {
    const HelpProject project;
    const CliCase cases[] = {
        {"check --any-version p.mak", 1,
         "duplicate 110: Main.Button1, Dialog.Button1\nnegative -4: Main.Button1\n2 findings in 4 forms\n",
         ""},
        {"check p.mak --json --any-version", 1,
         "[\n  {\"kind\": \"duplicate\", \"number\": 110, \"nodes\": [\"Main.Button1\", "
         "\"Dialog.Button1\"]},\n"
         "  {\"kind\": \"negative\", \"number\": -4, \"nodes\": [\"Main.Button1\"]}\n]\n",
         ""},
        {"check --any-version clean.mak", 0, "0 findings in 2 forms\n", ""},
        {"check --json --any-version clean.mak", 0, "[]\n", ""},
        {"check ''", 0, "0 findings in 0 forms\n", ""},
        {"check failing.mak", 1, "0 findings in 1 form\n", "quorvel-cli: bad.dfm: Invalid stream format.\n"},
        {"check --keep-going failing.mak", 1, "0 findings in 1 form\n",
         "quorvel-cli: bad.dfm: Invalid stream format.\nquorvel-cli: T.dfm: Invalid stream format.\n"},
        {"check none.mak", 1, "0 findings in 0 forms\n", "quorvel-cli: Cannot open file none.mak.\n"},
        {"check --help-project none.hhp p.mak", 1, "", "quorvel-cli: Cannot open file none.hhp.\n"},
        {"check --keep-going --any-version --help-project none.HPJ clean.mak", 1, "",
         "quorvel-cli: Cannot open file none.HPJ.\n"},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(Ran(Cli(c.args, project.dir.Path()), c.exit, c.out, c.err)) << c.args;
}

// A Windows project checked out on Linux: names in another case, a path of the author's machine, a
// help project's missing include. Each is told in every format, and nothing else changes.
TEST(CliCheck, FindsNamesAsWindowsDoesAndTellsWhatItMissed) {
    TempDir dir;
    dir.Write("MAINFORM.DFM", Form("Main", 100, 110));
    dir.Write("SUB/unit2.dfm", Form("Second", 0, 120));
    dir.Write("a.DFM", Form("Upper", 0, 130));
    dir.Write("a.dfm", Form("Lower", 0, 140));
    dir.Write("p.mak", "RESDEPEN = $(RESFILES) MainForm.dfm sub\\Unit2.dfm A.dfm C:\\Work\\X.dfm\r\n");
    dir.Write("h.HHP", "[MAP]\r\n#include C:\\Program Files\\Dev\\afxhelp.hm\r\n#include MAP.H\r\n[ALIAS]\r\n"
                       "IDH_Main=main.htm\r\nIDH_Main_Button1=main.htm\r\nIDH_Second_Button1=main.htm\r\n");
    dir.Write("map.h",
              "#define IDH_Main 100\n#define IDH_Main_Button1 110\n#define IDH_Second_Button1 120\n");
    dir.Write("Main.htm", "");
    const std::string warnings =
        "quorvel-cli: warning: h.hhp:2: C:\\Program Files\\Dev\\afxhelp.hm not found; its identifiers are "
        "not "
        "known here.\n"
        "quorvel-cli: warning: A.dfm: several files match it without regard to case; a.DFM is read.\n"
        "quorvel-cli: warning: C:\\Work\\X.dfm: listed, not found.\n";
    EXPECT_TRUE(Ran(Cli("check --help-project h.hhp p.mak", dir.Path()), 1,
                    "unmapped 130: Upper.Button1\n1 finding in 3 forms\n", warnings));
    EXPECT_TRUE(
        Ran(Cli("check --json --help-project h.hhp p.mak", dir.Path()), 1,
            "[\n  {\"kind\": \"unmapped\", \"number\": 130, \"nodes\": [\"Upper.Button1\"]},\n"
            "  {\"kind\": \"warning\", \"file\": \"h.hhp\", \"line\": 2, \"message\": \"C:\\\\Program "
            "Files\\\\Dev\\\\afxhelp.hm not found; its identifiers are not known here\"},\n"
            "  {\"kind\": \"warning\", \"file\": \"A.dfm\", \"line\": null, \"message\": \"several files "
            "match it without regard to case; a.DFM is read\"},\n"
            "  {\"kind\": \"warning\", \"file\": \"C:\\\\Work\\\\X.dfm\", \"line\": null, \"message\": "
            "\"listed, not found\"}\n]\n",
            warnings));
    const CliRun sarif = Cli("check --sarif --help-project h.hhp p.mak", dir.Path());
    EXPECT_EQ(sarif.Exit, 1);
    EXPECT_NE(
        sarif.Out.find("\"invocations\": [\n        {\"executionSuccessful\": true, "
                       "\"toolExecutionNotifications\": [{\"level\": \"warning\", \"message\": "
                       "{\"text\": \"C:\\\\Program Files\\\\Dev\\\\afxhelp.hm not found; its identifiers are "
                       "not known here\"}, \"locations\": [{\"physicalLocation\": {\"artifactLocation\": "
                       "{\"uri\": \"h.hhp\"}, \"region\": {\"startLine\": 2}}}]},"),
        std::string::npos)
        << sarif.Out;
}

// The examples of the README, on the demo project.
TEST(CliDemo, CheckAndMapShowTheDemoProject) {
    const std::string demo = std::string(QUORVEL_SOURCE_DIR) + "/examples/demo/";
    EXPECT_TRUE(Ran(Cli("check --any-version " + Quote(demo + "Project1.bpr")), 1,
                    "duplicate 110: MainForm.CustomerEdit, InvoiceForm.CustomerEdit\n"
                    "negative -1: OptionsDialog.BackupBox\n"
                    "unused-number 500: SearchForm\n"
                    "unused-keyword \"whole words\": SearchForm.WordsBox\n"
                    "4 findings in 7 forms\n",
                    "quorvel-cli: warning: Reports.dfm: listed, not found.\n"));
    for (const char* help : {"Help.hhp", "Help.hpj"}) {
        EXPECT_TRUE(
            Ran(Cli("check --help-project " + Quote(demo + help) + " " + Quote(demo + "Project1.mak")), 1,
                "no-topic 130 (IDH_MainForm_OkButton): MainForm.OkButton\n"
                "negative -1: OptionsDialog.BackupBox\n"
                "unmapped 330: AboutBox.OkButton\n"
                "stale IDH_AboutBox_OkButton: help project 340, forms 330: AboutBox.OkButton\n"
                "4 findings in 4 forms\n",
                "quorvel-cli: warning: Reports.dfm: listed, not found.\n"))
            << help;
    }
    const CliRun sarif =
        Cli("check --sarif --help-project " + Quote(demo + "Help.hhp") + " " + Quote(demo + "Project1.mak"));
    EXPECT_EQ(sarif.Exit, 1);
    EXPECT_NE(sarif.Out.find(
                  "{\"ruleId\": \"negative\", \"level\": \"error\", \"message\": {\"text\": \"negative -1: "
                  "OptionsDialog.BackupBox\"}, \"locations\": [{\"physicalLocation\": "
                  "{\"artifactLocation\": {\"uri\": \"Options.dfm\"}}}]}"),
              std::string::npos);
    const CliRun map = Cli("map " + Quote(demo + "Project1.mak"));
    EXPECT_EQ(map.Exit, 0);
    EXPECT_EQ(CrLfLines(map.Out).size(), 11u);
    EXPECT_EQ(CrLfLines(map.Out)[1], "#define IDH_MainForm 100");
}

// Where F1 lands on the demo, as the README shows it.
TEST(CliDemo, CoverageShowsTheDemoProject) {
    const std::string demo = std::string(QUORVEL_SOURCE_DIR) + "/examples/demo/";
    const std::string warning = "quorvel-cli: warning: Reports.dfm: listed, not found.\n";
    EXPECT_TRUE(Ran(Cli("coverage --any-version " + Quote(demo + "Project1.bpr")), 0,
                    "MainForm: 5 controls, 4 own, 0 container, 1 form, 0 none\n"
                    "OptionsDialog: 4 controls, 3 own, 0 container, 0 form, 1 none\n  none: OptionsDialog\n"
                    "AboutBox: 3 controls, 1 own, 0 container, 0 form, 2 none\n  none: AboutBox, Panel1\n"
                    "SplashForm: 1 control, 0 own, 0 container, 0 form, 1 none\n  none: SplashForm\n"
                    "InvoiceForm: 3 controls, 3 own, 0 container, 0 form, 0 none\n"
                    "PaymentForm: 6 controls, 1 own, 2 container, 0 form, 3 none\n"
                    "  none: PaymentForm, NotesMemo, PayButton\n"
                    "SearchForm: 4 controls, 3 own, 0 container, 1 form, 0 none\n"
                    "26 controls in 7 forms: 15 own, 2 container, 2 form, 7 none, 0 unknown\n",
                    warning));
    const std::string plan =
        "MainForm.CancelButton: 700\nOptionsDialog: 710\nAboutBox: 720\nAboutBox.Panel1: 730\n"
        "SplashForm: 740\nPaymentForm: 750\nPaymentForm.CardButton: 760\n"
        "PaymentForm.CashButton: 770\nPaymentForm.NotesMemo: 780\nPaymentForm.PayButton: 790\n"
        "SearchForm.WordsBox: 800\n";
}

// The README lists the commands as the tool's usage lines do.
// The demo's later-version form helps by keywords: listed with --any-version, checked against both
// kinds of help project's index alike, in every format; the map keeps numbers only, not a dead one.
TEST(CliDemo, KeywordHelpIsListedAndChecked) {
    const std::string demo = std::string(QUORVEL_SOURCE_DIR) + "/examples/demo/";
    const std::string bpr = Quote(demo + "Project1.bpr");
    const CliRun scan = Cli("scan --any-version " + bpr);
    EXPECT_NE(scan.Out.find("SearchForm:'searching'\n  FindEdit:'finding text'\n  CaseBox:'match case'\n"),
              std::string::npos)
        << scan.Out;
    EXPECT_EQ(Cli("map --any-version " + bpr).Out.find(" 500\r\n"), std::string::npos);
    const std::string findings =
        "unused-number 500: SearchForm\nno-keyword \"match case\": SearchForm.CaseBox\n"
        "unused-keyword \"whole words\": SearchForm.WordsBox\n";
    for (const char* help : {"Help.hhp", "Help.hpj"}) {
        const std::string args = " --any-version --help-project " + Quote(demo + help) + " " + bpr;
        EXPECT_NE(Cli("check" + args).Out.find(findings), std::string::npos) << help;
        EXPECT_NE(Cli("check --json" + args)
                      .Out.find("  {\"kind\": \"no-keyword\", \"keyword\": \"match case\", \"nodes\": "
                                "[\"SearchForm.CaseBox\"]},\n"),
                  std::string::npos)
            << help;
        EXPECT_NE(
            Cli("check --sarif" + args)
                .Out.find("{\"ruleId\": \"unused-number\", \"level\": \"warning\", \"message\": {\"text\": "
                          "\"unused-number 500: SearchForm\"}, \"locations\": [{\"physicalLocation\": "
                          "{\"artifactLocation\": {\"uri\": \"Search.dfm\"}}}]}"),
            std::string::npos)
            << help;
    }
}

// Every JSON report whole, as tools read it: the demo project, and a small one with a form of a later
// version in a folder, whose name is no plain URI, that asks for a keyword and has none. The goldens
// name the tool's version @VERSION@.
TEST(CliJson, ReportsAreAsTheirGoldens) {
    TempDir small;
    small.Write("sub/a+b.dfm", "object S\xC3\xBC"
                               "che: TForm\r\n  HelpType = htKeyword\r\n  object Box: TCheckBox\r\n"
                               "    HelpKeyword = 'x'\r\n    HelpType = htContext\r\n  end\r\nend\r\n");
    small.Write("p.mak", "RESDEPEN = $(RESFILES) sub\\a+b.dfm gone.dfm\r\n");
    const std::string demo = std::string(QUORVEL_SOURCE_DIR) + "/examples/demo";
    const std::string demoCheck = " --any-version --help-project Help.hhp Project1.bpr";
    const struct {
        std::string folder;
        std::string args;
        const char* golden;
    } cases[] = {
        {demo, "scan --json --any-version Project1.bpr", "demo-scan.json"},
        {demo, "check --json" + demoCheck, "demo-check.json"},
        {demo, "check --sarif" + demoCheck, "demo-check.sarif"},
        {small.Path(), "check --json --any-version p.mak", "keywords-check.json"},
        {small.Path(), "check --sarif --any-version p.mak", "keywords-check.sarif"},
    };
    for (const auto& c : cases) {
        std::string golden =
            ReadWholeFile(std::string(QUORVEL_SOURCE_DIR) + "/tests/unit/golden/" + c.golden);
        const size_t version = golden.find("@VERSION@");
        if (version != std::string::npos)
            golden.replace(version, 9, QUORVEL_VERSION);
        EXPECT_EQ(Cli(c.args, c.folder).Out, golden) << c.args;
    }
}

TEST(CliDemo, TheReadmeShowsEveryUsageLine) {
    const std::string readme = ReadWholeFile(std::string(QUORVEL_SOURCE_DIR) + "/README.md");
    const std::string usage = Cli("").Err;
    for (size_t at = usage.find("quorvel-cli ", usage.find('\n')); at != std::string::npos;
         at = usage.find("quorvel-cli ", at + 1)) {
        const std::string line = usage.substr(at, usage.find('\n', at) - at);
        const size_t listed = readme.find("\n" + line);
        ASSERT_NE(listed, std::string::npos) << line;
        EXPECT_TRUE(std::isspace(static_cast<unsigned char>(readme[listed + 1 + line.size()]))) << line;
    }
}

// A form of each landing: the panel's number reaches the edit in it, the button has its own, the form
// and the check box have none; the label is no control. The numbers given add HelpContext at the end of
// each component's properties, as assign --write puts it.
std::string CoverageForm(int formHelp = 0, int editHelp = 0, int checkHelp = 0) {
    const auto help = [](FormBuilder& f, int number) -> FormBuilder& {
        return number != 0 ? f.Prop("HelpContext").Int(number) : f;
    };
    FormBuilder f;
    help(f.Object("TMain", "Main").Prop("Caption").String("Main"), formHelp).EndProps();
    f.Object("TPanel", "Panel1").Prop("TabOrder").Int(0).Prop("HelpContext").Int(50).EndProps();
    help(f.Object("TEdit", "Edit1").Prop("TabOrder").Int(0), editHelp).EndProps().EndChildren();
    f.Object("TLabel", "Label1").Prop("Caption").String("Name").EndProps().EndChildren().EndChildren();
    help(f.Object("TButton", "Button1").Prop("TabOrder").Int(1), 60).EndProps().EndChildren();
    help(f.Object("TCheckBox", "Check1").Prop("TabOrder").Int(2), checkHelp).EndProps().EndChildren();
    f.EndChildren();
    return f.FormFile("TMAIN");
}

// A dialog with a number of its own, which its OK button reaches; its Cancel button's is negative.
std::string DialogForm(int okHelp = 0) {
    FormBuilder f;
    f.Object("TDlg", "Dlg").Prop("HelpContext").Int(70).EndProps();
    f.Object("TButton", "OkButton").Prop("TabOrder").Int(0);
    (okHelp != 0 ? f.Prop("HelpContext").Int(okHelp) : f).EndProps().EndChildren();
    f.Object("TButton", "Cancel").Prop("TabOrder").Int(1).Prop("HelpContext").Int(-2).EndProps();
    f.EndChildren().EndChildren();
    return f.FormFile("TDLG");
}

struct CoverageProject {
    CoverageProject() {
        dir.Write("Main.dfm", CoverageForm());
        dir.Write("Dlg.dfm", DialogForm());
        dir.Write("p.mak", "RESDEPEN = $(RESFILES) Main.dfm Dlg.dfm main.dfm\r\n");
        // Later versions: an inherited form helped by its keyword, whose inherited edit is not known.
        dir.Write("Child.dfm",
                  "inherited Child: TChild\r\n  HelpType = htKeyword\r\n  HelpKeyword = 'child'\r\n"
                  "  inherited Edit2: TEdit\r\n    TabOrder = 0\r\n  end\r\n  object Box: TCheckBox\r\n"
                  "    TabOrder = 1\r\n  end\r\nend\r\n");
        dir.Write("later.mak", "RESDEPEN = $(RESFILES) Dlg.dfm Child.dfm\r\n");
    }
    TempDir dir;
};

TEST(CliCoverage, WhereF1LandsAsTextJsonAndCsv) {
    const CoverageProject project;
    const struct {
        const char* args;
        const char* out;
    } cases[] = {
        {"coverage p.mak", "Main: 4 controls, 1 own, 1 container, 0 form, 2 none\n  none: Main, Check1\n"
                           "Dlg: 3 controls, 2 own, 0 container, 1 form, 0 none\n"
                           "7 controls in 2 forms: 3 own, 1 container, 1 form, 2 none, 0 unknown\n"},
        {"coverage --json p.mak", R"([
  {"form": "Main", "control": null, "class": "TMain", "lands": "none", "via": null, "number": null},
  {"form": "Main", "control": "Edit1", "class": "TEdit", "lands": "container", "via": "Main.Panel1", "number": 50},
  {"form": "Main", "control": "Button1", "class": "TButton", "lands": "own", "via": "Main.Button1", "number": 60},
  {"form": "Main", "control": "Check1", "class": "TCheckBox", "lands": "none", "via": null, "number": null},
  {"form": "Dlg", "control": null, "class": "TDlg", "lands": "own", "via": "Dlg", "number": 70},
  {"form": "Dlg", "control": "OkButton", "class": "TButton", "lands": "form", "via": "Dlg", "number": 70},
  {"form": "Dlg", "control": "Cancel", "class": "TButton", "lands": "own", "via": "Dlg.Cancel", "number": -2}
]
)"},
        {"coverage --csv p.mak",
         "form,control,class,lands,via,number,keyword\r\nMain,,TMain,none,,,\r\n"
         "Main,Edit1,TEdit,container,Main.Panel1,50,\r\nMain,Button1,TButton,own,Main.Button1,60,\r\n"
         "Main,Check1,TCheckBox,none,,,\r\nDlg,,TDlg,own,Dlg,70,\r\nDlg,OkButton,TButton,form,Dlg,70,\r\n"
         "Dlg,Cancel,TButton,own,Dlg.Cancel,-2,\r\n"},
        {"coverage --any-version later.mak",
         "Dlg: 3 controls, 2 own, 0 container, 1 form, 0 none\n"
         "Child: 3 controls, 1 own, 0 container, 1 form, 0 none\n"
         "6 controls in 2 forms: 3 own, 0 container, 2 form, 0 none, 1 unknown\n"},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(Ran(Cli(c.args, project.dir.Path()), 0, c.out, "")) << c.args;
    EXPECT_NE(Cli("coverage --json --any-version later.mak", project.dir.Path())
                  .Out.find(R"("lands": "unknown", "via": null, "number": null},
  {"form": "Child", "control": "Box", "class": "TCheckBox", "lands": "form", "via": "Child", "keyword": "child"})"),
              std::string::npos);
}

// The no-help finding comes between the findings of its form's nodes and the next form's.
TEST(CliCheck, CoverageAddsAFindingPerFormWithControlsWithoutHelp) {
    const CoverageProject project;
    EXPECT_TRUE(Ran(Cli("check p.mak", project.dir.Path()), 1,
                    "negative -2: Dlg.Cancel\n1 finding in 2 forms\n", ""));
    EXPECT_TRUE(Ran(Cli("check --coverage p.mak", project.dir.Path()), 1,
                    "no-help: Main: Main, Check1\nnegative -2: Dlg.Cancel\n2 findings in 2 forms\n", ""));
    EXPECT_NE(Cli("check --json --coverage p.mak", project.dir.Path())
                  .Out.find("  {\"kind\": \"no-help\", \"nodes\": [\"Main\", \"Main.Check1\"]},\n"),
              std::string::npos);
    EXPECT_NE(
        Cli("check --sarif --coverage p.mak", project.dir.Path())
            .Out.find(
                R"({"ruleId": "no-help", "level": "warning", "message": {"text": "no-help: Main: Main, )"
                R"(Check1"}, "locations": [{"physicalLocation": {"artifactLocation": {"uri": "Main.dfm"}}}]})"),
        std::string::npos);
}

TEST(CliAssign, PrintsThePlanAndChangesNothing) {
    const CoverageProject project;
    project.dir.Write("h.hhp", "[MAP]\r\n#define IDH_Taken 65\r\n");
    const CliCase cases[] = {
        {"assign p.mak", 0, "Main: 100\n1 number to give in 1 form\n", ""},
        {"assign --forms --controls --from 60 --step 5 --help-project h.hhp p.mak", 0,
         "Main: 75\nMain.Edit1: 80\nMain.Check1: 85\nDlg.OkButton: 90\n4 numbers to give in 2 forms\n", ""},
        {"assign --help-project none.hhp p.mak", 1, "", "quorvel-cli: Cannot open file none.hhp.\n"},
        {"assign later.mak", 1, "", "quorvel-cli: Child.dfm: Invalid stream format.\n"},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(Ran(Cli(c.args, project.dir.Path()), c.exit, c.out, c.err)) << c.args;
    EXPECT_EQ(ReadWholeFile(project.dir.File("Main.dfm")), CoverageForm());
    for (const char* bad :
         {"assign --from 0 p.mak", "assign --from x p.mak", "assign --step -1 p.mak",
          "assign --step 2147483648 p.mak", "assign --json p.mak", "assign --help-project h.txt p.mak"}) {
        const CliRun run = Cli(bad, project.dir.Path());
        EXPECT_EQ(run.Exit, 2) << bad;
        EXPECT_NE(run.Err.find("usage: quorvel-cli assign"), std::string::npos) << bad;
    }
}

// Each form changes by its new properties alone, binary or text, and keeps its old bytes as its
// backup; a form listed twice is written once, and a second run finds nothing to do.
TEST(CliAssign, WritesOnlyTheNewPropertiesAndASecondRunDoesNothing) {
    const CoverageProject project;
    const std::string text =
        "\xEF\xBB\xBFobject TextForm: TTextForm\n  Caption = 'x'\n  object Edit1: TEdit\n"
        "    TabOrder = 0\n  end\n  object Panel1: TPanel\n  end\nend\n";
    project.dir.Write("Text.dfm", text);
    project.dir.Write("both.mak", "RESDEPEN = $(RESFILES) Main.dfm Dlg.dfm MAIN.DFM Text.dfm\r\n");
    EXPECT_TRUE(Ran(Cli("assign --forms --controls --write --any-version both.mak", project.dir.Path()), 0,
                    "Main: 100\nMain.Edit1: 110\nMain.Check1: 120\nDlg.OkButton: 130\nTextForm: 140\n"
                    "TextForm.Edit1: 150\n6 numbers given in 3 forms\n",
                    ""));
    const std::map<std::string, std::pair<std::string, std::string>> written = {
        {"Main", {CoverageForm(), CoverageForm(100, 110, 120)}},
        {"Dlg", {DialogForm(), DialogForm(130)}},
        {"Text",
         {text, "\xEF\xBB\xBFobject TextForm: TTextForm\n  Caption = 'x'\n  HelpContext = 140\n"
                "  object Edit1: TEdit\n    TabOrder = 0\n    HelpContext = 150\n  end\n"
                "  object Panel1: TPanel\n  end\nend\n"}},
    };
    for (const auto& [name, bytes] : written) {
        EXPECT_EQ(ReadWholeFile(project.dir.File(name + ".dfm")), bytes.second) << name;
        EXPECT_EQ(ReadWholeFile(project.dir.File(name + ".~df")), bytes.first) << name;
    }
    EXPECT_TRUE(Ran(Cli("assign --forms --controls --write --any-version both.mak", project.dir.Path()), 0,
                    "0 numbers given in 0 forms\n", ""));
    for (const auto& [name, bytes] : written)
        EXPECT_EQ(ReadWholeFile(project.dir.File(name + ".dfm")), bytes.second) << name;
}

// A read-only form (as version control leaves one it has not checked out, also for root) is named
// and left byte for byte, without a backup; the others are written; the next run finishes the job.
TEST(CliAssign, AFormThatCannotBeWrittenIsNamedAndLeftAsItWas) {
    const CoverageProject project;
    ASSERT_EQ(::chmod(project.dir.File("Dlg.dfm").c_str(), 0444), 0);
    EXPECT_TRUE(Ran(Cli("assign --controls --write p.mak", project.dir.Path()), 1,
                    "Main.Edit1: 100\nMain.Check1: 110\n2 numbers given in 1 form\n",
                    "quorvel-cli: Dlg.dfm: the file is read-only.\n"));
    EXPECT_EQ(ReadWholeFile(project.dir.File("Dlg.dfm")), DialogForm());
    EXPECT_EQ(ReadWholeFile(project.dir.File("Main.dfm")), CoverageForm(0, 100, 110));
    EXPECT_FALSE(std::ifstream(project.dir.File("Dlg.~df")).good());
    ASSERT_EQ(::chmod(project.dir.File("Dlg.dfm").c_str(), 0644), 0);
    EXPECT_TRUE(Ran(Cli("assign --controls --write p.mak", project.dir.Path()), 0,
                    "Dlg.OkButton: 200\n1 number given in 1 form\n", ""));
    EXPECT_EQ(ReadWholeFile(project.dir.File("Dlg.dfm")), DialogForm(200));
}

// text2form as other tools see it: the form file on standard output only when whole.
CliRun Text2Form(const std::string& args, const std::string& stdoutTo = "") {
    return Cli("text2form " + args, "", stdoutTo);
}

const char kText[] = "object Form1: TForm1\n  Caption = 'Main'#13'Line'\nend\n";

std::string Expected(const std::string& resourceName) {
    FormBuilder f;
    f.Object("TForm1", "Form1").Prop("Caption").String("Main\rLine").EndProps().EndChildren();
    return f.FormFile(resourceName);
}

TEST(CliText2Form, WritesTheFormFile) {
    TempDir dir;
    const std::string text = "'" + dir.Write("a.txt", kText) + "'";
    CliRun run = Text2Form(text);
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, Expected("TFORM1"));
    EXPECT_EQ(run.Err, "");

    run = Text2Form("--resource-name Main --wide utf8 " + text);
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, Expected("Main"));
    run = Text2Form(text + " --wide utf16 --resource-name Main");
    EXPECT_EQ(run.Out, Expected("Main"));
}

TEST(CliText2Form, WritesNothingOnAnError) {
    TempDir dir;
    CliRun run = Text2Form("'" + dir.Write("bad.txt", "object Form1: TForm1\n  Left 1\nend\n") + "'");
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "quorvel-cli: Line 2: '=' expected.\n");

    run = Text2Form("'" + dir.File("none.txt") + "'");
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Err, "quorvel-cli: Cannot open file " + dir.File("none.txt") + ".\n");

    run = Text2Form("'" + dir.Write("a.txt", kText) + "'", "/dev/full");
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Err, "quorvel-cli: Stream write error.\n");
}

TEST(CliText2Form, Usage) {
    struct Case {
        const char* args;
        int exit;
        const char* err;
    };
    const char* usage = "usage: quorvel-cli text2form [--resource-name NAME] [--wide utf16|utf8] FILE\n";
    const Case cases[] = {
        {"", 2, "quorvel-cli: text2form needs a FILE\n"},
        {"a b", 2, "quorvel-cli: text2form takes one FILE\n"},
        {"--wide utf32 a", 2, "quorvel-cli: --wide takes utf16 or utf8, not 'utf32'\n"},
        {"a --resource-name", 2, "quorvel-cli: option '--resource-name' needs a value\n"},
        {"--json a", 2, "quorvel-cli: unknown option '--json'\n"},
    };
    for (const Case& c : cases) {
        const CliRun run = Text2Form(c.args);
        EXPECT_EQ(run.Exit, c.exit) << c.args;
        EXPECT_EQ(run.Out, "") << c.args;
        EXPECT_EQ(run.Err, std::string(c.err) + usage) << c.args;
    }
    const CliRun help = Text2Form("--help");
    EXPECT_EQ(help.Exit, 0);
    EXPECT_NE(help.Out.find("quorvel-cli text2form [--resource-name NAME] [--wide utf16|utf8] FILE"),
              std::string::npos);
}

} // namespace
