#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "../support/MaskReferences.h"
#include "MaskHelpers.h"
#include "imaging/FlatField.h"

using namespace mask_test;
using namespace tavix::imaging;

using tavix::test::FlatField16;
using tavix::test::FlatField8;

TEST(FlatField, EightBitFactorsMatchTheDivisionForEverySampleAndReference)
{
    int64_t mismatches = 0;
    for (int32_t dark = 0; dark < 256; ++dark)
        for (int32_t white = 0; white < 256; ++white) {
            const FlatFieldFactor8 factor(static_cast<uint8_t>(dark), static_cast<uint8_t>(white));
            for (int32_t p = 0; p < 256; ++p)
                mismatches += factor.Apply(static_cast<uint8_t>(p)) != FlatField8(p, dark, white);
        }
    EXPECT_EQ(mismatches, 0);
}

TEST(FlatField, SixteenBitFactorsMatchTheDivisionOverEverySample)
{
    // Ranges white - dark at the ends (1, 2, full scale), around powers of
    // two and odd primes, then random pairs; each against all 65536 samples.
    std::vector<std::pair<int32_t, int32_t>> pairs = {
        {0, 1}, {0, 2}, {0, 3}, {0, 65535}, {1, 65535}, {65534, 65535}, {0, 4095}, {0, 4096}, {0, 4097},
        {100, 32867}, {0, 32768}, {0, 65521}, {7, 65530}, {4000, 4000}, {5000, 4000}, {65535, 0}, {0, 0},
    };
    std::mt19937 rng(16);
    std::uniform_int_distribution<int32_t> any(0, 65535);
    for (int k = 0; k < 200; ++k)
        pairs.emplace_back(any(rng), any(rng));
    for (const auto& [dark, white] : pairs) {
        const uint64_t factor = FlatFieldFactor16(static_cast<uint16_t>(dark), static_cast<uint16_t>(white));
        int32_t mismatches = 0;
        for (int32_t p = 0; p < 65536; ++p)
            mismatches += FlatFieldSample16(static_cast<uint16_t>(p), factor) != FlatField16(p, dark, white);
        EXPECT_EQ(mismatches, 0) << "dark " << dark << ", white " << white;
    }
}

TEST(FlatField, FramesFullCroppedAndSubSampledAgainstTheFormula)
{
    struct Case {
        int32_t bits, width, height, x, y;
        bool pairs;
        int32_t margin;
    };
    const Case cases[] = {
        {8, 2448, 2048, 0, 0, false, 2},   {16, 2448, 2048, 0, 0, false, 2}, {8, 256, 128, 400, 200, false, 0},
        {16, 256, 128, 400, 200, false, 0}, {8, 1216, 1024, 0, 0, true, 2},  {16, 96, 64, 2048, 1800, true, 0},
        {8, 37, 9, 2440, 2044, false, 0}, // beyond the sensor's edge: those pixels stay
    };
    std::mt19937 rng(3);
    for (const int32_t bits : {8, 16}) {
        const int32_t top = bits == 8 ? 255 : 65535;
        DibImage dark, white;
        ASSERT_EQ(dark.Create(kSensorW, kSensorH, bits), 1);
        ASSERT_EQ(white.Create(kSensorW, kSensorH, bits), 1);
        FillRandom(dark, rng, 0, top / 3);
        FillRandom(white, rng, 0, top);
        FlatFieldFactors8 f8;
        FlatFieldFactors16 f16;
        ASSERT_TRUE(bits == 8 ? BuildFlatField(dark, white, f8) : BuildFlatField(dark, white, f16));
        for (const Case& c : cases) {
            if (c.bits != bits)
                continue;
            SCOPED_TRACE(testing::Message() << bits << " bits, " << c.width << " x " << c.height << " at " << c.x
                                            << ", " << c.y << (c.pairs ? " in pairs" : ""));
            DibImage frame;
            ASSERT_EQ(frame.Create(c.width, c.height, bits), 1);
            FillRandom(frame, rng, 0, top);
            const std::vector<int32_t> before = Samples(frame);
            const ReferenceWindow window{c.x, c.y, c.pairs, c.margin};
            bits == 8 ? ApplyFlatField(frame, f8, window) : ApplyFlatField(frame, f16, window);
            int32_t mismatches = 0;
            for (int32_t y = 0; y < c.height; ++y)
                for (int32_t x = 0; x < c.width; ++x) {
                    const int32_t sx = SensorAt(c.x, x, c.pairs), sy = SensorAt(c.y, y, c.pairs);
                    const int32_t p = before[static_cast<size_t>(y * c.width + x)];
                    const bool inside = x >= c.margin && y >= c.margin && x < c.width - c.margin &&
                                        y < c.height - c.margin && sx < kSensorW && sy < kSensorH;
                    const int32_t d = inside ? Get(dark, sx, sy) : 0, w = inside ? Get(white, sx, sy) : 0;
                    const int32_t want = !inside ? p : bits == 8 ? FlatField8(p, d, w) : FlatField16(p, d, w);
                    mismatches += Get(frame, x, y) != want;
                }
            EXPECT_EQ(mismatches, 0);
        }
    }
}

TEST(FlatField, EdgeValuesAndNeutralReferences)
{
    struct Case {
        int32_t bits, dark, white, sample, result;
    };
    const Case cases[] = {
        {8, 10, 110, 60, 128},   {8, 10, 110, 110, 255}, {16, 100, 3000, 3000, 65535}, {8, 0, 255, 254, 254},
        {8, 0, 255, 255, 255},   {16, 0, 65535, 65534, 65534}, {16, 0, 65535, 65535, 65535}, {8, 50, 50, 7, 7},
        {8, 200, 100, 150, 128}, {16, 300, 200, 250, 250},     {8, 10, 110, 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, dark " << c.dark << ", white " << c.white);
        DibImage dark, white, frame;
        ASSERT_EQ(dark.Create(kSensorW, kSensorH, c.bits), 1);
        ASSERT_EQ(white.Create(kSensorW, kSensorH, c.bits), 1);
        ASSERT_EQ(frame.Create(8, 8, c.bits), 1);
        for (int32_t y = 0; y < 8; ++y)
            for (int32_t x = 0; x < 8; ++x) {
                Put(dark, x, y, c.dark);
                Put(white, x, y, c.white);
                Put(frame, x, y, c.sample);
            }
        FlatFieldFactors8 f8;
        FlatFieldFactors16 f16;
        if (c.bits == 8) {
            ASSERT_TRUE(BuildFlatField(dark, white, f8));
            ApplyFlatField(frame, f8, ReferenceWindow{});
        } else {
            ASSERT_TRUE(BuildFlatField(dark, white, f16));
            ApplyFlatField(frame, f16, ReferenceWindow{});
        }
        EXPECT_EQ(Get(frame, 3, 4), c.result);
    }
    // References of another geometry build nothing, and nothing is applied.
    DibImage small, frame;
    ASSERT_EQ(small.Create(16, 16, 8), 1);
    ASSERT_EQ(frame.Create(16, 16, 8), 1);
    Put(frame, 5, 5, 77);
    FlatFieldFactors8 f8;
    EXPECT_FALSE(BuildFlatField(small, small, f8));
    ApplyFlatField(frame, f8, ReferenceWindow{});
    EXPECT_EQ(Get(frame, 5, 5), 77);
}
