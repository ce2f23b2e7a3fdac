#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "MessageTrap.h"
#include "TavixSdk.h"
#include "instance/CTavix.h"
#include "sdk/CSdkChain.h"

using tavix::test::MessageTrap;

namespace {

tavix::CTavix& InstanceOf(uint32_t handle)
{
    // The registry keeps the instance alive until the handle is released.
    const std::shared_ptr<tavix::CTavix> instance = tavix::CSdkChain::Instance().Acquire(handle);
    EXPECT_NE(instance, nullptr);
    return *instance;
}

} // namespace

TEST(Lifecycle, DllVersionNeedsNoHandle)
{
    EXPECT_EQ(Tavix_GetDllVersion(), 0x020C0521u);
}

TEST(Lifecycle, ErrorStackReadsNewestFirstKeepsTheTwentyNewestAndDiesWithItsHandle)
{
    const uint32_t handle = Tavix_Initialize(nullptr);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(Tavix_GetLastError(handle), 0u);
    for (uint32_t code = 101; code <= 125; ++code)
        InstanceOf(handle).PushError(code);
    for (uint32_t expected = 125; expected >= 106; --expected)
        ASSERT_EQ(Tavix_GetLastError(handle), expected);
    EXPECT_EQ(Tavix_GetLastError(handle), 0u);

    InstanceOf(handle).PushError(4);
    EXPECT_EQ(Tavix_Release(handle), 1);
    EXPECT_EQ(Tavix_GetLastError(handle), 0u) << "a released handle fails every call";
    EXPECT_EQ(Tavix_Release(handle), 0);
    EXPECT_EQ(Tavix_Release(0), 0);
    EXPECT_EQ(Tavix_GetLastError(0), 0u);
}

TEST(Lifecycle, HandlesStayDistinctAndNonZeroAcrossCycles)
{
    // Keep every other handle alive so that new numbers are drawn while the
    // registry holds many (the registry's own test draws thousands).
    std::vector<uint32_t> alive;
    std::set<uint32_t> live;
    for (int i = 0; i < 100; ++i) {
        const uint32_t handle = Tavix_Initialize(nullptr);
        ASSERT_NE(handle, 0u);
        ASSERT_TRUE(live.insert(handle).second) << "handle " << handle << " given twice";
        if (i % 2 == 0) {
            alive.push_back(handle);
        } else {
            ASSERT_EQ(Tavix_Release(handle), 1);
            live.erase(handle);
        }
    }
    for (uint32_t handle : alive) {
        InstanceOf(handle).PushError(handle & 0xFF);
    }
    // Each instance is found by its own number, whatever the order.
    for (auto it = alive.rbegin(); it != alive.rend(); ++it) {
        EXPECT_EQ(Tavix_GetLastError(*it), *it & 0xFF);
        EXPECT_EQ(Tavix_Release(*it), 1);
    }
    EXPECT_EQ(tavix::CSdkChain::Instance().Count(), 0u);
}

TEST(Lifecycle, ErrorsArePostedToTheNotificationWindowOrTheCallingThread)
{
    MessageTrap trap;
    ASSERT_NE(trap.Window(), nullptr);
    const uint32_t notifying = Tavix_Initialize(trap.Window());
    const uint32_t silent = Tavix_Initialize(nullptr);
    ASSERT_NE(notifying, 0u);
    ASSERT_NE(silent, 0u);
    // A recorded error goes on the stack and, with a window, to the window.
    InstanceOf(notifying).PushError(7);
    InstanceOf(silent).PushError(5);
    // A posted-only error skips the stack and goes to the calling thread.
    InstanceOf(silent).PostError(11);
    const auto messages = trap.Take();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].window, trap.Window());
    EXPECT_EQ(messages[0].message, TAVIX_WM_ERROR);
    EXPECT_EQ(messages[0].wParam, 0u);
    EXPECT_EQ(messages[0].lParam, 7);
    EXPECT_EQ(messages[1].window, nullptr);
    EXPECT_EQ(messages[1].message, TAVIX_WM_ERROR);
    EXPECT_EQ(messages[1].lParam, 11);
    EXPECT_EQ(Tavix_GetLastError(notifying), 7u);
    EXPECT_EQ(Tavix_GetLastError(silent), 5u);
    EXPECT_EQ(Tavix_GetLastError(silent), 0u);
    EXPECT_EQ(Tavix_Release(notifying), 1);
    EXPECT_EQ(Tavix_Release(silent), 1);
}

TEST(Lifecycle, ThreadsCreateLookUpAndReleaseAtOnce)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 20;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    std::mutex seenLock;
    std::set<uint32_t> seen;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                const uint32_t a = Tavix_Initialize(nullptr);
                const uint32_t b = Tavix_Initialize(nullptr);
                if (a == 0 || b == 0 || a == b) {
                    ++failures;
                    continue;
                }
                {
                    std::lock_guard lock(seenLock);
                    if (seen.count(a) != 0 || seen.count(b) != 0)
                        ++failures; // equal to a handle registered elsewhere
                    seen.insert(a);
                    seen.insert(b);
                }
                InstanceOf(a).PushError(static_cast<uint32_t>(t + 1));
                if (Tavix_GetLastError(a) != static_cast<uint32_t>(t + 1) || Tavix_GetLastError(b) != 0)
                    ++failures;
                {
                    std::lock_guard lock(seenLock);
                    seen.erase(a);
                    seen.erase(b);
                }
                // A released number may be drawn again at once by another
                // thread, so its release is not repeated here.
                if (Tavix_Release(b) != 1 || Tavix_Release(a) != 1)
                    ++failures;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(tavix::CSdkChain::Instance().Count(), 0u);
}

TEST(Lifecycle, ConcurrentReleasesDeleteOnceAndRacingCallsStaySafe)
{
    // Two releases of one handle and a call on it, started together: one
    // release wins, the call either sees the instance whole or not at all.
    // Under the sanitizers a double delete or a use after free shows here.
    for (int round = 0; round < 40; ++round) {
        const uint32_t handle = Tavix_Initialize(nullptr);
        ASSERT_NE(handle, 0u);
        InstanceOf(handle).PushError(3);
        std::atomic<bool> go{false};
        std::atomic<int> released{0};
        std::atomic<int> oddAnswers{0};
        const auto waitForGo = [&] {
            while (!go)
                std::this_thread::yield();
        };
        std::vector<std::thread> threads;
        for (int t = 0; t < 2; ++t)
            threads.emplace_back([&] {
                waitForGo();
                released += Tavix_Release(handle);
            });
        threads.emplace_back([&] {
            waitForGo();
            for (int i = 0; i < 20; ++i) {
                const uint32_t code = Tavix_GetLastError(handle);
                oddAnswers += code != 0 && code != 3 ? 1 : 0;
            }
        });
        go = true;
        for (auto& thread : threads)
            thread.join();
        ASSERT_EQ(released, 1) << "round " << round;
        ASSERT_EQ(oddAnswers, 0) << "round " << round;
        ASSERT_FALSE(tavix::CSdkChain::Instance().Contains(handle));
    }
}
