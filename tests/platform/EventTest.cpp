#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/Event.h"

using tavix::platform::Event;
using Clock = std::chrono::steady_clock;

TEST(Event, WaitTimesOutWhenNotSignalled)
{
    Event event(Event::Reset::kManual);
    const auto start = Clock::now();
    EXPECT_FALSE(event.Wait(50));
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(45));
    EXPECT_LT(waited, std::chrono::seconds(2));
    EXPECT_FALSE(event.Wait(0));
}

TEST(Event, ManualResetStaysSignalledUntilResetAutoResetIsTakenByOneWait)
{
    Event manual(Event::Reset::kManual, true);
    EXPECT_TRUE(manual.Wait(0));
    EXPECT_TRUE(manual.Wait(0));
    EXPECT_TRUE(manual.IsSet());
    manual.Reset();
    EXPECT_FALSE(manual.Wait(0));

    Event automatic(Event::Reset::kAuto);
    automatic.Set();
    automatic.Set(); // a second Set before any wait does not count twice
    EXPECT_TRUE(automatic.Wait(0));
    EXPECT_FALSE(automatic.Wait(0));
}

TEST(Event, ManualResetReleasesEveryWaiterAutoResetOnePerSet)
{
    std::atomic<int> woken{0};
    const auto wokenReaches = [&](int count) {
        for (const auto end = Clock::now() + std::chrono::seconds(10); woken < count && Clock::now() < end;)
            std::this_thread::yield();
        return woken == count;
    };
    Event manual(Event::Reset::kManual);
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] { woken += manual.Wait(5000) ? 1 : 0; });
    manual.Set();
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(woken, 4);

    // Each Set wakes one infinite wait. A Set that woke two would leave the
    // last Set to no waiter, and the event signalled.
    Event single(Event::Reset::kAuto);
    woken = 0;
    waiters.clear();
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] { woken += single.Wait(Event::kInfinite) ? 1 : 0; });
    for (int set = 1; set <= 3; ++set) {
        single.Set();
        EXPECT_TRUE(wokenReaches(set)) << "after Set " << set << ": " << woken << " woken";
    }
    for (auto& t : waiters)
        t.join();
    EXPECT_FALSE(single.Wait(0));
}
