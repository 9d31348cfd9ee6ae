#include "framework/Application.h"
#include "gui/Program.h"
#include "io/Os.h"

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Held while the program runs, in every session: the installer looks for it before it replaces the
    // program's files (packaging/Quorvel.nsi, RUNNING_MUTEX).
    const HANDLE running = CreateMutexW(nullptr, FALSE, L"Global\\QuorvelProgramRunning");
    // The arguments as the program was given them, UTF-8 like every text inside it.
    const int exitCode = RunQuorvel(os::ProgramArguments(0, nullptr));
    DoneFramework();
    if (running)
        CloseHandle(running);
    return exitCode;
}
