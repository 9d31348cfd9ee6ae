#include "scanner/BackgroundScan.h"

#include <set>
#include <utility>
#include <vector>

#include "runtime/Text.h"

namespace {

// More folders than this are not watched one by one: such a project is read again each time.
constexpr std::size_t kMostWatchedFolders = 64;

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

void TBackgroundScan::Start(const ProjectName& project) {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        ++generation_;
        cancel_ = true;
        pending_ = project;
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
std::shared_ptr<const ScanResult> TBackgroundScan::Unchanged(const std::string& projectFile) {
    const std::string identity = os::FileIdentity(projectFile);
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
        const ProjectName project = std::move(pending_);
        hasPending_ = false;
        const std::uint64_t generation = generation_;
        cancel_ = false;
        listed_ = 0;
        done_ = 0;
        hold.unlock();
        std::shared_ptr<Scanned> scanned = Scan(project);
        const bool usable =
            scanned->Result->ProjectRead && !scanned->Result->Failure && !scanned->Result->Cancelled;
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
std::shared_ptr<TBackgroundScan::Scanned> TBackgroundScan::Scan(const ProjectName& project) {
    auto scanned = std::make_shared<Scanned>();
    scanned->ProjectIdentity = os::FileIdentity(project.File);
    scanned->Watched = scanned->Watch.Add(os::FolderOf(project.File));
    ScanOptions options = options_;
    options.Cancel = &cancel_;
    options.ListRead = [&](const std::string& projectName, const std::vector<std::string>& names) {
        std::set<std::string> folders;
        const std::string projectFolder = os::FolderOf(projectName);
        for (const std::string& name : names) {
            if (folders.size() > kMostWatchedFolders)
                break;
            folders.insert(os::FolderOf(JoinedName(projectFolder, name)));
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
    scanned->Result = std::make_shared<const ScanResult>(Rescan(project, source_, options));
    return scanned;
}
