#include "threads/Thread.h"

#include "framework/UtilWindow.h"
#include "io/Os.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/Messages.h"

#include <process.h>

#include <algorithm>
#include <iterator>

namespace {

// Posted by a thread object that was the last one and died on its own thread: only the main thread may
// destroy the thread window, so it does so when this arrives and the count is still 0.
constexpr UINT kReleaseThreadWindowMessage = 0x8FFE;

// Operating-system priorities by TThreadPriority.
constexpr int kPriorities[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                               THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                               THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                               THREAD_PRIORITY_TIME_CRITICAL};

std::atomic<int> threadObjectCount{0};
// Written on the main thread only; workers read it to send their calls and their release notice.
std::atomic<HWND> threadWindow{nullptr};
// The thread that created the thread window: the one every synchronized call runs on.
std::atomic<DWORD> mainThreadId{0};

bool OnMainThread() {
    return GetCurrentThreadId() == mainThreadId.load(std::memory_order_relaxed);
}

// Main thread only. A thread object created since the release notice was posted keeps the window.
void DestroyThreadWindowIfUnused() {
    HWND window = threadWindow.load();
    if (window != nullptr && threadObjectCount.load() == 0) {
        threadWindow.store(nullptr);
        DeallocateHWnd(window);
    }
}

std::string SystemErrorText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result = length != 0 ? os::Narrow(std::wstring_view(text, length))
                                     : Format("error %s", {std::to_string(error)});
    LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == '.')) {
        result.pop_back();
    }
    return result;
}

} // namespace

LRESULT ThreadWindowMethod(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kThreadSyncMessage:
            TThread::RunSyncMethod(reinterpret_cast<TThread*>(lParam));
            return 0;
        case kReleaseThreadWindowMessage:
            DestroyThreadWindowIfUnused();
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

int ThreadObjectCount() {
    return threadObjectCount.load();
}

TThread::TThread(bool createSuspended) : parkCount_(createSuspended ? 1 : 0), parked_(createSuspended) {
    InitializeCriticalSection(&lock_);
    threadObjectCount.fetch_add(1);
    try {
        wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        rest_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (wake_ == nullptr || rest_ == nullptr) {
            throw EThread(SThreadCreateError, {SystemErrorText(GetLastError())});
        }
        if (threadWindow.load() == nullptr) {
            mainThreadId.store(GetCurrentThreadId());
            threadWindow.store(AllocateHWnd("TThreadWindow", nullptr, ThreadWindowMethod));
        }
        // Created suspended, so the handle and identifier are stored before the thread can run. A thread
        // created parked rests at its first park point, before Run.
        const uintptr_t handle = _beginthreadex(nullptr, 0, ThreadEntry, this, CREATE_SUSPENDED, &threadId_);
        if (handle == 0) {
            throw EThread(SThreadCreateError, {SystemErrorText(GetLastError())});
        }
        handle_ = reinterpret_cast<HANDLE>(handle);
    } catch (...) {
        CloseEvents();
        if (threadObjectCount.fetch_sub(1) == 1 && OnMainThread()) {
            DestroyThreadWindowIfUnused();
        }
        throw;
    }
    ResumeThread(handle_);
}

TThread::~TThread() {
    StopAndWait();
    CloseHandle(handle_);
    CloseEvents();
    if (threadObjectCount.fetch_sub(1) == 1) {
        if (OnMainThread()) {
            DestroyThreadWindowIfUnused();
        } else if (HWND window = threadWindow.load()) {
            PostMessageW(window, kReleaseThreadWindowMessage, 0, 0);
        }
    }
}

void TThread::CloseEvents() {
    if (wake_ != nullptr) {
        CloseHandle(wake_);
    }
    if (rest_ != nullptr) {
        CloseHandle(rest_);
    }
    DeleteCriticalSection(&lock_);
}

// A thread that has set Ended may still be in its completion step, which touches this object, so this
// waits for the operating-system thread itself even then. A parked thread is told to stop too: it leaves
// its rest and ends without running any further step.
void TThread::StopAndWait() {
    if (GetCurrentThreadId() != threadId_) {
        if (!Ended()) {
            RequestStop();
        }
        WaitFor();
    }
}

void TThread::SetResting(bool value) {
    resting_ = value;
    if (value) {
        SetEvent(rest_);
    } else {
        ResetEvent(rest_);
    }
}

// The thread leaves its rest only with no park asked for (or to stop), and both are decided under the
// lock, so once Park has seen it rest, it stays there until the last Wake.
bool TThread::RestUntil(ULONGLONG deadline) {
    EnterCriticalSection(&lock_);
    for (;;) {
        if (stopRequested_.load(std::memory_order_relaxed)) {
            break;
        }
        const ULONGLONG now = GetTickCount64();
        if (parkCount_ == 0 && now >= deadline) {
            break;
        }
        SetResting(true);
        const DWORD timeout =
            parkCount_ > 0 ? INFINITE : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, INFINITE - 1));
        LeaveCriticalSection(&lock_);
        WaitForSingleObject(wake_, timeout);
        EnterCriticalSection(&lock_);
    }
    const bool stopped = stopRequested_.load(std::memory_order_relaxed);
    if (!stopped) {
        SetResting(false);
    }
    LeaveCriticalSection(&lock_);
    return !stopped;
}

