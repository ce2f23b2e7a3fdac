// Still image files written from images of every layout and read back by
// the libraries' own decoders; the samples each file should hold are
// worked out here from the image's bytes, independently of the writers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>

#include "../support/ImageReaders.h"
#include "../support/ScratchFolder.h"
#include "imaging/DibImage.h"
#include "output/StillImage.h"

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

using namespace tavix;
using namespace tavix::test;
using imaging::DibImage;

namespace {

constexpr int32_t kAllBits[] = {8, 16, 24, 32, 48, 64};

// Random samples, or a smooth picture with a little noise for the lossy
// format. 16-bit samples hold values of depth bits.
void Fill(DibImage& image, bool smooth, int32_t depth)
{
    std::mt19937 random(static_cast<uint32_t>(image.BitCount()));
    const bool words = image.BitCount() == 16 || image.BitCount() >= 48;
    const int channels = image.BytesPerPixel() / (words ? 2 : 1);
    const uint32_t top = words ? (1u << depth) - 1 : 0xFF;
    for (int32_t y = 0; y < image.Height(); ++y)
        for (int32_t x = 0; x < image.Width(); ++x) {
            // Smooth colour with noise in brightness only, which JPEG's
            // halved colour resolution keeps.
            const uint32_t noise = random() % (top / 32 + 1);
            for (int c = 0; c < channels; ++c) {
                uint32_t v = random() % (top + 1);
                if (smooth)
                    v = std::min<uint32_t>(top, (x * 2 + y * 3 + c * 50) * (top / 255) + noise);
                uint8_t* p = image.Row(y) + x * image.BytesPerPixel() + c * (words ? 2 : 1);
                p[0] = static_cast<uint8_t>(v);
                if (words)
                    p[1] = static_cast<uint8_t>(v >> 8);
            }
        }
}

std::unique_ptr<DibImage> Make(int32_t width, int32_t height, int32_t bits, bool smooth, int32_t depth)
{
    auto image = std::make_unique<DibImage>();
    EXPECT_EQ(image->Create(width, height, bits), 1);
    Fill(*image, smooth, depth);
    return image;
}

enum class Family { kPng, kTiff, kJpeg };

// What channel c (red first) of pixel x in picture row y should be in a
// file of the family: gray stays gray; colour is the image's blue-green-red
// turned around; 16-bit samples are widened by their depth (PNG, TIFF gray)
// or narrowed to their top eight significant bits (JPEG), colour words give
// their high byte to a JPEG; a fourth channel is opaque in a PNG and kept
// out of the way in a TIFF.
uint32_t Expected(Family family, const DibImage& image, int32_t depth, int32_t x, int32_t y, int c)
{
    const int bpp = image.BytesPerPixel();
    const uint8_t* p = image.Row(y) + x * bpp;
    const auto word = [&](int i) { return uint32_t(p[2 * i] | p[2 * i + 1] << 8); };
    switch (bpp) {
    case 1: return p[0];
    case 2:
        return family == Family::kJpeg ? (word(0) >> (depth - 8)) & 0xFF : (word(0) << (16 - depth)) & 0xFFFF;
    case 3:
    case 4:
        if (c < 3)
            return p[2 - c];
        return family == Family::kPng ? 255u - p[3] : 0u;
    default:
        if (c < 3)
            return family == Family::kJpeg ? p[2 * (2 - c) + 1]
                   : family == Family::kPng ? (word(2 - c) << (16 - depth)) & 0xFFFF
                                            : word(2 - c);
        return family == Family::kPng ? 0xFFFFu - word(3) : 0xFFFFu;
    }
}

uint32_t FileChannels(Family family, int bpp)
{
    if (bpp <= 2)
        return 1;
    return family == Family::kJpeg || bpp == 3 || bpp == 6 ? 3 : 4;
}

int Mismatches(const Picture& picture, Family family, const DibImage& image, int32_t depth)
{
    int wrong = 0;
    for (uint32_t y = 0; y < picture.height; ++y)
        for (uint32_t x = 0; x < picture.width; ++x)
            for (uint32_t c = 0; c < picture.channels; ++c) {
                const uint32_t want = Expected(family, image, depth, int32_t(x), int32_t(y), int(c));
                if (picture.At(x, y, c) != want && ++wrong <= 3)
                    ADD_FAILURE() << "(" << x << ", " << y << ") channel " << c << ": " << picture.At(x, y, c)
                                  << " instead of " << want;
            }
    return wrong;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

} // namespace

TEST(StillImage, PngAndTiffHoldEverySampleOfEveryLayout)
{
    ScratchFolder folder;
    struct Row {
        int32_t bits, depth;
    };
    // 16-bit samples at each significant depth, the others at 16.
    const Row rows[] = {{8, 16}, {16, 16}, {16, 12}, {16, 10}, {24, 16}, {32, 16}, {48, 16}, {48, 12}, {64, 16}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.bits << " bits, depth " << row.depth);
        // An odd width pads every layout's rows.
        const auto made = Make(37, 5, row.bits, false, row.depth);
        const DibImage& image = *made;
        const int bpp = row.bits / 8;
        const uint32_t sampleBits = bpp == 2 || bpp >= 6 ? 16 : 8;

        const std::string png = folder.File("frame.png");
        ASSERT_EQ(output::SaveImage(png.c_str(), image, output::kFormatPng, row.depth), 1);
        const Picture p = ReadPng(png);
        ASSERT_TRUE(p.read);
        EXPECT_EQ(std::make_tuple(p.width, p.height, p.bitsPerSample, p.channels),
                  std::make_tuple(37u, 5u, sampleBits, FileChannels(Family::kPng, bpp)));
        EXPECT_EQ(Mismatches(p, Family::kPng, image, row.depth), 0);

        const std::string tif = folder.File("frame.tif");
        ASSERT_EQ(output::SaveImage(tif.c_str(), image, output::kFormatTiff, row.depth), 1);
        const Picture t = ReadTiff(tif);
        ASSERT_TRUE(t.read);
        EXPECT_EQ(std::make_tuple(t.width, t.height, t.bitsPerSample, t.channels, t.strips, t.compression),
                  std::make_tuple(37u, 5u, sampleBits, FileChannels(Family::kTiff, bpp), 1u, uint16_t{1}));
        EXPECT_EQ(t.photometric, bpp <= 2 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
        EXPECT_EQ(Mismatches(t, Family::kTiff, image, row.depth), 0);
    }
    EXPECT_EQ(folder.Names().size(), 2u) << "no temporary file is left";
}

TEST(StillImage, BmpIsTheImageBottomRowFirstAndRawIsItsMemory)
{
    ScratchFolder folder;
    for (int32_t bits : kAllBits) {
        SCOPED_TRACE(bits);
        // Width 10: an 8-bit row of 10 bytes is padded to 12.
        const auto made = Make(10, 3, bits, false, 16);
        const DibImage& image = *made;
        const uint32_t stride = (10 * bits / 8 + 3) / 4 * 4;
        const uint32_t offset = bits == 8 ? 1078 : 54;
        const std::string bmp = folder.File("frame.bmp");
        ASSERT_EQ(output::SaveImage(bmp.c_str(), image, output::kFormatBmp, 16), 1);
        const std::vector<uint8_t> b = FileBytes(bmp);
        ASSERT_EQ(b.size(), offset + 3 * stride);
        EXPECT_EQ(std::string(b.begin(), b.begin() + 2), "BM");
        EXPECT_EQ(std::make_tuple(Le32(b, 2), Le32(b, 6), Le32(b, 10)),
                  std::make_tuple(offset + 3 * stride, 0u, offset));
        // BITMAPINFOHEADER: size, width, height (positive), planes and bits, no compression, no image size.
        EXPECT_EQ(std::make_tuple(Le32(b, 14), Le32(b, 18), Le32(b, 22), Le32(b, 26), Le32(b, 30), Le32(b, 34)),
                  std::make_tuple(40u, 10u, 3u, 1u | uint32_t(bits) << 16, 0u, 0u));
        for (uint32_t i = 0; bits == 8 && i < 256; ++i)
            ASSERT_EQ(Le32(b, 54 + 4 * i), i | i << 8 | i << 16) << "gray ramp entry " << i;
        for (int32_t row = 0; row < 3; ++row)
            EXPECT_EQ(std::memcmp(b.data() + offset + row * stride, image.Row(2 - row), stride), 0) << row;

        const std::string raw = folder.File("frame.raw");
        ASSERT_EQ(output::SaveImage(raw.c_str(), image, output::kFormatRaw, 16), 1);
        const std::vector<uint8_t> r = FileBytes(raw);
        ASSERT_EQ(r.size(), image.SizeBytes());
        EXPECT_EQ(std::memcmp(r.data(), image.Bits(), r.size()), 0);
    }
}

TEST(StillImage, JpegIsProgressiveAndCloseToTheImageAtEachQuality)
{
    ScratchFolder folder;
    const std::pair<int32_t, double> qualities[] = {
        {output::kFormatJpeg100, 40.0}, {output::kFormatJpeg70, 30.0}, {output::kFormatJpeg20, 24.0}};
    // Gray 16-bit samples narrow by their depth; colour words give their
    // high byte whatever the depth.
    const std::pair<int32_t, int32_t> rows[] = {
        {8, 16}, {16, 16}, {16, 12}, {16, 10}, {24, 16}, {32, 16}, {48, 16}, {64, 16}};
    for (const auto& [bits, depth] : rows) {
        const auto made = Make(64, 48, bits, true, depth);
        const DibImage& image = *made;
        size_t previousSize = SIZE_MAX;
        for (const auto& [format, minimumPsnr] : qualities) {
            SCOPED_TRACE(testing::Message() << bits << " bits, depth " << depth << ", format " << format);
            const std::string jpg = folder.File("frame.jpg");
            ASSERT_EQ(output::SaveImage(jpg.c_str(), image, format, depth), 1);
            const Picture j = ReadJpeg(jpg);
            ASSERT_TRUE(j.read);
            EXPECT_TRUE(j.progressive);
            ASSERT_EQ(std::make_tuple(j.width, j.height, j.channels),
                      std::make_tuple(64u, 48u, FileChannels(Family::kJpeg, bits / 8)));
            double squares = 0;
            for (uint32_t y = 0; y < j.height; ++y)
                for (uint32_t x = 0; x < j.width; ++x)
                    for (uint32_t c = 0; c < j.channels; ++c) {
                        const double d = double(j.At(x, y, c)) - Expected(Family::kJpeg, image, depth, x, y, c);
                        squares += d * d;
                    }
            const double mse = squares / double(j.samples.size());
            EXPECT_GT(10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9)), minimumPsnr);
            const size_t size = FileBytes(jpg).size();
            EXPECT_LT(size, previousSize) << "a lower quality makes a smaller file";
            previousSize = size;
        }
    }
    // 12-bit values in 16-bit samples give their high byte: below 256, black.
    DibImage dim;
    ASSERT_EQ(dim.Create(16, 16, 16), 1);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 16; ++x)
            dim.Row(y)[2 * x] = static_cast<uint8_t>(x * 16 + y);
    const std::string jpg = folder.File("dim.jpg");
    ASSERT_EQ(output::SaveImage(jpg.c_str(), dim, output::kFormatJpeg100, 16), 1);
    const Picture j = ReadJpeg(jpg);
    EXPECT_EQ(std::count(j.samples.begin(), j.samples.end(), 0u), 256);
}

