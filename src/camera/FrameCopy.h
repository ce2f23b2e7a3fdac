#pragma once
// Copy-out of one frame slot into the consumer's buffer, re-oriented: the
// sensor reads its rows out right to left, so rows may need reversing pixel
// by pixel, and the consumer chooses top-down or bottom-up row order.

#include <cstddef>
#include <cstdint>

namespace tavix {

struct FrameLayout {
    size_t rowBytes;       // bytes of one row (width × bytes per pixel)
    size_t rows;
    size_t bytesPerPixel;  // 1 or 2
};

// Copies rows × rowBytes bytes from source to destination. mirror reverses
// every row pixel by pixel; bottomToTop writes the last source row first.
void CopyFrameOut(uint8_t* destination, const uint8_t* source, const FrameLayout& layout, bool mirror,
                  bool bottomToTop);

} // namespace tavix
