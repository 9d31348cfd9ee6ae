#include "threads/Timer.h"
#include "threads/RxTimer.h"

#include "framework/Application.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"
#include "tests/gui/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using guitest::PumpUntil;

// Handles messages for a while, to show that something does not happen.
void PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

// Waits, without handling any message, until another thread's SendMessage to this thread is pending.
bool WaitForSentMessage() {
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while ((HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) == 0) {
        if (GetTickCount64() > deadline) {
            return false;
        }
        SwitchToThread();
    }
    return true;
}

std::string ClassNameOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct ShownError {
    std::string Text;
    std::string Caption;
    unsigned Flags;
    DWORD Thread;
};

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitFramework();
        mainThread = GetCurrentThreadId();
        Application->MessageBoxHook = [this](HWND, const std::string& text, const std::string& caption,
                                             unsigned flags) {
            shownErrors.push_back({text, caption, flags, GetCurrentThreadId()});
            return IDOK;
        };
        // Every worker of an earlier test has freed itself, or does so soon.
        ASSERT_TRUE(PumpUntil([] { return ThreadObjectCount() == 0; }));
    }
    void TearDown() override { Application->MessageBoxHook = nullptr; }

    // A handler that counts its calls and notes whether any ran off the main thread.
    TNotifyEvent Counter(TObject* expectedSender) {
        return [this, expectedSender](TObject* sender) {
            ++ticks;
            if (GetCurrentThreadId() != mainThread) {
                offMainThread = true;
            }
            if (sender != expectedSender) {
                wrongSender = true;
            }
        };
    }
    bool TicksGrow(DWORD timeoutMs = 10000) {
        const int start = ticks;
        return PumpUntil([&] { return ticks >= start + 2; }, timeoutMs);
    }
    // No tick for a good while (several intervals of the timers used here).
    bool TicksStay() {
        const int start = ticks;
        PumpFor(250);
        return ticks == start;
    }

    DWORD mainThread = 0;
    std::atomic<int> ticks{0};
    std::atomic<bool> offMainThread{false};
    std::atomic<bool> wrongSender{false};
    std::vector<ShownError> shownErrors;
};

TEST_F(TimerTest, RxTimerStartsWithItsDefaultsAndAParkedWorker) {
    TRxTimer timer(nullptr);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(1000, timer.Interval());
    EXPECT_TRUE(timer.SyncEvent());
    EXPECT_TRUE(timer.Threaded());
    EXPECT_EQ(tpNormal, timer.ThreadPriority());
    EXPECT_FALSE(timer.OnTimer());
    EXPECT_TRUE(timer.Worker().Parked());
    EXPECT_TRUE(timer.Worker().FreeWhenDone);
    EXPECT_EQ(&timer, timer.Worker().OwnerTimer());
    EXPECT_EQ(1000, timer.Worker().SleepInterval());
    EXPECT_EQ(nullptr, timer.TimerWindow());
}

TEST_F(TimerTest, ThreadedTicksRunOnTheMainThreadWhileAHandlerIsAssigned) {
    TRxTimer timer(nullptr);
    timer.SetInterval(10);
    EXPECT_TRUE(timer.Worker().Parked()); // no handler yet
    EXPECT_EQ(10, timer.Worker().SleepInterval());
    timer.SetOnTimer(Counter(&timer));
    EXPECT_FALSE(timer.Worker().Parked());
    EXPECT_TRUE(TicksGrow());
    EXPECT_FALSE(offMainThread);
    EXPECT_FALSE(wrongSender);
    EXPECT_EQ(nullptr, timer.TimerWindow());

    timer.SetOnTimer(nullptr);
    EXPECT_TRUE(timer.Worker().Parked());
    EXPECT_TRUE(TicksStay());
    timer.SetOnTimer(Counter(&timer));
    EXPECT_TRUE(TicksGrow());
}

TEST_F(TimerTest, ReplacingOneHandlerByAnotherKeepsTheTicksGoing) {
    TRxTimer timer(nullptr);
    timer.SetInterval(10);
    int first = 0;
    int second = 0;
    timer.SetOnTimer([&](TObject*) { ++first; });
    ASSERT_TRUE(PumpUntil([&] { return first > 0; }));
    timer.SetOnTimer([&](TObject*) { ++second; });
    const int firstAtSwap = first;
    EXPECT_TRUE(PumpUntil([&] { return second >= 2; }));
    EXPECT_EQ(firstAtSwap, first);
}

