// quorvel-cli as other tools see it: exact output, messages on standard error, exit codes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

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

CliRun Cli(const std::string& args, const std::string& folder = "") {
    TempDir capture;
    const std::string out = capture.File("out");
    const std::string err = capture.File("err");
    std::string command = std::string(QUORVEL_CLI) + " " + args + " >" + Quote(out) + " 2>" + Quote(err);
    if (!folder.empty())
        command = "cd " + Quote(folder) + " && " + command;
    const int status = std::system(command.c_str());
    return CliRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWholeFile(out), ReadWholeFile(err)};
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
    EXPECT_EQ(run.Err, "");

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
    EXPECT_EQ(run.Err, "quorvel-cli: Invalid stream format.\n");

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

TEST(CliUsage, ExitCodes) {
    EXPECT_EQ(Cli("scan ''").Exit, 0);
    EXPECT_EQ(Cli("scan ''").Out, "");
    EXPECT_EQ(Cli("--help").Exit, 0);
    EXPECT_NE(Cli("--help").Out.find("scan"), std::string::npos);
    EXPECT_EQ(Cli("--version").Out.rfind("quorvel-cli ", 0), 0u);
    for (const char* bad :
         {"", "frobnicate", "scan", "scan a b", "scan --xml a", "form2text", "form2text a b"}) {
        const CliRun run = Cli(bad);
        EXPECT_EQ(run.Exit, 2) << bad;
        EXPECT_NE(run.Err.find("usage: "), std::string::npos) << bad;
        EXPECT_EQ(run.Out, "") << bad;
    }
}

} // namespace
