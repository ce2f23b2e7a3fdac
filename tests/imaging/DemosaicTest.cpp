#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ImageHelpers.h"
#include "imaging/Demosaic.h"
#include "imaging/DemosaicKernels.h"

using namespace imaging_test;
using tavix::imaging::BayerMultiplier;
using tavix::imaging::Demosaic;
using tavix::imaging::DemosaicBorder;
using tavix::imaging::DemosaicInterior;
using tavix::imaging::DemosaicParams;
using tavix::imaging::EffectivePhase;
using tavix::imaging::RunPixelOp;
using tavix::imaging::detail::DemosaicKernels;

namespace {

constexpr uint8_t kMarker = 0xA5;

struct Format {
    int32_t srcBits;
    int32_t dstBits;
};
constexpr Format kFormats[] = {{8, 24}, {8, 32}, {16, 48}, {16, 64}};

std::vector<const DemosaicKernels*> KernelSets()
{
    std::vector<const DemosaicKernels*> sets{&tavix::imaging::detail::kPortableKernels};
    if (const DemosaicKernels* avx2 = tavix::imaging::detail::Avx2Kernels())
        sets.push_back(avx2);
    return sets;
}

// A destination full of the marker, so that bytes the demosaic must not
// write (fourth byte or word, row padding) can be checked afterwards.
void MakeMarkedImage(DibImage& image, int32_t width, int32_t height, int32_t bits)
{
    ASSERT_EQ(image.Create(width, height, bits), 1);
    std::memset(image.Bits(), kMarker, image.SizeBytes());
}

// Every pixel equals the reference; everything behind blue, green, red in a
// pixel and behind the last pixel of a row still holds the marker.
void ExpectImage(const DibImage& out, const std::vector<uint32_t>& expected, const std::string& what)
{
    const int32_t channelBytes = out.BitCount() >= 48 ? 2 : 1;
    int failures = 0;
    for (int32_t m = 0; m < out.Height() && failures < 5; ++m) {
        for (int32_t x = 0; x < out.Width() && failures < 5; ++x) {
            for (int c = 0; c < 3; ++c) {
                const uint32_t want = expected[(static_cast<size_t>(m) * out.Width() + x) * 3 + c];
                const uint32_t got = GetChannel(out, x, m, c);
                if (got != want && ++failures < 5)
                    ADD_FAILURE() << what << ": pixel (" << x << ", " << m << ") channel " << c << " is " << got
                                  << ", expected " << want;
            }
        }
        const uint8_t* row = out.Row(m);
        for (int32_t x = 0; x < out.Width(); ++x)
            for (int32_t b = 3 * channelBytes; b < out.BytesPerPixel(); ++b)
                if (row[x * out.BytesPerPixel() + b] != kMarker && ++failures < 5)
                    ADD_FAILURE() << what << ": fourth channel of pixel (" << x << ", " << m << ") written";
        for (int32_t b = out.Width() * out.BytesPerPixel(); b < out.Stride(); ++b)
            if (row[b] != kMarker && ++failures < 5)
                ADD_FAILURE() << what << ": padding of row " << m << " written";
    }
}

std::string Describe(int32_t w, int32_t h, const Format& f, int32_t phase, int32_t red, int32_t blue,
    const DemosaicKernels& k)
{
    return std::to_string(w) + "x" + std::to_string(h) + " " + std::to_string(f.srcBits) + "->" +
        std::to_string(f.dstBits) + " phase " + std::to_string(phase) + " gains " + std::to_string(red) + "/" +
        std::to_string(blue) + " " + k.name;
}

// The reference against every output format of the mosaic's depth and every
// kernel set.
void CheckAgainstReference(int32_t width, int32_t height, int32_t phase, int32_t gainRed, int32_t gainBlue,
    uint32_t seed)
{
    for (int32_t srcBits : {8, 16}) {
        const uint32_t max = srcBits == 8 ? 255 : 65535;
        const Mosaic mosaic = RandomMosaic(width, height, max, seed);
        const std::vector<uint32_t> expected = ReferenceDemosaic(mosaic, phase, gainRed, gainBlue, max).Run();
        DibImage src;
        ASSERT_EQ(src.Create(width, height, srcBits), 1);
        FillImage(src, mosaic);
        for (const Format& f : kFormats) {
            if (f.srcBits != srcBits)
                continue;
            for (const DemosaicKernels* k : KernelSets()) {
                DibImage out;
                MakeMarkedImage(out, width, height, f.dstBits);
                const DemosaicParams params{phase, gainRed, 100, gainBlue};
                ASSERT_EQ(Demosaic(out, src, params, k), 1);
                ExpectImage(out, expected, Describe(width, height, f, phase, gainRed, gainBlue, *k));
            }
        }
    }
}

} // namespace

TEST(Demosaic, SmallestMosaicsMatchTheReference)
{
    // Every size up to 7 x 7, so that each border case (neighbours replaced
    // by four, by two, or not at all) and the first interior pixels occur.
    for (int32_t h = 1; h <= 7; ++h)
        for (int32_t w = 1; w <= 7; ++w)
            for (int32_t phase = 0; phase < 4; ++phase)
                CheckAgainstReference(w, h, phase, 100 + 13 * phase, 77, static_cast<uint32_t>(w * 31 + h));
}