TEST_F(TimerTest, IntervalZeroGivesNoTicksInEitherMode) {
    TRxTimer timer(nullptr);
    timer.SetInterval(0);
    timer.SetOnTimer(Counter(&timer));
    EXPECT_TRUE(timer.Worker().Parked());
    EXPECT_TRUE(TicksStay());

    timer.SetThreaded(false);
    EXPECT_NE(nullptr, timer.TimerWindow());
    EXPECT_TRUE(TicksStay());
    EXPECT_TRUE(timer.Worker().Parked());
}

TEST_F(TimerTest, DisablingStopsTheTicksAndEnablingResumesThem) {
    TRxTimer timer(nullptr);
    timer.SetInterval(10);
    timer.SetOnTimer(Counter(&timer));
    ASSERT_TRUE(TicksGrow());
    timer.SetEnabled(false);
    EXPECT_TRUE(timer.Worker().Parked());
    EXPECT_TRUE(TicksStay());
    timer.SetEnabled(true);
    EXPECT_FALSE(timer.Worker().Parked());
    EXPECT_TRUE(TicksGrow());
    timer.SetEnabled(true); // unchanged: nothing happens
    EXPECT_TRUE(TicksGrow());
}

TEST_F(TimerTest, DisablingFromWithinOnTimerParksTheWorkerUntilReenabled) {
    TRxTimer timer(nullptr);
    timer.SetInterval(10);
    timer.SetOnTimer([&](TObject*) {
        if (++ticks == 3) {
            timer.SetEnabled(false);
        }
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks == 3; }));
    EXPECT_TRUE(timer.Worker().Parked());
    EXPECT_TRUE(TicksStay());
    EXPECT_EQ(3, ticks);

    timer.SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 5; }));
}

TEST_F(TimerTest, ATickNeverStartsWhileTheLastIsRunning) {
    TRxTimer timer(nullptr);
    timer.SetInterval(10);
    bool inHandler = false;
    bool overlapped = false;
    timer.SetOnTimer([&](TObject*) {
        overlapped = overlapped || inHandler;
        inHandler = true;
        ++ticks;
        PumpFor(50); // handles messages, as a handler that shows a message box would
        inHandler = false;
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 4; }));
    EXPECT_FALSE(overlapped);
}

TEST_F(TimerTest, SwitchingThreadedOffHandsTheTicksToAWindowTimerAndBack) {
    TRxTimer timer(nullptr);
    timer.SetInterval(10);
    timer.SetOnTimer(Counter(&timer));
    ASSERT_TRUE(TicksGrow());

    timer.SetThreaded(false);
    EXPECT_TRUE(timer.Worker().Parked());
    HWND window = timer.TimerWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ("TPUtilWindow", ClassNameOf(window));
    EXPECT_TRUE(TicksGrow());
    EXPECT_FALSE(offMainThread);

    timer.SetThreaded(true);
    EXPECT_EQ(nullptr, timer.TimerWindow());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(timer.Worker().Parked());
    EXPECT_TRUE(TicksGrow());
    EXPECT_FALSE(wrongSender);
}

TEST_F(TimerTest, ThreadPriorityIsGivenToTheWorkerOnlyWhenThreadedModeStartsIt) {
    TRxTimer timer(nullptr);
    timer.SetInterval(10);
    timer.SetOnTimer(Counter(&timer));
    const HANDLE worker = timer.Worker().Handle();

    timer.SetThreadPriority(tpLower); // threaded: applied at once
    EXPECT_EQ(THREAD_PRIORITY_BELOW_NORMAL, GetThreadPriority(worker));

    timer.SetThreaded(false);
    timer.SetThreadPriority(tpHighest); // window mode: stored only
    EXPECT_EQ(tpHighest, timer.ThreadPriority());
    EXPECT_EQ(THREAD_PRIORITY_BELOW_NORMAL, GetThreadPriority(worker));

    timer.SetThreaded(true);
    EXPECT_EQ(THREAD_PRIORITY_HIGHEST, GetThreadPriority(worker));
    EXPECT_TRUE(TicksGrow());
}

