#include <gtest/gtest.h>

#include <vector>

#include "ImageHelpers.h"
#include "imaging/FrameImages.h"
#include "imaging/ProcessFrame.h"

using namespace imaging_test;
using tavix::imaging::ColorModeBits;
using tavix::imaging::ColorModeFromBits;
using tavix::imaging::FrameImages;
using tavix::imaging::FrameSettings;
using tavix::imaging::ProcessFrame;

namespace {

uint32_t Luminance(const Colour& c)
{
    return (59 * c.green + 30 * c.red + 11 * c.blue) / 100;
}

const Colour kOrange{200, 120, 40};
const Colour kTeal{30, 160, 150};

// Whether every sample the demosaic reads for pixel (x, m) of the image it
// works on (columns x-2..x+1 and rows m-2..m+1, beyond an edge the same
// colour four positions the other way) shows one colour of the scene; flipX
// and flipY map that image back onto the scene.
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
    FrameImages images;
    for (int32_t mode = 0; mode < 6; ++mode) {
        EXPECT_EQ(ColorModeFromBits(ColorModeBits(mode)), mode);
        ASSERT_EQ(images.SizeForColorMode(9, 5, mode), 1) << mode;
        DibImage* raw = images.RawImage(mode);
        DibImage* result = images.ResultImage(mode);
        ASSERT_NE(raw, nullptr);
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(raw->BitCount(), mode == 1 || mode >= 4 ? 16 : 8);
        EXPECT_EQ(result->BitCount(), ColorModeBits(mode));
        EXPECT_EQ(result->Width(), 9);
        EXPECT_TRUE(images.workImage.SameGeometry(*result));
        EXPECT_EQ(mode < 2, raw == result);
    }
    EXPECT_FALSE(images.image24.Empty()); // also mode 0's, for gray mode 2
    // Same geometry again: the memory stays, the gray ramp comes back.
    const uint8_t* bits = images.rawImage8.Bits();
    const tavix::imaging::RgbQuad red{0, 0, 255, 0};
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
    FrameSettings s;
    s.colorMode = 2;
    EXPECT_EQ(ProcessFrame(images, s), 0); // nothing sized
    ASSERT_EQ(images.rawImage8.Create(8, 8, 8), 1);
    EXPECT_EQ(ProcessFrame(images, s), 0); // no image24
    ASSERT_EQ(images.image24.Create(8, 7, 24), 1);
    EXPECT_EQ(ProcessFrame(images, s), 0); // wrong size
    ASSERT_EQ(images.image24.Create(8, 8, 24), 1);
    EXPECT_EQ(ProcessFrame(images, s), 1);
    s.colorMode = 7;
    EXPECT_EQ(ProcessFrame(images, s), 0);
    s.colorMode = -1;
    EXPECT_EQ(ProcessFrame(images, s), 0);
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
        FrameSettings s;
        s.colorMode = mode;
        s.bayerMode = 1;
        s.gainRed = 130;
        s.gainBlue = 250;
        ASSERT_EQ(ProcessFrame(images, s), 1);
        const std::vector<Colour> expected = ReferenceDemosaic(mosaic, 1, 130, 250, max);
        for (int32_t m = 0; m < 4; ++m)
            for (int32_t x = 0; x < 21; ++x)
                ASSERT_EQ(PixelColour(*images.ResultImage(mode), x, m), expected[static_cast<size_t>(m) * 21 + x])
                    << x << "," << m;
    }
}

