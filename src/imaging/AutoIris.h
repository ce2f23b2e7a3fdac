#pragma once
// Automatic exposure ("Auto Iris"): the brightness of five regions of the
// raw frame (four near the corners, one in the middle) decides by how much
// the exposure or the gain should change.

#include <cstdint>

#include "imaging/LayoutOps.h"

namespace tavix::imaging {

// What RegionSum gathers (param2): the sum and count of the samples of the
// rectangle (mono8, mono16; nothing written). Adds to the record.
struct RegionSum {
    uint64_t sum = 0;
    uint64_t count = 0;
};
extern const LayoutOps kRegionSumOps;

// The change the frame asks for, as a factor in hundredths: each region
// whose integer mean is at least 201 takes 15 off 100, at least 161 takes
// 10, below 50 adds 10, below 100 adds 5. Regions the frame is too small
// to hold are left out. 100 for an image of another depth.
int32_t AutoIrisPercent(DibImage& raw);

// Whether a factor is large enough to act on: at most 60 or at least 120.
inline bool AutoIrisActs(int32_t percent) { return percent <= 60 || percent >= 120; }

} // namespace tavix::imaging
