#pragma once
// Automatic white balance: the red and blue Bayer gains that bring the
// means of the red and blue samples of a raw mosaic to the mean of its
// greens.

#include <cstdint>

#include "imaging/LayoutOps.h"

namespace tavix::imaging {

// Parameter record of the statistics: the phase of the mosaic as it lies
// in memory (the Bayer mode moved by every flip).
struct WhiteBalanceParams {
    int32_t phase;
};

// What the statistics gather (param2): sums and counts of the green
// (classes (0,0) and (1,1)), blue (0,1) and red (1,0) samples. The routine
// adds to what the record holds.
struct WhiteBalanceSums {
    uint64_t green = 0, blue = 0, red = 0;
    uint64_t greenCount = 0, blueCount = 0, redCount = 0;
};

// The statistics over 8- and 16-bit mosaics (mono8, mono16); they write
// no pixels.
extern const LayoutOps kWhiteBalanceStatsOps;

struct BayerGains {
    int32_t red, green, blue;
};

// The gains that balance the sums: 100 x mean green / mean of the colour,
// truncated, at most 400; green stays 100. A colour without signal (mean 0)
// takes 400; a gain the sums leave undefined (no samples of a colour, or
// no green at all, or an all-black mosaic) keeps its value from current.
BayerGains WhiteBalanceGains(const WhiteBalanceSums& sums, const BayerGains& current);

// The statistics over the whole image (8 or 16 bits per pixel, which is
// only read); then WhiteBalanceGains. An image of another depth keeps
// current.
BayerGains MeasureWhiteBalance(DibImage& mosaic, int32_t phase, const BayerGains& current);

} // namespace tavix::imaging
