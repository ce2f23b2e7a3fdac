#pragma once
// Test helpers: samples in and out of bitmaps, mosaics of scenes and noise,
// and the demosaic written out from its definition, sharing no library code.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <ostream>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/DibImage.h"

namespace imaging_test {

using tavix::imaging::DibImage;

// Channel c (0 blue, 1 green, 2 red, 3 the fourth) of pixel x of memory row
// m, or the sample of an 8- or 16-bit image; 16-bit samples and 48/64-bit
// pixels are little-endian words.
inline uint32_t SampleAt(const DibImage& image, int32_t x, int32_t m, int c = 0)
{
    const bool words = image.BitCount() == 16 || image.BitCount() >= 48;
    const uint8_t* p = image.Row(m) + x * image.BytesPerPixel() + c * (words ? 2 : 1);
    return words ? static_cast<uint32_t>(p[0] | p[1] << 8) : p[0];
}

struct Colour {
    uint32_t red, green, blue;
    bool operator==(const Colour&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Colour& c)
{
    return os << "rgb(" << c.red << ", " << c.green << ", " << c.blue << ")";
}

inline Colour PixelColour(const DibImage& image, int32_t x, int32_t m)
{
    return {SampleAt(image, x, m, 2), SampleAt(image, x, m, 1), SampleAt(image, x, m, 0)};
}

// Row-major samples, memory row 0 first.
struct Mosaic {
    int32_t width = 0, height = 0;
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

using Scene = std::function<Colour(int32_t x, int32_t m)>;

// What a camera of this phase delivers (memory row 0 first) when looking at
// the scene.
inline Mosaic SceneMosaic(int32_t width, int32_t height, int32_t phase, const Scene& scene)
{
    Mosaic mosaic{width, height, {}};
    for (int32_t m = 0; m < height; ++m) {
        for (int32_t x = 0; x < width; ++x) {
            const int r = (m + (phase & 1)) % 2, c = (x + (phase >> 1)) % 2;
            const Colour colour = scene(x, m);
            mosaic.samples.push_back(r == c ? colour.green : r == 1 ? colour.red : colour.blue);
        }
    }
    return mosaic;
}

// The mosaic's samples into an 8- or 16-bit image of its size.
inline void FillImage(DibImage& image, const Mosaic& mosaic)
{
    for (int32_t m = 0; m < mosaic.height; ++m) {
        for (int32_t x = 0; x < mosaic.width; ++x) {
            uint8_t* p = image.Row(m) + x * image.BytesPerPixel();
            p[0] = static_cast<uint8_t>(mosaic.At(x, m));
            if (image.BytesPerPixel() == 2)
                p[1] = static_cast<uint8_t>(mosaic.At(x, m) >> 8);
        }
    }
}

inline void MakeImage(DibImage& image, const Mosaic& mosaic, int32_t bits)
{
    ASSERT_EQ(image.Create(mosaic.width, mosaic.height, bits), 1);
    FillImage(image, mosaic);
}

// Reference demosaic: the colour of every pixel, row-major.
inline std::vector<Colour> ReferenceDemosaic(const Mosaic& mosaic, int32_t phase, int32_t gainRed, int32_t gainBlue,
    uint32_t max)
{
    enum Kind { kGreen, kBlue, kRed };
    // Class (r, c): (0,0) and (1,1) green, (0,1) blue, (1,0) red.
    const auto kindAt = [phase](int32_t x, int32_t m) {
        const int r = ((m + (phase & 1)) % 2 + 2) % 2, c = ((x + (phase >> 1)) % 2 + 2) % 2;
        return r == c ? kGreen : r == 0 ? kBlue : kRed;
    };
    // A position beyond an edge takes the sample of the same colour four
    // positions the other way; narrower than four: two; a single one: 0.
    const auto inside = [](int32_t n, int32_t size) {
        if (n < 0)
            n += 4;
        if (n >= size && n - 4 >= 0)
            n -= 4;
        while (n >= size && n - 2 >= 0)
            n -= 2;
        return n < size ? n : 0;
    };
    const auto p = [&](int32_t x, int32_t m) -> int64_t {
        return mosaic.At(inside(x, mosaic.width), inside(m, mosaic.height));
    };
    const auto colour = [&](int32_t x, int32_t m, Kind kind) {
        // The one sample of this colour in the block (x-1..x, m-1..m), and
        // those beyond the block in its row, its column and diagonally.
        int32_t kx = 0, ky = 0, found = 0;
        for (int32_t by = m - 1; by <= m; ++by)
            for (int32_t bx = x - 1; bx <= x; ++bx)
                if (kindAt(bx, by) == kind) {
                    kx = bx;
                    ky = by;
                    ++found;
                }
        EXPECT_EQ(found, 1);
        const int32_t hx = kx == x ? x - 2 : x + 1, vy = ky == m ? m - 2 : m + 1;
        const int64_t s = 3 * (3 * p(kx, ky) + p(hx, ky) + p(kx, vy)) + p(hx, vy);
        const auto mult = static_cast<int64_t>(std::clamp(kind == kRed ? gainRed : gainBlue, 0, 400) * 1.28);
        return static_cast<uint32_t>(std::min<int64_t>((s * mult) >> 11, max));
    };
    std::vector<Colour> out;
    for (int32_t m = 0; m < mosaic.height; ++m) {
        for (int32_t x = 0; x < mosaic.width; ++x) {
            const int64_t green =
                kindAt(x, m) == kGreen ? p(x, m) + p(x - 1, m - 1) : p(x - 1, m) + p(x, m - 1);
            out.push_back({colour(x, m, kRed), static_cast<uint32_t>(green >> 1), colour(x, m, kBlue)});
        }
    }
    return out;
}

} // namespace imaging_test
