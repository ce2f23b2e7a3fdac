#include "imaging/ReduceRows.h"

#include <algorithm>

namespace tavix::imaging {
namespace {

inline uint8_t Gray16Level(const uint8_t* sample, int32_t shift)
{
    const uint32_t value = sample[0] | uint32_t{sample[1]} << 8;
    return static_cast<uint8_t>(std::min<uint32_t>(value >> shift, 255));
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

} // namespace

void Gray16ToGray8Row(uint8_t* out, const uint8_t* in, int32_t width, int32_t depth)
{
    const int32_t shift = depth - 8;
    for (int32_t x = 0; x < width; ++x)
        out[x] = Gray16Level(in + 2 * x, shift);
}

void Gray16ToBgrRow(uint8_t* out, const uint8_t* in, int32_t width, int32_t depth)
{
    const int32_t shift = depth - 8;
    for (int32_t x = 0; x < width; ++x)
        out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = Gray16Level(in + 2 * x, shift);
}

bool ColourToBgrRow(uint8_t* out, const uint8_t* in, int32_t width, int32_t bitCount)
{
    switch (bitCount) {
    case 32: PickRow<4, 1>(out, in, width); return true;
    case 48: PickRow<6, 2>(out, in, width); return true;
    case 64: PickRow<8, 2>(out, in, width); return true;
    default: return false;
    }
}

} // namespace tavix::imaging
