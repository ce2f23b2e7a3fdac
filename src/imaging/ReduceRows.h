#pragma once
// Rows of the deeper pixel formats reduced to 8 bits a sample, for whatever
// must hand a frame to code that takes only 8-bit gray or 24-bit colour
// (the display, the AVI recorder).

#include <cstdint>

namespace tavix::imaging {

// The camera's 16-bit samples carry twelve significant bits.
constexpr int32_t kCameraSampleDepth = 12;

// Levels of width 16-bit little-endian gray samples holding `depth`
// significant bits (8..16): the top eight of them, clamped at 255 where a
// sample holds more than `depth` bits.
void Gray16ToGray8Row(uint8_t* out, const uint8_t* in, int32_t width, int32_t depth);
// The same levels written as blue, green and red.
void Gray16ToBgrRow(uint8_t* out, const uint8_t* in, int32_t width, int32_t depth);
// Blue, green and red of width pixels of bitCount 32 (the first three
// bytes), 48 or 64 (the high bytes of the first three words). False, and
// nothing written, for any other bit count.
bool ColourToBgrRow(uint8_t* out, const uint8_t* in, int32_t width, int32_t bitCount);

} // namespace tavix::imaging
