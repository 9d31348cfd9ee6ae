#pragma once

#include "framework/Component.h"

#include <windows.h>

#include <cstdint>
#include <functional>

// The interval of a timer, 0 to 2147483647 milliseconds (0: no ticks), as given; a negative value raises
// EInvalidOperation.
int32_t CheckedTimerInterval(int32_t value);
// A hidden "TPUtilWindow" window whose WM_TIMER calls `tick`; an error escaping `tick` goes to the error
// display with `sender`. Freed through DeallocateHWnd.
HWND AllocateTimerWindow(TObject* sender, std::function<void()> tick);
// Stops the window timer of such a window and, when `running`, starts it again with `interval`; raises
// EOutOfResources when the system has no timer left.
void SetWindowTimer(HWND window, int32_t interval, bool running);

// A window-message timer: WM_TIMER on a hidden "TPUtilWindow" window calls OnTimer with the timer as
// sender, on the main thread.
class TTimer : public TComponent {
public:
    // Enabled, 1000 ms; the hidden window is made here.
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // Milliseconds between ticks, 0 to 2147483647; 0 means no ticks. A negative value raises
    // EInvalidOperation.
    int32_t Interval() const { return interval_; }
    void SetInterval(int32_t value);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    // Always restarts the window timer.
    void SetOnTimer(TNotifyEvent value);

    HWND TimerWindow() const { return timerWindow_; }

protected:
    // Calls OnTimer when assigned.
    virtual void Tick();

private:
    void Reschedule();

    bool enabled_ = true;
    int32_t interval_ = 1000;
    TNotifyEvent onTimer_;
    HWND timerWindow_ = nullptr; // owned; destroyed through DeallocateHWnd
};
