#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ImageHelpers.h"
#include "imaging/FrameImages.h"
#include "imaging/ProcessFrame.h"
#include "imaging/RowLayout.h"

using namespace imaging_test;
using tavix::imaging::ColorModeBits;
using tavix::imaging::ColorModeFromBits;
using tavix::imaging::FrameImages;
using tavix::imaging::FrameSettings;
using tavix::imaging::ProcessFrame;
using tavix::imaging::RelayoutRows;

namespace {

uint32_t Luminance(const Colour& c)
{
    return (59 * c.green + 30 * c.red + 11 * c.blue) / 100;
}

// Left part one colour, the rest another.
Scene TwoColours(int32_t split, Colour left, Colour right)
{
    return [=](int32_t x, int32_t) { return x < split ? left : right; };
}

// Pixels whose neighbourhood (at most three columns either way, also where
// an edge replaces a neighbour) lies in one region of the scene show its
// colour exactly.
bool Uniform(const Scene& scene, int32_t x, int32_t width)
{
    for (int32_t c = x - 3; c <= x + 3; ++c)
        if (c >= 0 && c < width && !(scene(c, 0) == scene(x, 0)))
            return false;
    return true;
}

const Colour kOrange{200, 120, 40};
const Colour kTeal{30, 160, 150};

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

TEST(ProcessFrame, PackedFrameSpreadToTheStrideEqualsAPaddedOne)
{
    // 13 samples of 8 bits and 7 of 16 bits are rows that need padding.
    for (int32_t mode : {2, 3, 4, 5}) {
        const bool deep = mode >= 4;
        const int32_t width = deep ? 7 : 13, height = 6;
        const Mosaic mosaic = RandomMosaic(width, height, deep ? 65535 : 255, 40 + mode);
        FrameImages packed, padded;
        ASSERT_EQ(packed.SizeForColorMode(width, height, mode), 1);
        ASSERT_EQ(padded.SizeForColorMode(width, height, mode), 1);
        DibImage& raw = *packed.RawImage(mode);
        const int32_t bytes = deep ? 2 : 1;
        std::vector<uint8_t> frame;
        for (uint32_t s : mosaic.samples) {
            frame.push_back(static_cast<uint8_t>(s));
            if (deep)
                frame.push_back(static_cast<uint8_t>(s >> 8));
        }
        ASSERT_NE(width * bytes, raw.Stride());
        std::memcpy(raw.Bits(), frame.data(), frame.size());
        ASSERT_EQ(RelayoutRows(raw), 1);
        FillImage(*padded.RawImage(mode), mosaic);

        FrameSettings s;
        s.colorMode = mode;
        s.gainRed = 130;
        ASSERT_EQ(ProcessFrame(packed, s), 1);
        ASSERT_EQ(ProcessFrame(padded, s), 1);
        const DibImage& a = *packed.ResultImage(mode);
        const DibImage& b = *padded.ResultImage(mode);
        for (int32_t m = 0; m < height; ++m)
            EXPECT_EQ(std::memcmp(a.Row(m), b.Row(m), static_cast<size_t>(width) * a.BytesPerPixel()), 0)
                << "mode " << mode << " row " << m;
    }
}

TEST(ProcessFrame, FourRowFrameMatchesTheReference)
{
    for (int32_t mode : {2, 4}) {
        const uint32_t max = mode == 2 ? 255 : 65535;
        const Mosaic mosaic = RandomMosaic(20, 4, max, 8);
        FrameImages images;
        ASSERT_EQ(images.SizeForColorMode(20, 4, mode), 1);
        FillImage(*images.RawImage(mode), mosaic);
        FrameSettings s;
        s.colorMode = mode;
        s.bayerMode = 1;
        s.gainBlue = 250;
        ASSERT_EQ(ProcessFrame(images, s), 1);
        const std::vector<Colour> expected = ReferenceDemosaic(mosaic, 1, 100, 250, max);
        const DibImage& out = *images.ResultImage(mode);
        for (int32_t m = 0; m < 4; ++m)
            for (int32_t x = 0; x < 20; ++x)
                ASSERT_EQ(PixelColour(out, x, m), expected[static_cast<size_t>(m) * 20 + x]);
    }
}

TEST(ProcessFrame, SoftwareMirrorReversesRowsAndKeepsColoursRight)
{
    // The camera cannot flip: the frame arrives as the sensor saw the scene
    // and is mirrored in software. Even widths move the column phase by
    // one (the Bayer mode XOR 2), odd ones keep it; either way orange stays
    // orange and teal stays teal, on the other side.
    for (int32_t width : {16, 17}) {
        for (int32_t bayerMode = 0; bayerMode < 4; ++bayerMode) {
            const Scene scene = TwoColours(8, kOrange, kTeal);
            const Mosaic mosaic = SceneMosaic(width, 9, bayerMode, scene);
            FrameImages images;
            ASSERT_EQ(images.SizeForColorMode(width, 9, 3), 1);
            FillImage(images.rawImage8, mosaic);
            FrameSettings s;
            s.colorMode = 3;
            s.bayerMode = bayerMode;
            s.mirrorHorizontal = true;
            ASSERT_EQ(ProcessFrame(images, s), 1);
            for (int32_t m = 0; m < 9; ++m) {
                for (int32_t x = 0; x < width; ++x) {
                    ASSERT_EQ(SampleAt(images.rawImage8, x, m), mosaic.At(width - 1 - x, m));
                    if (!Uniform(scene, width - 1 - x, width))
                        continue;
                    const Colour want = scene(width - 1 - x, m);
                    const Colour got{SampleAt(images.image32, x, m, 2), SampleAt(images.image32, x, m, 1),
                        SampleAt(images.image32, x, m, 0)};
                    ASSERT_EQ(got, want) << "width " << width << " mode " << bayerMode << " (" << x << "," << m
                                         << ")";
                }
            }
        }
    }
}

TEST(ProcessFrame, VerticalAndBothMirrorsInSoftware)
{
    for (int32_t height : {8, 9}) {
        for (int dir : {2, 3}) {
            const bool horizontal = dir == 3;
            // Rows of one colour above row 4, another below.
            const Scene scene = [](int32_t, int32_t y) { return y < 4 ? kOrange : kTeal; };
            const Mosaic mosaic = SceneMosaic(12, height, 2, scene);
            FrameImages images;
            ASSERT_EQ(images.SizeForColorMode(12, height, 4), 1);
            FillImage(images.rawImage16, mosaic);
            FrameSettings s;
            s.colorMode = 4;
            s.bayerMode = 2;
            s.mirrorVertical = true;
            s.mirrorHorizontal = horizontal;
            ASSERT_EQ(ProcessFrame(images, s), 1);
            for (int32_t m = 0; m < height; ++m) {
                const int32_t sourceRow = height - 1 - m;
                for (int32_t x = 0; x < 12; ++x)
                    ASSERT_EQ(SampleAt(images.rawImage16, x, m), mosaic.At(horizontal ? 11 - x : x, sourceRow));
                // Away from the row where the colours meet.
                if (sourceRow >= 2 && sourceRow <= 5)
                    continue;
                const Colour want = scene(0, sourceRow);
                for (int32_t x = 0; x < 12; ++x) {
                    const Colour got{SampleAt(images.image48, x, m, 2), SampleAt(images.image48, x, m, 1),
                        SampleAt(images.image48, x, m, 0)};
                    ASSERT_EQ(got, want) << "height " << height << " dir " << dir << " (" << x << "," << m << ")";
                }
            }
        }
    }
}

TEST(ProcessFrame, HardwareMirrorIsNotRepeated)
{
    // The camera flipped horizontally itself: its pattern moved by one
    // column and the frame is left as it came.
    const Mosaic mosaic = SceneMosaic(16, 8, 2 ^ 2, [](int32_t, int32_t) { return kOrange; });
    FrameImages images;
    ASSERT_EQ(images.SizeForColorMode(16, 8, 2), 1);
    FillImage(images.rawImage8, mosaic);
    FrameSettings s;
    s.colorMode = 2;
    s.bayerMode = 2;
    s.mirrorHorizontal = true;
    s.hardwareMirrorHorizontal = true;
    ASSERT_EQ(ProcessFrame(images, s), 1);
    for (int32_t m = 0; m < 8; ++m) {
        for (int32_t x = 0; x < 16; ++x) {
            ASSERT_EQ(SampleAt(images.rawImage8, x, m), mosaic.At(x, m));
            const Colour got{SampleAt(images.image24, x, m, 2), SampleAt(images.image24, x, m, 1),
                SampleAt(images.image24, x, m, 0)};
            ASSERT_EQ(got, kOrange) << x << "," << m;
        }
    }
}

TEST(ProcessFrame, GrayModeTwoWritesLuminanceOfTheTrueColours)
{
    // Software mirroring comes after the gray conversion, so the demosaic
    // reads the frame with the camera's own phase.
    for (int32_t width : {16, 17}) {
        for (bool mirror : {false, true}) {
            const Scene scene = TwoColours(8, kOrange, kTeal);
            const Mosaic mosaic = SceneMosaic(width, 7, 2, scene);
            FrameImages images;
            ASSERT_EQ(images.SizeForColorMode(width, 7, 0), 1);
            FillImage(images.rawImage8, mosaic);
            FrameSettings s;
            s.colorMode = 0;
            s.grayMode = 2;
            s.bayerMode = 2;
            s.mirrorHorizontal = mirror;
            ASSERT_EQ(ProcessFrame(images, s), 1);
            for (int32_t m = 0; m < 7; ++m) {
                for (int32_t x = 0; x < width; ++x) {
                    const int32_t sceneX = mirror ? width - 1 - x : x;
                    if (!Uniform(scene, sceneX, width))
                        continue;
                    ASSERT_EQ(SampleAt(images.rawImage8, x, m), Luminance(scene(sceneX, m)))
                        << "width " << width << " mirror " << mirror << " (" << x << "," << m << ")";
                }
            }
        }
    }
    EXPECT_EQ(Luminance(kOrange), 135u);
    EXPECT_EQ(Luminance(kTeal), 119u);
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
