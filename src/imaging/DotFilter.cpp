#include "imaging/DotFilter.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/MaskRows.h"

namespace tavix::imaging {

namespace {

template <typename T>
T* RowOf(DibImage& image, int32_t y)
{
    return reinterpret_cast<T*>(image.Row(y));
}

// The defect maps' rows for frame row y, at its pixels' reference
// positions: straight into the maps when the frame lies on them column for
// column, else gathered into hot and dead (zeros off the sensor).
template <typename T>
void FlagRows(const DibImage& hotMap, const DibImage& deadMap, const ReferenceWindow& window, int32_t y, int32_t w,
              std::vector<T>& hot, std::vector<T>& dead, const T** hotRow, const T** deadRow)
{
    const int32_t ry = window.Row(y);
    const bool onSensor = ry >= 0 && ry < kReferenceHeight;
    if (onSensor && !window.pairs && window.x >= 0 && window.x + w <= kReferenceWidth) {
        *hotRow = reinterpret_cast<const T*>(hotMap.Row(ry)) + window.x;
        *deadRow = reinterpret_cast<const T*>(deadMap.Row(ry)) + window.x;
        return;
    }
    std::fill(hot.begin(), hot.end(), T{0});
    std::fill(dead.begin(), dead.end(), T{0});
    *hotRow = hot.data();
    *deadRow = dead.data();
    if (!onSensor)
        return;
    const auto* h = reinterpret_cast<const T*>(hotMap.Row(ry));
    const auto* d = reinterpret_cast<const T*>(deadMap.Row(ry));
    for (int32_t x = std::max(0, -window.x); x < w; ++x) {
        const int32_t rx = window.Column(x);
        if (rx >= kReferenceWidth)
            break;
        hot[static_cast<size_t>(x)] = h[rx];
        dead[static_cast<size_t>(x)] = d[rx];
    }
}

bool MarkRow(const uint8_t* up, const uint8_t* p, const uint8_t* down, const uint8_t* hot, const uint8_t* dead,
             uint8_t* m, int32_t w, int32_t threshold)
{
    return detail::BestMaskRows().markRow8(up, p, down, hot, dead, m, w, threshold);
}

bool MarkRow(const uint16_t* up, const uint16_t* p, const uint16_t* down, const uint16_t* hot,
             const uint16_t* dead, uint16_t* m, int32_t w, int32_t threshold)
{
    return detail::BestMaskRows().markRow16(up, p, down, hot, dead, m, w, threshold);
}

// Whether marks [x, x + 16 bytes) are all clear.
template <typename T>
bool ClearSpan(const T* m)
{
    uint64_t words[2];
    std::memcpy(words, m, sizeof words);
    return (words[0] | words[1]) == 0;
}

template <typename T>
void DotFilter(DibImage& frame, const DibImage& hotMap, const DibImage& deadMap, DibImage& marks,
               const ReferenceWindow& window, int32_t threshold)
{
    const int32_t w = frame.Width(), h = frame.Height();
    if (w < 3 || h < 3)
        return;

    std::vector<T> hot(static_cast<size_t>(w)), dead(static_cast<size_t>(w));
    std::vector<uint8_t> rowMarked(static_cast<size_t>(h), 0);
    std::fill_n(RowOf<T>(marks, 0), w, T{0});
    std::fill_n(RowOf<T>(marks, h - 1), w, T{0});
    // Rows are marked just ahead of their correction, while the rows around
    // them are still in the cache: marking row r reads rows r - 1 to r + 1,
    // which no correction has touched while r stays beyond the row being
    // corrected. A search downwards marks further rows as it needs them.
    int32_t markedTo = 0; // rows 0..markedTo have their marks
    const auto markTo = [&](int32_t last) {
        for (last = std::min(last, h - 2); markedTo < last;) {
            const int32_t y = ++markedTo;
            const T* hotRow = nullptr;
            const T* deadRow = nullptr;
            FlagRows(hotMap, deadMap, window, y, w, hot, dead, &hotRow, &deadRow);
            T* m = RowOf<T>(marks, y);
            m[0] = m[w - 1] = 0;
            rowMarked[static_cast<size_t>(y)] = MarkRow(RowOf<T>(frame, y - 1), RowOf<T>(frame, y),
                                                        RowOf<T>(frame, y + 1), hotRow, deadRow, m, w, threshold);
        }
    };

    // A run of marked pixels in a row shares its left and right neighbours,
    // one in a column its upper and lower ones: each is searched once, when
    // the run is entered, and carried along it (rows are taken top down).
    constexpr int32_t kSpan = 16 / sizeof(T);
    std::vector<int32_t> upRow(static_cast<size_t>(w)), downRow(static_cast<size_t>(w));
    for (int32_t y = 1; y < h - 1; ++y) {
        markTo(y + 1);
        if (!rowMarked[static_cast<size_t>(y)])
            continue;
        T* p = RowOf<T>(frame, y);
        const T* m = RowOf<T>(marks, y);
        const T* markedAbove = RowOf<T>(marks, y - 1);
        int32_t left = 0, right = 0;
        for (int32_t span = 1; span < w - 1; span += kSpan) {
            if (span + kSpan <= w && ClearSpan(m + span))
                continue;
            for (int32_t x = span; x < std::min(span + kSpan, w - 1); ++x) {
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
                    for (markTo(down); RowOf<T>(marks, down)[x] != 0; markTo(down))
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
