#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "io/Os.h"
#include "scanner/FormSource.h"

// The texts that another source gave before, so that a Rescan on every key typed reads only the forms
// that changed. A text is used again only for the same file (by its identity) with the same size and
// last write time. Reading thousands of files costs more than a key may take, so a form is read again
// only until its stamp can be trusted: a rewrite gives a new time stamp once the file system's clock
// has moved past the stamp's resolution (os::StampSettleTime: 2 s steps on FAT, the clock's tick on
// NTFS). Until then -- a form written moments before it was read -- its text is read each time, so a
// form rewritten within the resolution with the same size is read anew. The stamp is trusted once the
// form was read well after its last write, or its text was found unchanged twice, that long apart.
// Texts used least recently go first when the cache would hold more than its bound. Several threads may
// ask at once: the texts are read outside the lock, each thread its own.
class TFormTextCache : public TFormSource {
public:
    // `source` gives the texts (not owned; it outlives the cache). `settleSeconds`, when given,
    // replaces what the file system holding each form is asked.
    explicit TFormTextCache(TFormSource& source, std::size_t maxBytes = 64u << 20,
                            std::optional<std::int64_t> settleSeconds = {})
        : source_(source), maxBytes_(maxBytes), settleSeconds_(settleSeconds) {}

    // What the source gives, with the same errors.
    TFormText FormText(const ListedForm& form, const std::atomic<bool>* cancel = nullptr) override;

    std::size_t Bytes() const; // the texts held
    std::size_t Count() const;

private:
    struct Entry {
        os::FileStamp Stamp;
        std::string Text;
        std::uint64_t LastUse = 0;
        std::int64_t ReadAt = 0; // when its bytes were first read, in file time
        bool Settled = false;    // its stamp alone tells a change
    };

    struct Settle {
        std::int64_t Time = 0;    // os::StampSettleTime of the folder's files
        std::int64_t AskedAt = 0; // asked again after a while: a drive letter may change hands
    };

    // With lock_ held.
    void Store(const std::string& key, Entry entry);
    std::int64_t SettleTime(const std::string& path, std::int64_t now);

    TFormSource& source_;
    mutable std::mutex lock_; // guards what follows
    std::size_t maxBytes_;
    std::optional<std::int64_t> settleSeconds_;
    std::unordered_map<std::string, Settle> settleByFolder_;
    std::size_t bytes_ = 0;
    std::uint64_t uses_ = 0;
    std::unordered_map<std::string, Entry> entries_;
};
