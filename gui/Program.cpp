#include "gui/Program.h"

#include "framework/Application.h"
#include "gui/MainForm.h"
#include "io/Os.h"
#include "runtime/Exceptions.h"

#include <windows.h>

#include <cstdio>
#include <exception>

namespace {

// A start that failed before the application object existed (no window station or display, for one):
// the same box as the error display, with the title the application would have had, and when not even
// that can be shown, the message on the standard error stream.
void ReportWithoutApplication() {
    std::string text;
    try {
        throw;
    } catch (const Exception& error) {
        text = error.Message() + ".";
    } catch (const std::exception& error) {
        text = error.what();
    } catch (...) {
        text = "Unknown error";
    }
    const std::string title = ApplicationTitleFromPath(ModuleFileName());
    // 0 on Windows, -1 under Wine when the box could not be made.
    if (MessageBoxW(nullptr, os::Widen(text).c_str(), os::Widen(title).c_str(),
                    MB_OK | MB_ICONSTOP | MB_TASKMODAL) <= 0) {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        std::fflush(stderr);
    }
}

// The project the command line names ("Open with" passes it so): its first argument that is no switch.
std::string ProjectArgument(const std::vector<std::string>& args) {
    for (const std::string& arg : args)
        if (!arg.empty() && arg[0] != '/' && arg[0] != '-')
            return arg;
    return std::string();
}

} // namespace

// Any error that escapes the start or the loop ends the program with exit code 1, after it has been
// shown: a start that could not build its windows is a failure to whatever started the program.
int RunQuorvel(const std::vector<std::string>& args) {
    try {
        InitFramework();
        if (!Application->Initialize(args))
            return 0; // registration switch: ends before any window exists
        Application->CreateForm(Form1);
        Form1->OpenAtStart(ProjectArgument(args));
        Application->Run();
    } catch (...) {
        try {
            if (Application)
                Application->HandleException(Application);
            else
                ReportWithoutApplication();
        } catch (...) {
            // The report itself failed: the exit code still tells.
        }
        return 1;
    }
    return 0;
}