TEST_F(TimerTest, DestroyingATimerWhileItsWorkerSleepsEndsItsTicks) {
    auto timer = std::make_unique<TRxTimer>(nullptr);
    EXPECT_EQ(1, ThreadObjectCount());
    timer->SetInterval(100);
    timer->SetOnTimer(Counter(timer.get()));
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }));
    timer.reset(); // the worker is asleep, right after a tick
    const int ticksAtDestruction = ticks;
    // The worker frees itself once its sleep ends; no tick came meanwhile, nor is one on its way.
    EXPECT_TRUE(PumpUntil([] { return ThreadObjectCount() == 0; }));
    ASSERT_TRUE(guitest::PumpPastMarker());
    EXPECT_EQ(ticksAtDestruction, ticks);
}

TEST_F(TimerTest, DestroyingATimerWhoseTickWaitsToBeHandledDropsThatTick) {
    auto timer = std::make_unique<TRxTimer>(nullptr);
    timer->SetInterval(10);
    timer->SetOnTimer(Counter(timer.get()));
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }));
    // Without handling messages, wait for the worker's next hand-off to arrive.
    ASSERT_TRUE(WaitForSentMessage());
    const int ticksAtDestruction = ticks;
    timer.reset();
    EXPECT_TRUE(PumpUntil([] { return ThreadObjectCount() == 0; }));
    ASSERT_TRUE(guitest::PumpPastMarker());
    EXPECT_EQ(ticksAtDestruction, ticks);
}

// The worker rests while its hand-off waits; parking it then (Interval 0 here) drops that tick: no tick
// runs while ticks are not wanted.
TEST_F(TimerTest, ATickWaitingToBeHandledWhenTheWorkerIsParkedIsDropped) {
    TRxTimer timer(nullptr);
    timer.SetInterval(10);
    timer.SetOnTimer(Counter(&timer));
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }));
    ASSERT_TRUE(WaitForSentMessage());
    const int ticksAtPark = ticks;
    timer.SetInterval(0);
    EXPECT_TRUE(timer.Worker().Parked());
    ASSERT_TRUE(guitest::PumpPastMarker()); // the waiting hand-off is answered, without a tick
    EXPECT_EQ(ticksAtPark, ticks);
    timer.SetInterval(10);
    EXPECT_TRUE(TicksGrow());
}

TEST_F(TimerTest, DestroyingATimerDuringADirectTickWaitsForThatTick) {
    auto timer = std::make_unique<TRxTimer>(nullptr);
    timer->SetSyncEvent(false);
    timer->SetInterval(10);
    std::atomic<bool> entered{false};
    std::atomic<bool> destroying{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> sawTimerGone{false};
    TRxTimer* raw = timer.get();
    timer->SetOnTimer([&](TObject* sender) {
        if (entered.exchange(true))
            return;
        while (!destroying)
            SwitchToThread();
        for (int i = 0; i < 200; ++i)
            SwitchToThread();
        sawTimerGone = sender != raw || raw->Destroying();
        finished = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return entered.load(); }));
    destroying = true;
    timer.reset();
    EXPECT_TRUE(finished);
    EXPECT_FALSE(sawTimerGone);
    EXPECT_TRUE(PumpUntil([] { return ThreadObjectCount() == 0; }));
}

// The worker reads the handler on its own thread while the main thread replaces it.
TEST_F(TimerTest, ReplacingTheHandlerWhileDirectTicksRunIsSafe) {
    TRxTimer timer(nullptr);
    timer.SetSyncEvent(false);
    timer.SetInterval(1);
    std::atomic<int> first{0};
    std::atomic<int> second{0};
    const std::string big(100, 'x'); // a capture too large for std::function's own buffer
    for (int i = 0; i < 2000; ++i) {
        if (i % 2 == 0)
            timer.SetOnTimer([&first, big](TObject*) { first += big.size() == 100; });
        else
            timer.SetOnTimer([&second, big](TObject*) { second += big.size() == 100; });
        if (i % 100 == 0)
            PumpFor(5);
    }
    EXPECT_TRUE(PumpUntil([&] { return second > 0 && first + second > 5; }));
}

