#pragma once
// What the display does to a frame before it can scale or draw it: GDI
// draws 8-bit gray and 24-bit colour, so deeper frames are narrowed first.

#include <cstdint>

#include "imaging/DibImage.h"

namespace tavix::imaging {

// 16-bit gray samples holding `depth` significant bits (8..16; the camera's
// are 12) to 8 bits keeping the top eight of them (clamped at 255); 32-bit
// to 24-bit dropping the fourth byte; 48- and 64-bit to 24-bit keeping the
// high byte of the blue, green and red words. destination is (re)created
// with the source's width and height at 8 bits (from 16) or 24 bits (from
// 32/48/64) when its geometry differs (an 8-bit one gets the gray ramp);
// memory row order kept. False, destination untouched, for an empty
// source, any other bit count, a depth outside 8..16 for a 16-bit source,
// or the source itself as destination; false with the destination left
// empty when it cannot be allocated.
bool ReduceForDisplay(const DibImage& source, DibImage& destination, int32_t depth);

} // namespace tavix::imaging
