#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "camera/FrameCopy.h"

using tavix::CopyFrameOut;
using tavix::FrameLayout;

namespace {
// A frame whose every sample names its position: row * 16 + column.
std::vector<uint16_t> Numbered(size_t width, size_t height)
{
    std::vector<uint16_t> frame(width * height);
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x)
            frame[y * width + x] = static_cast<uint16_t>(y * 16 + x);
    return frame;
}

std::vector<uint8_t> As8(const std::vector<uint16_t>& frame)
{
    return std::vector<uint8_t>(frame.begin(), frame.end());
}
} // namespace

TEST(FrameCopy, EightBitOrientations)
{
    constexpr size_t w = 5, h = 3; // odd width: no pairing assumptions
    const auto source = As8(Numbered(w, h));
    const FrameLayout layout{w, h, 1};
    std::vector<uint8_t> out(w * h);
    for (bool mirror : {false, true}) {
        for (bool bottomUp : {false, true}) {
            CopyFrameOut(out.data(), source.data(), layout, mirror, bottomUp);
            for (size_t y = 0; y < h; ++y) {
                for (size_t x = 0; x < w; ++x) {
                    const size_t sy = bottomUp ? h - 1 - y : y;
                    const size_t sx = mirror ? w - 1 - x : x;
                    ASSERT_EQ(out[y * w + x], sy * 16 + sx)
                        << "mirror " << mirror << " bottomUp " << bottomUp << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(FrameCopy, SixteenBitMirrorKeepsSampleBytesTogether)
{
    constexpr size_t w = 3, h = 2;
    auto samples = Numbered(w, h);
    for (auto& s : samples)
        s = static_cast<uint16_t>(s | 0xA000); // distinct high bytes
    std::vector<uint8_t> source(w * h * 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        source[2 * i] = static_cast<uint8_t>(samples[i]);
        source[2 * i + 1] = static_cast<uint8_t>(samples[i] >> 8);
    }
    std::vector<uint8_t> out(source.size());
    CopyFrameOut(out.data(), source.data(), FrameLayout{w * 2, h, 2}, true, true);
    for (size_t y = 0; y < h; ++y) {
        for (size_t x = 0; x < w; ++x) {
            const size_t i = y * w + x;
            const uint16_t got = static_cast<uint16_t>(out[2 * i] | out[2 * i + 1] << 8);
            ASSERT_EQ(got, samples[(h - 1 - y) * w + (w - 1 - x)]);
        }
    }
}
