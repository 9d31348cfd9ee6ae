#include "threads/Timer.h"

#include "framework/UtilWindow.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"

namespace {

constexpr UINT_PTR kTimerId = 1;

} // namespace

int32_t CheckedTimerInterval(int32_t value) {
    if (value < 0) {
        throw EInvalidOperation(SInvalidProperty, {});
    }
    return value;
}

HWND AllocateTimerWindow(TObject* sender, std::function<void()> tick) {
    return AllocateHWnd("TPUtilWindow", sender,
                        [tick = std::move(tick)](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
                            if (message == WM_TIMER) {
                                tick();
                                return LRESULT(0);
                            }
                            return DefWindowProcW(window, message, wParam, lParam);
                        });
}

void SetWindowTimer(HWND window, int32_t interval, bool running) {
    KillTimer(window, kTimerId);
    if (running && SetTimer(window, kTimerId, static_cast<UINT>(interval), nullptr) == 0) {
        throw EOutOfResources(SOutOfTimers, {});
    }
}

// An error escaping Tick is shown by the utility window's guard; the window timer goes on.
TTimer::TTimer(TComponent* owner)
    : TComponent(owner), timerWindow_(AllocateTimerWindow(this, [this] { Tick(); })) {}

TTimer::~TTimer() {
    enabled_ = false;
    Reschedule();
    DeallocateHWnd(timerWindow_);
}

void TTimer::SetEnabled(bool value) {
    if (value != enabled_) {
        enabled_ = value;
        Reschedule();
    }
}

void TTimer::SetInterval(int32_t value) {
    if (CheckedTimerInterval(value) != interval_) {
        interval_ = value;
        Reschedule();
    }
}

void TTimer::SetOnTimer(TNotifyEvent value) {
    onTimer_ = std::move(value);
    Reschedule();
}

void TTimer::Reschedule() {
    SetWindowTimer(timerWindow_, interval_, interval_ != 0 && enabled_ && onTimer_);
}

// The handler is copied before the call, so a handler that replaces OnTimer does not destroy itself
// while it runs.
void TTimer::Tick() {
    if (onTimer_) {
        const TNotifyEvent handler = onTimer_;
        handler(this);
    }
}
