#pragma once
// Gray mode 1: a gain and an offset for each of the four parity classes of
// a raw mosaic, for Bayer data shown as gray; and the automatic gains that
// level the classes to the mean of class (0,0).

#include <cstdint>

#include "imaging/LayoutOps.h"

namespace tavix::imaging {

// Gains in 1/128 (128 = unity); offsets added as they stand. The classes
// by the Bayer mode as set: (0,1) takes R, (0,0) G1, (1,1) G2, (1,0) B.
struct GrayGains {
    int32_t gainR = 128, gainG1 = 128, gainG2 = 128, gainB = 128;
    int32_t offsetR = 128, offsetG1 = 128, offsetG2 = 128, offsetB = 128;
};

// The values a frame is left alone with: every gain and the offsets R, G1
// and G2 at 128. Offset B alone does not count.
bool GrayGainsNeutral(const GrayGains& gains);

// Parameter record of ApplyGrayGains: the Bayer mode and the gains.
struct GrayGainParams {
    int32_t bayerMode;
    GrayGains gains;
};

// trunc(P x gain / 128) + offset, limited to the sample range (mono8,
// mono16).
extern const LayoutOps kApplyGrayGainsOps;

// What GrayAutoGains gathers (param2) for the classes (0,0), (0,1), (1,0),
// (1,1) in this order: sums and counts of the samples that are neither 0
// nor full scale. param1: the Bayer mode (an int32_t). Adds to the record.
struct GrayClassSums {
    uint64_t sum[4] = {0, 0, 0, 0};
    uint64_t count[4] = {0, 0, 0, 0};
};
extern const LayoutOps kGrayAutoGainsOps;

// Gains from the class means in single precision: R = m00 / m01, G2 =
// m00 / m11, B = m00 / m10, each x 128 and truncated, G1 = 128; not limited.
// A gain whose classes have no usable sample keeps its value; offsets stay.
GrayGains AutoGrayGains(const GrayClassSums& sums, const GrayGains& current);

} // namespace tavix::imaging
