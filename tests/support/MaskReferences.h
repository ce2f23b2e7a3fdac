#pragma once
// The flat field and the dot filter written out from their definitions, on
// plain row-major samples, for the imaging and the export suites.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace tavix::test {

inline int32_t FlatField8(int32_t p, int32_t dark, int32_t white)
{
    const int32_t r = white - dark;
    return r == 0 ? p : std::clamp((p - dark) * 256 / r, 0, 255);
}

inline int32_t FlatField16(int32_t p, int32_t dark, int32_t white)
{
    const int64_t r = int64_t{white} - dark;
    return r <= 0 ? p : static_cast<int32_t>(std::clamp<int64_t>((int64_t{p} - dark) * 65536 / r, 0, 65535));
}

// Sensor position of frame column (row) k: with 1/2 sub-sampling the
// sensor keeps pairs, 0, 1, 4, 5, 8, 9, ...
inline int32_t SensorAt(int32_t origin, int32_t k, bool pairs)
{
    return origin + (pairs ? (k / 2) * 4 + k % 2 : k);
}

// Mark, then for each marked pixel walk each way to the nearest unmarked
// one and take the mean of those found.
inline std::vector<int32_t> DotFilter(const std::vector<int32_t>& p, const std::vector<bool>& flagged, int32_t w,
                                      int32_t h, int32_t threshold)
{
    const auto at = [&](int32_t x, int32_t y) { return p[static_cast<size_t>(y * w + x)]; };
    std::vector<bool> marked(p.size(), false);
    for (int32_t y = 1; y < h - 1; ++y)
        for (int32_t x = 1; x < w - 1; ++x) {
            const int32_t mean = (at(x - 1, y) + at(x + 1, y) + at(x, y - 1) + at(x, y + 1)) >> 2;
            marked[static_cast<size_t>(y * w + x)] =
                flagged[static_cast<size_t>(y * w + x)] || std::abs(at(x, y) - mean) >= threshold;
        }
    std::vector<int32_t> out = p;
    const int32_t steps[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (int32_t y = 1; y < h - 1; ++y)
        for (int32_t x = 1; x < w - 1; ++x) {
            if (!marked[static_cast<size_t>(y * w + x)])
                continue;
            int32_t sum = 0, count = 0;
            for (const auto& [dx, dy] : steps)
                for (int32_t k = 1;; ++k) {
                    const int32_t sx = x + k * dx, sy = y + k * dy;
                    if (sx < 0 || sy < 0 || sx >= w || sy >= h)
                        break;
                    if (!marked[static_cast<size_t>(sy * w + sx)]) {
                        sum += at(sx, sy), ++count;
                        break;
                    }
                }
            if (count > 0)
                out[static_cast<size_t>(y * w + x)] = sum / count;
        }
    return out;
}

} // namespace tavix::test
