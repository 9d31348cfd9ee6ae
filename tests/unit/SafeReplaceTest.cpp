#include "io/SafeReplace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "runtime/Messages.h"
#include "tests/support/TestFiles.h"

namespace fs = std::filesystem;

namespace {

// The native file system with chosen calls of one step made to fail: a write that fills the disk
// half-way, a read that gives other bytes, a move that another program's hold refuses.
class FailingFileSystem : public TFileSystem {
public:
    FailingFileSystem(std::string step, std::set<int> calls)
        : step_(std::move(step)), calls_(std::move(calls)) {}

    bool ReadOnly(const std::string& name) override { return native_.ReadOnly(name); }
    bool Read(const std::string& name, std::size_t limit, std::string& bytes) override {
        const bool read = native_.Read(name, limit, bytes);
        if (Fails("read"))
            bytes += '!';
        return read;
    }
    TWritten WriteNew(const std::string& name, const std::string& like, std::string_view bytes) override {
        if (!Fails("write"))
            return native_.WriteNew(name, like, bytes);
        native_.WriteNew(name, like, bytes.substr(0, bytes.size() / 2));
        return kFailed;
    }
    bool MoveReplacing(const std::string& from, const std::string& to) override {
        return !Fails("move") && native_.MoveReplacing(from, to);
    }
    bool Delete(const std::string& name) override { return native_.Delete(name); }
    std::string ErrorText() override { return "made to fail"; }

private:
    bool Fails(const std::string& step) { return step == step_ && calls_.count(++made_[step]) != 0; }

    TFileSystem& native_ = NativeFileSystem();
    std::string step_;
    std::set<int> calls_;
    std::map<std::string, int> made_;
};

std::map<std::string, std::string> Folder(const std::string& path) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(path))
        files[entry.path().filename().string()] = ReadWholeFile(entry.path().string());
    return files;
}

std::string ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const EFileReplaceError& error) {
        return error.Message();
    }
    return "no error";
}

const std::string kOld = "old form", kNew = "new form, longer", kBackup = "older backup";

struct FailureCase {
    const char* Step;
    std::set<int> Calls;
    const char* Message;
};

TEST(SafeReplace, AFailedStepLeavesTheFileAndItsBackupAndNoStrayFile) {
    const FailureCase cases[] = {
        {"write", {1}, "Main.dfm: the new file cannot be written beside it: made to fail"},
        {"read", {2}, "Main.dfm: the new file cannot be written beside it: it did not read back as written"},
        {"write", {2}, "Main.dfm: the backup Main.~df cannot be made: made to fail"},
        {"move", {1}, "Main.dfm: the file cannot be replaced: made to fail"},
        {"move", {2}, "Main.dfm: the backup Main.~df cannot be made: made to fail"},
        {"check", {}, "Main.dfm: the new file did not read back right: Invalid property value"},
        {"read", {1}, "Main.dfm: the file changed since it was read"},
    };
    for (const FailureCase& c : cases) {
        TempDir dir;
        ScopedCurrentDir inDir(dir.Path());
        dir.Write("Main.dfm", kOld);
        dir.Write("Main.~df", kBackup);
        const auto before = Folder(dir.Path());
        FailingFileSystem failing(c.Step, c.Calls);
        const auto check = [&c](const std::string& bytes) {
            EXPECT_EQ(bytes, kNew);
            if (std::string(c.Step) == "check")
                throw Exception(SInvalidProperty, {});
        };
        EXPECT_EQ(ErrorOf([&] { ReplaceFileSafely("Main.dfm", "", kOld, kNew, check, failing); }), c.Message)
            << c.Step;
        EXPECT_EQ(Folder(dir.Path()), before) << c.Message;
    }
}

TEST(SafeReplace, ReplacesAndKeepsTheBackupOrNamesWhereTheOldBytesAre) {
    TempDir dir;
    ScopedCurrentDir inDir(dir.Path());
    dir.Write("Main.dfm", kOld);
    dir.Write("Main.~df", kBackup);
    fs::permissions("Main.dfm", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    std::string checked;
    ReplaceFileSafely("Main.dfm", "", kOld, kNew, [&](const std::string& bytes) { checked = bytes; });
    EXPECT_EQ(checked, kNew);
    EXPECT_EQ(Folder(dir.Path()),
              (std::map<std::string, std::string>{{"Main.dfm", kNew}, {"Main.~df", kOld}}));
#ifndef _WIN32
    EXPECT_EQ(fs::status("Main.dfm").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif

    // The backup's place refused, and then the file's: the new bytes stay, the old are named.
    FailingFileSystem failing("move", {2, 3});
    EXPECT_EQ(ErrorOf([&] { ReplaceFileSafely("Main.dfm", "Form", kNew, "newer", {}, failing); }),
              "Form: its old bytes could not be put back and are kept in Main.dfm.~qv2: made to fail");
    EXPECT_EQ(Folder(dir.Path()), (std::map<std::string, std::string>{
                                      {"Main.dfm", "newer"}, {"Main.~df", kOld}, {"Main.dfm.~qv2", kNew}}));
}

TEST(SafeReplace, AReadOnlyFileIsRefused) {
    TempDir dir;
    const std::string path = dir.Write("Main.dfm", kOld);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(ErrorOf([&] { ReplaceFileSafely(path, "Main.dfm", kOld, kNew); }),
              "Main.dfm: the file is read-only");
    EXPECT_EQ(Folder(dir.Path()), (std::map<std::string, std::string>{{"Main.dfm", kOld}}));
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
}

TEST(SafeReplace, BackupNames) {
    const std::pair<std::string, std::string> names[] = {
        {"Main.dfm", "Main.~df"}, {"dir/Unit.h", "dir/Unit.~h"},
        {"Main", "Main.~"},       {"my.dir/Main", "my.dir/Main.~"},
        {"Main.", "Main.~"},      {"a.\xC3\xA4\xC3\xB6x", "a.~\xC3\xA4\xC3\xB6"},
        {"a.~~~", "a.~~~~"},
    };
    for (const auto& [name, backup] : names)
        EXPECT_EQ(BackupName(name), backup) << name;
}

} // namespace
