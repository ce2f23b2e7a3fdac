#include <gtest/gtest.h>

#include <vector>

#include "ImageHelpers.h"
#include "imaging/FrameImages.h"
#include "imaging/ProcessFrame.h"

using namespace imaging_test;
using namespace tavix::imaging;

namespace {

uint32_t Luminance(const Colour& c)
{
    return (59 * c.green + 30 * c.red + 11 * c.blue) / 100;
}

const Colour kOrange{200, 120, 40};
const Colour kTeal{30, 160, 150};

// Whether every sample the demosaic reads for pixel (x, m) (columns x-2..x+1,
// rows m-2..m+1, beyond an edge four positions the other way) shows one
// colour of the scene; flipX and flipY map the image onto the scene.
bool Uniform(const Scene& scene, int32_t width, int32_t height, int32_t x, int32_t m, bool flipX, bool flipY)
{
    const auto at = [&](int32_t px, int32_t pm) {
        px = px < 0 ? px + 4 : px >= width ? px - 4 : px;
        pm = pm < 0 ? pm + 4 : pm >= height ? pm - 4 : pm;
        return scene(flipX ? width - 1 - px : px, flipY ? height - 1 - pm : pm);
    };
    for (int32_t dm = -2; dm <= 1; ++dm)
        for (int32_t dx = -2; dx <= 1; ++dx)
            if (at(x + dx, m + dm) != at(x, m))
                return false;
    return true;
}

} // namespace

TEST(FrameImages, ColourModesChooseImages)
{
    // Colour mode, raw and result bits; modes 0 and 1 convert in place.
    const int32_t modes[][3] = {{0, 8, 8}, {1, 16, 16}, {2, 8, 24}, {3, 8, 32}, {4, 16, 48}, {5, 16, 64}};
    FrameImages images;
    for (const auto& [mode, rawBits, resultBits] : modes) {
        SCOPED_TRACE(testing::Message() << "colour mode " << mode);
        EXPECT_EQ(ColorModeBits(mode), resultBits);
        EXPECT_EQ(ColorModeFromBits(resultBits), mode);
        ASSERT_EQ(images.SizeForColorMode(9, 5, mode), 1);
        DibImage* raw = images.RawImage(mode);
        DibImage* result = images.ResultImage(mode);
        ASSERT_TRUE(raw != nullptr && result != nullptr);
        EXPECT_EQ(raw->BitCount(), rawBits);
        EXPECT_EQ(result->BitCount(), resultBits);
        EXPECT_EQ(result->Width(), 9);
        EXPECT_TRUE(images.workImage.SameGeometry(*result));
        EXPECT_EQ(mode < 2, raw == result);
    }
    EXPECT_FALSE(images.image24.Empty()); // also mode 0's, for gray mode 2
    // Same geometry again: the memory stays, the gray ramp comes back.
    const uint8_t* bits = images.rawImage8.Bits();
    const RgbQuad red{0, 0, 255, 0};
    ASSERT_EQ(images.rawImage8.SetPalette(DibImage::kPaletteUser, 3, 1, &red), 1);
    ASSERT_EQ(images.SizeForColorMode(9, 5, 2), 1);
    EXPECT_EQ(images.rawImage8.Bits(), bits);
    EXPECT_EQ(images.rawImage8.Palette()[3].red, 3);
    EXPECT_EQ(images.RawImage(6), nullptr);
    EXPECT_EQ(images.ResultImage(-1), nullptr);
    EXPECT_EQ(images.SizeForColorMode(9, 5, 6), 0);
    EXPECT_EQ(images.SizeForColorMode(0, 5, 2), 0);
    EXPECT_EQ(ColorModeBits(6), 0);
    EXPECT_EQ(ColorModeFromBits(12), -1);
}

TEST(ProcessFrame, RefusesUnknownModesAndUnsizedImages)
{
    FrameImages images;
    FrameSettings s{.colorMode = 2};
    EXPECT_EQ(ProcessFrame(images, s), 0); // nothing sized
    ASSERT_EQ(images.rawImage8.Create(8, 8, 8), 1);
    EXPECT_EQ(ProcessFrame(images, s), 0); // no image24
    ASSERT_EQ(images.image24.Create(8, 7, 24), 1);
    EXPECT_EQ(ProcessFrame(images, s), 0); // wrong size
    ASSERT_EQ(images.image24.Create(8, 8, 24), 1);
    EXPECT_EQ(ProcessFrame(images, s), 1);
    for (const int32_t mode : {6, 7, -1})
        EXPECT_EQ(ProcessFrame(images, FrameSettings{.colorMode = mode}), 0) << mode;
}

TEST(ProcessFrame, FourRowFrameMatchesTheReferenceInEveryColourMode)
{
    // 21 samples of 8 and of 16 bits are rows that need padding.
    for (int32_t mode : {2, 3, 4, 5}) {
        SCOPED_TRACE(testing::Message() << "colour mode " << mode);
        const uint32_t max = mode < 4 ? 255 : 65535;
        const Mosaic mosaic = RandomMosaic(21, 4, max, 8 + mode);
        FrameImages images;
        ASSERT_EQ(images.SizeForColorMode(21, 4, mode), 1);
        FillImage(*images.RawImage(mode), mosaic);
        const FrameSettings s{.colorMode = mode, .bayerMode = 1, .gainRed = 130, .gainBlue = 250};
        ASSERT_EQ(ProcessFrame(images, s), 1);
        const std::vector<Colour> expected = ReferenceDemosaic(mosaic, 1, 130, 250, max);
        for (int32_t m = 0; m < 4; ++m)
            for (int32_t x = 0; x < 21; ++x)
                ASSERT_EQ(PixelColour(*images.ResultImage(mode), x, m), expected[static_cast<size_t>(m) * 21 + x])
                    << x << "," << m;
    }
}

