// The installer as a user runs it: a silent installation into Program Files, the installed programs
// started from there, and a silent removal through the uninstaller that the list of installed programs
// names. The Wine prefix is shared with the other test programs, so the test leaves it as it found it.

#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvel";
constexpr char kInstalledFiles[][16] = {"Quorvel.exe", "quorvel-cli.exe", "README.txt", "LICENSE.txt",
                                        "Uninstall.exe"};
constexpr DWORD kTimeoutMs = 120000;

std::string KnownFolder(int csidl) {
    char path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : "";
}

// Where the installer must put things: this test is a 64-bit program like Quorvel, so it sees the
// 64-bit Program Files.
std::string InstallFolder() {
    return KnownFolder(CSIDL_PROGRAM_FILES) + "\\Quorvel";
}
std::string Shortcut() {
    return KnownFolder(CSIDL_COMMON_PROGRAMS) + "\\Quorvel.lnk";
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class RegKey {
public:
    RegKey(HKEY root, const char* path, REGSAM access) {
        if (RegOpenKeyExA(root, path, 0, access, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~RegKey() {
        if (key_)
            RegCloseKey(key_);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    explicit operator bool() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

    // The value's bytes; nullopt when the key or the value is missing.
    std::optional<std::string> Read(const char* name, DWORD* type = nullptr) const {
        DWORD size = 0;
        if (!key_ || RegQueryValueExA(key_, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        std::string data(size, '\0');
        if (RegQueryValueExA(key_, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        data.resize(size);
        return data;
    }

private:
    HKEY key_ = nullptr;
};

// The user's Path, where the installer adds the CLI's folder.
constexpr char kEnvironmentKey[] = "Environment";
constexpr char kPath[] = "Path";

void SetValue(HKEY root, const char* key, const char* name, const std::optional<std::string>& data,
              DWORD type) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return;
    if (data)
        RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE*>(data->data()),
                       DWORD(data->size()));
    else
        RegDeleteValueA(handle, name);
    RegCloseKey(handle);
}

// The uninstall entry as seen through one registry view (KEY_WOW64_64KEY or KEY_WOW64_32KEY).
RegKey UninstallEntry(REGSAM view) {
    return RegKey(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_READ | view);
}

std::string Text(const std::optional<std::string>& value) {
    return value ? std::string(value->c_str()) : "<missing>";
}

struct Finished {
    bool inTime = false;
    DWORD exitCode = 0;
    std::string output;       // standard output and error
    std::string stillRunning; // when the time ran out: the programs of the job that had not ended
};

// The programs of a job's live processes, one a line.
std::string ProgramsOf(HANDLE job) {
    struct {
        JOBOBJECT_BASIC_PROCESS_ID_LIST list;
        ULONG_PTR more[63];
    } ids{};
    ids.list.NumberOfAssignedProcesses = 64;
    std::string names;
    if (!QueryInformationJobObject(job, JobObjectBasicProcessIdList, &ids, sizeof ids, nullptr))
        return names;
    for (DWORD i = 0; i < ids.list.NumberOfProcessIdsInList; ++i) {
        char name[MAX_PATH] = "?";
        DWORD size = MAX_PATH;
        if (HANDLE process =
                OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(ids.list.ProcessIdList[i]))) {
            QueryFullProcessImageNameA(process, 0, name, &size);
            CloseHandle(process);
        }
        names += std::string(name) + "\n";
    }
    return names;
}

// Runs a command line and waits for it and for every process it starts: the uninstaller hands its
// work to a copy of itself and ends at once. The processes share a job, whose completion port says
// when the last of them has ended. (A helper that Wine starts for the first program needing it, such
// as the desktop's process, would join the job and never end: the test starts those itself first.)
Finished RunAndWait(const std::string& commandLine, const fs::path& outputFile) {
    Finished result;
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    HANDLE port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{job, port};
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE output = CreateFileA(outputFile.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process{};
    std::string mutableLine = commandLine;
    const bool started = job && port && output != INVALID_HANDLE_VALUE &&
                         SetInformationJobObject(job, JobObjectAssociateCompletionPortInformation,
                                                 &association, sizeof association) &&
                         CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                                        nullptr, nullptr, &startup, &process);
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
    if (started) {
        if (AssignProcessToJobObject(job, process.hProcess) && ResumeThread(process.hThread) != DWORD(-1)) {
            const ULONGLONG end = GetTickCount64() + kTimeoutMs;
            DWORD message = 0;
            ULONG_PTR key = 0;
            LPOVERLAPPED data = nullptr;
            while (GetTickCount64() < end &&
                   GetQueuedCompletionStatus(port, &message, &key, &data, DWORD(end - GetTickCount64()))) {
                if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) {
                    result.inTime = true;
                    break;
                }
            }
        }
        if (!result.inTime) {
            result.stillRunning = ProgramsOf(job);
            TerminateJobObject(job, 1);
            TerminateProcess(process.hProcess, 1); // also when it never joined the job
        }
        WaitForSingleObject(process.hProcess, kTimeoutMs);
        GetExitCodeProcess(process.hProcess, &result.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        std::ifstream file(outputFile, std::ios::binary);
        result.output.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    if (port)
        CloseHandle(port);
    if (job)
        CloseHandle(job);
    return result;
}

// Where a shell link points.
std::string ShortcutTarget(const std::string& link) {
    std::string target;
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    IShellLinkA* shellLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&shellLink)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            const std::wstring wide = fs::path(link).wstring();
            char path[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
                SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH)))
                target = path;
            file->Release();
        }
        shellLink->Release();
    }
    if (com)
        CoUninitialize();
    return target;
}

std::string Lower(std::string text) {
    CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

// What a 64-bit program file asks the loader for (its DllCharacteristics) when its relocations are
// there, which a random address needs; else 0.
WORD Protections(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::string image{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS64 nt{};
    std::memcpy(&dos, image.data(), std::min(image.size(), sizeof dos));
    if (dos.e_lfanew <= 0 || image.size() < size_t(dos.e_lfanew) + sizeof nt)
        return 0;
    std::memcpy(&nt, image.data() + dos.e_lfanew, sizeof nt);
    const bool relocatable = !(nt.FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED) &&
                             nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size != 0;
    return nt.Signature == IMAGE_NT_SIGNATURE && nt.OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC &&
                   relocatable
               ? nt.OptionalHeader.DllCharacteristics
               : 0;
}

// A string of a program file's version resource (US English, Windows Latin 1), empty without one.
std::string VersionString(const std::string& path, const char* name) {
    DWORD ignored = 0;
    std::string data(GetFileVersionInfoSizeA(path.c_str(), &ignored), '\0');
    char* value = nullptr;
    UINT size = 0;
    if (data.empty() || !GetFileVersionInfoA(path.c_str(), 0, DWORD(data.size()), data.data()) ||
        !VerQueryValueA(data.data(), ("\\StringFileInfo\\040904E4\\" + std::string(name)).c_str(),
                        reinterpret_cast<void**>(&value), &size))
        return std::string();
    return std::string(value, size ? size - 1 : 0);
}

class InstallerTest : public ::testing::Test {
protected:
    // The installer and the uninstaller get a temporary folder of their own. The uninstaller leaves a
    // copy of itself there that the system is asked to delete at the next start (NSIS does so on every
    // system); the test deletes the folder and takes back that request, so the shared prefix keeps no trace.
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        originalTemp_ = temp;
        temp_ = fs::path(temp) / ("quorvel-installer-test-" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(temp_);
        SetEnvironmentVariableA("TEMP", temp_.string().c_str());
        SetEnvironmentVariableA("TMP", temp_.string().c_str());
        GetDesktopWindow(); // Wine's desktop process, started now by this test rather than in a job
        RegKey sessionManager(HKEY_LOCAL_MACHINE, kSessionManager, KEY_READ | KEY_WOW64_64KEY);
        pendingRenames_ = sessionManager.Read(kPendingRenames, &pendingRenamesType_);
        // A Path of the user's own, with an empty entry, that the installer adds to and the uninstaller
        // gives back as it was.
        userPath_ = RegKey(HKEY_CURRENT_USER, kEnvironmentKey, KEY_READ).Read(kPath, &userPathType_);
        SetValue(HKEY_CURRENT_USER, kEnvironmentKey, kPath, std::string(kTestPath, sizeof kTestPath),
                 REG_EXPAND_SZ);

        // An installation the test did not make is not the test's to remove.
        const char* const fresh =
            " is there before the installation: the Wine prefix is not fresh (delete it)";
        ASSERT_FALSE(UninstallEntry(KEY_WOW64_64KEY)) << kUninstallKey << fresh;
        ASSERT_FALSE(Exists(InstallFolder())) << InstallFolder() << fresh;
        ASSERT_FALSE(Exists(Shortcut())) << Shortcut() << fresh;
        ours_ = true;
    }

    void TearDown() override {
        // A failed run does not leave its installation for the next one.
        if (const auto uninstall = UninstallEntry(KEY_WOW64_64KEY).Read("QuietUninstallString");
            uninstall && ours_)
            RunAndWait(uninstall->c_str(), temp_ / "cleanup.txt");
        RegKey sessionManager(HKEY_LOCAL_MACHINE, kSessionManager, KEY_SET_VALUE | KEY_WOW64_64KEY);
        if (pendingRenames_)
            RegSetValueExA(sessionManager.get(), kPendingRenames, 0, pendingRenamesType_,
                           reinterpret_cast<const BYTE*>(pendingRenames_->data()),
                           static_cast<DWORD>(pendingRenames_->size()));
        else
            RegDeleteValueA(sessionManager.get(), kPendingRenames);
        SetValue(HKEY_CURRENT_USER, kEnvironmentKey, kPath, userPath_, userPathType_);
        SetEnvironmentVariableA("TEMP", originalTemp_.c_str());
        SetEnvironmentVariableA("TMP", originalTemp_.c_str());
        std::error_code ignored;
        fs::remove_all(temp_, ignored);
    }

    Finished RunHere(const std::string& commandLine) { return RunAndWait(commandLine, temp_ / "output.txt"); }

    static constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
    static constexpr char kPendingRenames[] = "PendingFileRenameOperations";
    static constexpr char kTestPath[] = "%SystemRoot%\\quorvel-test;;C:\\Other";
    std::optional<std::string> userPath_;
    DWORD userPathType_ = REG_EXPAND_SZ;
    bool ours_ = false; // whatever is installed now was installed by this test
    fs::path temp_;
    std::string originalTemp_;
    std::optional<std::string> pendingRenames_;
    DWORD pendingRenamesType_ = REG_MULTI_SZ;
};

TEST_F(InstallerTest, InstallsRunsAndUninstallsSilentlyLeavingNothingBehind) {
    char installer[MAX_PATH] = {};
    ASSERT_NE(GetFullPathNameA(QUORVEL_INSTALLER, MAX_PATH, installer, nullptr), 0u);
    ASSERT_TRUE(Exists(installer)) << installer;
    const std::string folder = InstallFolder();
    const auto classes = [](const std::string& key) {
        return RegKey(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + key).c_str(), KEY_READ | KEY_WOW64_64KEY);
    };
    const std::optional<std::string> makDefault = classes(".mak").Read("");

    const Finished install = RunHere("\"" + std::string(installer) + "\" /S");
    ASSERT_TRUE(install.inTime) << "still running:\n" << install.stillRunning;
    ASSERT_EQ(install.exitCode, 0u) << install.output;

    for (const char* name : kInstalledFiles)
        EXPECT_TRUE(Exists(folder + "\\" + name)) << folder << "\\" << name;
    // The programs keep the protections of their build: a random address (ASLR), from all of the
    // 64-bit space, and no code run from data (DEP).
    for (const char* name : {"Quorvel.exe", "quorvel-cli.exe"}) {
        const WORD wanted = IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE | IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA |
                            IMAGE_DLLCHARACTERISTICS_NX_COMPAT;
        EXPECT_EQ(Protections(folder + "\\" + name) & wanted, wanted) << name;
        EXPECT_EQ(VersionString(folder + "\\" + name, "FileVersion"), QUORVEL_VERSION) << name;
    }
    ASSERT_TRUE(Exists(Shortcut())) << Shortcut();
    EXPECT_EQ(Lower(ShortcutTarget(Shortcut())), Lower(folder + "\\Quorvel.exe"));

    // Listed among the installed programs, in the 64-bit registry only.
    std::optional<std::string> quietUninstall;
    {
        const RegKey entry = UninstallEntry(KEY_WOW64_64KEY);
        ASSERT_TRUE(entry);
        EXPECT_EQ(Text(entry.Read("DisplayName")), "Quorvel");
        EXPECT_EQ(Text(entry.Read("DisplayVersion")), QUORVEL_VERSION);
        EXPECT_EQ(Text(entry.Read("Publisher")), "The Quorvel authors");
        EXPECT_EQ(Text(entry.Read("UninstallString")), "\"" + folder + "\\Uninstall.exe\"");
        quietUninstall = entry.Read("QuietUninstallString");
        EXPECT_FALSE(UninstallEntry(KEY_WOW64_32KEY));
    }

    // Among the programs that open project files, not the default one of either type.
    EXPECT_EQ(Text(classes("Applications\\Quorvel.exe\\shell\\open\\command").Read("")),
              "\"" + folder + "\\Quorvel.exe\" \"%1\"");
    for (const char* type : {".mak", ".bpr"}) {
        EXPECT_TRUE(classes("Applications\\Quorvel.exe\\SupportedTypes").Read(type)) << type;
        EXPECT_TRUE(classes(std::string(type) + "\\OpenWithList\\Quorvel.exe")) << type;
    }
    EXPECT_EQ(classes(".mak").Read(""), makDefault);

    const Finished regserver = RunHere("\"" + folder + "\\Quorvel.exe\" /regserver");
    EXPECT_TRUE(regserver.inTime) << "still running:\n" << regserver.stillRunning;
    EXPECT_EQ(regserver.exitCode, 0u);
    const Finished version = RunHere("\"" + folder + "\\quorvel-cli.exe\" --version");
    EXPECT_EQ(version.exitCode, 0u);
    EXPECT_EQ(FirstLine(version.output).rfind("quorvel-cli " QUORVEL_VERSION " (", 0), 0u) << version.output;

    // The CLI's folder is on the user's Path, after what was there, and the value still expands.
    DWORD pathType = 0;
    EXPECT_EQ(Text(RegKey(HKEY_CURRENT_USER, kEnvironmentKey, KEY_READ).Read(kPath, &pathType)),
              std::string(kTestPath) + ";" + folder);
    EXPECT_EQ(pathType, DWORD(REG_EXPAND_SZ));

    // The removal as the list of installed programs starts it when asked to be quiet; what the program
    // remembered for the user goes with it.
    HKEY remembered = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quorvel", 0, nullptr, 0, KEY_WRITE, nullptr,
                              &remembered, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(remembered, "LastProject", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\P.mak"), 9);
    RegCloseKey(remembered);
    ASSERT_TRUE(quietUninstall);
    const Finished uninstall = RunHere(quietUninstall->c_str());
    ASSERT_TRUE(uninstall.inTime) << "still running:\n" << uninstall.stillRunning;
    EXPECT_EQ(uninstall.exitCode, 0u) << uninstall.output;

    EXPECT_FALSE(Exists(folder)) << folder;
    EXPECT_FALSE(Exists(Shortcut())) << Shortcut();
    EXPECT_FALSE(UninstallEntry(KEY_WOW64_64KEY));
    EXPECT_FALSE(UninstallEntry(KEY_WOW64_32KEY));
    EXPECT_FALSE(classes("Applications\\Quorvel.exe"));
    EXPECT_FALSE(classes(".mak\\OpenWithList\\Quorvel.exe"));
    EXPECT_EQ(classes(".mak").Read(""), makDefault);
    EXPECT_FALSE(RegKey(HKEY_CURRENT_USER, "Software\\Quorvel", KEY_READ));
    EXPECT_EQ(Text(RegKey(HKEY_CURRENT_USER, kEnvironmentKey, KEY_READ).Read(kPath)), kTestPath);
}

// An upgrade while the program runs. Silent, the installer finds it by the mutex it holds, changes
// nothing and ends with exit code 3 and the reason on its standard error, so that a package manager does
// not report the upgrade done; once the program has ended the upgrade goes through.
TEST_F(InstallerTest, ASilentUpgradeWhileTheProgramRunsFailsAndChangesNothing) {
    char installer[MAX_PATH] = {};
    ASSERT_NE(GetFullPathNameA(QUORVEL_INSTALLER, MAX_PATH, installer, nullptr), 0u);
    const std::string install = "\"" + std::string(installer) + "\" /S";
    ASSERT_EQ(RunHere(install).exitCode, 0u);
    // A mark on a file the installer writes: gone once it has replaced the files.
    const std::string readme = InstallFolder() + "\\README.txt";
    std::ofstream(readme, std::ios::app) << "marked";
    const auto marked = [&readme, size = fs::file_size(readme)] { return fs::file_size(readme) == size; };

    std::string program = "\"" + InstallFolder() + "\\Quorvel.exe\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, program.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    HANDLE mutex = nullptr;
    for (const ULONGLONG end = GetTickCount64() + kTimeoutMs;
         !mutex && GetTickCount64() < end && WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT;)
        mutex = OpenMutexA(SYNCHRONIZE, FALSE, "Global\\QuorvelProgramRunning");
    EXPECT_TRUE(mutex) << "the program holds no mutex";
    if (mutex)
        CloseHandle(mutex);

    const Finished refused = RunHere(install);
    EXPECT_TRUE(refused.inTime) << "still running:\n" << refused.stillRunning;
    EXPECT_EQ(refused.exitCode, 3u);
    EXPECT_EQ(FirstLine(refused.output), "Quorvel is running: close it and run this again.");
    EXPECT_TRUE(marked()) << "the installation changed";
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), DWORD(WAIT_TIMEOUT)) << "the program ended";

    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, kTimeoutMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const Finished upgrade = RunHere(install);
    EXPECT_EQ(upgrade.exitCode, 0u) << upgrade.output;
    EXPECT_FALSE(marked()) << "not replaced";
}

} // namespace
