#include "imaging/RowLayout.h"

#include <cstring>

namespace tavix::imaging {

int RelayoutRows(uint8_t* bits, int32_t rowBytes, int32_t stride, int32_t height)
{
    if (bits == nullptr || rowBytes < 0 || height < 0 || rowBytes > stride)
        return 0;
    // Row y moves forward by y x (stride - rowBytes): the last row first, and
    // memmove for the overlap of a row with its own old place.
    for (int32_t y = height - 1; y > 0; --y)
        std::memmove(bits + static_cast<ptrdiff_t>(y) * stride, bits + static_cast<ptrdiff_t>(y) * rowBytes,
            static_cast<size_t>(rowBytes));
    return 1;
}

int RelayoutRows(DibImage& image)
{
    if (image.Empty())
        return 0;
    return RelayoutRows(image.Bits(), image.Width() * image.BytesPerPixel(), image.Stride(), image.Height());
}

} // namespace tavix::imaging
