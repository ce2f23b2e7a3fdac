#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "camera/FrameCopy.h"

using tavix::CopyFrameOut;
using tavix::FrameLayout;

TEST(FrameCopy, EveryOrientationOfEightAndSixteenBitFrames)
{
    // Every sample names its position, row * 16 + column, in its low byte;
    // a 16-bit sample's high byte differs, so that a mirror that split a
    // sample's two bytes shows. The width is odd: no pairing assumptions.
    constexpr size_t w = 5, h = 3;
    const auto byteOf = [](size_t x, size_t y, size_t b) { return static_cast<uint8_t>(b == 0 ? y * 16 + x : 0xA0); };
    for (size_t bytes : {1, 2}) {
        std::vector<uint8_t> source(w * h * bytes), out(source.size());
        for (size_t i = 0; i < source.size(); ++i)
            source[i] = byteOf(i / bytes % w, i / bytes / w, i % bytes);
        for (bool mirror : {false, true})
            for (bool bottomUp : {false, true}) {
                SCOPED_TRACE(testing::Message() << bytes << " bytes, mirror " << mirror << ", bottom-up " << bottomUp);
                CopyFrameOut(out.data(), source.data(), FrameLayout{w * bytes, h, bytes}, mirror, bottomUp);
                for (size_t i = 0; i < out.size(); ++i) {
                    const size_t x = i / bytes % w, y = i / bytes / w;
                    ASSERT_EQ(out[i], byteOf(mirror ? w - 1 - x : x, bottomUp ? h - 1 - y : y, i % bytes))
                        << "at " << x << "," << y;
                }
            }
    }
}
