// Delivery to a window and to the calling thread is checked on both platforms by
// tests/sdk/LifecycleTest.cpp; here are the answer no caller reads and the sink's switch.

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/MessagePost.h"

using namespace tavix::platform;

#ifdef _WIN32
#include <windows.h>

TEST(MessagePost, AQueuedMessageIsReportedAndKeepsANegativeLParam)
{
    ASSERT_TRUE(PostWindowMessage(nullptr, 0x8003, 0, -5));
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0x8003, 0x8003, PM_REMOVE));
    EXPECT_EQ(msg.lParam, -5);
}
#else
namespace {
using Post = std::tuple<WindowHandle, uint32_t, uintptr_t, intptr_t>;

void Record(void* context, WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    static_cast<std::vector<Post>*>(context)->emplace_back(window, message, wParam, lParam);
}
} // namespace

TEST(MessagePost, TheInstalledSinkReceivesEveryFieldAndWithoutItNothingIsDelivered)
{
    std::vector<Post> received;
    SetMessageSink(Record, &received);
    int window = 0;
    EXPECT_TRUE(PostWindowMessage(&window, 0x8002, 0x1234, -13));
    SetMessageSink(nullptr, nullptr);
    EXPECT_FALSE(PostWindowMessage(nullptr, 0x8003, 0, 1));
    EXPECT_EQ(received, (std::vector<Post>{{&window, 0x8002u, 0x1234u, -13}}));
}
#endif
