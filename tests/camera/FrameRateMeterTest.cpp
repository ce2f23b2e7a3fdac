#include <gtest/gtest.h>

#include "camera/FrameRateMeter.h"
#include "platform/Clock.h"

using tavix::FrameRateMeter;
using tavix::platform::ScopedClock;
using tavix::platform::WarpClock;

TEST(FrameRateMeter, ReportsOncePerWindow)
{
    WarpClock clock;
    ScopedClock scoped(clock);
    FrameRateMeter::Reset();
    EXPECT_FALSE(FrameRateMeter::Feed(0, 1000)) << "the first frame opens the window";
    // 36 frames/s: one frame every 27.7 ms.
    std::optional<float> rate;
    int fed = 0;
    while (!rate) {
        clock.Advance(28);
        rate = FrameRateMeter::Feed(0, 1000);
        ++fed;
    }
    EXPECT_EQ(fed, 36); // 36 × 28 ms ≥ 1000 ms
    EXPECT_NEAR(*rate, 1000.0f / 28.0f, 0.01f);
    // The next window starts where the report was made.
    clock.Advance(500);
    EXPECT_FALSE(FrameRateMeter::Feed(0, 1000));
    clock.Advance(500);
    EXPECT_NEAR(FrameRateMeter::Feed(0, 1000).value_or(-1), 2.0f, 0.01f);
    // After a pause of more than two windows the idle time is not averaged in.
    clock.Advance(5000);
    EXPECT_FALSE(FrameRateMeter::Feed(0, 1000));
    clock.Advance(1000);
    EXPECT_NEAR(FrameRateMeter::Feed(0, 1000).value_or(-1), 1.0f, 0.01f);
}

TEST(FrameRateMeter, ChannelsAreIndependentAndEightIsOutOfRange)
{
    WarpClock clock;
    ScopedClock scoped(clock);
    FrameRateMeter::Reset();
    FrameRateMeter::Feed(0, 100);
    FrameRateMeter::Feed(7, 100);
    clock.Advance(100);
    EXPECT_NEAR(FrameRateMeter::Feed(0, 100).value_or(-1), 10.0f, 0.01f);
    EXPECT_FALSE(FrameRateMeter::Feed(7, 200)) << "channel 7 keeps its own, longer window";
    EXPECT_FALSE(FrameRateMeter::Feed(8, 0));
    EXPECT_FALSE(FrameRateMeter::Feed(8, 0));
}
