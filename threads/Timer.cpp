#include "threads/Timer.h"

#include "framework/UtilWindow.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"

namespace {

constexpr UINT_PTR kTimerId = 1;

} // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    timerWindow_ =
        AllocateHWnd("TPUtilWindow", this, [this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
            return TimerWindowProc(window, message, wParam, lParam);
        });
}

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
    if (value < 0) {
        throw EInvalidOperation(SInvalidProperty, {});
    }
    if (value != interval_) {
        interval_ = value;
        Reschedule();
    }
}

void TTimer::SetOnTimer(TNotifyEvent value) {
    onTimer_ = std::move(value);
    Reschedule();
}

void TTimer::Reschedule() {
    KillTimer(timerWindow_, kTimerId);
    if (interval_ != 0 && enabled_ && onTimer_ &&
        SetTimer(timerWindow_, kTimerId, static_cast<UINT>(interval_), nullptr) == 0) {
        throw EOutOfResources(SOutOfTimers, {});
    }
}

// The handler is copied before the call, so a handler that replaces OnTimer does not destroy itself
// while it runs.
void TTimer::Tick() {
    if (onTimer_) {
        const TNotifyEvent handler = onTimer_;
        handler(this);
    }
}

// An error escaping Tick is shown by the utility window's guard; the window timer goes on.
LRESULT TTimer::TimerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        Tick();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
