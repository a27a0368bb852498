// The framework's thread class: calls handed to the main thread, dropped calls of a
// terminated thread, self-freeing threads.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "framework/forms.h"
#include "framework/threads.h"

using namespace mvt;

namespace {

// Dispatches window messages, as the GUI thread's loop does, until the condition holds.
bool PumpUntil(const std::function<bool()>& condition, int milliseconds = 5000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Application().ProcessMessages();
        Sleep(5);
    }
    return true;
}

class LambdaThread : public TThread {
  public:
    explicit LambdaThread(std::function<void(LambdaThread&)> body) : body_(std::move(body)) {}
    using TThread::Synchronize;

  protected:
    void Execute() override { body_(*this); }

  private:
    std::function<void(LambdaThread&)> body_;
};

TEST(ThreadTest, SynchronisedCallsRunOnTheMainThreadWhenItDispatchesMessages) {
    std::atomic<DWORD> ranOn{0};
    std::atomic<bool> returned{false};
    std::atomic<bool> result{false};
    auto thread = std::make_shared<LambdaThread>([&](LambdaThread& self) {
        result = self.Synchronize([&] { ranOn = GetCurrentThreadId(); });
        returned = true;
    });
    thread->Start();
    // Without message dispatching the call waits.
    Sleep(200);
    EXPECT_EQ(ranOn, 0u);
    EXPECT_FALSE(returned);
    ASSERT_TRUE(PumpUntil([&] { return returned.load(); }));
    EXPECT_EQ(ranOn, GetCurrentThreadId());
    EXPECT_EQ(TThread::MainThreadID(), GetCurrentThreadId());
    EXPECT_TRUE(result);
    EXPECT_TRUE(thread->WaitFor(5000));
    EXPECT_TRUE(thread->Finished());
    EXPECT_NE(thread->ThreadID(), GetCurrentThreadId());
}

TEST(ThreadTest, TerminateDropsACallTheMainThreadHasNotBegun) {
    std::atomic<bool> ran{false};
    std::atomic<int> result{-1};
    auto thread = std::make_shared<LambdaThread>([&](LambdaThread& self) {
        result = self.Synchronize([&] { ran = true; }) ? 1 : 0;
        // A terminated thread's further calls are dropped at once.
        if (self.Synchronize([&] { ran = true; })) result = 2;
    });
    thread->Start();
    Sleep(100);
    thread->Terminate();
    EXPECT_TRUE(thread->WaitFor(5000)) << "the thread still waits for the main thread";
    Application().ProcessMessages();
    EXPECT_FALSE(ran);
    EXPECT_EQ(result, 0);
}

TEST(ThreadTest, TheCallsExceptionIsRaisedAgainInTheThread) {
    std::string caught;
    auto thread = std::make_shared<LambdaThread>([&](LambdaThread& self) {
        try {
            self.Synchronize([] { throw std::runtime_error("handler failed"); });
        } catch (const std::exception& error) {
            caught = error.what();
        }
    });
    thread->Start();
    ASSERT_TRUE(PumpUntil([&] { return thread->Finished(); }));
    EXPECT_EQ(caught, "handler failed");
    EXPECT_EQ(thread->FatalException(), nullptr);
}

TEST(ThreadTest, AThreadNobodyHoldsFreesItselfWhenItEnds) {
    std::weak_ptr<LambdaThread> watch;
    std::atomic<bool> go{false};
    {
        auto thread = std::make_shared<LambdaThread>([&](LambdaThread&) {
            while (!go) Sleep(1);
        });
        watch = thread;
        thread->Start();
    }
    EXPECT_FALSE(watch.expired()) << "the running thread must keep its object";
    go = true;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!watch.expired() && std::chrono::steady_clock::now() < end) Sleep(5);
    EXPECT_TRUE(watch.expired());
}

TEST(ThreadTest, AnExceptionEscapingTheBodyEndsTheThreadAndIsKept) {
    auto thread = std::make_shared<LambdaThread>(
        [](LambdaThread&) { throw std::runtime_error("body failed"); });
    thread->Start();
    ASSERT_TRUE(thread->WaitFor(5000));
    ASSERT_NE(thread->FatalException(), nullptr);
    EXPECT_THROW(std::rethrow_exception(thread->FatalException()), std::runtime_error);
}

TEST(ThreadTest, OnTheMainThreadSynchronizeRunsAtOnce) {
    LambdaThread thread([](LambdaThread&) {});
    bool ran = false;
    EXPECT_TRUE(thread.Synchronize([&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_FALSE(thread.WaitFor(0)) << "a thread never started has nothing to wait for";
}

}  // namespace
