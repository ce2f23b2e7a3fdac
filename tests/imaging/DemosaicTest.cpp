#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ImageHelpers.h"
#include "imaging/Demosaic.h"
#include "imaging/DemosaicKernels.h"

using namespace imaging_test;
using namespace tavix::imaging;
using detail::DemosaicKernels;

namespace {

constexpr uint8_t kMarker = 0xA5;

struct Format {
    int32_t srcBits, dstBits;
};
constexpr Format kFormats[] = {{8, 24}, {8, 32}, {16, 48}, {16, 64}};

// A destination full of the marker, so that bytes the demosaic must not
// write (fourth byte or word, row padding) can be checked afterwards.
void MakeMarkedImage(DibImage& image, int32_t width, int32_t height, int32_t bits)
{
    ASSERT_EQ(image.Create(width, height, bits), 1);
    std::memset(image.Bits(), kMarker, image.SizeBytes());
}

// Every pixel has the expected colour; the fourth byte or word of each pixel
// and the row padding still hold the marker. Stops at the first difference.
void ExpectImage(const DibImage& out, const std::vector<Colour>& expected)
{
    const int32_t colourBytes = out.BitCount() >= 48 ? 6 : 3, pixelBytes = out.BytesPerPixel();
    for (int32_t m = 0; m < out.Height(); ++m) {
        for (int32_t x = 0; x < out.Width(); ++x)
            ASSERT_EQ(PixelColour(out, x, m), expected[static_cast<size_t>(m) * out.Width() + x])
                << "pixel (" << x << ", " << m << ")";
        for (int32_t b = 0; b < out.Stride(); ++b)
            ASSERT_TRUE((b < out.Width() * pixelBytes && b % pixelBytes < colourBytes) || out.Row(m)[b] == kMarker)
                << "byte " << b << " of row " << m << " written";
    }
}

// The reference against every output format and kernel set, byte for byte,
// so the kernel sets agree wherever they match it. The border pass alone
// writes its own pixels and nothing else; the interior pass completes them.
void CheckAgainstReference(int32_t width, int32_t height, int32_t phase, int32_t gainRed, int32_t gainBlue,
    uint32_t seed)
{
    for (const Format& f : kFormats) {
        const uint32_t max = f.srcBits == 8 ? 255 : 65535;
        const Mosaic mosaic = RandomMosaic(width, height, max, seed);
        DibImage src;
        MakeImage(src, mosaic, f.srcBits);
        const std::vector<Colour> expected = ReferenceDemosaic(mosaic, phase, gainRed, gainBlue, max);
        const uint32_t marker = f.dstBits >= 48 ? kMarker * 0x101u : kMarker;
        std::vector<Colour> borderOnly = expected;
        for (int32_t m = 2; m <= height - 3; ++m)
            for (int32_t x = 2; x <= width - 3; ++x)
                borderOnly[static_cast<size_t>(m) * width + x] = Colour{marker, marker, marker};
        for (const DemosaicKernels* k : {&detail::kPortableKernels, detail::Avx2Kernels()}) {
            if (k == nullptr)
                continue; // no AVX2 kernels on this processor or build
            SCOPED_TRACE(testing::Message() << width << "x" << height << " " << f.srcBits << "->" << f.dstBits
                                            << " phase " << phase << " gains " << gainRed << "/" << gainBlue << " "
                                            << k->name);
            DibImage out;
            MakeMarkedImage(out, width, height, f.dstBits);
            const DemosaicParams params{phase, gainRed, 100, gainBlue};
            void* kernels = const_cast<DemosaicKernels*>(k);
            ASSERT_EQ(RunPixelOp(out, DemosaicBorder, src, nullptr, 0, 0, &params, kernels), 1);
            ExpectImage(out, borderOnly);
            ASSERT_EQ(RunPixelOp(out, DemosaicInterior, src, nullptr, 0, 0, &params, kernels), 1);
            ExpectImage(out, expected);
        }
    }
}

} // namespace

