#include "imaging/DefectMap.h"

#include <algorithm>

namespace tavix::imaging {

namespace {
constexpr int32_t kFrame = 2; // pixels along each edge that keep their flags
constexpr int32_t kFullScaleBits = 16;
constexpr int32_t kHot16 = 12288;
constexpr int32_t kDead16 = 4096;

template <typename T>
void Flag(const DibImage& reference, DibImage& map, bool hot, int32_t limit)
{
    for (int32_t y = kFrame; y < reference.Height() - kFrame; ++y) {
        const auto* r = reinterpret_cast<const T*>(reference.Row(y));
        auto* f = reinterpret_cast<T*>(map.Row(y));
        for (int32_t x = kFrame; x < reference.Width() - kFrame; ++x)
            f[x] = static_cast<T>(hot ? r[x] > limit : r[x] < limit);
    }
}
} // namespace

DefectLimits DefectLimits16(int32_t significantBits)
{
    const int32_t shift = kFullScaleBits - std::clamp(significantBits, 8, kFullScaleBits);
    return {kHot16 >> shift, kDead16 >> shift};
}

void BuildDefectMap(const DibImage& reference, DibImage& map, DefectKind kind, const DefectLimits& limits)
{
    if (reference.Empty() || !reference.SameGeometry(map) || (reference.BitCount() != 8 && reference.BitCount() != 16))
        return;
    const bool hot = kind == DefectKind::kHot;
    const int32_t limit = hot ? limits.hot : limits.dead;
    if (reference.BitCount() == 8)
        Flag<uint8_t>(reference, map, hot, limit);
    else
        Flag<uint16_t>(reference, map, hot, limit);
}

} // namespace tavix::imaging
