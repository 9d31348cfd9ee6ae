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
using Files = std::map<std::string, std::string>;

struct ReplaceCase {
    const char* Step; // the step made to fail, "check" the check refusing, "read-only" the file marked
    std::set<int> Calls;
    const char* Message;
    Files After; // none: as before
};

TEST(SafeReplace, ReplacesOrLeavesTheFileAndItsBackupAndNoStrayFile) {
    const auto p = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    const ReplaceCase cases[] = {
        {"", {}, "no error", {{"Main.dfm", kNew}, {"Main.~df", kOld}}},
        {"read-only", {}, "Main.dfm: the file is read-only", {}},
        {"read", {1}, "Main.dfm: the file changed since it was read", {}},
        {"write", {1}, "Main.dfm: the new file cannot be written beside it: made to fail", {}},
        {"read",
         {2},
         "Main.dfm: the new file cannot be written beside it: it did not read back as written",
         {}},
        {"check", {}, "Main.dfm: the new file did not read back right: Invalid property value", {}},
        {"write", {2}, "Main.dfm: the backup Main.~df cannot be made: made to fail", {}},
        {"move", {1}, "Main.dfm: the file cannot be replaced: made to fail", {}},
        {"move", {2}, "Main.dfm: the backup Main.~df cannot be made: made to fail", {}},
        {"move",
         {2, 3},
         "Main.dfm: its old bytes could not be put back and are kept in Main.dfm.~qv2: made to fail",
         {{"Main.dfm", kNew}, {"Main.~df", kBackup}, {"Main.dfm.~qv2", kOld}}},
    };
    for (const ReplaceCase& c : cases) {
        TempDir dir;
        ScopedCurrentDir inDir(dir.Path());
        dir.Write("Main.dfm", kOld);
        dir.Write("Main.~df", kBackup);
        const bool readOnly = std::string(c.Step) == "read-only";
        fs::permissions("Main.dfm", readOnly ? fs::perms::owner_read : p);
        const Files before = Folder(dir.Path());
        FailingFileSystem failing(c.Step, c.Calls);
        const auto check = [&c](const std::string& bytes) {
            EXPECT_EQ(bytes, kNew);
            if (std::string(c.Step) == "check")
                throw Exception(SInvalidProperty, {});
        };
        EXPECT_EQ(ErrorOf([&] { ReplaceFileSafely("Main.dfm", "", kOld, kNew, check, failing); }), c.Message);
        EXPECT_EQ(Folder(dir.Path()), c.After.empty() ? before : c.After) << c.Message;
#ifndef _WIN32
        EXPECT_EQ(fs::status("Main.dfm").permissions(), readOnly ? fs::perms::owner_read : p) << c.Message;
#endif
        fs::permissions("Main.dfm", p);
    }
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
