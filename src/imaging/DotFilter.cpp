#include "imaging/DotFilter.h"

#include <algorithm>
#include <vector>

namespace tavix::imaging {

namespace {

constexpr int32_t kScanChunk = 8; // marks tested together before looking at each

template <typename T>
T* RowOf(DibImage& image, int32_t y)
{
    return reinterpret_cast<T*>(image.Row(y));
}

// The defect flags of frame row y (hot or dead, nonzero) at the reference
// positions of its pixels; 0 off the sensor.
template <typename T>
void GatherFlags(const DibImage& hot, const DibImage& dead, const ReferenceWindow& window, int32_t y,
                 std::vector<T>& flags)
{
    const auto w = static_cast<int32_t>(flags.size());
    std::fill(flags.begin(), flags.end(), T{0});
    const int32_t ry = window.Row(y);
    if (ry < 0 || ry >= kReferenceHeight)
        return;
    const auto* h = reinterpret_cast<const T*>(hot.Row(ry));
    const auto* d = reinterpret_cast<const T*>(dead.Row(ry));
    if (!window.pairs) {
        const int32_t first = std::max(0, -window.x), last = std::min(w, kReferenceWidth - window.x);
        const int32_t dx = window.x;
        for (int32_t x = first; x < last; ++x)
            flags[static_cast<size_t>(x)] = static_cast<T>((h[x + dx] | d[x + dx]) != 0);
        return;
    }
    for (int32_t x = std::max(0, -window.x); x < w; ++x) {
        const int32_t rx = window.Column(x);
        if (rx >= kReferenceWidth)
            break;
        flags[static_cast<size_t>(x)] = static_cast<T>((h[rx] | d[rx]) != 0);
    }
}

template <typename T>
void DotFilter(DibImage& frame, const DibImage& hot, const DibImage& dead, DibImage& marks,
               const ReferenceWindow& window, int32_t threshold)
{
    const int32_t w = frame.Width(), h = frame.Height();
    if (w < 3 || h < 3)
        return;

    // Marks from the uncorrected frame, and which rows have any.
    std::vector<T> flags(static_cast<size_t>(w));
    std::vector<uint8_t> rowMarked(static_cast<size_t>(h), 0);
    std::fill_n(RowOf<T>(marks, 0), w, T{0});
    std::fill_n(RowOf<T>(marks, h - 1), w, T{0});
    for (int32_t y = 1; y < h - 1; ++y) {
        GatherFlags(hot, dead, window, y, flags);
        const T* up = RowOf<T>(frame, y - 1);
        const T* p = RowOf<T>(frame, y);
        const T* down = RowOf<T>(frame, y + 1);
        T* m = RowOf<T>(marks, y);
        m[0] = m[w - 1] = 0;
        T any = 0;
        for (int32_t x = 1; x < w - 1; ++x) {
            const int32_t mean = (int32_t{p[x - 1]} + p[x + 1] + up[x] + down[x]) >> 2;
            const int32_t difference = int32_t{p[x]} - mean;
            const auto mark =
                static_cast<T>(flags[static_cast<size_t>(x)] | ((difference < 0 ? -difference : difference) >= threshold));
            m[x] = mark;
            any |= mark;
        }
        rowMarked[static_cast<size_t>(y)] = any != 0;
    }

    // A run of marked pixels in a row shares its left and right neighbours,
    // one in a column its upper and lower ones: each is searched once, when
    // the run is entered, and carried along it (rows are taken top down).
    std::vector<int32_t> upRow(static_cast<size_t>(w)), downRow(static_cast<size_t>(w));
    for (int32_t y = 1; y < h - 1; ++y) {
        if (!rowMarked[static_cast<size_t>(y)])
            continue;
        T* p = RowOf<T>(frame, y);
        const T* m = RowOf<T>(marks, y);
        const T* markedAbove = RowOf<T>(marks, y - 1);
        int32_t left = 0, right = 0;
        for (int32_t chunk = 1; chunk < w - 1; chunk += kScanChunk) {
            const int32_t end = std::min(chunk + kScanChunk, w - 1);
            T any = 0;
            for (int32_t x = chunk; x < end; ++x)
                any |= m[x];
            if (any == 0)
                continue;
            for (int32_t x = chunk; x < end; ++x) {
                if (m[x] == 0)
                    continue;
                if (m[x - 1] == 0) {
                    left = x - 1;
                    for (right = x + 1; m[right] != 0;)
                        ++right;
                }
                const auto column = static_cast<size_t>(x);
                if (markedAbove[x] == 0) {
                    upRow[column] = y - 1;
                    int32_t down = y + 1;
                    while (RowOf<T>(marks, down)[x] != 0)
                        ++down;
                    downRow[column] = down;
                }
                const uint32_t sum = uint32_t{p[left]} + p[right] + RowOf<T>(frame, upRow[column])[x] +
                                     RowOf<T>(frame, downRow[column])[x];
                p[x] = static_cast<T>(sum >> 2); // four found, always
            }
        }
    }
}

bool Fits(const DibImage& frame, const DibImage& hot, const DibImage& dead, const DibImage& marks)
{
    const int32_t bits = frame.BitCount();
    const auto isMap = [&](const DibImage& map) {
        return !map.Empty() && map.BitCount() == bits && map.Width() == kReferenceWidth &&
               map.Height() == kReferenceHeight;
    };
    return !frame.Empty() && (bits == 8 || bits == 16) && isMap(hot) && isMap(dead) && !marks.Empty() &&
           marks.BitCount() == bits && marks.Width() >= frame.Width() && marks.Height() >= frame.Height();
}

} // namespace

void ApplyDotFilter(DibImage& frame, const DibImage& hot, const DibImage& dead, DibImage& marks,
                    const ReferenceWindow& window, int32_t threshold)
{
    if (!Fits(frame, hot, dead, marks))
        return;
    if (frame.BitCount() == 8)
        DotFilter<uint8_t>(frame, hot, dead, marks, window, threshold);
    else
        DotFilter<uint16_t>(frame, hot, dead, marks, window, threshold);
}

} // namespace tavix::imaging