TEST(ProcessFrame, EveryModeShowsTheSceneMirroredAsAsked)
{
    // Orange and teal fields split at column splitX and row splitY. The
    // camera's own flips moved its pattern and are not repeated. A software
    // flip moves the phase only across an even size; each colour stays, on
    // the other side. Gray mode 2 converts before the software flips.
    struct Case {
        const char* name;
        int32_t width, height, splitX, splitY;
        FrameSettings settings;
    };
    const Case cases[] = {
        {"horizontal, even width", 16, 9, 8, 0, {.colorMode = 3, .mirrorHorizontal = true}},
        {"horizontal, odd width", 17, 9, 8, 0, {.colorMode = 3, .mirrorHorizontal = true}},
        {"vertical, even height", 12, 8, 0, 4, {.colorMode = 4, .mirrorVertical = true}},
        {"vertical, odd height", 12, 9, 0, 4, {.colorMode = 4, .mirrorVertical = true}},
        {"both, even sizes", 12, 8, 6, 4, {.colorMode = 4, .mirrorVertical = true, .mirrorHorizontal = true}},
        {"both, odd sizes", 13, 9, 6, 4, {.colorMode = 5, .mirrorVertical = true, .mirrorHorizontal = true}},
        {"camera mirrored", 16, 8, 8, 0, {.colorMode = 2, .mirrorHorizontal = true, .hardwareMirrorHorizontal = true}},
        {"camera flipped", 12, 8, 0, 4, {.colorMode = 5, .mirrorVertical = true, .hardwareMirrorVertical = true}},
        {"gray, even width", 16, 7, 8, 0, {.colorMode = 0, .grayMode = 2}},
        {"gray, mirrored, even width", 16, 7, 8, 0, {.colorMode = 0, .grayMode = 2, .mirrorHorizontal = true}},
        {"gray, odd width", 17, 7, 8, 0, {.colorMode = 0, .grayMode = 2}},
        {"gray, mirrored, odd width", 17, 7, 8, 0, {.colorMode = 0, .grayMode = 2, .mirrorHorizontal = true}},
        {"8-bit monochrome", 13, 7, 6, 3, {.colorMode = 0}},
        {"8-bit monochrome, both", 13, 7, 6, 3, {.colorMode = 0, .mirrorVertical = true, .mirrorHorizontal = true}},
        {"16-bit monochrome", 13, 7, 6, 3, {.colorMode = 1}},
        // Gray mode 2 needs 8-bit samples: nothing happens.
        {"16-bit monochrome, gray mode 2", 13, 7, 6, 3, {.colorMode = 1, .grayMode = 2}},
    };
    for (const Case& c : cases) {
        const Scene scene = [&c](int32_t x, int32_t m) { return (x < c.splitX) == (m < c.splitY) ? kOrange : kTeal; };
        for (int32_t bayerMode = 0; bayerMode < 4; ++bayerMode) {
            SCOPED_TRACE(testing::Message() << c.name << ", Bayer mode " << bayerMode);
            FrameSettings s = c.settings;
            s.bayerMode = bayerMode;
            const int32_t delivered =
                bayerMode ^ (s.hardwareMirrorVertical ? 1 : 0) ^ (s.hardwareMirrorHorizontal ? 2 : 0);
            const Mosaic mosaic = SceneMosaic(c.width, c.height, delivered, scene);
            FrameImages images;
            ASSERT_EQ(images.SizeForColorMode(c.width, c.height, s.colorMode), 1);
            DibImage& raw = *images.RawImage(s.colorMode);
            FillImage(raw, mosaic);
            ASSERT_EQ(ProcessFrame(images, s), 1);
            const bool flipX = s.mirrorHorizontal && !s.hardwareMirrorHorizontal;
            const bool flipY = s.mirrorVertical && !s.hardwareMirrorVertical;
            for (int32_t m = 0; m < c.height; ++m) {
                for (int32_t x = 0; x < c.width; ++x) {
                    const int32_t sx = flipX ? c.width - 1 - x : x, sm = flipY ? c.height - 1 - m : m;
                    if (s.colorMode == 0 && s.grayMode == 2) {
                        if (Uniform(scene, c.width, c.height, sx, sm, false, false)) {
                            ASSERT_EQ(SampleAt(raw, x, m), Luminance(scene(sx, sm))) << x << "," << m;
                        }
                        continue;
                    }
                    ASSERT_EQ(SampleAt(raw, x, m), mosaic.At(sx, sm)) << x << "," << m;
                    if (s.colorMode >= 2 && Uniform(scene, c.width, c.height, x, m, flipX, flipY)) {
                        ASSERT_EQ(PixelColour(*images.ResultImage(s.colorMode), x, m), scene(sx, sm)) << x << "," << m;
                    }
                }
            }
        }
    }
}
