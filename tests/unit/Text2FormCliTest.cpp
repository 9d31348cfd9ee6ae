// quorvel-cli text2form as other tools see it: the form file on standard output only when whole,
// messages on standard error, exit codes.
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

// Runs quorvel-cli with `args` (already quoted for the shell); `out` may redirect standard output.
CliRun Text2Form(const std::string& args, const std::string& out = "") {
    TempDir capture;
    const std::string outFile = capture.File("out");
    const std::string errFile = capture.File("err");
    const std::string command = std::string(QUORVEL_CLI) + " text2form " + args + " >" +
                                (out.empty() ? "'" + outFile + "'" : out) + " 2>'" + errFile + "'";
    const int status = std::system(command.c_str());
    return CliRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWholeFile(outFile),
                  ReadWholeFile(errFile)};
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
        {"a --resource-name", 2, "quorvel-cli: --resource-name needs a value\n"},
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
    EXPECT_EQ(help.Out.rfind(usage, 0), 0u);
}

} // namespace
