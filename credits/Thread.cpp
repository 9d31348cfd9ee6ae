#include "credits/Thread.h"

#include "framework/UtilWindow.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/Messages.h"

#include <process.h>

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
    char* text = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result =
        length != 0 ? std::string(text, length) : Format("error %s", {std::to_string(error)});
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
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

int ThreadObjectCount() {
    return threadObjectCount.load();
}

TThread::TThread(bool createSuspended) : parked_(createSuspended) {
    threadObjectCount.fetch_add(1);
    try {
        if (threadWindow.load() == nullptr) {
            mainThreadId.store(GetCurrentThreadId());
            threadWindow.store(AllocateHWnd("TThreadWindow", nullptr, ThreadWindowMethod));
        }
        // Always created suspended, so the handle and identifier are stored before the thread can run.
        const uintptr_t handle = _beginthreadex(nullptr, 0, ThreadEntry, this, CREATE_SUSPENDED, &threadId_);
        if (handle == 0) {
            throw EThread(SThreadCreateError, {SystemErrorText(GetLastError())});
        }
        handle_ = reinterpret_cast<HANDLE>(handle);
    } catch (...) {
        if (threadObjectCount.fetch_sub(1) == 1 && OnMainThread()) {
            DestroyThreadWindowIfUnused();
        }
        throw;
    }
    if (!createSuspended) {
        ResumeThread(handle_);
    }
}

TThread::~TThread() {
    StopAndWait();
    CloseHandle(handle_);
    if (threadObjectCount.fetch_sub(1) == 1) {
        if (OnMainThread()) {
            DestroyThreadWindowIfUnused();
        } else if (HWND window = threadWindow.load()) {
            PostMessageA(window, kReleaseThreadWindowMessage, 0, 0);
        }
    }
}

// A thread that has set Ended may still be in its completion step, which touches this object, so this
// waits for the operating-system thread itself even then.
void TThread::StopAndWait() {
    if (!parked_.load() && GetCurrentThreadId() != threadId_) {
        if (!Ended()) {
            RequestStop();
        }
        WaitFor();
    }
}

void TThread::Park() {
    parked_.store(true);
    SuspendThread(handle_);
    // Suspension takes effect asynchronously; asking for the thread's context returns only once the thread
    // has really stopped, so nothing of its loop runs after Park has returned.
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    GetThreadContext(handle_, &context);
}

void TThread::Wake() {
    const DWORD previousCount = ResumeThread(handle_);
    // 1: this call let the thread run. 0: it was running already; leaving Parked set would only make the
    // callers' "wake until not parked" loop spin for ever.
    if (previousCount <= 1) {
        parked_.store(false);
    }
}

void TThread::RequestStop() {
    stopRequested_.store(true, std::memory_order_relaxed);
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
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
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

// The call is kept in the object (a capture of `this` fits std::function's own buffer), so a synchronized
// call allocates nothing: a worker suspended at any point never holds the heap's lock.
void TThread::Synchronize(TThreadMethod method) {
    if (MainWaiting()) {
        throw EThread(SSyncWhileWaiting, {});
    }
    syncFailure_ = nullptr;
    syncMethod_ = std::move(method);
    SendMessageA(threadWindow.load(), kThreadSyncMessage, 0, reinterpret_cast<LPARAM>(this));
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
        thread->Run();
    } catch (...) {
        // An exception leaving a thread would end the process; keep it for the owner instead.
        thread->runFailure_ = std::current_exception();
    }
    const bool freeWhenDone = thread->FreeWhenDone;
    const DWORD exitCode = thread->ExitCode;
    thread->ended_.store(true, std::memory_order_release);
    try {
        thread->DoCompleted();
    } catch (...) {
        if (!thread->runFailure_) {
            thread->runFailure_ = std::current_exception();
        }
    }
    if (freeWhenDone) {
        delete thread;
    }
    return exitCode;
}
