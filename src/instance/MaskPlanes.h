#pragma once
// The defect-mask planes of a camera instance: the dark and white flat-field
// references of 8- and 16-bit frames, the hot and dead defect maps derived
// from them, the dot filter's work maps, and the flat field's multipliers
// and the list of flagged pixels, remade when the references have changed. All planes cover the
// full sensor. The owner serialises every call (its configuration lock).

#include <array>
#include <cstdint>

#include "imaging/DibImage.h"
#include "imaging/DotFilter.h"
#include "imaging/FlatField.h"
#include "imaging/ReferenceWindow.h"

namespace tavix {

class MaskPlanes {
public:
    enum Plane : int { kDark8, kWhite8, kDark16, kWhite16, kHot8, kDead8, kHot16, kDead16, kMarks8, kMarks16, kCount };
    enum Reference : int32_t { kDark = 0, kWhite = 1 };
    // The IMX264's 16-bit transfer carries its 12-bit samples as they are:
    // the 16-bit defect limits are scaled to 12 bits.
    static constexpr int32_t kSignificantBits16 = 12;

    // The planes take 75 MB, and only the mask code reads them: they are
    // made on first use, neutral (dark 0, white full scale, no flags).
    // False when memory ran out; nothing is then made.
    bool Ensure();
    const imaging::DibImage& operator[](Plane plane) const { return planes_[static_cast<size_t>(plane)]; }

    // Replaces the dark or white reference of the frame's depth with a frame
    // of the whole sensor and rebuilds its defect map. False, nothing
    // changed, for a frame of another size or depth.
    bool Replace(Reference reference, const imaging::DibImage& frame);
    // Replaces all four references with mask file blocks (dark8, white8,
    // dark16, white16, each the size of its plane) and rebuilds the maps.
    void ReplaceAll(const std::array<const uint8_t*, 4>& blocks);

    // Flat field and then dot filter, each when asked, on an 8- or 16-bit
    // raw frame lying at window on the sensor.
    void Correct(imaging::DibImage& frame, const imaging::ReferenceWindow& window, bool flatField, bool dotFilter);

private:
    void RebuildMap(Plane reference);

    std::array<imaging::DibImage, kCount> planes_;
    imaging::FlatFieldFactors8 flat8_;
    imaging::FlatFieldFactors16 flat16_;
    imaging::DefectList defects8_;
    imaging::DefectList defects16_;
    bool flat8Stale_ = true;
    bool flat16Stale_ = true;
    bool defects8Stale_ = true;
    bool defects16Stale_ = true;
};

} // namespace tavix
