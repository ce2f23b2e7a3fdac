#include <gtest/gtest.h>

#include <thread>

#include "platform/Clock.h"

#ifndef _WIN32
#include <pthread.h>
#include <sched.h>
#endif

using namespace tavix::platform;

TEST(Clock, SystemSleepAdvancesTickCount)
{
    TimerResolutionScope resolution;
    const uint32_t start = SystemClock().TickCount();
    SystemClock().Sleep(100);
    const uint32_t elapsed = SystemClock().TickCount() - start;
    // GetTickCount moves in steps of up to 16 ms, whatever the timer resolution.
    EXPECT_GE(elapsed, 100u - 16u);
    EXPECT_LT(elapsed, 5000u);
}

TEST(Clock, WarpClockReplacesTheCurrentClockOnlyWhileInstalledAndWraps)
{
    WarpClock warp;
    {
        ScopedClock scoped(warp);
        EXPECT_EQ(&CurrentClock(), &warp);
        const uint32_t start = TickCount();
        const uint32_t realStart = SystemClock().TickCount();
        Sleep(60'000); // a minute passes on the warped clock...
        EXPECT_EQ(TickCount() - start, 60'000u);
        EXPECT_LT(SystemClock().TickCount() - realStart, 1000u); // ...and not in reality
        EXPECT_EQ(warp.SleptMilliseconds(), 60'000u);
        warp.Advance(5);
        EXPECT_EQ(TickCount() - start, 60'005u);
        warp.Advance(0xFFFFFFFFu); // the count wraps at 2^32 like GetTickCount
        EXPECT_EQ(TickCount() - start, 60'004u);
    }
    EXPECT_EQ(&CurrentClock(), &SystemClock());
}

TEST(Clock, WarpClockIsSharedSafelyBetweenThreads)
{
    WarpClock warp;
    const uint32_t start = warp.TickCount();
    std::thread a([&] { for (int i = 0; i < 1000; ++i) warp.Sleep(1); });
    std::thread b([&] { for (int i = 0; i < 1000; ++i) warp.Sleep(2); });
    a.join();
    b.join();
    EXPECT_EQ(warp.TickCount() - start, 3000u);
}

TEST(Clock, TimeCriticalPriorityDoesNotDisturbTheThread)
{
    // POSIX grants real-time priority only to privileged users, so only Windows
    // must say yes. On POSIX the thread never gets the top real-time level,
    // and a refusal leaves it as it was.
    bool granted = false;
#ifdef _WIN32
    std::thread worker([&] { granted = SetCurrentThreadTimeCritical(); });
    worker.join();
    EXPECT_TRUE(granted);
#else
    int policy = -1;
    sched_param param{};
    std::thread worker([&] {
        granted = SetCurrentThreadTimeCritical();
        pthread_getschedparam(pthread_self(), &policy, &param);
    });
    worker.join();
    if (granted) {
        EXPECT_EQ(policy, SCHED_RR);
        EXPECT_GE(param.sched_priority, sched_get_priority_min(SCHED_RR));
        EXPECT_LE(param.sched_priority, 10);
    } else {
        EXPECT_EQ(policy, SCHED_OTHER);
    }
#endif
}
