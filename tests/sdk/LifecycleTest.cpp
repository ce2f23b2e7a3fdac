#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "TavixSdk.h"
#include "instance/CTavix.h"
#include "sdk/CSdkChain.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

tavix::CTavix& InstanceOf(uint32_t handle)
{
    // The registry keeps the instance alive until the handle is released.
    const std::shared_ptr<tavix::CTavix> instance = tavix::CSdkChain::Instance().Acquire(handle);
    EXPECT_NE(instance, nullptr);
    return *instance;
}

// Collects the messages the library posts, the same way on both platforms:
// a real window's queue on Windows, the message sink on Linux.
class MessageTrap {
public:
    struct Message {
        TavixWindow window;
        uint32_t message;
        uintptr_t wParam;
        intptr_t lParam;
    };

    MessageTrap()
    {
#ifdef _WIN32
        window_ = CreateWindowExA(0, "STATIC", "tavix-test", 0, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
#else
        window_ = this;
        TavixLinux_SetMessageSink(&MessageTrap::Sink, this);
#endif
    }
    ~MessageTrap()
    {
#ifdef _WIN32
        DestroyWindow(static_cast<HWND>(window_));
#else
        TavixLinux_SetMessageSink(nullptr, nullptr);
#endif
    }

    TavixWindow Window() const { return window_; }

    std::vector<Message> Take()
    {
#ifdef _WIN32
        MSG msg;
        while (PeekMessageA(&msg, nullptr, TAVIX_WM_FRAME, TAVIX_WM_ERROR, PM_REMOVE))
            messages_.push_back({msg.hwnd, msg.message, msg.wParam, msg.lParam});
#endif
        std::lock_guard lock(lock_);
        return std::move(messages_);
    }

private:
#ifndef _WIN32
    static void Sink(void* context, TavixWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
    {
        auto* self = static_cast<MessageTrap*>(context);
        std::lock_guard lock(self->lock_);
        self->messages_.push_back({window, message, wParam, lParam});
    }
#endif
    TavixWindow window_ = nullptr;
    std::mutex lock_;
    std::vector<Message> messages_;
};

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
    // Keep every other handle alive so that the registry holds many while
    // new ones are made within the same millisecond.
    std::vector<uint32_t> alive;
    std::set<uint32_t> live;
    for (int i = 0; i < 2000; ++i) {
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
    constexpr int kRounds = 300;
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
    for (int round = 0; round < 200; ++round) {
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
