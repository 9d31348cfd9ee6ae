#include "framework/Application.h"
#include "scanner/gui/Program.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i)
        args.emplace_back(__argv[i]);
    const int exitCode = RunQuorvel(args);
    DoneFramework();
    return exitCode;
}
