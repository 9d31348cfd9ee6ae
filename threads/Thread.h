#pragma once

#include "runtime/Object.h"

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// A call handed to the main thread by Synchronize.
using TThreadMethod = std::function<void()>;

// Message that carries a Synchronize call to the thread window; wParam 0, lParam the thread object.
constexpr UINT kThreadSyncMessage = 0x8FFF;

// An operating-system thread that runs Run. The main thread steers it by parking and waking it and by
// asking it to stop; calls that must run on the main thread go through Synchronize. Parking is
// cooperative: the thread stops only where it rests (RestUntil, ParkPoint, a Synchronize hand-off), never
// inside the heap or the C runtime. Every thread object is counted; while any exists, the main thread owns
// a hidden "TThreadWindow" window that runs the synchronized calls.
class TThread : public TObject {
public:
    // Starts the thread at once, or parked when `createSuspended`: then Run begins only at the first Wake
    // that clears Parked, so a derived class with members of its own creates suspended and Wakes the
    // thread when it is ready.
    explicit TThread(bool createSuspended);
    // Asks the thread to stop, parked or not, and waits for it (StopAndWait).
    ~TThread() override;

    // Counts one park request and marks the thread Parked; returns once the thread rests, so nothing of
    // Run happens afterwards until the matching Wake. Called on the thread itself it only counts: the
    // thread parks at its next rest.
    void Park();
    // Takes back one park request; clears Parked when none is left. Callers repeat until !Parked().
    void Wake();
    // Sets StopRequested and ends the thread's rest, parked or not; Run must look at the flag.
    void RequestStop();
    // For a FreeWhenDone thread that someone keeps a pointer to: Hold before the thread can end, and
    // Release instead of any further use. The object is freed by the last of the thread's end and the
    // Releases, so a RequestStop followed by Release never races with the thread freeing itself.
    void Hold();
    void Release();
    // Waits without limit for the thread to end and returns its exit code. Called on the main thread it
    // sets MainWaiting, so the thread's later Synchronize calls fail instead of dead-locking.
    DWORD WaitFor();

    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority value);

    bool StopRequested() const { return stopRequested_.load(std::memory_order_relaxed); }
    bool Parked() const { return parked_.load(); }
    bool MainWaiting() const { return mainWaiting_.load(std::memory_order_relaxed); }
    bool Ended() const { return ended_.load(std::memory_order_acquire); }
    // The object deletes itself when Run has returned.
    bool FreeWhenDone = false;
    DWORD ExitCode = 0;
    // Fired through Synchronize once Run has returned (the completion step).
    TNotifyEvent OnCompleted;

    HANDLE Handle() const { return handle_; }
    DWORD ThreadID() const { return threadId_; }
    // An exception that escaped Run, kept for the owner instead of ending the process.
    std::exception_ptr RunFailure() const { return runFailure_; }

protected:
    // Runs OnCompleted on the main thread, when assigned.
    virtual void DoCompleted();
    // The thread's body.
    virtual void Run() = 0;
    // Asks a running thread to stop and waits for it to end, unless it is parked or this is the thread
    // itself. The base destructor does this too late for a class whose Run uses members of its own (they
    // are gone by then), so such a class calls it first thing in its destructor.
    void StopAndWait();
    // Runs `method` on the main thread and waits for it; an exception it raises is raised again here.
    // Raises EThread while the main thread waits in WaitFor for this thread. The thread rests while it
    // waits, and parks afterwards when a park was asked for meanwhile.
    void Synchronize(TThreadMethod method);
    // On the thread: rests (costing no processor time) until `deadline` (GetTickCount64) has passed and
    // no park is asked for, or until a stop is requested. False when stopped.
    bool RestUntil(ULONGLONG deadline);
    // On the thread: the place to park between two steps of Run. False when a stop is requested.
    bool ParkPoint() { return RestUntil(0); }

private:
    static unsigned __stdcall ThreadEntry(void* self);
    void SetResting(bool value); // with lock_ held
    void CloseEvents();
    // Runs the pending Synchronize call on the main thread; its failure goes back to the caller.
    static void RunSyncMethod(TThread* thread);
    friend LRESULT ThreadWindowMethod(HWND, UINT, WPARAM, LPARAM);

    HANDLE handle_ = nullptr;
    unsigned threadId_ = 0;
    // lock_ guards parkCount_, resting_ and the change of stopRequested_; the events wake the thread
    // (wake_: a Wake or a stop request) and the main thread waiting in Park (rest_: set while resting).
    CRITICAL_SECTION lock_;
    HANDLE wake_ = nullptr;
    HANDLE rest_ = nullptr;
    int parkCount_;
    bool resting_ = false;
    std::atomic<int> holders_{1}; // the running thread, plus one per Hold
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> parked_;
    std::atomic<bool> mainWaiting_{false};
    std::atomic<bool> ended_{false};
    std::exception_ptr runFailure_;
    TThreadMethod syncMethod_;
    std::exception_ptr syncFailure_;
};

// The number of thread objects alive in the process.
int ThreadObjectCount();
