#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ImageHelpers.h"
#include "imaging/BayerToGray.h"
#include "imaging/Mirror.h"
#include "imaging/RowLayout.h"

using namespace imaging_test;
using namespace tavix::imaging;

TEST(RelayoutRows, SpreadsPackedRowsToTheStrideAndKeepsPadding)
{
    for (int32_t bits : {8, 16}) {
        for (int32_t width : {1, 2, 3, 5, 7, 8}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, width " << width);
            DibImage image;
            ASSERT_EQ(image.Create(width, 5, bits), 1);
            // Packed frame bytes (byte i is 7 i + 1), then a marker in
            // everything behind them.
            const int32_t rowBytes = width * bits / 8;
            std::memset(image.Bits(), 0xEE, image.SizeBytes());
            for (int32_t i = 0; i < rowBytes * 5; ++i)
                image.Bits()[i] = static_cast<uint8_t>(i * 7 + 1);
            const std::vector<uint8_t> before(image.Bits(), image.Bits() + image.SizeBytes());
            ASSERT_EQ(RelayoutRows(image), 1);
            for (int32_t y = 0; y < 5; ++y)
                for (int32_t b = 0; b < image.Stride(); ++b)
                    ASSERT_EQ(image.Row(y)[b], b < rowBytes ? static_cast<uint8_t>((y * rowBytes + b) * 7 + 1)
                                                            : before[static_cast<size_t>(y) * image.Stride() + b])
                        << "row " << y << ", byte " << b;
        }
    }
}

TEST(RelayoutRows, RefusesImpossibleLayouts)
{
    uint8_t bytes[16] = {1, 2, 3, 4};
    EXPECT_EQ(RelayoutRows(bytes, 5, 4, 2), 0); // rows longer than the stride
    EXPECT_EQ(RelayoutRows(nullptr, 4, 4, 2), 0);
    EXPECT_EQ(RelayoutRows(bytes, -1, 4, 2), 0);
    EXPECT_EQ(RelayoutRows(bytes, 4, 4, 4), 1); // nothing to move
    EXPECT_EQ(bytes[0], 1);
    DibImage empty;
    EXPECT_EQ(RelayoutRows(empty), 0);
}

TEST(Mirror, EveryDirectionInPlaceAndCopiedBothDepths)
{
    for (int32_t bits : {8, 16}) {
        for (int32_t width : {1, 4, 5}) {
            for (int32_t height : {1, 4, 5}) {
                const Mosaic original = RandomMosaic(width, height, bits == 8 ? 255 : 65535, width * 100 + height);
                for (int dir = 1; dir < 4; ++dir) {
                    const bool horizontal = (dir & 1) != 0, vertical = (dir & 2) != 0;
                    DibImage inPlace, source, copy;
                    MakeImage(inPlace, original, bits);
                    MakeImage(source, original, bits);
                    ASSERT_EQ(copy.Create(width, height, bits), 1);
                    ASSERT_EQ(MirrorImage(inPlace, horizontal, vertical), 1);
                    const MirrorParams params{horizontal, vertical};
                    ASSERT_EQ(RunPixelOp(copy, MirrorPixels, source, nullptr, 0, 0, &params, nullptr), 1);
                    for (int32_t m = 0; m < height; ++m) {
                        for (int32_t x = 0; x < width; ++x) {
                            const uint32_t expected =
                                original.At(horizontal ? width - 1 - x : x, vertical ? height - 1 - m : m);
                            ASSERT_EQ(SampleAt(inPlace, x, m), expected) << bits << " " << width << "x" << height;
                            ASSERT_EQ(SampleAt(copy, x, m), expected);
                        }
                    }
                }
            }
        }
    }
}

TEST(Mirror, NothingAskedAndMismatchedPixelSizes)
{
    DibImage a, b;
    ASSERT_EQ(a.Create(3, 2, 8), 1);
    ASSERT_EQ(b.Create(3, 2, 16), 1);
    a.Row(0)[0] = 9;
    EXPECT_EQ(MirrorImage(a, false, false), 1);
    EXPECT_EQ(a.Row(0)[0], 9);
    const MirrorParams params{true, false};
    EXPECT_EQ(RunPixelOp(b, MirrorPixels, a, nullptr, 0, 0, &params, nullptr), 0);
    EXPECT_EQ(RunPixelOp(a, MirrorPixels, a, nullptr, 0, 0, nullptr, nullptr), 0);
}

TEST(BayerToGray, WeighsGreenRedBlue)
{
    DibImage colour, gray;
    ASSERT_EQ(colour.Create(5, 1, 24), 1);
    ASSERT_EQ(gray.Create(5, 1, 8), 1);
    const uint8_t bgr[5][3] = {{255, 255, 255}, {0, 100, 0}, {0, 0, 100}, {100, 0, 0}, {7, 13, 250}};
    std::memcpy(colour.Row(0), bgr, sizeof bgr);
    ASSERT_EQ(RunPixelOp(gray, BayerToGray, colour, nullptr, 0, 0, nullptr, nullptr), 1);
    // (59 green + 30 red + 11 blue) / 100, truncated.
    EXPECT_EQ(std::vector<uint8_t>(gray.Row(0), gray.Row(0) + 5), (std::vector<uint8_t>{255, 59, 30, 11, 83}));
    // Only 3- or 4-byte colour into 8-bit pixels.
    EXPECT_EQ(RunPixelOp(colour, BayerToGray, colour, nullptr, 0, 0, nullptr, nullptr), 0);
    EXPECT_EQ(RunPixelOp(gray, BayerToGray, gray, nullptr, 0, 0, nullptr, nullptr), 0);
}
