#pragma once
// Test helpers of the flat field and the dot filter: samples of 8- and
// 16-bit images as plain numbers, random planes, and where a frame pixel
// lies on the sensor, written out from the 1/2 skip's pairs.

#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "../support/MaskReferences.h"
#include "imaging/DibImage.h"

namespace mask_test {

using tavix::imaging::DibImage;

constexpr int32_t kSensorW = 2448, kSensorH = 2048;

inline int32_t Get(const DibImage& image, int32_t x, int32_t y)
{
    const uint8_t* p = image.Row(y) + x * image.BytesPerPixel();
    return image.BitCount() == 16 ? p[0] | p[1] << 8 : p[0];
}

inline void Put(DibImage& image, int32_t x, int32_t y, int32_t value)
{
    uint8_t* p = image.Row(y) + x * image.BytesPerPixel();
    p[0] = static_cast<uint8_t>(value);
    if (image.BitCount() == 16)
        p[1] = static_cast<uint8_t>(value >> 8);
}

inline std::vector<int32_t> Samples(const DibImage& image)
{
    std::vector<int32_t> out;
    for (int32_t y = 0; y < image.Height(); ++y)
        for (int32_t x = 0; x < image.Width(); ++x)
            out.push_back(Get(image, x, y));
    return out;
}

// Every sample uniform in [low, high].
inline void FillRandom(DibImage& image, std::mt19937& rng, int32_t low, int32_t high)
{
    std::uniform_int_distribution<int32_t> any(low, high);
    for (int32_t y = 0; y < image.Height(); ++y)
        for (int32_t x = 0; x < image.Width(); ++x)
            Put(image, x, y, any(rng));
}

using tavix::test::SensorAt;

} // namespace mask_test
