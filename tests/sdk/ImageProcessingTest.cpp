// The image filters, white balance and Auto Iris through the exported
// functions, against the emulated camera's still scene.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "SdkFixture.h"
#include "TavixSdk.h"

using namespace tavix::test;

namespace {
constexpr int32_t kFrameBytes = 256 * 128 * 3;
}

TEST_F(Sdk, FiltersReachSnapshotsGetImageAndCallbackFrames)
{
    SmallWindow(handle_);
    ASSERT_EQ(Tavix_SetColorMode(handle_, 24), 1);
    ASSERT_EQ(Tavix_SetGamma(handle_, 100), 1);
    std::vector<uint8_t> plain(kFrameBytes), filtered(kFrameBytes), image(kFrameBytes);
    ASSERT_EQ(Tavix_SnapShot(handle_, plain.data(), kFrameBytes, 1), 1);
    // Gamma 200 is the square root of every level.
    ASSERT_EQ(Tavix_SetGamma(handle_, 200), 1);
    ASSERT_EQ(Tavix_SnapShot(handle_, filtered.data(), kFrameBytes, 1), 1);
    ASSERT_EQ(Tavix_GetImage(handle_, image.data(), kFrameBytes, 1), 1);
    EXPECT_EQ(image, filtered);
    int changed = 0;
    for (int i = 0; i < kFrameBytes; ++i) {
        ASSERT_EQ(filtered[i], static_cast<uint8_t>(std::trunc(255 * std::sqrt(plain[i] / 255.0)))) << i;
        changed += filtered[i] != plain[i];
    }
    EXPECT_GT(changed, kFrameBytes / 4);

    // Brightness -255 darkens every frame of a preview to black.
    ASSERT_EQ(Tavix_SetGamma(handle_, 100), 1);
    ASSERT_EQ(Tavix_SetBrightness(handle_, -255), 1);
    std::vector<uint8_t> frame(kFrameBytes, 0xEE);
    ASSERT_EQ(Tavix_CallBackPreview(handle_, trap_.Window(), frame.data(), kFrameBytes, 1), 1);
    trap_.TakeUntil([](const auto& all) { return MessageTrap::Frames(all) >= 2; });
    ASSERT_EQ(Tavix_StopPreview(handle_), 1);
    EXPECT_EQ(frame, std::vector<uint8_t>(kFrameBytes, 0));
}

TEST_F(Sdk, WhiteBalanceStoresTheGainsOfTheFrame)
{
    SmallWindow(handle_);
    ASSERT_EQ(Tavix_SetColorMode(handle_, 8), 1);
    std::vector<uint8_t> raw(256 * 128), colour(kFrameBytes);
    ASSERT_EQ(Tavix_SnapShot(handle_, raw.data(), static_cast<int32_t>(raw.size()), 1), 1);
    // Class means of the raw frame in memory order: green (0,0) and (1,1),
    // blue (0,1), red (1,0) of the Bayer mode.
    const int32_t phase = Tavix_GetBayerMode(handle_, nullptr);
    double sum[3] = {}, count[3] = {};
    for (int32_t m = 0; m < 128; ++m)
        for (int32_t x = 0; x < 256; ++x) {
            const int r = (m + (phase & 1)) % 2, c = (x + (phase >> 1)) % 2, i = r == c ? 0 : r == 0 ? 1 : 2;
            sum[i] += raw[static_cast<size_t>(m) * 256 + x], count[i] += 1;
        }
    const double g = sum[0] / count[0], b = sum[1] / count[1], red = sum[2] / count[2], all = g + b + red;
    const auto gain = [&](double mean) {
        return static_cast<int32_t>(std::min(400.0, ((all / mean) / 3 * 100) / ((all / g) / 3)));
    };
    ASSERT_EQ(Tavix_SetColorMode(handle_, 24), 1);
    ASSERT_EQ(Tavix_SetBayerGainAuto(handle_, 1), 1);
    ASSERT_EQ(Tavix_SnapShot(handle_, colour.data(), kFrameBytes, 1), 1);
    EXPECT_EQ(Tavix_GetBayerGainRed(handle_, nullptr), gain(red));
    EXPECT_EQ(Tavix_GetBayerGainGreen(handle_, nullptr), 100);
    EXPECT_EQ(Tavix_GetBayerGainBlue(handle_, nullptr), gain(b));
    EXPECT_NE(Tavix_GetBayerGainRed(handle_, nullptr), Tavix_GetBayerGainBlue(handle_, nullptr));
}

TEST_F(Sdk, AutoIrisRaisesExposureOrGainByHalfInTheDarkAndHalvesItInTheBright)
{
    // The window shows the yellow and cyan bars: at 1 ms they are dark in
    // every region (factor 1.5); saturated, every region's mean is 191
    // (factor 0.5).
    struct Case {
        int32_t mode, exposure, gain, exposureAfter, gainAfter;
    };
    const Case cases[] = {
        {1, 10, 0, 15, 0}, {1, 200, 200, 100, 200}, {2, 10, 100, 10, 150}, {2, 200, 300, 200, 150},
        {0, 10, 0, 10, 0},
    };
    SmallWindow(handle_);
    ASSERT_EQ(Tavix_SetColorMode(handle_, 8), 1);
    std::vector<uint8_t> raw(256 * 128);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", exposure " << c.exposure << ", gain " << c.gain);
        ASSERT_EQ(Tavix_SetAutoIris(handle_, 0), 1);
        ASSERT_EQ(Tavix_SetExposureTime(handle_, c.exposure), 1);
        ASSERT_EQ(Tavix_SetGlobalGain(handle_, c.gain), 1);
        ASSERT_EQ(Tavix_SetAutoIris(handle_, c.mode), 1);
        ASSERT_EQ(Tavix_SnapShot(handle_, raw.data(), static_cast<int32_t>(raw.size()), 1), 1);
        EXPECT_EQ(Tavix_GetExposureTime(handle_, nullptr), c.exposureAfter);
        EXPECT_EQ(Tavix_GetGlobalGain(handle_, nullptr), c.gainAfter);
    }
    EXPECT_TRUE(Errors(handle_).empty());
}
