#include "instance/MaskPlanes.h"

#include <cstring>
#include <new>

#include "imaging/DefectMap.h"

namespace tavix {

namespace {

constexpr std::array<int32_t, MaskPlanes::kCount> kPlaneBits{8, 8, 16, 16, 8, 8, 16, 16, 8, 16};

// The defect map of each reference, and which kind of defect it shows.
MaskPlanes::Plane MapOf(MaskPlanes::Plane reference)
{
    constexpr MaskPlanes::Plane kMaps[] = {MaskPlanes::kHot8, MaskPlanes::kDead8, MaskPlanes::kHot16,
                                           MaskPlanes::kDead16};
    return kMaps[reference];
}

} // namespace

bool MaskPlanes::Ensure()
{
    if (!planes_[0].Empty())
        return true;
    for (size_t plane = 0; plane < planes_.size(); ++plane) {
        if (!planes_[plane].Create(imaging::kReferenceWidth, imaging::kReferenceHeight, kPlaneBits[plane])) {
            for (imaging::DibImage& made : planes_)
                made.Release();
            return false;
        }
    }
    std::memset(planes_[kWhite8].Bits(), 0xFF, planes_[kWhite8].SizeBytes());
    std::memset(planes_[kWhite16].Bits(), 0xFF, planes_[kWhite16].SizeBytes());
    flat8Stale_ = flat16Stale_ = defects8Stale_ = defects16Stale_ = true;
    return true;
}

bool MaskPlanes::Replace(Reference reference, const imaging::DibImage& frame)
{
    if (planes_[0].Empty() || (frame.BitCount() != 8 && frame.BitCount() != 16))
        return false;
    const bool sixteen = frame.BitCount() == 16;
    const auto plane = static_cast<Plane>((sixteen ? kDark16 : kDark8) + (reference == kWhite ? 1 : 0));
    imaging::DibImage& target = planes_[static_cast<size_t>(plane)];
    if (!frame.SameGeometry(target) || frame.Stride() != target.Stride())
        return false;
    std::memcpy(target.Bits(), frame.Bits(), target.SizeBytes());
    RebuildMap(plane);
    (sixteen ? flat16Stale_ : flat8Stale_) = true;
    return true;
}

void MaskPlanes::ReplaceAll(const std::array<const uint8_t*, 4>& blocks)
{
    for (int k = 0; k < 4; ++k) {
        imaging::DibImage& target = planes_[static_cast<size_t>(k)];
        std::memcpy(target.Bits(), blocks[static_cast<size_t>(k)], target.SizeBytes());
        RebuildMap(static_cast<Plane>(k));
    }
    flat8Stale_ = flat16Stale_ = true;
}

void MaskPlanes::RebuildMap(Plane reference)
{
    const bool dark = reference == kDark8 || reference == kDark16;
    const bool sixteen = reference == kDark16 || reference == kWhite16;
    (sixteen ? defects16Stale_ : defects8Stale_) = true;
    imaging::BuildDefectMap(planes_[static_cast<size_t>(reference)], planes_[static_cast<size_t>(MapOf(reference))],
                            dark ? imaging::DefectKind::kHot : imaging::DefectKind::kDead,
                            sixteen ? imaging::DefectLimits16(kSignificantBits16) : imaging::kDefectLimits8);
}

void MaskPlanes::Correct(imaging::DibImage& frame, const imaging::ReferenceWindow& window, bool flatField,
                         bool dotFilter)
{
    if (planes_[0].Empty() || (frame.BitCount() != 8 && frame.BitCount() != 16))
        return;
    const bool sixteen = frame.BitCount() == 16;
    // Multipliers that could not be made (memory) leave the frame as it is
    // and are tried again with the next one.
    try {
        if (flatField && !sixteen && flat8Stale_)
            flat8Stale_ = !imaging::BuildFlatField(planes_[kDark8], planes_[kWhite8], flat8_);
        if (flatField && sixteen && flat16Stale_)
            flat16Stale_ = !imaging::BuildFlatField(planes_[kDark16], planes_[kWhite16], flat16_);
        if (dotFilter && !sixteen && defects8Stale_)
            defects8Stale_ = !imaging::BuildDefectList(planes_[kHot8], planes_[kDead8], defects8_);
        if (dotFilter && sixteen && defects16Stale_)
            defects16Stale_ = !imaging::BuildDefectList(planes_[kHot16], planes_[kDead16], defects16_);
    } catch (const std::bad_alloc&) {
        flat8_ = {};
        flat16_ = {};
        defects8_ = {};
        defects16_ = {};
        flat8Stale_ = flat16Stale_ = defects8Stale_ = defects16Stale_ = true;
    }
    if (flatField && !sixteen)
        imaging::ApplyFlatField(frame, flat8_, window);
    else if (flatField)
        imaging::ApplyFlatField(frame, flat16_, window);
    if (dotFilter) {
        imaging::ApplyDotFilter(frame, sixteen ? defects16_ : defects8_, planes_[sixteen ? kMarks16 : kMarks8],
                                window, sixteen ? imaging::kDotThreshold16 : imaging::kDotThreshold8);
    }
}

} // namespace tavix
