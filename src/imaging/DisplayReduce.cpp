#include "imaging/DisplayReduce.h"

#include "imaging/ReduceRows.h"

namespace tavix::imaging {

bool ReduceForDisplay(const DibImage& source, DibImage& destination, int32_t depth)
{
    const int32_t bits = source.BitCount();
    if (source.Empty() || &source == &destination)
        return false;
    if (bits == 16 ? depth < 8 || depth > 16 : bits != 32 && bits != 48 && bits != 64)
        return false;
    const int32_t width = source.Width(), height = source.Height();
    const int32_t outBits = bits == 16 ? 8 : 24;
    if (destination.Width() != width || destination.Height() != height || destination.BitCount() != outBits) {
        if (destination.Create(width, height, outBits) != 1)
            return false;
    }
    for (int32_t row = 0; row < height; ++row) {
        if (bits == 16)
            Gray16ToGray8Row(destination.Row(row), source.Row(row), width, depth);
        else
            ColourToBgrRow(destination.Row(row), source.Row(row), width, bits);
    }
    return true;
}

} // namespace tavix::imaging
