#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "io/Os.h"
#include "scanner/Rescan.h"

// Rescans that leave the thread asking for them free: each runs on a thread of this object, reading its
// forms on one thread per processor core, and hands back the result when it is done. A newer Start
// cancels the scan that runs, so the last project named wins.
//
// The folders of the last scanned project and its forms are watched (os::ChangeWatch): while nothing
// changed there, the same project costs nothing to scan again (Unchanged). Where they cannot be watched,
// every scan reads the project again, and `source` decides what to read anew (a TFormTextCache asks each
// form's stamp).
class TBackgroundScan {
public:
    // `source` gives every scan its forms, from several threads at once (not owned; it outlives this
    // object). `finished` is called on the scan's thread when a result is there to take (TakeResult).
    TBackgroundScan(TFormSource& source, std::function<void()> finished, ScanOptions options = {});
    // Cancels the scan that runs and waits for its thread.
    ~TBackgroundScan();
    TBackgroundScan(const TBackgroundScan&) = delete;
    TBackgroundScan& operator=(const TBackgroundScan&) = delete;

    // Scans `project` (as Rescan does) on the scan thread; a scan that runs is cancelled.
    void Start(const ProjectName& project);
    // The scan that runs ends without a result, and a result not yet taken is dropped.
    void Cancel();
    // The last scan's result again, when it read the project file `projectFile` without an error and
    // nothing changed since in the folders of the project and its forms; none otherwise. Asked from one
    // thread only.
    std::shared_ptr<const ScanResult> Unchanged(const std::string& projectFile);

    // The result of the last Start once it is there (once); none while it runs, when it was cancelled
    // or taken before.
    std::shared_ptr<const ScanResult> TakeResult();
    // Of the scan that runs: the names its project lists (0 until they are read), and how many of them
    // are done.
    std::size_t Listed() const { return listed_.load(); }
    std::size_t Done() const { return done_.load(); }

private:
    // What the last scan that was not cancelled read, to tell whether it still holds.
    struct Scanned {
        std::string ProjectIdentity; // os::FileIdentity of the project file
        std::shared_ptr<const ScanResult> Result;
        os::ChangeWatch Watch; // armed before anything was read
        bool Watched = true;   // every folder is
    };

    void Loop();
    std::shared_ptr<Scanned> Scan(const ProjectName& project);

    TFormSource& source_;
    std::function<void()> finished_;
    const ScanOptions options_;
    std::atomic<bool> cancel_{false}; // the scan that runs ends
    std::atomic<std::size_t> listed_{0};
    std::atomic<std::size_t> done_{0};

    mutable std::mutex lock_; // guards what follows
    std::condition_variable wake_;
    bool stop_ = false;
    std::uint64_t generation_ = 0; // of the last Start or Cancel: only its scan may hand back a result
    ProjectName pending_;          // the project of a Start not yet taken up by the thread
    bool hasPending_ = false;
    std::shared_ptr<const ScanResult> result_; // of generation_, not yet taken
    std::shared_ptr<Scanned> last_;
    std::thread thread_; // made by the first Start
};