// A timer whose credits ran to their end stops from within its tick, so its worker parks inside that
// hand-off; the timer destroyed afterwards still ends the worker's thread.
TEST_F(TimerTest, ATimerDestroyedWhileItsWorkerIsParkedInsideAHandOffLeavesNoThread) {
    const int threadsBefore = guitest::ProcessThreadCount();
    auto timer = std::make_unique<TRxTimer>(nullptr);
    timer->SetInterval(1);
    timer->SetOnTimer([&](TObject*) {
        if (++ticks == 3)
            timer->SetEnabled(false);
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks == 3; }));
    EXPECT_TRUE(timer->Worker().Parked());
    timer.reset();
    EXPECT_TRUE(PumpUntil([] { return ThreadObjectCount() == 0; }));
    // No more threads than before: one that was ending when the count was taken may be gone too.
    EXPECT_TRUE(PumpUntil([&] { return guitest::ProcessThreadCount() <= threadsBefore; }))
        << guitest::ProcessThreadCount() << " threads, " << threadsBefore << " before";
    EXPECT_EQ(3, ticks);
}

// An error display that itself fails leaves the worker working: it never ends by an exception, and its
// timer never uses a worker that is gone.
TEST_F(TimerTest, AFailingErrorDisplayDoesNotEndTheWorker) {
    Application->MessageBoxHook = [](HWND, const std::string&, const std::string&, unsigned) -> int {
        throw EReadError(SReadError, {});
    };
    for (bool sync : {true, false}) {
        auto timer = std::make_unique<TRxTimer>(nullptr);
        timer->SetSyncEvent(sync);
        timer->SetInterval(5);
        timer->SetOnTimer([&](TObject*) {
            ++ticks;
            throw EWriteError(SWriteError, {});
        });
        const int start = ticks;
        EXPECT_TRUE(PumpUntil([&] { return ticks >= start + 4; })) << sync;
        timer->SetEnabled(false);
        timer->SetEnabled(true);
        EXPECT_TRUE(PumpUntil([&] { return ticks >= start + 6; })) << sync;
        timer.reset();
        EXPECT_TRUE(PumpUntil([] { return ThreadObjectCount() == 0; })) << sync;
    }
}

TEST_F(TimerTest, AnOwnerFreesItsTimers) {
    auto owner = std::make_unique<TComponent>(nullptr);
    auto* rxTimer = new TRxTimer(owner.get());
    auto* timer = new TTimer(owner.get());
    rxTimer->SetInterval(10);
    rxTimer->SetOnTimer(Counter(rxTimer));
    timer->SetInterval(10);
    timer->SetOnTimer(Counter(timer));
    ASSERT_TRUE(TicksGrow());
    HWND window = timer->TimerWindow();
    owner.reset();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(TicksStay());
    EXPECT_TRUE(PumpUntil([] { return ThreadObjectCount() == 0; }));
}

TEST_F(TimerTest, AFailingHandlerIsReportedAndTheThreadedTicksGoOn) {
    TRxTimer timer(nullptr);
    timer.SetInterval(10);
    timer.SetOnTimer([&](TObject*) {
        ++ticks;
        throw EReadError(SReadError, {});
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 3 && shownErrors.size() >= 3; }));
    EXPECT_EQ("Stream read error.", shownErrors[0].Text);
    EXPECT_EQ(Application->Title(), shownErrors[0].Caption);
    EXPECT_EQ(unsigned(MB_OK | MB_ICONSTOP), shownErrors[0].Flags);
    EXPECT_EQ(mainThread, shownErrors[0].Thread);
    EXPECT_FALSE(timer.Worker().Parked());
}

TEST_F(TimerTest, AFailingHandlerIsReportedAndTheWindowTicksGoOn) {
    TRxTimer timer(nullptr);
    timer.SetThreaded(false);
    timer.SetInterval(10);
    timer.SetOnTimer([&](TObject*) {
        ++ticks;
        throw EReadError(SReadError, {});
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 3 && shownErrors.size() >= 3; }));
    EXPECT_EQ("Stream read error.", shownErrors[0].Text);
    EXPECT_EQ(mainThread, shownErrors[0].Thread);
}