TEST(ProcessFrame, MirrorsKeepTheColoursOfTheScene)
{
    // The scene: orange and teal fields split at column splitX and row
    // splitY. The camera's own flips have moved its pattern and leave the
    // frame as it came; the others are done in software. Even widths
    // (heights) move the column (row) phase of a software flip, odd ones
    // keep it; either way each colour stays, on the other side. Gray mode 2
    // converts before the software flips, so its demosaic reads the frame
    // with the camera's own phase.
    struct Case {
        const char* name;
        int32_t colorMode, grayMode, width, height, splitX, splitY;
        bool mirrorVertical, mirrorHorizontal, hardwareVertical, hardwareHorizontal;
    };
    const Case cases[] = {
        {"horizontal, even width", 3, 0, 16, 9, 8, 0, false, true, false, false},
        {"horizontal, odd width", 3, 0, 17, 9, 8, 0, false, true, false, false},
        {"vertical, even height", 4, 0, 12, 8, 0, 4, true, false, false, false},
        {"vertical, odd height", 4, 0, 12, 9, 0, 4, true, false, false, false},
        {"both, even sizes", 4, 0, 12, 8, 6, 4, true, true, false, false},
        {"both, odd sizes", 5, 0, 13, 9, 6, 4, true, true, false, false},
        {"camera mirrored horizontally", 2, 0, 16, 8, 8, 0, false, true, false, true},
        {"camera flipped vertically", 5, 0, 12, 8, 0, 4, true, false, true, false},
        {"gray, even width", 0, 2, 16, 7, 8, 0, false, false, false, false},
        {"gray, mirrored, even width", 0, 2, 16, 7, 8, 0, false, true, false, false},
        {"gray, odd width", 0, 2, 17, 7, 8, 0, false, false, false, false},
        {"gray, mirrored, odd width", 0, 2, 17, 7, 8, 0, false, true, false, false},
    };
    for (const Case& c : cases) {
        const Scene scene = [&c](int32_t x, int32_t m) { return (x < c.splitX) == (m < c.splitY) ? kOrange : kTeal; };
        for (int32_t bayerMode = 0; bayerMode < 4; ++bayerMode) {
            SCOPED_TRACE(testing::Message() << c.name << ", Bayer mode " << bayerMode);
            const int32_t delivered = bayerMode ^ (c.hardwareVertical ? 1 : 0) ^ (c.hardwareHorizontal ? 2 : 0);
            const Mosaic mosaic = SceneMosaic(c.width, c.height, delivered, scene);
            FrameImages images;
            ASSERT_EQ(images.SizeForColorMode(c.width, c.height, c.colorMode), 1);
            DibImage& raw = *images.RawImage(c.colorMode);
            FillImage(raw, mosaic);
            FrameSettings s;
            s.colorMode = c.colorMode;
            s.grayMode = c.grayMode;
            s.bayerMode = bayerMode;
            s.mirrorVertical = c.mirrorVertical;
            s.mirrorHorizontal = c.mirrorHorizontal;
            s.hardwareMirrorVertical = c.hardwareVertical;
            s.hardwareMirrorHorizontal = c.hardwareHorizontal;
            ASSERT_EQ(ProcessFrame(images, s), 1);
            const bool flipX = c.mirrorHorizontal && !c.hardwareHorizontal;
            const bool flipY = c.mirrorVertical && !c.hardwareVertical;
            for (int32_t m = 0; m < c.height; ++m) {
                for (int32_t x = 0; x < c.width; ++x) {
                    const int32_t sx = flipX ? c.width - 1 - x : x, sm = flipY ? c.height - 1 - m : m;
                    if (c.grayMode == 2) {
                        if (Uniform(scene, c.width, c.height, sx, sm, false, false)) {
                            ASSERT_EQ(SampleAt(raw, x, m), Luminance(scene(sx, sm))) << x << "," << m;
                        }
                        continue;
                    }
                    ASSERT_EQ(SampleAt(raw, x, m), mosaic.At(sx, sm)) << x << "," << m;
                    if (Uniform(scene, c.width, c.height, x, m, flipX, flipY)) {
                        ASSERT_EQ(PixelColour(*images.ResultImage(c.colorMode), x, m), scene(sx, sm)) << x << "," << m;
                    }
                }
            }
        }
    }
}

TEST(ProcessFrame, MonochromeModesLeaveTheFrameAlone)
{
    const Mosaic mosaic8 = RandomMosaic(10, 6, 255, 1), mosaic16 = RandomMosaic(10, 6, 65535, 2);
    for (int32_t grayMode : {0, 2}) {
        FrameImages images;
        ASSERT_EQ(images.SizeForColorMode(10, 6, 0), 1);
        ASSERT_EQ(images.SizeForColorMode(10, 6, 1), 1);
        FillImage(images.rawImage8, mosaic8);
        FillImage(images.rawImage16, mosaic16);
        FrameSettings s;
        s.grayMode = grayMode;
        s.colorMode = 1; // gray mode 2 needs 8-bit samples: nothing happens
        ASSERT_EQ(ProcessFrame(images, s), 1);
        EXPECT_EQ(ReadImage(images.rawImage16).samples, mosaic16.samples);
        if (grayMode == 0) {
            s.colorMode = 0;
            ASSERT_EQ(ProcessFrame(images, s), 1);
            EXPECT_EQ(ReadImage(images.rawImage8).samples, mosaic8.samples);
        }
    }
}
