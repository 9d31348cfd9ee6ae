#include "scanner/FormTextCache.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "formstream/FormText.h"
#include "io/Streams.h"

namespace {

// A form larger than this (none that a person draws) is converted from its file each time.
constexpr std::int64_t kMaxCachedForm = 4 << 20;

// How long what a folder's file system answers is used before it is asked again.
constexpr std::int64_t kSettleKnownSeconds = 10;

// Reads a form's bytes where they are.
class TBytesStream : public TCustomMemoryStream {
public:
    explicit TBytesStream(const std::string& bytes) {
        SetPointer(const_cast<char*>(bytes.data()), static_cast<std::int32_t>(bytes.size()));
    }
    std::int32_t Write(const void*, std::int32_t) override { return 0; }
};

} // namespace

void TFormTextCache::ScanFormFile(const ListedForm& form, TResultTree& tree) {
    os::FileStamp stamp;
    const bool stamped = os::FileStampOf(form.Path, stamp);
    const std::string key =
        stamped && stamp.Size <= kMaxCachedForm ? os::FileIdentity(form.Path) : std::string();
    const auto known = key.empty() ? entries_.end() : entries_.find(key);
    if (known != entries_.end() && known->second.Stamp == stamp && known->second.Settled) {
        known->second.LastUse = ++uses_;
        const std::string& text = known->second.Text;
        ScanFormText(text.data(), static_cast<std::int32_t>(text.size()), tree);
        return;
    }
    const std::unique_ptr<TFileStream> file = OpenForReading(form.Path, form.Name);
    std::string bytes;
    if (!key.empty()) {
        // One byte more than the stamp says: a file that grew since is read as it is now, uncached. A
        // file gives all it has to one read (on every platform the seam keeps that promise).
        bytes.resize(static_cast<size_t>(stamp.Size) + 1);
        bytes.resize(static_cast<size_t>(
            std::max(0, file->Read(bytes.data(), static_cast<std::int32_t>(bytes.size())))));
    }
    if (key.empty() || static_cast<std::int64_t>(bytes.size()) != stamp.Size) {
        file->SetPosition(0);
        TMemoryStream text;
        FormFileToText(*file, text);
        ScanFormText(text.Memory(), text.Size(), tree);
        return;
    }

    const std::int64_t now = os::FileTimeNow();
    const std::int64_t settle = SettleTime(form.Path, now);
    const auto found = entries_.find(key);
    if (found != entries_.end() && found->second.Stamp == stamp && found->second.Form == bytes) {
        found->second.Settled = now - found->second.ReadAt >= settle || now - stamp.LastWrite >= settle;
        found->second.LastUse = ++uses_;
        const std::string& text = found->second.Text;
        ScanFormText(text.data(), static_cast<std::int32_t>(text.size()), tree);
        return;
    }
    TBytesStream input(bytes);
    TMemoryStream text;
    FormFileToText(input, text); // a form that fails to convert is not kept, and fails again next time
    Store(key, Entry{stamp, std::move(bytes), std::string(text.Memory(), static_cast<size_t>(text.Size())), 0,
                     now, now - stamp.LastWrite >= settle});
    ScanFormText(text.Memory(), text.Size(), tree);
}

std::int64_t TFormTextCache::SettleTime(const std::string& path, std::int64_t now) {
    if (settleSeconds_)
        return *settleSeconds_ * os::FileTimeUnitsPerSecond();
    Settle& known = settleByFolder_[path.substr(0, os::FolderPartLength(path))];
    if (known.Time == 0 || now - known.AskedAt >= kSettleKnownSeconds * os::FileTimeUnitsPerSecond())
        known = Settle{os::StampSettleTime(path), now};
    return known.Time;
}

void TFormTextCache::Store(const std::string& key, Entry entry) {
    if (const auto old = entries_.find(key); old != entries_.end()) {
        bytes_ -= old->second.Form.size() + old->second.Text.size();
        entries_.erase(old);
    }
    const size_t size = entry.Form.size() + entry.Text.size();
    if (size > maxBytes_)
        return;
    // The least recently used go until the new one fits; a scan of a few thousand entries for each is
    // nothing beside the conversion that brought the new one.
    while (bytes_ + size > maxBytes_ && !entries_.empty()) {
        auto oldest = entries_.begin();
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->second.LastUse < oldest->second.LastUse)
                oldest = it;
        bytes_ -= oldest->second.Form.size() + oldest->second.Text.size();
        entries_.erase(oldest);
    }
    entry.LastUse = ++uses_;
    bytes_ += size;
    entries_.emplace(key, std::move(entry));
}
