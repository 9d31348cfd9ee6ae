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

// An operating-system thread that runs Run. The main thread steers it by parking (suspending) and waking
// (resuming) it and by asking it to stop; calls that must run on the main thread go through Synchronize.
// Every thread object is counted; while any exists, the main thread owns a hidden "TThreadWindow"
// window that runs the synchronized calls.
class TThread : public TObject {
public:
    // Starts the thread at once, or suspended (and Parked) when `createSuspended`. Started at once, Run may
    // begin before a derived class's constructor has finished, so a class with members of its own creates
    // suspended and Wakes the thread when it is ready.
    explicit TThread(bool createSuspended);
    // Asks a running thread to stop and waits for it (StopAndWait); a parked thread is left as it is.
    ~TThread() override;

    // Suspends the thread once and marks it Parked.
    void Park();
    // Resumes the thread once; clears Parked when the thread now runs. Callers repeat until !Parked().
    void Wake();
    // Only sets StopRequested; Run must look at it.
    void RequestStop();
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
    // Raises EThread while the main thread waits in WaitFor for this thread.
    void Synchronize(TThreadMethod method);

private:
    static unsigned __stdcall ThreadEntry(void* self);
    // Runs the pending Synchronize call on the main thread; its failure goes back to the caller.
    static void RunSyncMethod(TThread* thread);
    friend LRESULT ThreadWindowMethod(HWND, UINT, WPARAM, LPARAM);

    HANDLE handle_ = nullptr;
    unsigned threadId_ = 0;
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
