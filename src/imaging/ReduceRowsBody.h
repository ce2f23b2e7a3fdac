#pragma once
// The bodies of the reduction row loops (ReduceRowKernels.h), included by
// each unit that builds a table of them; everything here has internal
// linkage, so each unit keeps the code its own compiler options made.

#include <cstdint>

#include "imaging/ReduceRowKernels.h"

namespace tavix::imaging::detail {
namespace {

inline uint8_t Gray16Level(const uint8_t* sample, int32_t shift)
{
    const uint32_t value = (sample[0] | uint32_t{sample[1]} << 8) >> shift;
    return static_cast<uint8_t>(value > 255 ? 255 : value);
}

void Gray16ToGray8(uint8_t* out, const uint8_t* in, int32_t width, int32_t shift)
{
    for (int32_t x = 0; x < width; ++x)
        out[x] = Gray16Level(in + 2 * x, shift);
}

void Gray16ToBgr(uint8_t* out, const uint8_t* in, int32_t width, int32_t shift)
{
    for (int32_t x = 0; x < width; ++x)
        out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = Gray16Level(in + 2 * x, shift);
}

// The high byte of each of the first three samples of pixels of `step`
// bytes whose samples are sampleBytes wide.
template <int step, int sampleBytes>
void PickRow(uint8_t* out, const uint8_t* in, int32_t width)
{
    constexpr int high = sampleBytes - 1;
    for (int32_t x = 0; x < width; ++x) {
        out[3 * x] = in[step * x + high];
        out[3 * x + 1] = in[step * x + sampleBytes + high];
        out[3 * x + 2] = in[step * x + 2 * sampleBytes + high];
    }
}

constexpr ReduceRowKernels ReduceRowsNamed(const char* name)
{
    return {name, Gray16ToGray8, Gray16ToBgr, PickRow<4, 1>, PickRow<6, 2>, PickRow<8, 2>};
}

} // namespace
} // namespace tavix::imaging::detail