TEST(Demosaic, RandomMosaicsMatchTheReference)
{
    // Widths even and odd, with and without row padding at each depth, long
    // enough for several vector steps plus tails; gains from 0 to beyond the
    // range, which counts as its end.
    const int32_t sizes[][2] = {{37, 9}, {70, 8}, {133, 11}, {134, 6}, {96, 7}};
    const int32_t gains[][2] = {{100, 100}, {0, 400}, {400, 0}, {173, 59}, {450, -5}};
    uint32_t seed = 1;
    for (const auto& size : sizes)
        for (int32_t phase = 0; phase < 4; ++phase)
            for (const auto& g : gains)
                CheckAgainstReference(size[0], size[1], phase, g[0], g[1], seed++);
}

TEST(Demosaic, KernelSetsGiveIdenticalBytes)
{
    const DemosaicKernels* avx2 = tavix::imaging::detail::Avx2Kernels();
    if (avx2 == nullptr)
        GTEST_SKIP() << "no AVX2 kernels on this processor or build";
    for (const Format& f : kFormats) {
        const Mosaic mosaic = RandomMosaic(517, 23, f.srcBits == 8 ? 255 : 65535, 99);
        DibImage src;
        ASSERT_EQ(src.Create(517, 23, f.srcBits), 1);
        FillImage(src, mosaic);
        for (int32_t phase = 0; phase < 4; ++phase) {
            DibImage a, b;
            MakeMarkedImage(a, 517, 23, f.dstBits);
            MakeMarkedImage(b, 517, 23, f.dstBits);
            const DemosaicParams params{phase, 211, 100, 97};
            ASSERT_EQ(Demosaic(a, src, params, &tavix::imaging::detail::kPortableKernels), 1);
            ASSERT_EQ(Demosaic(b, src, params, avx2), 1);
            EXPECT_EQ(std::memcmp(a.Bits(), b.Bits(), a.SizeBytes()), 0) << f.dstBits << " phase " << phase;
        }
    }
}

TEST(Demosaic, InteriorAndBorderSplitTheImage)
{
    for (int32_t h : {4, 5, 9}) {
        const int32_t w = 11;
        const Mosaic mosaic = RandomMosaic(w, h, 255, 5);
        const std::vector<uint32_t> expected = ReferenceDemosaic(mosaic, 1, 100, 100, 255).Run();
        DibImage src, interior, border, both;
        ASSERT_EQ(src.Create(w, h, 8), 1);
        FillImage(src, mosaic);
        MakeMarkedImage(interior, w, h, 32);
        MakeMarkedImage(border, w, h, 32);
        const DemosaicParams params{1, 100, 100, 100};
        ASSERT_EQ(RunPixelOp(interior, DemosaicInterior, src, nullptr, 0, 0, &params, nullptr), 1);
        ASSERT_EQ(RunPixelOp(border, DemosaicBorder, src, nullptr, 0, 0, &params, nullptr), 1);
        for (int32_t m = 0; m < h; ++m) {
            for (int32_t x = 0; x < w; ++x) {
                const bool inner = x >= 2 && x <= w - 3 && m >= 2 && m <= h - 3;
                for (int c = 0; c < 4; ++c) {
                    const uint32_t want =
                        c == 3 ? kMarker : expected[(static_cast<size_t>(m) * w + x) * 3 + static_cast<size_t>(c)];
                    // Each pass writes exactly its own pixels.
                    EXPECT_EQ(GetChannel(interior, x, m, c), inner ? want : kMarker) << x << "," << m << " h " << h;
                    EXPECT_EQ(GetChannel(border, x, m, c), inner ? kMarker : want) << x << "," << m << " h " << h;
                }
            }
        }
    }
}

