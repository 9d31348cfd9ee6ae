#include "framework/Application.h"
#include "gui/Program.h"
#include "io/Os.h"

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The arguments as the program was given them, UTF-8 like every text inside it.
    std::vector<std::string> args;
    int count = 0;
    if (LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            args.push_back(os::Narrow(words[i]));
        LocalFree(words);
    }
    const int exitCode = RunQuorvel(args);
    DoneFramework();
    return exitCode;
}
