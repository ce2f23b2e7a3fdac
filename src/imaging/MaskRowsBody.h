#pragma once
// The bodies of the mask row kernels (MaskRows.h), included by each unit
// that builds a table of them; everything here has internal linkage, so
// each unit keeps the code its own compiler options made.

#include <cstdint>
#include <type_traits>

#include "imaging/MaskRows.h"

namespace tavix::imaging::detail {
namespace {

void FlatField8Row(uint8_t* p, const uint8_t* offset, const uint8_t* high, const uint16_t* low, int32_t count)
{
    // (n * f) >> 16 = n * high + ((n * low) >> 16): 16-bit lanes throughout.
    for (int32_t x = 0; x < count; ++x) {
        const auto n = static_cast<uint16_t>(p[x] > offset[x] ? p[x] - offset[x] : 0);
        const auto q = static_cast<uint16_t>(n * high[x] + static_cast<uint16_t>((uint32_t{n} * low[x]) >> 16));
        p[x] = static_cast<uint8_t>(q > 255 ? 255 : q);
    }
}

void FlatField16Row(uint16_t* p, const uint64_t* factor, int32_t count)
{
    for (int32_t x = 0; x < count; ++x) {
        const uint64_t dark = factor[x] >> 48;
        const uint64_t n = p[x] > dark ? p[x] - dark : 0;
        const uint64_t q = (n * (factor[x] & 0xFFFFFFFFFFFFull)) >> 32;
        p[x] = static_cast<uint16_t>(q > 65535 ? 65535 : q);
    }
}

// Four 8-bit samples add up in 16 bits.
template <typename T>
bool MarkRow(const T* up, const T* p, const T* down, T* m, int32_t w, int32_t threshold)
{
    using W = std::conditional_t<sizeof(T) == 1, int16_t, int32_t>;
    const auto limit = static_cast<W>(threshold);
    T any = 0;
    for (int32_t x = 1; x < w - 1; ++x) {
        const auto mean = static_cast<W>((static_cast<W>(p[x - 1]) + p[x + 1] + up[x] + down[x]) >> 2);
        const auto difference = static_cast<W>(static_cast<W>(p[x]) - mean);
        const auto magnitude = static_cast<W>(difference < 0 ? -difference : difference);
        const auto mark = static_cast<T>(magnitude >= limit);
        m[x] = mark;
        any |= mark;
    }
    return any != 0;
}

bool MarkRow8(const uint8_t* up, const uint8_t* p, const uint8_t* down, uint8_t* m, int32_t w, int32_t threshold)
{
    return MarkRow(up, p, down, m, w, threshold);
}

bool MarkRow16(const uint16_t* up, const uint16_t* p, const uint16_t* down, uint16_t* m, int32_t w,
               int32_t threshold)
{
    return MarkRow(up, p, down, m, w, threshold);
}

} // namespace
} // namespace tavix::imaging::detail
