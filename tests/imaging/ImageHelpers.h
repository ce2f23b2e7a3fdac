#pragma once
// Test helpers: samples in and out of bitmaps, a seeded random mosaic, and
// the demosaic written out pixel by pixel from its definition, sharing no
// code with the library's routines.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/DibImage.h"

namespace imaging_test {

using tavix::imaging::DibImage;

// Sample x of memory row m, 8- or 16-bit little-endian.
inline uint32_t GetSample(const DibImage& image, int32_t x, int32_t m)
{
    const uint8_t* p = image.Row(m) + x * image.BytesPerPixel();
    return image.BytesPerPixel() == 1 ? p[0] : static_cast<uint32_t>(p[0] | p[1] << 8);
}

inline void PutSample(DibImage& image, int32_t x, int32_t m, uint32_t v)
{
    uint8_t* p = image.Row(m) + x * image.BytesPerPixel();
    p[0] = static_cast<uint8_t>(v);
    if (image.BytesPerPixel() == 2)
        p[1] = static_cast<uint8_t>(v >> 8);
}

// Channel c (0 blue, 1 green, 2 red, 3 the fourth) of pixel x of memory row m
// of a 24/32-bit (bytes) or 48/64-bit (words) image.
inline uint32_t GetChannel(const DibImage& image, int32_t x, int32_t m, int c)
{
    const bool words = image.BitCount() >= 48;
    const uint8_t* p = image.Row(m) + x * image.BytesPerPixel() + c * (words ? 2 : 1);
    return words ? static_cast<uint32_t>(p[0] | p[1] << 8) : p[0];
}

// Row-major samples, memory row 0 first.
struct Mosaic {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> samples;
    uint32_t At(int32_t x, int32_t m) const { return samples[static_cast<size_t>(m) * width + x]; }
};

inline Mosaic RandomMosaic(int32_t width, int32_t height, uint32_t max, uint32_t seed)
{
    std::mt19937 rng(seed);
    Mosaic mosaic{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
    // Mostly uniform, with runs of extremes so that saturation is reached.
    std::uniform_int_distribution<uint32_t> any(0, max), pick(0, 9);
    for (auto& s : mosaic.samples) {
        const uint32_t k = pick(rng);
        s = k == 0 ? 0 : k == 1 ? max : any(rng);
    }
    return mosaic;
}

inline void FillImage(DibImage& image, const Mosaic& mosaic)
{
    for (int32_t m = 0; m < mosaic.height; ++m)
        for (int32_t x = 0; x < mosaic.width; ++x)
            PutSample(image, x, m, mosaic.At(x, m));
}

inline Mosaic ReadImage(const DibImage& image)
{
    Mosaic mosaic{image.Width(), image.Height(), {}};
    for (int32_t m = 0; m < image.Height(); ++m)
        for (int32_t x = 0; x < image.Width(); ++x)
            mosaic.samples.push_back(GetSample(image, x, m));
    return mosaic;
}

// The mosaic a camera of the given phase makes of a scene of one colour.
inline Mosaic SolidColourMosaic(int32_t width, int32_t height, int32_t phase, uint32_t red, uint32_t green,
    uint32_t blue)
{
    Mosaic mosaic{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
    for (int32_t m = 0; m < height; ++m) {
        for (int32_t x = 0; x < width; ++x) {
            const int r = (m + (phase & 1)) % 2, c = (x + (phase >> 1)) % 2;
            mosaic.samples[static_cast<size_t>(m) * width + x] = r == c ? green : r == 1 ? red : blue;
        }
    }
    return mosaic;
}

// Reference demosaic. Output: blue, green, red per pixel, row-major.
class ReferenceDemosaic {
public:
    ReferenceDemosaic(const Mosaic& mosaic, int32_t phase, int32_t gainRed, int32_t gainBlue, uint32_t max)
        : mosaic_(mosaic), phase_(phase), max_(max),
          multRed_(static_cast<int32_t>(std::clamp(gainRed, 0, 400) * 1.28)),
          multBlue_(static_cast<int32_t>(std::clamp(gainBlue, 0, 400) * 1.28))
    {
    }

    std::vector<uint32_t> Run() const
    {
        std::vector<uint32_t> out;
        for (int32_t m = 0; m < mosaic_.height; ++m) {
            for (int32_t x = 0; x < mosaic_.width; ++x) {
                out.push_back(Colour(x, m, kBlue));
                out.push_back(Green(x, m));
                out.push_back(Colour(x, m, kRed));
            }
        }
        return out;
    }

private:
    enum Kind { kGreen, kBlue, kRed };

    // Class (r, c): (0,0) and (1,1) green, (0,1) blue, (1,0) red.
    Kind KindAt(int32_t x, int32_t m) const
    {
        const int r = ((m + (phase_ & 1)) % 2 + 2) % 2;
        const int c = ((x + (phase_ >> 1)) % 2 + 2) % 2;
        if (r == c)
            return kGreen;
        return r == 0 ? kBlue : kRed;
    }

    // A position beyond an edge takes the sample of the same colour four
    // positions the other way; narrower than four: two; a single one: 0.
    static int32_t Inside(int32_t n, int32_t size)
    {
        if (n < 0)
            n += 4;
        if (n >= size && n - 4 >= 0)
            n -= 4;
        while (n >= size && n - 2 >= 0)
            n -= 2;
        return n < size ? n : 0;
    }

    int64_t P(int32_t x, int32_t m) const
    {
        return mosaic_.At(Inside(x, mosaic_.width), Inside(m, mosaic_.height));
    }

    uint32_t Green(int32_t x, int32_t m) const
    {
        const int64_t g = KindAt(x, m) == kGreen ? (P(x, m) + P(x - 1, m - 1)) >> 1 : (P(x - 1, m) + P(x, m - 1)) >> 1;
        return static_cast<uint32_t>(std::min<int64_t>(g, max_));
    }

    uint32_t Colour(int32_t x, int32_t m, Kind kind) const
    {
        // The one sample of this colour in the block (x-1..x, m-1..m), and
        // those beyond the block in its row, its column and diagonally.
        int32_t kx = 0, ky = 0, found = 0;
        for (int32_t by = m - 1; by <= m; ++by)
            for (int32_t bx = x - 1; bx <= x; ++bx)
                if (KindAt(bx, by) == kind) {
                    kx = bx;
                    ky = by;
                    ++found;
                }
        EXPECT_EQ(found, 1);
        const int32_t hx = kx == x ? x - 2 : x + 1;
        const int32_t vy = ky == m ? m - 2 : m + 1;
        const int64_t s = 3 * (3 * P(kx, ky) + P(hx, ky) + P(kx, vy)) + P(hx, vy);
        const int64_t v = (s * (kind == kRed ? multRed_ : multBlue_)) >> 11;
        return static_cast<uint32_t>(std::min<int64_t>(v, max_));
    }

    const Mosaic& mosaic_;
    int32_t phase_;
    uint32_t max_;
    int32_t multRed_;
    int32_t multBlue_;
};

} // namespace imaging_test