TEST_F(TimerTest, AFailingHandlerOnTheWorkerIsReportedOnTheMainThread) {
    TRxTimer timer(nullptr);
    timer.SetSyncEvent(false);
    timer.SetInterval(10);
    std::atomic<bool> sawMainThread{false};
    timer.SetOnTimer([&](TObject*) {
        ++ticks;
        if (GetCurrentThreadId() == mainThread) {
            sawMainThread = true;
            return;
        }
        offMainThread = true;
        throw EReadError(SReadError, {});
    });
    ASSERT_TRUE(PumpUntil([&] { return shownErrors.size() >= 2; }));
    EXPECT_TRUE(offMainThread);
    EXPECT_EQ("Stream read error.", shownErrors[0].Text);
    EXPECT_EQ(mainThread, shownErrors[0].Thread);
    // Back to synchronized ticks before the timer goes: a direct tick must not outlive it.
    timer.SetSyncEvent(true);
    EXPECT_TRUE(PumpUntil([&] { return sawMainThread.load(); }));
}

TEST_F(TimerTest, ANegativeIntervalIsRefused) {
    TRxTimer rxTimer(nullptr);
    TTimer timer(nullptr);
    for (auto setInterval : std::vector<std::function<void()>>{[&] { rxTimer.SetInterval(-1); },
                                                               [&] { timer.SetInterval(-1); }}) {
        try {
            setInterval();
            ADD_FAILURE() << "no error";
        } catch (const EInvalidOperation& error) {
            EXPECT_EQ("Invalid property value", error.Message());
        }
    }
    EXPECT_EQ(1000, rxTimer.Interval());
    EXPECT_EQ(1000, timer.Interval());
}

TEST_F(TimerTest, ARefusedWindowTimerRaisesOutOfResources) {
    TTimer timer(nullptr);
    timer.SetOnTimer(Counter(&timer));
    // A window timer on a window that no longer exists is refused.
    DestroyWindow(timer.TimerWindow());
    try {
        timer.SetInterval(20);
        ADD_FAILURE() << "no error";
    } catch (const EOutOfResources& error) {
        EXPECT_EQ("Not enough timers available", error.Message());
    }
}

TEST_F(TimerTest, WindowTimerTicksWhileEnabledWithAHandler) {
    auto timer = std::make_unique<TTimer>(nullptr);
    EXPECT_TRUE(timer->Enabled());
    EXPECT_EQ(1000, timer->Interval());
    HWND window = timer->TimerWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ("TPUtilWindow", ClassNameOf(window));

    timer->SetInterval(10);
    EXPECT_TRUE(TicksStay()); // no handler
    timer->SetOnTimer(Counter(timer.get()));
    EXPECT_TRUE(TicksGrow());
    EXPECT_FALSE(offMainThread);
    EXPECT_FALSE(wrongSender);

    timer->SetEnabled(false);
    EXPECT_TRUE(TicksStay());
    timer->SetEnabled(true);
    EXPECT_TRUE(TicksGrow());
    timer->SetInterval(0);
    EXPECT_TRUE(TicksStay());
    timer->SetInterval(10);
    EXPECT_TRUE(TicksGrow());

    timer.reset();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(TicksStay());
}

TEST_F(TimerTest, WindowTimerHandlerCanBeReplacedFromWithinItself) {
    TTimer timer(nullptr);
    timer.SetInterval(10);
    int first = 0;
    int second = 0;
    timer.SetOnTimer([&](TObject*) {
        ++first;
        timer.SetOnTimer([&](TObject*) { ++second; });
    });
    ASSERT_TRUE(PumpUntil([&] { return second >= 2; }));
    EXPECT_EQ(1, first);
}

TEST_F(TimerTest, AFailingWindowTimerHandlerIsReportedAndTheTicksGoOn) {
    TTimer timer(nullptr);
    timer.SetInterval(10);
    timer.SetOnTimer([&](TObject*) {
        ++ticks;
        throw EReadError(SReadError, {});
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 3 && shownErrors.size() >= 3; }));
    EXPECT_EQ("Stream read error.", shownErrors[0].Text);
}

} // namespace
