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

TEST(Event, ManualResetStaysSignalledUntilReset)
{
    Event event(Event::Reset::kManual, true);
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.IsSet());
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
}

TEST(Event, AutoResetIsTakenByOneWait)
{
    Event event(Event::Reset::kAuto);
    event.Set();
    event.Set(); // a second Set before any wait does not count twice
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
}

TEST(Event, SetFromAnotherThreadWakesAnInfiniteWait)
{
    Event event(Event::Reset::kAuto);
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        event.Set();
    });
    EXPECT_TRUE(event.Wait(Event::kInfinite));
    setter.join();
}

TEST(Event, ManualResetReleasesEveryWaiterAutoResetExactlyOne)
{
    Event manual(Event::Reset::kManual);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] { if (manual.Wait(5000)) ++woken; });
    manual.Set();
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(woken, 4);

    Event single(Event::Reset::kAuto);
    woken = 0;
    waiters.clear();
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] { if (single.Wait(300)) ++woken; });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    single.Set();
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(woken, 1);
}
