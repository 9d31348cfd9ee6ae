#include "scanner/BackgroundScan.h"

#include <set>
#include <utility>
#include <vector>

#include "runtime/Text.h"
#include "scanner/HelpContextScan.h"

namespace {

// More folders than this are not watched one by one: such a project is read again each time.
constexpr std::size_t kMostWatchedFolders = 64;

std::string FolderOf(const std::string& fileName) {
    return fileName.substr(0, os::FolderPartLength(fileName));
}

} // namespace

TBackgroundScan::TBackgroundScan(TFormSource& source, std::function<void()> finished, ScanOptions options)
    : source_(source), finished_(std::move(finished)), options_(std::move(options)) {}

TBackgroundScan::~TBackgroundScan() {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
        cancel_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void TBackgroundScan::Start(const std::string& projectText) {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        ++generation_;
        cancel_ = true;
        pending_ = projectText;
        hasPending_ = true;
        result_.reset();
        listed_ = 0;
        done_ = 0;
        if (!thread_.joinable())
            thread_ = std::thread([this] { Loop(); });
    }
    wake_.notify_all();
}

void TBackgroundScan::Cancel() {
    const std::lock_guard<std::mutex> hold(lock_);
    ++generation_;
    cancel_ = true;
    hasPending_ = false;
    result_.reset();
}

// Only the asking thread looks at the watch; the scan's thread only replaces what it keeps.
std::shared_ptr<const ScanResult> TBackgroundScan::Unchanged(const std::string& projectText) {
    const std::string identity = os::FileIdentity(ProjectFileOf(projectText));
    std::shared_ptr<Scanned> last;
    {
        const std::lock_guard<std::mutex> hold(lock_);
        last = last_;
    }
    if (!last || identity.empty() || identity != last->ProjectIdentity || !last->Watched ||
        last->Watch.Changed())
        return nullptr;
    return last->Result;
}

std::shared_ptr<const ScanResult> TBackgroundScan::TakeResult() {
    const std::lock_guard<std::mutex> hold(lock_);
    return std::exchange(result_, nullptr);
}

// The lock is held only to hand things over: a thread that finds it taken waits in the kernel, which costs
// more than the hand-over.
void TBackgroundScan::Loop() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        wake_.wait(hold, [this] { return stop_ || hasPending_; });
        if (stop_)
            return;
        const std::string projectText = std::move(pending_);
        hasPending_ = false;
        const std::uint64_t generation = generation_;
        cancel_ = false;
        listed_ = 0;
        done_ = 0;
        hold.unlock();
        std::shared_ptr<Scanned> scanned = Scan(projectText);
        const bool usable = scanned->Result->ProjectRead && !scanned->Result->Failure;
        std::shared_ptr<Scanned> replaced; // goes, with its watch, once the lock is free
        hold.lock();
        const bool current = generation == generation_;
        if (current) {
            result_ = scanned->Result;
            replaced = std::move(last_);
            if (usable)
                last_ = std::move(scanned);
        }
        hold.unlock();
        replaced.reset();
        scanned.reset();
        if (current && finished_)
            finished_();
        hold.lock();
    }
}

// The folders are watched before what stands in them is read: a change while the scan reads is one
// after the watch began.
std::shared_ptr<TBackgroundScan::Scanned> TBackgroundScan::Scan(const std::string& projectText) {
    auto scanned = std::make_shared<Scanned>();
    const std::string projectFile = ProjectFileOf(projectText);
    scanned->ProjectIdentity = os::FileIdentity(projectFile);
    scanned->Watched = scanned->Watch.Add(FolderOf(projectFile));
    ScanOptions options = options_;
    options.Cancel = &cancel_;
    options.ListRead = [&](const std::string& projectName, const std::vector<std::string>& names) {
        std::set<std::string> folders;
        const std::string projectFolder = FolderOf(projectName);
        for (const std::string& name : names) {
            if (folders.size() > kMostWatchedFolders)
                break;
            folders.insert(FolderOf(IsAbsoluteName(name) ? name : projectFolder + name));
        }
        scanned->Watched = scanned->Watched && folders.size() <= kMostWatchedFolders;
        for (auto folder = folders.begin(); scanned->Watched && folder != folders.end(); ++folder)
            scanned->Watched = scanned->Watch.Add(*folder);
        listed_ = names.size();
    };
    options.Progress = [this](std::size_t done) {
        // Threads tell in any order: the count only grows.
        std::size_t shown = done_;
        while (shown < done && !done_.compare_exchange_weak(shown, done)) {
        }
    };
    scanned->Result = std::make_shared<const ScanResult>(Rescan(projectText, source_, options));
    return scanned;
}
