#pragma once

#include "framework/Component.h"
#include "threads/Thread.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>

class TRxTimer;

// The worker of a TRxTimer: rests for the interval, then hands the tick to the main thread (or runs it
// itself when the timer's SyncEvent is off). Created parked, it is freed once its timer has asked it to
// stop and let it go; the timer steers it only by parking and waking it.
class TTimerThread : public TThread {
public:
    explicit TTimerThread(TRxTimer* ownerTimer);

    TRxTimer* OwnerTimer() const { return ownerTimer_.load(std::memory_order_relaxed); }
    int32_t SleepInterval() const { return sleepInterval_.load(std::memory_order_relaxed); }

protected:
    void Run() override;

private:
    friend class TRxTimer;

    bool Closed() const;
    // On the main thread: the tick of the timer, if it still has one.
    void DeliverTick();
    void DirectTick();

    // The words the worker reads, written by the main thread. The timer publishes its Enabled and
    // SyncEvent here, in the worker object, which outlives the timer: the worker never reads a timer
    // that the main thread may be freeing.
    std::atomic<TRxTimer*> ownerTimer_; // not owned; none once the timer is being destroyed
    std::atomic<int32_t> sleepInterval_{1000};
    std::atomic<bool> timerEnabled_{true};
    std::atomic<bool> timerSyncEvent_{true};
    std::exception_ptr directFailure_; // a direct tick's failure, on its way to the error display
};

// A timer whose ticks are timed on a worker thread and run on the main thread (or, with Threaded off, by
// a window-message timer on a hidden "TPUtilWindow" window). OnTimer is called with the timer as sender.
class TRxTimer : public TComponent {
public:
    // Enabled, 1000 ms, SyncEvent, Threaded, tpNormal; the worker is created suspended and stays so until
    // a property change asks for ticks.
    explicit TRxTimer(TComponent* owner);
    // Does not wait for the worker, unless a tick runs on it (SyncEvent off): then for that tick. Clears
    // the handler, tells the worker its timer is gone and lets it end and free itself.
    ~TRxTimer() override;

    bool Enabled() const { return worker_->timerEnabled_.load(std::memory_order_relaxed); }
    void SetEnabled(bool value);
    // Milliseconds between ticks, 0 to 2147483647; 0 means no ticks. A negative value raises
    // EInvalidOperation.
    int32_t Interval() const { return interval_; }
    void SetInterval(int32_t value);
    // Threaded mode: run OnTimer on the main thread (true) or on the worker (false). With false, OnTimer
    // must be safe on another thread.
    bool SyncEvent() const { return worker_->timerSyncEvent_.load(std::memory_order_relaxed); }
    void SetSyncEvent(bool value);
    bool Threaded() const { return threaded_; }
    void SetThreaded(bool value);
    // Given to the worker each time threaded mode starts it.
    TThreadPriority ThreadPriority() const { return threadPriority_; }
    void SetThreadPriority(TThreadPriority value);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TNotifyEvent value);

    const TTimerThread& Worker() const { return *worker_; }
    HWND TimerWindow() const { return timerWindow_; } // window mode's hidden window, or nullptr

protected:
    // Calls OnTimer when Enabled, not being destroyed and assigned.
    virtual void Tick();

private:
    friend class TTimerThread;

    void Reschedule();
    bool TicksWanted() const;
    void DestroyTimerWindow();

    // Enabled and SyncEvent live in the worker, which reads them at each tick.
    int32_t interval_ = 1000;
    bool threaded_ = true;
    TThreadPriority threadPriority_ = tpNormal;
    TNotifyEvent onTimer_; // written on the main thread; read under handlerLock_ where a direct tick may run
    std::mutex handlerLock_;
    HWND timerWindow_ = nullptr; // owned; destroyed through DeallocateHWnd
    TTimerThread* worker_;       // not owned: frees itself after its stop request
};
