// quorvel-cli.exe on projects where people keep them: folders named in any language, names in the
// system's code page, paths past MAX_PATH, a form held open by another program, a form listed twice.
// Every case is a project made here with the wide API and scanned by the real tool in its own process.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "io/Os.h"
#include "tests/support/FormBuilder.h"

namespace {

std::wstring W(const std::string& utf8) {
    return os::Widen(utf8);
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(os::FileSystemName(os::Narrow(path)).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << os::Narrow(path);
    DWORD done = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(file);
}

void MakeFolders(const std::wstring& path) {
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(os::FileSystemName(os::Narrow(path.substr(0, at))).c_str(), nullptr);
    CreateDirectoryW(os::FileSystemName(os::Narrow(path)).c_str(), nullptr);
}

// A binary form with its own number and one numbered component.
std::string Form(const std::string& name, int number) {
    FormBuilder f;
    f.Object("TForm", name).Prop("HelpContext").Int(number).EndProps();
    f.Object("TEdit", "C").Prop("HelpContext").Int(number + 1).EndProps().EndChildren();
    return f.EndChildren().FormFile("TFORM");
}

// A makefile's name list is in the system's code page.
std::string Makefile(const std::wstring& names) {
    const int length = WideCharToMultiByte(CP_ACP, 0, names.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, names.c_str(), -1, bytes.data(), length, nullptr, nullptr);
    bytes.pop_back();
    return "RESDEPEN = $(RESFILES) " + bytes + "\r\n";
}

struct Result {
    DWORD Exit = 0;
    std::string Out, Err;
};

std::string ReadAll(const std::wstring& path) {
    std::string bytes;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

using DebugTextEvent = std::function<void(const std::string& text)>;

// Follows a tool started for debugging until it writes on its debug output (the system's breakpoint at its
// start is the debugger's; other exceptions are the tool's own), hands `heard` that text while the tool
// waits, then lets the tool run on undebugged.
void HearDebugText(const PROCESS_INFORMATION& process, const DebugTextEvent& heard) {
    for (DEBUG_EVENT e{}; WaitForDebugEvent(&e, INFINITE);) {
        const DWORD code = e.dwDebugEventCode;
        if (code == CREATE_PROCESS_DEBUG_EVENT)
            CloseHandle(e.u.CreateProcessInfo.hFile);
        if (code == LOAD_DLL_DEBUG_EVENT)
            CloseHandle(e.u.LoadDll.hFile);
        if (code == OUTPUT_DEBUG_STRING_EVENT) { // in the system's code page, as this call is given it
            std::string text(e.u.DebugString.nDebugStringLength, '\0');
            ReadProcessMemory(process.hProcess, e.u.DebugString.lpDebugStringData, text.data(), text.size(),
                              nullptr);
            heard(text);
        }
        const bool own = code == EXCEPTION_DEBUG_EVENT &&
                         e.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT;
        ContinueDebugEvent(e.dwProcessId, e.dwThreadId, own ? DBG_EXCEPTION_NOT_HANDLED : DBG_CONTINUE);
        if (code == OUTPUT_DEBUG_STRING_EVENT)
            DebugActiveProcessStop(process.dwProcessId);
        if (code == OUTPUT_DEBUG_STRING_EVENT || code == EXIT_PROCESS_DEBUG_EVENT)
            return;
    }
}

// The tool beside this test program's build folder, started with `args` in `folder`; with `heard`, as
// its debugger until it writes on its debug output.
Result RunCli(const std::wstring& folder, const std::wstring& args, const DebugTextEvent& heard = nullptr) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring build(self);
    build.resize(build.rfind(L"\\tests\\"));
    const std::wstring out = folder + L"\\out.txt", err = folder + L"\\err.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput =
        CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    startup.hStdError =
        CreateFileW(err.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    std::wstring commandLine = L"\"" + build + L"\\cli\\quorvel-cli.exe\" " + args;
    PROCESS_INFORMATION process{};
    Result result;
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                       heard ? DEBUG_ONLY_THIS_PROCESS : 0, nullptr, folder.c_str(), &startup, &process)) {
        if (heard)
            HearDebugText(process, heard);
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &result.Exit);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        ADD_FAILURE() << "cannot start the tool: " << GetLastError();
    }
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    result.Out = ReadAll(out);
    result.Err = ReadAll(err);
    return result;
}

class ProjectPaths : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        root_ = std::wstring(temp) + L"quorvel-paths-" + std::to_wstring(GetCurrentProcessId());
        MakeFolders(root_);
    }
    void TearDown() override {
        std::error_code ignored; // what cannot go now goes with the prefix's temporary folder
        std::filesystem::remove_all(L"\\\\?\\" + root_, ignored);
    }
    std::wstring root_;
};

struct PathCase {
    const char* Name;
    UINT CodePage;                  // 0: any
    const char* Folder;             // under the test's folder, UTF-8
    const char* Project;            // file name, UTF-8
    const char* Listed;             // the name list as the makefile (in the code page) or XML file holds it
    std::vector<const char*> Forms; // made in the folder: forms F, G, ... numbered 10, 20, ...
    const char* Command;            // before the project's full name
    const char* Expected;           // standard output
};

const std::string kLong(40, 'x');

