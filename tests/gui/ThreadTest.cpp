#include "threads/Thread.h"

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

// A thread whose body is given by the test. Created suspended, so the body is stored before it runs.
class BodyThread : public TThread {
public:
    explicit BodyThread(std::function<void(BodyThread&)> body) : TThread(true), body_(std::move(body)) {}
    ~BodyThread() override { StopAndWait(); }

    void Start() {
        while (Parked()) {
            Wake();
        }
    }
    using TThread::ParkPoint;
    using TThread::Synchronize;

protected:
    void Run() override { body_(*this); }

private:
    std::function<void(BodyThread&)> body_;
};

using guitest::PumpUntil;

HWND FindThreadWindow() {
    HWND window = FindWindowA("TThreadWindow", nullptr);
    return window != nullptr ? window : FindWindowExA(HWND_MESSAGE, nullptr, "TThreadWindow", nullptr);
}

class ThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitFramework();
        mainThread = GetCurrentThreadId();
        guitest::CollectBoxTexts(shownErrors);
        // Threads of an earlier test that free themselves may still be finishing.
        ASSERT_TRUE(PumpUntil([] { return ThreadObjectCount() == 0; }));
    }
    void TearDown() override { Application->MessageBoxHook = nullptr; }

    DWORD mainThread = 0;
    std::vector<std::string> shownErrors;
};

TEST_F(ThreadTest, SynchronizeRunsTheCallOnTheMainThreadAndReturns) {
    std::atomic<DWORD> ranOn{0};
    std::atomic<bool> returned{false};
    BodyThread thread([&](BodyThread& self) {
        self.Synchronize([&] { ranOn = GetCurrentThreadId(); });
        returned = true;
        self.ExitCode = 7;
    });
    thread.Start();
    ASSERT_TRUE(PumpUntil([&] { return thread.Ended(); }));
    EXPECT_EQ(mainThread, ranOn.load());
    EXPECT_TRUE(returned);
    EXPECT_EQ(7u, thread.WaitFor());
}

TEST_F(ThreadTest, AFailureOfTheSynchronizedCallIsRaisedAgainOnTheCallingThread) {
    std::string caught;
    DWORD caughtOn = 0;
    BodyThread thread([&](BodyThread& self) {
        try {
            self.Synchronize([] { throw EReadError(SReadError, {}); });
        } catch (const EReadError& error) {
            caught = error.Message();
            caughtOn = GetCurrentThreadId();
        }
    });
    thread.Start();
    ASSERT_TRUE(PumpUntil([&] { return thread.Ended(); }));
    thread.WaitFor();
    EXPECT_EQ("Stream read error", caught);
    EXPECT_EQ(thread.ThreadID(), caughtOn);
    EXPECT_TRUE(shownErrors.empty());
}

TEST_F(ThreadTest, TheThreadWindowLivesWhileThreadObjectsExist) {
    EXPECT_EQ(nullptr, FindThreadWindow());
    auto first = std::make_unique<BodyThread>([](BodyThread&) {});
    EXPECT_EQ(1, ThreadObjectCount());
    HWND window = FindThreadWindow();
    ASSERT_NE(nullptr, window);
    auto second = std::make_unique<BodyThread>([](BodyThread&) {});
    EXPECT_EQ(2, ThreadObjectCount());
    EXPECT_EQ(window, FindThreadWindow());

    first->Start();
    first->WaitFor();
    first.reset();
    EXPECT_EQ(1, ThreadObjectCount());
    EXPECT_TRUE(IsWindow(window));

    second->Start();
    second.reset(); // running: the destruction asks it to stop and waits
    EXPECT_EQ(0, ThreadObjectCount());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, FindThreadWindow());
}

TEST_F(ThreadTest, AThreadThatFreesItselfLastReleasesTheThreadWindowOnTheMainThread) {
    std::atomic<bool> go{false};
    auto* thread = new BodyThread([&](BodyThread&) {
        while (!go) {
            SwitchToThread();
        }
    });
    thread->FreeWhenDone = true;
    HWND window = FindThreadWindow();
    ASSERT_NE(nullptr, window);
    thread->Start();
    go = true;
    EXPECT_TRUE(PumpUntil([&] { return ThreadObjectCount() == 0 && !IsWindow(window); }));
}

TEST_F(ThreadTest, AThreadWindowClassRegisteredWithAnotherProcedureIsReplaced) {
    ASSERT_EQ(nullptr, FindThreadWindow());
    UnregisterClassA("TThreadWindow", GetModuleHandleA(nullptr));
    WNDCLASSA foreign{};
    foreign.lpfnWndProc = DefWindowProcA;
    foreign.hInstance = GetModuleHandleA(nullptr);
    foreign.lpszClassName = "TThreadWindow";
    ASSERT_NE(0, RegisterClassA(&foreign));

    bool ran = false;
    BodyThread thread([&](BodyThread& self) { self.Synchronize([&] { ran = true; }); });
    thread.Start();
    EXPECT_TRUE(PumpUntil([&] { return thread.Ended(); }));
    EXPECT_TRUE(ran);
}

TEST_F(ThreadTest, SynchronizeWhileTheMainThreadWaitsForTheThreadRaises) {
    std::string message;
    BodyThread thread([&](BodyThread& self) {
        while (!self.MainWaiting()) {
            SwitchToThread();
        }
        try {
            self.Synchronize([] {});
        } catch (const EThread& error) {
            message = error.Message();
        }
    });
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ("Synchronize called when main thread in a WaitFor call", message);
}

