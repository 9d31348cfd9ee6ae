#include "io/SafeReplace.h"

#include <algorithm>
#include <vector>

#include "io/Os.h"
#include "io/Streams.h"
#include "runtime/Messages.h"

namespace {

class TNativeFileSystem : public TFileSystem {
public:
    bool ReadOnly(const std::string& name) override { return os::FileReadOnly(name); }

    bool Read(const std::string& name, std::size_t limit, std::string& bytes) override {
        bytes.clear();
        const os::FileHandle handle = os::FileOpen(name, fmOpenRead | fmShareDenyNone);
        if (handle == os::kInvalidHandle)
            return Failed();
        char buffer[65536];
        while (bytes.size() < limit) {
            const auto want = static_cast<std::int32_t>(std::min(sizeof buffer, limit - bytes.size()));
            const std::int32_t got = os::FileRead(handle, buffer, want);
            if (got <= 0)
                break;
            bytes.append(buffer, static_cast<std::size_t>(got));
        }
        os::FileClose(handle);
        return true;
    }

    TWritten WriteNew(const std::string& name, const std::string& like, std::string_view bytes) override {
        bool taken = false;
        const os::FileHandle handle = os::FileCreateNew(name, like, taken);
        if (handle == os::kInvalidHandle) {
            Failed();
            return taken ? kNameTaken : kFailed;
        }
        bool whole = true;
        for (std::size_t at = 0; whole && at < bytes.size();) {
            const auto piece = static_cast<std::int32_t>(std::min<std::size_t>(bytes.size() - at, 1 << 30));
            const std::int32_t put = os::FileWrite(handle, bytes.data() + at, piece);
            whole = put > 0;
            at += static_cast<std::size_t>(std::max(put, 0));
        }
        whole = (whole && os::FileFlush(handle)) || Failed();
        os::FileClose(handle);
        return whole ? kWritten : kFailed;
    }

    bool MoveReplacing(const std::string& from, const std::string& to) override {
        return os::FileMoveReplacing(from, to) || Failed();
    }
    bool Delete(const std::string& name) override { return os::FileDelete(name) || Failed(); }
    std::string ErrorText() override { return error_; }

private:
    // Keeps the system's words at once: closing a file may change them.
    bool Failed() {
        error_ = os::LastErrorText();
        return false;
    }

    std::string error_;
};

// How many names beside a file a replace tries for its new files.
constexpr int kNewFileNames = 100;

// The new files a replace makes beside the file; those not put in place by the end are deleted.
class TNewFiles {
public:
    TNewFiles(TFileSystem& fileSystem, const std::string& path) : fileSystem_(fileSystem), path_(path) {}
    ~TNewFiles() {
        for (const std::string& name : made_)
            fileSystem_.Delete(name);
    }
    TNewFiles(const TNewFiles&) = delete;
    TNewFiles& operator=(const TNewFiles&) = delete;

    // Writes `bytes` to a new file beside the file, with its permissions, and reads them back: the
    // file's name and the bytes read, or an empty name and why.
    std::string Write(std::string_view bytes, std::string& readBack, std::string& why) {
        for (int n = 1; n <= kNewFileNames; ++n) {
            const std::string name = path_ + ".~qv" + std::to_string(n);
            const TFileSystem::TWritten written = fileSystem_.WriteNew(name, path_, bytes);
            if (written == TFileSystem::kNameTaken)
                continue;
            made_.push_back(name);
            if (written == TFileSystem::kFailed) {
                why = fileSystem_.ErrorText();
                return std::string();
            }
            if (!fileSystem_.Read(name, bytes.size() + 1, readBack) || readBack != bytes) {
                why = LoadResString(SNotReadBack);
                return std::string();
            }
            return name;
        }
        why = fileSystem_.ErrorText();
        return std::string();
    }

    // A file that is no longer to be deleted: put in place, or kept for its bytes.
    void Keep(const std::string& name) { made_.erase(std::find(made_.begin(), made_.end(), name)); }

private:
    TFileSystem& fileSystem_;
    const std::string& path_;
    std::vector<std::string> made_;
};

} // namespace

TFileSystem& NativeFileSystem() {
    static TNativeFileSystem native;
    return native;
}

std::string BackupName(const std::string& fileName) {
    const std::size_t dot = fileName.find_last_of('.');
    const bool dotted = dot != std::string::npos && dot >= os::FolderPartLength(fileName);
    const std::size_t stem = dotted ? dot : fileName.size();
    // Two characters, not bytes: a UTF-8 sequence is kept whole.
    std::size_t end = dotted ? dot + 1 : fileName.size();
    for (int characters = 0; characters < 2 && end < fileName.size(); ++characters) {
        do
            ++end;
        while (end < fileName.size() && (static_cast<unsigned char>(fileName[end]) & 0xC0) == 0x80);
    }
    std::string backup =
        fileName.substr(0, stem) + ".~" + (dotted ? fileName.substr(dot + 1, end - dot - 1) : "");
    if (backup == fileName)
        backup += '~';
    return backup;
}

// The new file goes in place before the backup does, so that a file held by another program, the
// likeliest failure, leaves the old backup as it was.
void ReplaceFileSafely(const std::string& path, const std::string& shownName, std::string_view oldBytes,
                       std::string_view newBytes, const TReadBackCheck& check, TFileSystem& fileSystem) {
    const std::string& shown = shownName.empty() ? path : shownName;
    if (fileSystem.ReadOnly(path))
        throw EFileReplaceError(SFileReadOnly, {shown});
    std::string current;
    if (!fileSystem.Read(path, oldBytes.size() + 1, current))
        throw EFileReplaceError(SFileNotRead, {shown, fileSystem.ErrorText()});
    if (current != oldBytes)
        throw EFileReplaceError(SFileChanged, {shown});

    TNewFiles made(fileSystem, path);
    std::string readBack, why;
    const std::string newFile = made.Write(newBytes, readBack, why);
    if (newFile.empty())
        throw EFileReplaceError(SNewFileNotWritten, {shown, why});
    if (check) {
        try {
            check(readBack);
        } catch (const Exception& error) {
            throw EFileReplaceError(SNewFileWrong, {shown, error.Message()});
        }
    }
    const std::string backup = BackupName(path);
    const std::string oldFile = made.Write(oldBytes, readBack, why);
    if (oldFile.empty())
        throw EFileReplaceError(SBackupNotMade, {shown, backup, why});

    if (!fileSystem.MoveReplacing(newFile, path))
        throw EFileReplaceError(SFileNotReplaced, {shown, fileSystem.ErrorText()});
    made.Keep(newFile);
    made.Keep(oldFile);
    if (fileSystem.MoveReplacing(oldFile, backup))
        return;
    why = fileSystem.ErrorText();
    if (fileSystem.MoveReplacing(oldFile, path))
        throw EFileReplaceError(SBackupNotMade, {shown, backup, why});
    throw EFileReplaceError(SOldBytesKeptAs, {shown, oldFile, why});
}