TEST_F(ProjectPaths, EachCaseScansTheFormsItNames) {
    const std::string deep = kLong + "\\" + kLong + "\\" + kLong + "\\" + kLong + "\\" + kLong + "\\" + kLong;
    const PathCase cases[] = {
        {"Cyrillic folder", 0, "Проекты", "P.mak", "F.dfm", {"F.dfm"}, "scan", "F:10\n  C:11\n"},
        {"Chinese folder", 0, "项目", "P.mak", "F.dfm", {"F.dfm"}, "scan", "F:10\n  C:11\n"},
        {"best-fit twin", 0, "Données", "P.mak", "F.dfm", {"F.dfm"}, "scan", "F:10\n  C:11\n"},
        {"0x5C trail bytes",
         932,
         "ソフト",
         "予定表.mak",
         "表.dfm ソフト.dfm",
         {"表.dfm", "ソフト.dfm"},
         "scan",
         "F:10\n  C:11\nG:20\n  C:21\n"},
        {"Cyrillic form names",
         1251,
         "Отчёты",
         "P.mak",
         "Отчёт.dfm",
         {"Отчёт.dfm"},
         "scan",
         "F:10\n  C:11\n"},
        {"UTF-8 XML project",
         0,
         "xml",
         "P.bpr",
         "<?xml version=\"1.0\"?><PROJECT><RESDEPEN value=\"$(RESFILES) Fenêtre.dfm\"/></PROJECT>",
         {"Fenêtre.dfm"},
         "scan --any-version",
         "F:10\n  C:11\n"},
        {"long project path", 0, deep.c_str(), "P.mak", "F.dfm", {"F.dfm"}, "scan", "F:10\n  C:11\n"},
        {"long form path", 0, "short", "P.mak", nullptr, {}, "scan", "F:10\n  C:11\n"},
        {"listed twice", 0, "twice", "P.mak", "A.dfm a.DFM", {"A.dfm"}, "check", "0 findings in 1 form\n"},
        {"listed twice, scan lists both",
         0,
         "twice",
         "P.mak",
         "A.dfm a.DFM",
         {"A.dfm"},
         "scan",
         "F:10\n  C:11\nF:10\n  C:11\n"},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.CodePage != 0 && c.CodePage != GetACP())
            continue;
        const std::wstring folder = root_ + L"\\" + W(c.Folder);
        MakeFolders(folder);
        if (std::string(c.Name) == "best-fit twin") { // the name a best-fit conversion would give
            MakeFolders(root_ + L"\\Donnees");
            WriteBytes(root_ + L"\\Donnees\\P.mak", Makefile(L"G.dfm"));
            WriteBytes(root_ + L"\\Donnees\\G.dfm", Form("G", 90));
        }
        std::string listed = c.Listed ? c.Listed : deep + "\\F.dfm";
        if (!c.Listed) {
            MakeFolders(folder + L"\\" + W(deep));
            WriteBytes(folder + L"\\" + W(deep) + L"\\F.dfm", Form("F", 10));
        }
        const bool xml = std::string(c.Project).find(".bpr") != std::string::npos;
        WriteBytes(folder + L"\\" + W(c.Project), xml ? listed : Makefile(W(listed)));
        for (size_t i = 0; i < c.Forms.size(); ++i)
            WriteBytes(folder + L"\\" + W(c.Forms[i]),
                       Form(std::string(1, static_cast<char>('F' + i)), 10 * int(i + 1)));
        const std::wstring project = folder + L"\\" + W(c.Project);
        const Result result = RunCli(root_, W(c.Command) + L" \"" + project + L"\"");
        EXPECT_EQ(result.Err, "");
        EXPECT_EQ(result.Out, c.Expected);
        EXPECT_EQ(result.Exit, 0u);
    }
}

// A form that the environment or a virus scanner holds for a moment is read once it is free; one held
// for good is reported by its name as listed, in UTF-8 like every name the tool prints.
TEST_F(ProjectPaths, ALockedFormIsWaitedForAWhile) {
    const std::wstring folder = root_ + L"\\Проект";
    MakeFolders(folder);
    WriteBytes(folder + L"\\P.mak", Makefile(L"L.dfm"));
    WriteBytes(folder + L"\\L.dfm", Form("L", 10));
    for (const bool released : {true, false}) {
        SCOPED_TRACE(released ? "released" : "held");
        HANDLE lock =
            CreateFileW((folder + L"\\L.dfm").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        std::string told; // what the tool says on its debug output when it finds the form held and waits
        const Result result = RunCli(root_, L"scan \"" + folder + L"\\P.mak\"", [&](const std::string& text) {
            told = text;
            if (released)
                CloseHandle(std::exchange(lock, nullptr));
        });
        if (lock)
            CloseHandle(lock);
        EXPECT_NE(told.find("L.dfm"), std::string::npos) << told;
        EXPECT_EQ(result.Out, released ? "L:10\n  C:11\n" : "");
        EXPECT_EQ(result.Err, released ? "" : "quorvel-cli: Cannot open file L.dfm.\n");
        EXPECT_EQ(result.Exit, released ? 0u : 1u);
    }
    const Result missing = RunCli(root_, L"scan \"" + folder + L"\\Нет.mak\"");
    EXPECT_EQ(missing.Err, "quorvel-cli: Cannot open file " + os::Narrow(folder) + "\\Нет.mak.\n");
    EXPECT_EQ(missing.Exit, 1u);
}

} // namespace
