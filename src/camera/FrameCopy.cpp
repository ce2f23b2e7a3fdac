#include "camera/FrameCopy.h"

#include <cstring>

namespace tavix {

namespace {
void ReverseRow8(uint8_t* destination, const uint8_t* source, size_t pixels)
{
    const uint8_t* s = source + pixels;
    for (size_t i = 0; i < pixels; ++i)
        destination[i] = *--s;
}

void ReverseRow16(uint8_t* destination, const uint8_t* source, size_t pixels)
{
    // Byte-wise so that unaligned slots are fine; the compiler turns the
    // fixed two-byte moves into shuffles.
    const uint8_t* s = source + 2 * pixels;
    for (size_t i = 0; i < pixels; ++i) {
        s -= 2;
        destination[2 * i] = s[0];
        destination[2 * i + 1] = s[1];
    }
}
} // namespace

void CopyFrameOut(uint8_t* destination, const uint8_t* source, const FrameLayout& layout, bool mirror,
                  bool bottomToTop)
{
    const size_t rowBytes = layout.rowBytes;
    if (!mirror && !bottomToTop) {
        std::memcpy(destination, source, rowBytes * layout.rows);
        return;
    }
    const size_t pixels = rowBytes / layout.bytesPerPixel;
    for (size_t row = 0; row < layout.rows; ++row) {
        const uint8_t* from = source + (bottomToTop ? layout.rows - 1 - row : row) * rowBytes;
        uint8_t* to = destination + row * rowBytes;
        if (!mirror)
            std::memcpy(to, from, rowBytes);
        else if (layout.bytesPerPixel == 2)
            ReverseRow16(to, from, pixels);
        else
            ReverseRow8(to, from, pixels);
    }
}

} // namespace tavix
