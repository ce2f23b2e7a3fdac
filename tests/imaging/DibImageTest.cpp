#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "imaging/DibImage.h"

using namespace tavix::imaging;

namespace {
// The palette of an 8-bit image is the gray ramp, of others all zero.
void ExpectPaletteFor(const DibImage& image, int32_t bits)
{
    for (int i = 0; i < 256; ++i) {
        const RgbQuad& q = image.Palette()[i];
        const int v = bits == 8 ? i : 0;
        ASSERT_TRUE(q.blue == v && q.green == v && q.red == v && q.reserved == 0) << "entry " << i;
    }
}
} // namespace

TEST(DibImage, CreateFillsHeaderGeometryPaletteAndZeroedPixels)
{
    struct Case {
        int32_t width, bits, stride;
    };
    // Rows padded to 4 bytes. One object is created again for every row,
    // after its pixels were scribbled on: nothing of the last image stays.
    const Case cases[] = {{1, 8, 4}, {4, 8, 4}, {5, 8, 8}, {3, 16, 8}, {2, 16, 4}, {1, 24, 4}, {5, 24, 16},
        {3, 32, 12}, {1, 48, 8}, {3, 48, 20}, {3, 64, 24}, {2448, 24, 7344}, {7, 8, 8}};
    DibImage image;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.bits);
        ASSERT_EQ(image.Create(c.width, 3, c.bits), 1);
        EXPECT_EQ(image.Stride(), c.stride);
        EXPECT_EQ(image.Width(), c.width);
        EXPECT_EQ(image.Height(), 3);
        EXPECT_EQ(image.BitCount(), c.bits);
        ASSERT_EQ(image.SizeBytes(), static_cast<size_t>(c.stride) * 3);
        EXPECT_EQ(std::count(image.Bits(), image.Bits() + image.SizeBytes(), 0), c.stride * 3);
        EXPECT_EQ(image.Row(2), image.Bits() + 2 * c.stride);
        // The header as Win32 lays it out (biSize, biWidth, biHeight,
        // biPlanes, biBitCount; the rest 0), the palette straight behind it.
        uint8_t header[40] = {40};
        header[4] = static_cast<uint8_t>(c.width);
        header[5] = static_cast<uint8_t>(c.width >> 8);
        header[8] = 3;
        header[12] = 1;
        header[14] = static_cast<uint8_t>(c.bits);
        const auto* info = reinterpret_cast<const uint8_t*>(&image.Info());
        EXPECT_EQ(std::memcmp(info, header, sizeof header), 0);
        EXPECT_EQ(std::memcmp(info + sizeof header, image.Palette(), 256 * sizeof(RgbQuad)), 0);
        ExpectPaletteFor(image, c.bits);
        std::memset(image.Bits(), 0x5A, image.SizeBytes());
    }
}

TEST(DibImage, RefusalsLeaveTheObjectEmpty)
{
    const int32_t refused[][3] = {{0, 5, 8}, {5, 0, 8}, {-1, 5, 8}, {5, -3, 8}, {5, 5, 0}, {5, 5, -8}, {5, 5, 1},
        {5, 5, 4}, {5, 5, 12}, {5, 5, 128},
        // More than 2 GiB of pixels: refused before anything is allocated.
        {1 << 20, 1 << 12, 64}, {0x7FFFFFFF, 2, 8}};
    for (const auto& r : refused) {
        DibImage image;
        ASSERT_EQ(image.Create(4, 4, 8), 1);
        EXPECT_EQ(image.Create(r[0], r[1], r[2]), 0) << r[0] << " " << r[1] << " " << r[2];
        EXPECT_TRUE(image.Empty());
        EXPECT_EQ(image.Bits(), nullptr);
        EXPECT_EQ(image.Width(), 0);
        EXPECT_EQ(image.Stride(), 0);
        EXPECT_EQ(image.Header().biSize, 40u);
        EXPECT_EQ(image.Header().biWidth, 0);
        EXPECT_EQ(image.Palette()[255].red, 0);
    }
}

TEST(DibImage, ReleaseAndCopyGeometry)
{
    DibImage a, b;
    ASSERT_EQ(a.Create(9, 4, 48), 1);
    a.Bits()[0] = 7;
    ASSERT_EQ(b.CopyGeometry(a), 1);
    EXPECT_TRUE(b.SameGeometry(a));
    EXPECT_EQ(b.Stride(), a.Stride());
    EXPECT_EQ(std::memcmp(&b.Header(), &a.Header(), sizeof(a.Header())), 0);
    EXPECT_EQ(b.Bits()[0], 0); // geometry only
    EXPECT_EQ(b.CopyGeometry(b), 1);
    EXPECT_EQ(b.Width(), 9);

    a.Release();
    EXPECT_TRUE(a.Empty());
    EXPECT_EQ(a.Header().biSize, 40u);
    EXPECT_EQ(a.Header().biBitCount, 0);
    EXPECT_EQ(a.BitCount(), 0);
    // Copying an empty image's geometry is a refused creation.
    EXPECT_EQ(b.CopyGeometry(a), 0);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(a.CopyGeometry(a), 0);
}

TEST(DibImage, SetPalette)
{
    DibImage image;
    ASSERT_EQ(image.Create(2, 2, 8), 1);
    const RgbQuad entries[3] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
    ASSERT_EQ(image.SetPalette(DibImage::kPaletteUser, 10, 3, entries), 1);
    EXPECT_EQ(image.Palette()[9].red, 9);
    EXPECT_EQ(image.Palette()[10].red, 3);
    const uint8_t bgrx[] = {1, 2, 3, 4}; // RGBQUAD's byte order
    EXPECT_EQ(std::memcmp(reinterpret_cast<const uint8_t*>(&image.Info()) + 40 + 4 * 10, bgrx, 4), 0);
    EXPECT_EQ(image.Palette()[12].reserved, 12);
    EXPECT_EQ(image.Palette()[13].red, 13);
    // Entries beyond the table are cut off, not written past it.
    ASSERT_EQ(image.SetPalette(DibImage::kPaletteUser, 254, 3, entries), 1);
    EXPECT_EQ(image.Palette()[255].blue, 5);

    EXPECT_EQ(image.SetPalette(DibImage::kPaletteUser, 0, 1, nullptr), 0);
    EXPECT_EQ(image.SetPalette(DibImage::kPaletteUser, -1, 1, entries), 0);
    EXPECT_EQ(image.SetPalette(DibImage::kPaletteUser, 256, 1, entries), 0);
    EXPECT_EQ(image.SetPalette(DibImage::kPaletteUser, 0, -1, entries), 0);
    EXPECT_EQ(image.SetPalette(1, 0, 1, entries), 0);

    ASSERT_EQ(image.SetPalette(DibImage::kPaletteGray), 1);
    ExpectPaletteFor(image, 8);
}