TEST(StillImage, AFailedSaveLeavesNoFileAndKeepsTheOldOne)
{
    ScratchFolder folder;
    const auto made = Make(40, 30, 24, false, 16);
    const DibImage& image = *made;
    const std::string target = folder.File("keep.png");
    { std::ofstream(target) << "previous"; }
    // Unknown formats and depths, an empty image, a missing folder, a
    // target that is a folder: nothing written, nothing left.
    EXPECT_EQ(output::SaveImage(target.c_str(), image, 7, 16), 0);
    EXPECT_EQ(output::SaveImage(target.c_str(), image, -1, 16), 0);
    EXPECT_EQ(output::SaveImage(target.c_str(), image, output::kFormatPng, 8), 0);
    EXPECT_EQ(output::SaveImage(target.c_str(), DibImage(), output::kFormatBmp, 16), 0);
    EXPECT_EQ(output::SaveImage(folder.File("missing/frame.bmp").c_str(), image, output::kFormatBmp, 16), 0);
    std::filesystem::create_directory(folder.Path() / "folder");
    for (int32_t format = output::kFormatBmp; format <= output::kFormatTiff; ++format)
        EXPECT_EQ(output::SaveImage(folder.File("folder").c_str(), image, format, 16), 0) << format;
#ifndef _WIN32
    // A disk that fills up mid-file: every writer reports it, and the old
    // file is still whole.
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 200;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int succeeded = 0;
    for (int32_t format = output::kFormatBmp; format <= output::kFormatTiff; ++format)
        succeeded += output::SaveImage(target.c_str(), image, format, 16);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(succeeded, 0);
#endif
    const std::vector<uint8_t> kept = FileBytes(target);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous");
    std::vector<std::string> names = folder.Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"folder", "keep.png"}));
}
