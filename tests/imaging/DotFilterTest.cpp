#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "../support/MaskReferences.h"
#include "MaskHelpers.h"
#include "imaging/DefectMap.h"
#include "imaging/DotFilter.h"
#include "imaging/MaskRows.h"

using namespace mask_test;
using namespace tavix::imaging;

namespace {

struct Maps {
    DibImage hot, dead, marks;
    explicit Maps(int32_t bits)
    {
        EXPECT_EQ(hot.Create(kSensorW, kSensorH, bits), 1);
        EXPECT_EQ(dead.Create(kSensorW, kSensorH, bits), 1);
        EXPECT_EQ(marks.Create(kSensorW, kSensorH, bits), 1);
    }
};

} // namespace

TEST(DotFilter, RandomFramesWithOutliersRunsAndFlagsAgainstTheReference)
{
    struct Case {
        int32_t bits, width, height, x, y;
        bool pairs;
        int32_t outliers, flags; // per 1000 pixels
    };
    const Case cases[] = {
        {8, 2448, 2048, 0, 0, false, 2, 1}, {16, 2448, 2048, 0, 0, false, 2, 1}, {8, 256, 128, 400, 200, false, 30, 20},
        {16, 260, 130, 1000, 64, false, 30, 20}, {8, 612, 256, 0, 0, true, 10, 10}, {16, 96, 64, 2000, 1700, true, 50, 50},
        {8, 64, 48, 0, 0, false, 400, 300}, // crowded: long runs in rows and columns
        {8, 3, 3, 0, 0, false, 1000, 1000}, {16, 2, 9, 0, 0, false, 1000, 1000},
    };
    std::mt19937 rng(102);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, " << c.width << " x " << c.height << " at " << c.x << ", "
                                        << c.y << (c.pairs ? " in pairs" : ""));
        const int32_t top = c.bits == 8 ? 255 : 4095, threshold = c.bits == 8 ? 30 : 480;
        Maps maps(c.bits);
        std::uniform_int_distribution<int32_t> perMille(0, 999), level(top / 3, top / 2), noise(-top / 40, top / 40);
        // Flags on the sensor, hot or dead, and a defect column through the window.
        for (int32_t y = 0; y < kSensorH; y += 1 + perMille(rng) % 4)
            for (int32_t x = 0; x < kSensorW; x += 1 + perMille(rng) % 4)
                if (perMille(rng) < c.flags || x == SensorAt(c.x, 5, c.pairs))
                    Put(perMille(rng) % 2 ? maps.hot : maps.dead, x, y, 1);
        DibImage frame;
        ASSERT_EQ(frame.Create(c.width, c.height, c.bits), 1);
        const int32_t base = level(rng);
        std::vector<bool> flagged;
        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x) {
                const bool outlier = perMille(rng) < c.outliers;
                Put(frame, x, y, outlier ? (perMille(rng) % 2 ? top : 0) : base + noise(rng));
                const int32_t sx = SensorAt(c.x, x, c.pairs), sy = SensorAt(c.y, y, c.pairs);
                flagged.push_back(sx < kSensorW && sy < kSensorH &&
                                  (Get(maps.hot, sx, sy) != 0 || Get(maps.dead, sx, sy) != 0));
            }
        const std::vector<int32_t> want = tavix::test::DotFilter(Samples(frame), flagged, c.width, c.height, threshold);
        DefectList defects;
        ASSERT_TRUE(BuildDefectList(maps.hot, maps.dead, defects));
        ApplyDotFilter(frame, defects, maps.marks, ReferenceWindow{c.x, c.y, c.pairs, 0}, threshold);
        const std::vector<int32_t> got = Samples(frame);
        int32_t mismatches = 0;
        for (size_t i = 0; i < got.size(); ++i)
            mismatches += got[i] != want[i];
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(DotFilter, OutliersOfAUniformField)
{
    struct Case {
        int32_t bits, field, outlier, result;
    };
    const Case cases[] = {
        {8, 100, 200, 100}, {8, 100, 129, 129}, {8, 100, 130, 100}, {8, 100, 71, 71}, {8, 100, 70, 100},
        {16, 1000, 1479, 1479}, {16, 1000, 1480, 1000}, {16, 1000, 521, 521}, {16, 1000, 520, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, " << c.outlier << " in " << c.field);
        Maps maps(c.bits);
        DibImage frame;
        ASSERT_EQ(frame.Create(9, 7, c.bits), 1);
        for (int32_t y = 0; y < 7; ++y)
            for (int32_t x = 0; x < 9; ++x)
                Put(frame, x, y, c.field);
        Put(frame, 4, 3, c.outlier);
        DefectList defects;
        ASSERT_TRUE(BuildDefectList(maps.hot, maps.dead, defects));
        ApplyDotFilter(frame, defects, maps.marks, ReferenceWindow{}, c.bits == 8 ? 30 : 480);
        EXPECT_EQ(Get(frame, 4, 3), c.result);
    }
    // Maps of another geometry or depth give no list, and no list no change.
    Maps maps(8);
    DibImage small, frame;
    ASSERT_EQ(small.Create(16, 16, 8), 1);
    ASSERT_EQ(frame.Create(9, 7, 8), 1);
    Put(frame, 4, 3, 200);
    DefectList defects;
    EXPECT_FALSE(BuildDefectList(small, maps.dead, defects));
    ApplyDotFilter(frame, defects, maps.marks, ReferenceWindow{}, 30);
    EXPECT_EQ(Get(frame, 4, 3), 200);
}

TEST(DefectMap, LimitsInsideTheTwoPixelFrameAndSixteenBitScaling)
{
    EXPECT_EQ(DefectLimits16(16).hot, 12288);
    EXPECT_EQ(DefectLimits16(16).dead, 4096);
    EXPECT_EQ(DefectLimits16(12).hot, 768);
    EXPECT_EQ(DefectLimits16(12).dead, 256);
    struct Case {
        int32_t bits;
        DefectKind kind;
        DefectLimits limits;
        int32_t at, beyond; // a sample at the limit is not flagged, one beyond it is
    };
    const Case cases[] = {
        {8, DefectKind::kHot, kDefectLimits8, 192, 193},       {8, DefectKind::kDead, kDefectLimits8, 64, 63},
        {16, DefectKind::kHot, DefectLimits16(12), 768, 769},  {16, DefectKind::kDead, DefectLimits16(12), 256, 255},
        {16, DefectKind::kHot, DefectLimits16(16), 12288, 12289},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, limit " << c.at);
        DibImage reference, map;
        ASSERT_EQ(reference.Create(kSensorW, kSensorH, c.bits), 1);
        ASSERT_EQ(map.Create(kSensorW, kSensorH, c.bits), 1);
        for (int32_t y = 0; y < kSensorH; ++y)
            for (int32_t x = 0; x < kSensorW; ++x)
                Put(reference, x, y, (x + y) % 2 ? c.beyond : c.at);
        Put(map, 1, 100, 1); // the frame keeps what it had
        BuildDefectMap(reference, map, c.kind, c.limits);
        const int32_t points[][3] = {{2, 2, 0}, {3, 2, 1}, {2445, 2044, 1}, {2445, 2045, 0}, {1, 100, 1},
                                     {0, 101, 0}, {2446, 3, 0}, {1000, 2046, 0}};
        for (const auto& [x, y, flag] : points)
            EXPECT_EQ(Get(map, x, y), flag) << x << ", " << y;
    }
}

TEST(MaskRows, Avx2KernelsGiveThePortableSamples)
{
    const tavix::imaging::detail::MaskRowKernels* avx2 = tavix::imaging::detail::Avx2MaskRows();
    if (avx2 == nullptr)
        GTEST_SKIP() << "no AVX2 here";
    const tavix::imaging::detail::MaskRowKernels& portable = tavix::imaging::detail::kPortableMaskRows;
    std::mt19937 rng(2);
    std::uniform_int_distribution<int32_t> any(0, 65535);
    for (const int32_t w : {3, 17, 100, 2448}) {
        SCOPED_TRACE(w);
        const auto row = [&](auto t, int32_t top) {
            std::vector<decltype(t)> v(static_cast<size_t>(w));
            for (auto& s : v)
                s = static_cast<decltype(t)>(any(rng) % (top + 1));
            return v;
        };
        auto p8 = row(uint8_t{}, 255), a8 = p8, off = row(uint8_t{}, 255), high = row(uint8_t{}, 255);
        const auto low = row(uint16_t{}, 65535);
        portable.flatField8(p8.data(), off.data(), high.data(), low.data(), w);
        avx2->flatField8(a8.data(), off.data(), high.data(), low.data(), w);
        EXPECT_EQ(p8, a8);
        std::vector<uint64_t> factor(static_cast<size_t>(w));
        for (auto& f : factor)
            f = uint64_t(any(rng)) << 48 | uint64_t(any(rng)) << 16 | uint64_t(any(rng));
        auto p16 = row(uint16_t{}, 65535), a16 = p16;
        portable.flatField16(p16.data(), factor.data(), w);
        avx2->flatField16(a16.data(), factor.data(), w);
        EXPECT_EQ(p16, a16);
        for (const int32_t top : {255, 65535}) {
            auto up = row(uint16_t{}, top), mid = row(uint16_t{}, top), down = row(uint16_t{}, top);
            std::vector<uint16_t> m1(static_cast<size_t>(w)), m2(m1);
            if (top == 255) {
                const auto narrow = [](const std::vector<uint16_t>& v) { return std::vector<uint8_t>(v.begin(), v.end()); };
                auto u = narrow(up), c = narrow(mid), d = narrow(down);
                std::vector<uint8_t> n1(static_cast<size_t>(w)), n2(n1);
                EXPECT_EQ(portable.markRow8(u.data(), c.data(), d.data(), n1.data(), w, 30),
                          avx2->markRow8(u.data(), c.data(), d.data(), n2.data(), w, 30));
                EXPECT_EQ(n1, n2);
            } else {
                EXPECT_EQ(portable.markRow16(up.data(), mid.data(), down.data(), m1.data(), w, 480),
                          avx2->markRow16(up.data(), mid.data(), down.data(), m2.data(), w, 480));
                EXPECT_EQ(m1, m2);
            }
        }
    }
}
