#include "credits/RxTimer.h"

#include "framework/Application.h"
#include "framework/UtilWindow.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"

namespace {

constexpr UINT_PTR kTimerId = 1;

} // namespace

TTimerThread::TTimerThread(TRxTimer* ownerTimer) : TThread(true), ownerTimer_(ownerTimer) {
    FreeWhenDone = true;
}

bool TTimerThread::Closed() const {
    return StopRequested() || (Application != nullptr && Application->Terminated()) ||
           OwnerTimer() == nullptr;
}

// The pause runs from the end of one tick to the next, so ticks never overlap and never catch up. The
// main thread may suspend this loop anywhere, also while a synchronized tick waits to be handled; it then
// carries on from that point when woken.
void TTimerThread::Run() {
    do {
        if (!Closed()) {
            Sleep(static_cast<DWORD>(SleepInterval()));
            if (!Closed() && timerEnabled_.load(std::memory_order_relaxed)) {
                if (timerSyncEvent_.load(std::memory_order_relaxed)) {
                    Synchronize([this] { DeliverTick(); });
                } else {
                    DirectTick();
                }
            }
        } else if (!StopRequested()) {
            // Closed but not yet told to stop: the timer is going (its stop request follows at once) or
            // the application is ending. Yield instead of spinning.
            Sleep(1);
        }
    } while (!StopRequested());
}

// Runs on the main thread, where OwnerTimer is written, so a timer destroyed while this tick waited to be
// handled is seen as none here. A failure of the handler is shown by the error display and the timer goes
// on: the worker, which cannot report anything, never sees it.
void TTimerThread::DeliverTick() {
    TRxTimer* timer = OwnerTimer();
    if (timer == nullptr) {
        return;
    }
    try {
        timer->Tick();
    } catch (...) {
        Application->HandleException(timer);
    }
}

// SyncEvent off: the handler runs here; its failure is handed to the main thread's error display, like
// that of a synchronized tick.
void TTimerThread::DirectTick() {
    TRxTimer* timer = OwnerTimer();
    if (timer == nullptr) {
        return;
    }
    try {
        timer->Tick();
    } catch (...) {
        directFailure_ = std::current_exception();
        Synchronize([this] {
            std::exception_ptr failure = std::move(directFailure_);
            directFailure_ = nullptr;
            try {
                std::rethrow_exception(failure);
            } catch (...) {
                Application->HandleException(OwnerTimer());
            }
        });
    }
}

TRxTimer::TRxTimer(TComponent* owner) : TComponent(owner), worker_(new TTimerThread(this)) {}

// The worker is not waited for: it may be asleep for a whole interval. It finds itself closed at its
// next check, leaves its loop because of the stop request and frees itself.
TRxTimer::~TRxTimer() {
    MarkDestroying();
    worker_->timerEnabled_.store(false, std::memory_order_relaxed);
    onTimer_ = nullptr;
    worker_->ownerTimer_.store(nullptr, std::memory_order_relaxed);
    while (worker_->Parked()) {
        worker_->Wake();
    }
    worker_->RequestStop(); // from here on the worker may free itself at any moment
    DestroyTimerWindow();
}

void TRxTimer::SetEnabled(bool value) {
    if (value != Enabled()) {
        worker_->timerEnabled_.store(value, std::memory_order_relaxed);
        Reschedule();
    }
}

void TRxTimer::SetInterval(int32_t value) {
    if (value < 0) {
        throw EInvalidOperation(SInvalidProperty, {});
    }
    if (value != interval_) {
        interval_ = value;
        Reschedule();
    }
}

void TRxTimer::SetSyncEvent(bool value) {
    worker_->timerSyncEvent_.store(value, std::memory_order_relaxed);
}

void TRxTimer::SetThreaded(bool value) {
    if (value != threaded_) {
        threaded_ = value;
        Reschedule();
    }
}

void TRxTimer::SetThreadPriority(TThreadPriority value) {
    if (value != threadPriority_) {
        threadPriority_ = value;
        if (threaded_) {
            Reschedule();
        }
    }
}

void TRxTimer::SetOnTimer(TNotifyEvent value) {
    const bool wasAssigned = static_cast<bool>(onTimer_);
    onTimer_ = std::move(value);
    if (wasAssigned != static_cast<bool>(onTimer_)) {
        Reschedule();
    }
}

bool TRxTimer::TicksWanted() const {
    return interval_ != 0 && Enabled() && onTimer_;
}

void TRxTimer::Reschedule() {
    TTimerThread& worker = *worker_;
    if (threaded_) {
        DestroyTimerWindow();
        if (!worker.Parked()) {
            worker.Park();
        }
        worker.sleepInterval_.store(interval_, std::memory_order_relaxed);
        if (TicksWanted()) {
            worker.SetPriority(threadPriority_);
            while (worker.Parked()) {
                worker.Wake();
            }
        }
    } else {
        if (!worker.Parked()) {
            worker.Park();
        }
        if (timerWindow_ == nullptr) {
            timerWindow_ = AllocateHWnd("TPUtilWindow", this,
                                        [this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
                                            return TimerWindowProc(window, message, wParam, lParam);
                                        });
        } else {
            KillTimer(timerWindow_, kTimerId);
        }
        if (TicksWanted() && SetTimer(timerWindow_, kTimerId, static_cast<UINT>(interval_), nullptr) == 0) {
            throw EOutOfResources(SOutOfTimers, {});
        }
    }
}

// The handler is copied before the call, so a handler that replaces or clears OnTimer does not destroy
// itself while it runs.
void TRxTimer::Tick() {
    if (Enabled() && !Destroying() && onTimer_) {
        const TNotifyEvent handler = onTimer_;
        handler(this);
    }
}

// An error escaping Tick is shown by the utility window's guard; the window timer goes on.
LRESULT TRxTimer::TimerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        Tick();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void TRxTimer::DestroyTimerWindow() {
    if (HWND window = timerWindow_) {
        timerWindow_ = nullptr;
        KillTimer(window, kTimerId);
        DeallocateHWnd(window);
    }
}
