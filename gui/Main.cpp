#include "framework/Application.h"
#include "gui/Program.h"
#include "io/Os.h"

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The arguments as the program was given them, UTF-8 like every text inside it.
    const int exitCode = RunQuorvel(os::ProgramArguments(0, nullptr));
    DoneFramework();
    return exitCode;
}
