#pragma once
// The colour gains and image filters written out from their definitions,
// on plain arrays of samples, sharing no library code.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "ImageHelpers.h"

namespace imaging_test {

// The samples of an image: samplesPerPixel per pixel, memory row 0 first.
struct Plane {
    int32_t width = 0, height = 0, spp = 1;
    uint32_t max = 255;
    std::vector<uint32_t> v;
    uint32_t& at(int32_t x, int32_t m, int k = 0) { return v[(static_cast<size_t>(m) * width + x) * spp + k]; }
    uint32_t at(int32_t x, int32_t m, int k = 0) const { return v[(static_cast<size_t>(m) * width + x) * spp + k]; }
    int colours() const { return std::min(spp, 3); } // the fourth sample is never a filter's
};

inline Plane Read(const DibImage& image)
{
    const bool words = image.BitCount() == 16 || image.BitCount() >= 48;
    Plane p{image.Width(), image.Height(), image.BytesPerPixel() / (words ? 2 : 1), words ? 65535u : 255u, {}};
    for (int32_t m = 0; m < p.height; ++m)
        for (int32_t x = 0; x < p.width; ++x)
            for (int k = 0; k < p.spp; ++k)
                p.v.push_back(SampleAt(image, x, m, k));
    return p;
}

// An image of this depth full of random samples, runs of 0 and full scale
// among them.
inline Plane RandomImage(DibImage& image, int32_t bits, int32_t width, int32_t height, uint32_t seed)
{
    EXPECT_EQ(image.Create(width, height, bits), 1);
    std::mt19937 rng(seed);
    for (int32_t m = 0; m < height; ++m)
        for (uint8_t* p = image.Row(m); p < image.Row(m) + image.Stride(); ++p)
            *p = static_cast<uint8_t>(rng() % 8 == 0 ? (rng() % 2) * 255 : rng());
    return Read(image);
}

// Every colour sample through map.
inline Plane Mapped(Plane p, const std::function<uint32_t(uint32_t, uint32_t max)>& map)
{
    for (int32_t i = 0; i < p.width * p.height; ++i)
        for (int k = 0; k < p.colours(); ++k)
            p.v[static_cast<size_t>(i) * p.spp + k] = map(p.v[static_cast<size_t>(i) * p.spp + k], p.max);
    return p;
}

inline uint32_t Limit(double v, uint32_t max) { return static_cast<uint32_t>(std::clamp(v, 0.0, double(max))); }

inline uint32_t Brightness(int32_t b, uint32_t p, uint32_t max)
{
    const auto f = static_cast<float>(b > 0 ? 1.0 + b * 10.0 / 255.0 : 1.0 - std::abs(b) / 255.0);
    return Limit(std::trunc(static_cast<float>(p) * f), max);
}

inline uint32_t Contrast(int32_t c, uint32_t i, uint32_t max)
{
    const double cc = max == 255 ? c : 256.0 * c, half = (max + 1) / 2.0;
    if (i < cc)
        return 0;
    if (i > max - cc)
        return max;
    return Limit(std::trunc((max + 1) / (2 * (half - cc)) * (i - cc)), max);
}

inline uint32_t Gamma(int32_t g, uint32_t i, uint32_t max)
{
    return i == 0 ? 0 : Limit(std::trunc(max * std::pow(double(i) / max, 100.0 / g)), max);
}

// Unsharp mask over the 4 x 4 block at columns x-2..x+1, rows m-2..m+1.
inline Plane Sharpened(const Plane& p, int32_t s)
{
    Plane out = p;
    for (int32_t m = 2; m <= p.height - 3; ++m)
        for (int32_t x = 2; x <= p.width - 3; ++x)
            for (int k = 0; k < p.colours(); ++k) {
                int64_t sum = 0;
                for (int32_t dm = -2; dm <= 1; ++dm)
                    for (int32_t dx = -2; dx <= 1; ++dx)
                        sum += p.at(x + dx, m + dm, k);
                const int64_t d = int64_t{p.at(x, m, k)} - (sum >> 4);
                out.at(x, m, k) = Limit(static_cast<double>(p.at(x, m, k) + s * d / 10), p.max);
            }
    return out;
}

// Hue and saturation, step by step: 0x00RRGGBB in and out. A negative
// walk within a sector belongs to the sector before it.
inline uint32_t HueSaturation(int32_t h, int32_t s, uint32_t rgb)
{
    const int32_t r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
    const int32_t t = static_cast<int32_t>(int64_t{h} * 65536 / 360), u = ((t & 0xFFFF) * 3) >> 7;
    const int32_t f = (u & 0x1FF) >= 256 ? (u & 0x1FF) - 512 : (u & 0x1FF);
    const int32_t o = ((((u + 256) >> 9) % 3 * 510 + f) % 1530 + 1530) % 1530;
    const int32_t mx = std::max({r, g, b}), mn = std::min({r, g, b}), c = mx - mn;
    int32_t base = r >= g ? 1 : 3, diff = r >= g ? g - b : b - r;
    if (b > r && b > g)
        base = 5, diff = r - g;
    if (diff < 0)
        base -= 1, diff += c;
    const int32_t l = mx + mn, cs = (c * (s + 256) * 256 + 32768) >> 16;
    const int32_t cn = std::min(l < 256 ? l : 511 - l, cs), v = ((cn + l) >> 1) - ((l - cn) >> 1);
    const uint32_t gray = ((l - cn) >> 1) * 0x010101u;
    if (c == 0)
        return gray;
    int32_t k = base + o / 255, p = ((0xFF0000 / c * diff + 32768) >> 16) + o % 255;
    if (p >= 255)
        k += 1, p -= 255;
    const uint32_t masks[6] = {0xFF00FF, 0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF};
    const int32_t steps[6] = {-1, 256, -65536, 1, -256, 65536};
    return gray + (v * 0x010101u & masks[k % 6]) + static_cast<uint32_t>(((v * p + 128) >> 8) * steps[k % 6]);
}

inline Plane HueSaturated(Plane p, int32_t h, int32_t s)
{
    const int shift = p.max == 255 ? 0 : 8;
    for (int32_t m = 0; m < p.height; ++m)
        for (int32_t x = 0; x < p.width; ++x) {
            const uint32_t in = (p.at(x, m, 2) >> shift) << 16 | (p.at(x, m, 1) >> shift) << 8 | p.at(x, m) >> shift;
            const uint32_t out = HueSaturation(h, s, in);
            for (int k = 0; k < 3; ++k)
                p.at(x, m, k) = (out >> (8 * k) & 0xFF) << shift;
        }
    return p;
}

// Parity class (r, c) of a sample as 2 r + c.
inline int ClassOf(int32_t x, int32_t m, int32_t phase) { return (m + (phase & 1)) % 2 * 2 + (x + (phase >> 1)) % 2; }

} // namespace imaging_test