TEST(Demosaic, ConstantFieldGivesConstantPixels)
{
    for (const Format& f : kFormats) {
        const uint32_t value = f.srcBits == 8 ? 100 : 1000;
        DibImage src, out;
        ASSERT_EQ(src.Create(10, 7, f.srcBits), 1);
        FillImage(src, Mosaic{10, 7, std::vector<uint32_t>(70, value)});
        MakeMarkedImage(out, 10, 7, f.dstBits);
        ASSERT_EQ(Demosaic(out, src, DemosaicParams{0, 100, 100, 100}), 1);
        for (int32_t m = 0; m < 7; ++m)
            for (int32_t x = 0; x < 10; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(GetChannel(out, x, m, c), value) << f.dstBits << " (" << x << "," << m << ")";
    }
}

TEST(Demosaic, RedGainZeroAndFourHundred)
{
    struct Case {
        int32_t bits;
        uint32_t value;
        int32_t gain;
        uint32_t red;
    };
    // Gain 400 is trunc(512) / 128 = 4 times, limited to the sample range.
    const Case cases[] = {{8, 50, 400, 200}, {8, 100, 400, 255}, {8, 100, 0, 0}, {16, 10000, 400, 40000},
        {16, 20000, 400, 65535}, {16, 20000, 0, 0}};
    for (const Case& c : cases) {
        DibImage src, out;
        ASSERT_EQ(src.Create(12, 8, c.bits), 1);
        FillImage(src, Mosaic{12, 8, std::vector<uint32_t>(96, c.value)});
        ASSERT_EQ(out.Create(12, 8, c.bits == 8 ? 24 : 48), 1);
        ASSERT_EQ(Demosaic(out, src, DemosaicParams{2, c.gain, 100, 100}), 1);
        for (int32_t m = 0; m < 8; ++m) {
            for (int32_t x = 0; x < 12; ++x) {
                ASSERT_EQ(GetChannel(out, x, m, 2), c.red) << c.bits << " gain " << c.gain;
                ASSERT_EQ(GetChannel(out, x, m, 1), c.value);
                ASSERT_EQ(GetChannel(out, x, m, 0), c.value);
            }
        }
    }
    // On a random mosaic gain 0 still clears every red.
    const Mosaic mosaic = RandomMosaic(40, 9, 255, 3);
    DibImage src, out;
    ASSERT_EQ(src.Create(40, 9, 8), 1);
    FillImage(src, mosaic);
    ASSERT_EQ(out.Create(40, 9, 32), 1);
    ASSERT_EQ(Demosaic(out, src, DemosaicParams{3, 0, 100, 100}), 1);
    for (int32_t m = 0; m < 9; ++m)
        for (int32_t x = 0; x < 40; ++x)
            ASSERT_EQ(GetChannel(out, x, m, 2), 0u);
}

TEST(Demosaic, SolidColourComesOutInEveryPhase)
{
    // A camera of phase p looking at one colour: the interpolation of any
    // phase read with the right phase gives that colour back exactly, odd
    // widths included (the column parity restarts on every row).
    for (int32_t width : {10, 11}) {
        for (int32_t phase = 0; phase < 4; ++phase) {
            DibImage src, out;
            ASSERT_EQ(src.Create(width, 7, 8), 1);
            FillImage(src, SolidColourMosaic(width, 7, phase, 200, 120, 40));
            ASSERT_EQ(out.Create(width, 7, 24), 1);
            ASSERT_EQ(Demosaic(out, src, DemosaicParams{phase, 100, 100, 100}), 1);
            for (int32_t m = 0; m < 7; ++m) {
                for (int32_t x = 0; x < width; ++x) {
                    ASSERT_EQ(GetChannel(out, x, m, 0), 40u) << width << " phase " << phase << " (" << x << "," << m << ")";
                    ASSERT_EQ(GetChannel(out, x, m, 1), 120u);
                    ASSERT_EQ(GetChannel(out, x, m, 2), 200u);
                }
            }
        }
    }
}

TEST(Demosaic, RefusesOtherPixelSizes)
{
    DibImage src8, src16, out24, out48, out16;
    ASSERT_EQ(src8.Create(8, 8, 8), 1);
    ASSERT_EQ(src16.Create(8, 8, 16), 1);
    ASSERT_EQ(out24.Create(8, 8, 24), 1);
    ASSERT_EQ(out48.Create(8, 8, 48), 1);
    ASSERT_EQ(out16.Create(8, 8, 16), 1);
    const DemosaicParams params{0, 100, 100, 100};
    EXPECT_EQ(Demosaic(out48, src8, params), 0);
    EXPECT_EQ(Demosaic(out24, src16, params), 0);
    EXPECT_EQ(Demosaic(out16, src8, params), 0);
    EXPECT_EQ(Demosaic(out24, out24, params), 0);
    EXPECT_EQ(RunPixelOp(out24, DemosaicInterior, src8, nullptr, 0, 0, nullptr, nullptr), 0);
    EXPECT_EQ(RunPixelOp(out24, DemosaicBorder, src8, nullptr, 0, 0, nullptr, nullptr), 0);
    DibImage small;
    ASSERT_EQ(small.Create(7, 8, 24), 1);
    EXPECT_EQ(Demosaic(small, src8, params), 0); // sizes differ
}

TEST(Demosaic, MultipliersAndEffectivePhase)
{
    const int32_t gains[][2] = {{100, 128}, {0, 0}, {400, 512}, {1, 1}, {3, 3}, {25, 32}, {399, 510}, {-1, 0},
        {401, 512}, {-2147483647 - 1, 0}};
    for (const auto& g : gains)
        EXPECT_EQ(BayerMultiplier(g[0]), g[1]) << g[0];
    EXPECT_EQ(EffectivePhase(0, false, false), 0);
    EXPECT_EQ(EffectivePhase(0, true, false), 1);
    EXPECT_EQ(EffectivePhase(0, false, true), 2);
    EXPECT_EQ(EffectivePhase(2, true, true), 1);
    EXPECT_EQ(EffectivePhase(3, true, false), 2);
    EXPECT_EQ(EffectivePhase(1, false, true), 3);
}
