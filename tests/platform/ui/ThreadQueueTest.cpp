#include "platform/ui/ThreadQueue.h"
#include "platform/ui/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using platform::ThreadQueue;

TEST(ThreadQueue, CallbacksRunOnTheTargetThreadInOrder) {
    std::atomic<DWORD> workerId{0};
    std::atomic<bool> stop{false};
    std::vector<int> seen; // touched only by the worker thread until it is joined
    std::vector<DWORD> ranOn;
    std::thread worker([&] {
        EnsureMessageQueue();
        workerId = GetCurrentThreadId();
        auto queue = ThreadQueue::Current();
        while (!stop) {
            const std::uint64_t wakeups = queue->WakeCount();
            queue->RunIncoming();
            if (!stop) {
                queue->Wait(std::nullopt, wakeups);
            }
        }
        queue->RunIncoming();
    });
    while (workerId == 0) {
        std::this_thread::yield();
    }
    EXPECT_NE(workerId.load(), GetCurrentThreadId());
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(PostThreadCallback(workerId, [&, i] {
            seen.push_back(i);
            ranOn.push_back(GetCurrentThreadId());
        }));
    }
    ASSERT_TRUE(PostThreadCallback(workerId, [&] { stop = true; }));
    worker.join();
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4}));
    for (DWORD id : ranOn) {
        EXPECT_EQ(id, workerId.load());
    }
    // The worker has exited: its queue is gone and callbacks are refused.
    EXPECT_FALSE(PostThreadCallback(workerId, [] {}));
    EXPECT_FALSE(PostThreadCallback(0xFFFFFF, [] {}));
}

TEST(Clock, VirtualClockDrivesTickCountAndSleep) {
    platform::ScopedVirtualClock clock(5000);
    EXPECT_EQ(GetTickCount(), 5000u);
    Sleep(250);
    EXPECT_EQ(GetTickCount(), 5250u);
    clock.Advance(750);
    EXPECT_EQ(GetTickCount64(), 6000u);
}
