#include "scanner/FormTextCache.h"

#include <utility>

namespace {

// A form larger than this (none that a person draws) is read from its source each time.
constexpr std::int64_t kMaxCachedForm = 4 << 20;

// How long what a folder's file system answers is used before it is asked again.
constexpr std::int64_t kSettleKnownSeconds = 10;

} // namespace

// A form known and settled is not even opened: its stamp is asked by name, unless finding it told it. A
// text read meanwhile from another file than the stamp was asked of (a form replaced in between) is not
// kept.
TFormText TFormTextCache::FormText(const ListedForm& form, const std::atomic<bool>* cancel) {
    os::FileStamp stamp = form.Stamp.value_or(os::FileStamp());
    const bool stamped = form.Stamp || os::FileStampOf(form.Path, stamp);
    const std::string key =
        stamped && stamp.Size <= kMaxCachedForm ? os::FileIdentity(form.Path) : std::string();
    if (!key.empty()) {
        const std::lock_guard<std::mutex> hold(lock_);
        const auto known = entries_.find(key);
        if (known != entries_.end() && known->second.Stamp == stamp && known->second.Settled) {
            known->second.LastUse = ++uses_;
            return TFormText{known->second.Text, key};
        }
    }
    TFormText read =
        source_.FormText(form, cancel); // a form that fails is not kept, and fails again next time
    if (key.empty() || key != read.Identity)
        return read;
    const std::int64_t now = os::FileTimeNow();
    const std::lock_guard<std::mutex> hold(lock_);
    const std::int64_t settle = SettleTime(form.Path, now);
    const auto known = entries_.find(key);
    if (known != entries_.end() && known->second.Stamp == stamp && known->second.Text == read.Text) {
        known->second.Settled = now - known->second.ReadAt >= settle || now - stamp.LastWrite >= settle;
        known->second.LastUse = ++uses_;
        return read;
    }
    Store(key, Entry{stamp, read.Text, 0, now, now - stamp.LastWrite >= settle});
    return read;
}

std::size_t TFormTextCache::Bytes() const {
    const std::lock_guard<std::mutex> hold(lock_);
    return bytes_;
}

std::size_t TFormTextCache::Count() const {
    const std::lock_guard<std::mutex> hold(lock_);
    return entries_.size();
}

std::int64_t TFormTextCache::SettleTime(const std::string& path, std::int64_t now) {
    if (settleSeconds_)
        return *settleSeconds_ * os::FileTimeUnitsPerSecond();
    Settle& known = settleByFolder_[os::FolderOf(path)];
    if (known.Time == 0 || now - known.AskedAt >= kSettleKnownSeconds * os::FileTimeUnitsPerSecond())
        known = Settle{os::StampSettleTime(path), now};
    return known.Time;
}

void TFormTextCache::Store(const std::string& key, Entry entry) {
    if (const auto old = entries_.find(key); old != entries_.end()) {
        bytes_ -= old->second.Text.size();
        entries_.erase(old);
    }
    const size_t size = entry.Text.size();
    if (size > maxBytes_)
        return;
    // The least recently used go until the new one fits; a scan of a few thousand entries for each is
    // nothing beside the conversion that brought the new one.
    while (bytes_ + size > maxBytes_ && !entries_.empty()) {
        auto oldest = entries_.begin();
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->second.LastUse < oldest->second.LastUse)
                oldest = it;
        bytes_ -= oldest->second.Text.size();
        entries_.erase(oldest);
    }
    entry.LastUse = ++uses_;
    bytes_ += size;
    entries_.emplace(key, std::move(entry));
}
