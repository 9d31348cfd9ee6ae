#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "runtime/Exceptions.h"

// Replacing a user's file with new bytes so that nothing is lost: the new bytes are written to a new
// file beside it, handed to the disk and read back; the old bytes are kept as the environment keeps
// its backups; the new file then takes the old one's place in one step.

// A file that could not be replaced; its message names the file and says why.
class EFileReplaceError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// The file-system steps a replace takes, so that a test can make any of them fail.
class TFileSystem {
public:
    virtual ~TFileSystem() = default;

    enum TWritten { kWritten, kNameTaken, kFailed };

    // os::FileReadOnly.
    virtual bool ReadOnly(const std::string& name) = 0;
    // The file's first `limit` bytes (all of a shorter file); false when it cannot be opened.
    virtual bool Read(const std::string& name, std::size_t limit, std::string& bytes) = 0;
    // Writes a file `name` that is not there yet, with the permissions of `like`, and hands it to the
    // disk. kFailed may leave part of it behind; kNameTaken leaves the file that has the name alone.
    virtual TWritten WriteNew(const std::string& name, const std::string& like, std::string_view bytes) = 0;
    // os::FileMoveReplacing.
    virtual bool MoveReplacing(const std::string& from, const std::string& to) = 0;
    virtual bool Delete(const std::string& name) = 0;
    // Why the last step that failed did.
    virtual std::string ErrorText() = 0;
};

// The operating system's own, through the OS seam.
TFileSystem& NativeFileSystem();

// The name the environment gives the backup of a file: "~" and the first two characters of its
// extension in place of the extension ("Main.dfm" -> "Main.~df", "Unit.h" -> "Unit.~h"). A name
// without an extension gets the extension "~" ("Main" -> "Main.~"), one that ends in a dot too. A
// name that would be its own backup ("a.~~~") gets one more "~" at the end.
std::string BackupName(const std::string& fileName);

// Checks the bytes read back from the new file and raises an Exception that says what is wrong.
using TReadBackCheck = std::function<void(const std::string& bytesRead)>;

// Replaces the file `path` by `newBytes`. `oldBytes` are what the caller read from it and made the new
// bytes from: the file must still hold them. In this order, each step done before the next begins:
// refused when the file is marked read-only (os::FileReadOnly); the file read and compared with
// `oldBytes`; the new bytes written to a new file in the same folder, handed to the disk, read back,
// compared with `newBytes` and given to `check` (when set); the old bytes written the same way to a
// second new file; the first put in place of `path` in one step; the second put in place of the
// backup (BackupName) in one step.
//
// On any failure the file keeps its old bytes, the backup that was there stays, no new file is left,
// and EFileReplaceError names the file as `shownName` (`path` when empty) and says why. A backup that
// cannot be put in place, after the file was, has the old bytes put back in the file's place; only
// should that fail too does the file keep the new bytes, and the error names the new file that keeps
// the old ones.
void ReplaceFileSafely(const std::string& path, const std::string& shownName, std::string_view oldBytes,
                       std::string_view newBytes, const TReadBackCheck& check = {},
                       TFileSystem& fileSystem = NativeFileSystem());
