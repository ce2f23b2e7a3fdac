#pragma once
// Hue and saturation on a hexagonal colour model in integer arithmetic:
// six sectors of 255 steps from magenta through red, yellow, green, cyan
// and blue back to magenta (1530 steps a turn). A pixel is taken apart into
// its lightness (max + min), its chroma (max - min) and its place on the
// hexagon; hue turns the place, saturation scales the chroma within what
// the lightness allows, and the pixel is put together again.

#include <cstdint>

#include "imaging/LayoutOps.h"

namespace tavix::imaging {

// Parameter record: hue h in degrees (-360..360), saturation s
// (-255..255); both 0 is neutral.
struct HueSaturationParams {
    int32_t hue;
    int32_t saturation;
};

// Colour layouts only. 16-bit samples are reduced to their top 8 bits for
// the conversion and come back with their low 8 bits 0.
extern const LayoutOps kHueSaturationOps;

} // namespace tavix::imaging
