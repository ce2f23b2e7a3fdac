#pragma once
// The filters that map every sample on its own: brightness (a factor),
// contrast (a linear stretch about the middle) and gamma (a power curve).
// Blue, green and red are treated alike; the fourth sample of a 4-sample
// pixel is never written.

#include <cstdint>

#include "imaging/LayoutOps.h"

namespace tavix::imaging {

// Parameter record of the three: the setting's value.
struct ToneParams {
    int32_t value;
};

// Brightness b in -255..255: samples times 1 + 10 b / 255 above 0, times
// 1 - |b| / 255 below, in single precision, truncated, limited to the
// sample range. 0 is neutral.
extern const LayoutOps kBrightnessOps;
// Contrast c in -127..127: a table that spreads [c, max - c] over the whole
// range (256 c for 16-bit samples); negative values narrow it. 0 is neutral.
extern const LayoutOps kContrastOps;
// Gamma g in 0..200: max x (i / max)^(100 / g); 100 is neutral, 0 keeps
// only the top value.
extern const LayoutOps kGammaOps;

// The brightness factor of b as the filter multiplies by it.
float BrightnessFactor(int32_t brightness);

} // namespace tavix::imaging
