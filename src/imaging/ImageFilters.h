#pragma once
// The image filters on a frame's result image, in their fixed order, each
// only when its setting is not neutral.

#include <cstdint>

#include "imaging/DibImage.h"

namespace tavix::imaging {

struct FilterSettings {
    int32_t brightness = 0; // -255..255
    int32_t contrast = 0;   // -127..127
    int32_t hue = 0;        // -360..360 degrees
    int32_t saturation = 0; // -255..255
    int32_t sharpness = 0;  // 0..30
    int32_t gamma = 100;    // 0..200
};

// Hue and saturation (colour images only), gamma, contrast, sharpness
// (which reads a copy of the image made in work, resized to it when
// needed), brightness. 0 when a filter has to run and cannot (work cannot
// take the copy), else 1.
int ApplyImageFilters(DibImage& image, DibImage& work, const FilterSettings& filters);

} // namespace tavix::imaging