TEST_F(ThreadTest, ASynchronizeUnderWayWhenTheWaitBeginsIsStillAnswered) {
    std::atomic<bool> ran{false};
    BodyThread thread([&](BodyThread& self) { self.Synchronize([&] { ran = true; }); });
    thread.Start();
    // No messages are handled here: the call stays pending until the wait answers it.
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while ((HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) == 0) {
        ASSERT_LT(GetTickCount64(), deadline) << "the call never arrived";
        SwitchToThread();
    }
    ASSERT_FALSE(ran);
    thread.WaitFor();
    EXPECT_TRUE(ran);
}

TEST_F(ThreadTest, ParkStopsTheThreadAtItsParkPointAndWakeResumesIt) {
    std::atomic<long> steps{0};
    BodyThread thread([&](BodyThread& self) {
        while (self.ParkPoint()) {
            ++steps;
            SwitchToThread();
        }
    });
    EXPECT_TRUE(thread.Parked());
    thread.Start();
    EXPECT_FALSE(thread.Parked());
    ASSERT_TRUE(PumpUntil([&] { return steps > 0; }));

    thread.Park();
    thread.Park();
    EXPECT_TRUE(thread.Parked());
    const long parkedAt = steps;
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(parkedAt, steps.load());

    thread.Wake(); // suspended twice: one resume is not enough
    EXPECT_TRUE(thread.Parked());
    EXPECT_EQ(parkedAt, steps.load());
    thread.Wake();
    EXPECT_FALSE(thread.Parked());
    EXPECT_TRUE(PumpUntil([&] { return steps > parkedAt; }));

    thread.RequestStop();
    thread.WaitFor();
    EXPECT_TRUE(thread.Ended());
}

// Parking waits for the step under way and stops the thread at its next park point, never inside it: a
// thread stopped while it held the heap's lock would hang the main thread's next allocation.
TEST_F(ThreadTest, ParkingWaitsForTheStepUnderWayAndNeverStopsTheThreadInsideIt) {
    std::atomic<bool> inStep{false};
    std::atomic<long> steps{0};
    BodyThread thread([&](BodyThread& self) {
        while (self.ParkPoint()) {
            inStep = true;
            std::vector<std::string> garbage(64, std::string(200, 'x'));
            inStep = false;
            ++steps;
        }
    });
    thread.Start();
    ASSERT_TRUE(PumpUntil([&] { return steps > 0; }));
    for (int i = 0; i < 300; ++i) {
        thread.Park();
        ASSERT_FALSE(inStep) << i;
        const long parkedAt = steps;
        std::string allocated(4096, 'y'); // the heap is free
        ASSERT_EQ(parkedAt, steps.load()) << i;
        thread.Wake();
    }
    EXPECT_TRUE(PumpUntil([&] { return steps > 300; }));
}

// A parked thread whose object goes is told to stop: it ends without another step (the destruction
// would otherwise wait for ever), and one that was never woken never runs at all.
TEST_F(ThreadTest, ADestroyedParkedThreadEndsWithoutRunningOn) {
    std::atomic<int> runs{0};
    std::atomic<long> steps{0};
    auto never = std::make_unique<BodyThread>([&](BodyThread&) { ++runs; });
    auto parked = std::make_unique<BodyThread>([&](BodyThread& self) {
        while (self.ParkPoint())
            ++steps;
    });
    parked->Start();
    ASSERT_TRUE(PumpUntil([&] { return steps > 0; }));
    parked->Park();
    const long parkedAt = steps;
    never.reset();
    parked.reset();
    EXPECT_EQ(0, runs.load());
    EXPECT_EQ(parkedAt, steps.load());
    EXPECT_EQ(0, ThreadObjectCount());
}

TEST_F(ThreadTest, PrioritiesMapOntoTheSystemValues) {
    BodyThread thread([](BodyThread&) {});
    const struct {
        TThreadPriority priority;
        int system;
    } cases[] = {{tpIdle, -15}, {tpLowest, -2}, {tpLower, -1},       {tpNormal, 0},
                 {tpHigher, 1}, {tpHighest, 2}, {tpTimeCritical, 15}};
    for (const auto& c : cases) {
        thread.SetPriority(c.priority);
        EXPECT_EQ(c.system, GetThreadPriority(thread.Handle())) << c.priority;
        EXPECT_EQ(c.priority, thread.Priority());
    }
    thread.Start();
    thread.WaitFor();
}

TEST_F(ThreadTest, TheCompletionStepRunsOnTheMainThreadAfterRun) {
    bool endedInCompletion = false;
    DWORD completedOn = 0;
    TObject* sender = nullptr;
    BodyThread thread([](BodyThread& self) { self.ExitCode = 42; });
    thread.OnCompleted = [&](TObject* s) {
        sender = s;
        completedOn = GetCurrentThreadId();
        endedInCompletion = thread.Ended();
    };
    thread.Start();
    ASSERT_TRUE(PumpUntil([&] { return sender != nullptr; }));
    EXPECT_EQ(42u, thread.WaitFor());
    EXPECT_EQ(&thread, sender);
    EXPECT_EQ(mainThread, completedOn);
    EXPECT_TRUE(endedInCompletion);
}

TEST_F(ThreadTest, AFailureEscapingRunEndsTheThreadAndIsKept) {
    BodyThread thread([](BodyThread& self) {
        self.ExitCode = 3;
        throw EReadError(SReadError, {});
    });
    thread.Start();
    EXPECT_EQ(3u, thread.WaitFor());
    EXPECT_TRUE(thread.Ended());
    ASSERT_TRUE(thread.RunFailure());
    EXPECT_THROW(std::rethrow_exception(thread.RunFailure()), EReadError);
}

} // namespace