TEST(Demosaic, RandomMosaicsMatchTheReference)
{
    // Widths even and odd, with and without row padding, long enough for
    // several vector steps plus tails; every size up to 7 x 7, so that each
    // border case (neighbours replaced by four, by two, or not at all) and
    // the first interior pixels occur. Gains beyond 0..400 count as its end.
    std::vector<std::pair<int32_t, int32_t>> sizes{{37, 9}, {70, 8}, {133, 11}, {134, 6}, {96, 7}, {517, 23}};
    for (int32_t h = 1; h <= 7; ++h)
        for (int32_t w = 1; w <= 7; ++w)
            sizes.emplace_back(w, h);
    const int32_t gains[][2] = {{100, 100}, {0, 400}, {400, 0}, {173, 59}, {450, -5}};
    uint32_t seed = 1;
    for (const auto& [w, h] : sizes)
        for (int32_t phase = 0; phase < 4; ++phase)
            for (const auto& g : gains)
                CheckAgainstReference(w, h, phase, g[0], g[1], seed++);
}

TEST(Demosaic, OneColourComesBackInEveryPhase)
{
    // A camera of phase p looking at one colour: the interpolation read with
    // the right phase gives that colour back exactly, odd widths included
    // (the column parity restarts on every row). Red takes its gain: 400 is
    // trunc(512) / 128 = 4 times, limited to the sample range.
    struct Row {
        const char* name;
        Format format;
        Colour scene;
        int32_t gainRed;
        uint32_t red;
    };
    const Row rows[] = {
        {"8 bits, unity", {8, 24}, {200, 120, 40}, 100, 200},
        {"16 bits, unity", {16, 48}, {50000, 31000, 1000}, 100, 50000},
        {"8 bits, gain 400", {8, 24}, {50, 120, 40}, 400, 200},
        {"8 bits, gain 400 saturates", {8, 32}, {100, 100, 100}, 400, 255},
        {"8 bits, gain 0", {8, 24}, {100, 120, 40}, 0, 0},
        {"16 bits, gain 400", {16, 48}, {10000, 10000, 10000}, 400, 40000},
        {"16 bits, gain 400 saturates", {16, 64}, {20000, 31000, 1000}, 400, 65535},
        {"16 bits, gain 0", {16, 48}, {20000, 20000, 20000}, 0, 0},
    };
    for (const Row& row : rows) {
        for (int32_t width : {10, 11}) {
            for (int32_t phase = 0; phase < 4; ++phase) {
                SCOPED_TRACE(testing::Message() << row.name << ", width " << width << ", phase " << phase);
                DibImage src, out;
                MakeImage(src, SceneMosaic(width, 7, phase, [&](int32_t, int32_t) { return row.scene; }),
                    row.format.srcBits);
                MakeMarkedImage(out, width, 7, row.format.dstBits);
                ASSERT_EQ(Demosaic(out, src, DemosaicParams{phase, row.gainRed, 100, 100}), 1);
                ExpectImage(out, std::vector<Colour>(width * 7, Colour{row.red, row.scene.green, row.scene.blue}));
            }
        }
    }
}

TEST(Demosaic, RefusesOtherPixelSizes)
{
    DibImage src8, src16, out24, out48;
    ASSERT_EQ(src8.Create(8, 8, 8), 1);
    ASSERT_EQ(src16.Create(8, 8, 16), 1);
    ASSERT_EQ(out24.Create(8, 8, 24), 1);
    ASSERT_EQ(out48.Create(8, 8, 48), 1);
    const DemosaicParams params{0, 100, 100, 100};
    EXPECT_EQ(Demosaic(out48, src8, params), 0);
    EXPECT_EQ(Demosaic(out24, src16, params), 0);
    EXPECT_EQ(Demosaic(src16, src8, params), 0);
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
    // Bayer mode, vertical, horizontal: the phase in memory.
    const int32_t phases[][4] = {{0, 0, 0, 0}, {0, 1, 0, 1}, {0, 0, 1, 2}, {2, 1, 1, 1}, {3, 1, 0, 2}, {1, 0, 1, 3}};
    for (const auto& p : phases)
        EXPECT_EQ(EffectivePhase(p[0], p[1] != 0, p[2] != 0), p[3]) << p[0] << " " << p[1] << " " << p[2];
}
