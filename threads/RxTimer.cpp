#include "threads/RxTimer.h"

#include "framework/Application.h"
#include "framework/UtilWindow.h"
#include "threads/Timer.h"

// The timer holds its worker until its destruction lets it go, so the worker never frees itself while the
// timer still points at it.
TTimerThread::TTimerThread(TRxTimer* ownerTimer) : TThread(true), ownerTimer_(ownerTimer) {
    FreeWhenDone = true;
    Hold();
}

bool TTimerThread::Closed() const {
    return StopRequested() || (Application != nullptr && Application->Terminated()) ||
           OwnerTimer() == nullptr;
}

// The pause runs from the end of one tick to the next, so ticks never overlap and never catch up. The
// worker parks only where it rests: in its pause, and in and after a hand-off to the main thread; a
// pause under way when it was parked is finished, not started again, once it is woken. Nothing ends the
// loop but the stop request: a failure of one tick is dropped (the main thread has shown whatever it
// could), so the worker is there for as long as its timer.
void TTimerThread::Run() {
    while (RestUntil(GetTickCount64() + static_cast<ULONGLONG>(SleepInterval()))) {
        if (Closed() || !timerEnabled_.load(std::memory_order_relaxed)) {
            continue;
        }
        try {
            if (timerSyncEvent_.load(std::memory_order_relaxed)) {
                Synchronize([this] { DeliverTick(); });
            } else {
                DirectTick();
            }
        } catch (...) {
        }
    }
}

// Runs on the main thread, where OwnerTimer is written, so a timer destroyed while this tick waited to be
// handled is seen as none here; so is a park that came meanwhile (no ticks while parked). A failure of
// the handler is shown by the error display and the timer goes on: the worker, which cannot report
// anything, never sees it.
void TTimerThread::DeliverTick() {
    TRxTimer* timer = OwnerTimer();
    if (timer == nullptr || Parked()) {
        return;
    }
    try {
        timer->Tick();
    } catch (...) {
        Application->HandleException(timer);
    }
}

// SyncEvent off: the handler runs here, while the worker does not rest, so the timer's destruction waits
// for it to end; its failure is handed to the main thread's error display, like that of a synchronized
// tick.
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

// A worker asleep or waiting for the main thread rests, so the destruction does not wait for it; only a
// tick running on the worker (SyncEvent off) is waited for, as the handler and the timer must outlive it.
// The worker finds its timer gone when it is woken, leaves its loop at the stop request and is freed.
TRxTimer::~TRxTimer() {
    worker_->Park();
    MarkDestroying();
    worker_->timerEnabled_.store(false, std::memory_order_relaxed);
    {
        std::lock_guard<std::mutex> guard(handlerLock_);
        onTimer_ = nullptr;
    }
    worker_->ownerTimer_.store(nullptr, std::memory_order_relaxed);
    while (worker_->Parked()) {
        worker_->Wake();
    }
    worker_->RequestStop();
    worker_->Release();
    worker_ = nullptr;
    DestroyTimerWindow();
}

void TRxTimer::SetEnabled(bool value) {
    if (value != Enabled()) {
        worker_->timerEnabled_.store(value, std::memory_order_relaxed);
        Reschedule();
    }
}

void TRxTimer::SetInterval(int32_t value) {
    if (CheckedTimerInterval(value) != interval_) {
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
    const bool assigned = static_cast<bool>(value);
    {
        std::lock_guard<std::mutex> guard(handlerLock_);
        onTimer_ = std::move(value);
    }
    if (wasAssigned != assigned) {
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
        // An error escaping a tick here is shown by the window's guard; the window timer goes on.
        if (timerWindow_ == nullptr) {
            timerWindow_ = AllocateTimerWindow(this, [this] { Tick(); });
        }
        SetWindowTimer(timerWindow_, interval_, TicksWanted());
    }
}

// The handler is copied before the call, so a handler that replaces or clears OnTimer does not destroy
// itself while it runs; the copy is taken under the lock, as a direct tick takes it on the worker.
void TRxTimer::Tick() {
    if (Enabled() && !Destroying()) {
        TNotifyEvent handler;
        {
            std::lock_guard<std::mutex> guard(handlerLock_);
            handler = onTimer_;
        }
        if (handler) {
            handler(this);
        }
    }
}

void TRxTimer::DestroyTimerWindow() {
    if (HWND window = timerWindow_) {
        timerWindow_ = nullptr;
        SetWindowTimer(window, interval_, false);
        DeallocateHWnd(window);
    }
}