// Waiting on the main thread answers calls sent to its windows meanwhile, as WaitFor does: a handler that
// runs on the thread may send to them before it comes to rest.
void TThread::Park() {
    EnterCriticalSection(&lock_);
    ++parkCount_;
    parked_.store(true);
    const bool wait = !resting_ && GetCurrentThreadId() != threadId_;
    LeaveCriticalSection(&lock_);
    if (!wait) {
        return;
    }
    HANDLE rested[] = {rest_, handle_};
    if (OnMainThread()) {
        do {
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        } while (MsgWaitForMultipleObjects(2, rested, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 2);
    } else {
        WaitForMultipleObjects(2, rested, FALSE, INFINITE);
    }
}

void TThread::Wake() {
    EnterCriticalSection(&lock_);
    // 1: this call lets the thread go on. 0: it was not parked; leaving Parked set would only make the
    // callers' "wake until not parked" loop spin for ever.
    if (parkCount_ > 0) {
        --parkCount_;
    }
    if (parkCount_ == 0) {
        parked_.store(false);
        SetEvent(wake_);
    }
    LeaveCriticalSection(&lock_);
}

void TThread::RequestStop() {
    EnterCriticalSection(&lock_);
    stopRequested_.store(true, std::memory_order_relaxed);
    SetEvent(wake_);
    LeaveCriticalSection(&lock_);
}

void TThread::Hold() {
    holders_.fetch_add(1);
}

void TThread::Release() {
    if (holders_.fetch_sub(1) == 1) {
        delete this;
    }
}

// On the main thread the wait also answers calls sent to the main thread's windows: a Synchronize that was
// already under way when the wait began completes instead of dead-locking both threads. Synchronize calls
// that begin later fail at once (MainWaiting).
DWORD TThread::WaitFor() {
    if (OnMainThread()) {
        mainWaiting_.store(true, std::memory_order_relaxed);
        // The wait wakes only for calls sent after the queue was last looked at, so answer those already
        // there before each wait.
        do {
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        } while (MsgWaitForMultipleObjects(1, &handle_, FALSE, INFINITE, QS_SENDMESSAGE) ==
                 WAIT_OBJECT_0 + 1);
    } else {
        WaitForSingleObject(handle_, INFINITE);
    }
    DWORD exitCode = 0;
    GetExitCodeThread(handle_, &exitCode);
    return exitCode;
}

TThreadPriority TThread::Priority() const {
    const int priority = GetThreadPriority(handle_);
    for (int i = tpIdle; i <= tpTimeCritical; ++i) {
        if (kPriorities[i] == priority) {
            return static_cast<TThreadPriority>(i);
        }
    }
    return tpNormal;
}

void TThread::SetPriority(TThreadPriority value) {
    if (value >= tpIdle && value < static_cast<int>(std::size(kPriorities))) {
        SetThreadPriority(handle_, kPriorities[value]);
    }
}

void TThread::DoCompleted() {
    if (OnCompleted) {
        Synchronize([this] { OnCompleted(this); });
    }
}

// The thread rests from the send on: a Park meanwhile returns at once, and the thread parks right after
// the hand-off, so a tick it was waiting for completes first.
void TThread::Synchronize(TThreadMethod method) {
    if (MainWaiting()) {
        throw EThread(SSyncWhileWaiting, {});
    }
    syncFailure_ = nullptr;
    syncMethod_ = std::move(method);
    EnterCriticalSection(&lock_);
    SetResting(true);
    LeaveCriticalSection(&lock_);
    SendMessageW(threadWindow.load(), kThreadSyncMessage, 0, reinterpret_cast<LPARAM>(this));
    ParkPoint();
    syncMethod_ = nullptr;
    if (syncFailure_) {
        std::exception_ptr failure = std::move(syncFailure_);
        syncFailure_ = nullptr;
        std::rethrow_exception(failure);
    }
}

void TThread::RunSyncMethod(TThread* thread) {
    try {
        if (thread->syncMethod_) {
            thread->syncMethod_();
        }
    } catch (...) {
        thread->syncFailure_ = std::current_exception();
    }
}

unsigned __stdcall TThread::ThreadEntry(void* self) {
    auto* thread = static_cast<TThread*>(self);
    try {
        // The body of whatever thread this is (a timer's worker, say): a call down through the virtual
        // table, by which the base knows no class derived from it.
        if (thread->ParkPoint()) {
            thread->Run();
        }
    } catch (...) {
        // An exception leaving a thread would end the process; keep it for the owner instead.
        thread->runFailure_ = std::current_exception();
    }
    const bool freeWhenDone = thread->FreeWhenDone;
    const DWORD exitCode = thread->ExitCode;
    // A Park from now on returns at once.
    EnterCriticalSection(&thread->lock_);
    thread->SetResting(true);
    LeaveCriticalSection(&thread->lock_);
    thread->ended_.store(true, std::memory_order_release);
    try {
        thread->DoCompleted();
    } catch (...) {
        if (!thread->runFailure_) {
            thread->runFailure_ = std::current_exception();
        }
    }
    if (freeWhenDone && thread->holders_.fetch_sub(1) == 1) {
        delete thread;
    }
    return exitCode;
}
