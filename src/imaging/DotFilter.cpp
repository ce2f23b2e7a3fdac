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

bool MarkRow(const uint8_t* up, const uint8_t* p, const uint8_t* down, uint8_t* m, int32_t w, int32_t threshold)
{
    return detail::BestMaskRows().markRow8(up, p, down, m, w, threshold);
}

bool MarkRow(const uint16_t* up, const uint16_t* p, const uint16_t* down, uint16_t* m, int32_t w, int32_t threshold)
{
    return detail::BestMaskRows().markRow16(up, p, down, m, w, threshold);
}

// Marks the listed defects of frame row y; whether there were any.
template <typename T>
bool MarkDefects(const DefectList& defects, const ReferenceWindow& window, int32_t y, T* m, int32_t w)
{
    const int32_t ry = window.Row(y);
    if (ry < 0 || ry >= kReferenceHeight)
        return false;
    bool any = false;
    const uint16_t* end = defects.columns.data() + defects.rowStart[static_cast<size_t>(ry) + 1];
    for (const uint16_t* c = defects.columns.data() + defects.rowStart[static_cast<size_t>(ry)]; c != end; ++c) {
        // The frame column that shows this sensor column, if any.
        const int32_t u = *c - window.x;
        const int32_t x = window.pairs ? ((u & 3) < 2 ? 2 * (u >> 2) + (u & 3) : -1) : u;
        if (u >= 0 && x >= 1 && x < w - 1) {
            m[x] = 1;
            any = true;
        }
    }
    return any;
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
void DotFilter(DibImage& frame, const DefectList& defects, DibImage& marks, const ReferenceWindow& window,
               int32_t threshold)
{
    const int32_t w = frame.Width(), h = frame.Height();
    if (w < 3 || h < 3)
        return;

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
            T* m = RowOf<T>(marks, y);
            m[0] = m[w - 1] = 0;
            const bool outliers =
                MarkRow(RowOf<T>(frame, y - 1), RowOf<T>(frame, y), RowOf<T>(frame, y + 1), m, w, threshold);
            const bool flagged = MarkDefects(defects, window, y, m, w);
            rowMarked[static_cast<size_t>(y)] = outliers || flagged;
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

bool Fits(const DibImage& frame, const DefectList& defects, const DibImage& marks)
{
    const int32_t bits = frame.BitCount();
    return !frame.Empty() && (bits == 8 || bits == 16) && defects.rowStart.size() == kReferenceHeight + 1 &&
           !marks.Empty() && marks.BitCount() == bits && marks.Width() >= frame.Width() &&
           marks.Height() >= frame.Height();
}

template <typename T>
void ListDefects(const DibImage& hot, const DibImage& dead, DefectList& out)
{
    for (int32_t y = 0; y < kReferenceHeight; ++y) {
        out.rowStart[static_cast<size_t>(y)] = static_cast<uint32_t>(out.columns.size());
        const auto* h = reinterpret_cast<const T*>(hot.Row(y));
        const auto* d = reinterpret_cast<const T*>(dead.Row(y));
        for (int32_t x = 0; x < kReferenceWidth; ++x)
            if ((h[x] | d[x]) != 0)
                out.columns.push_back(static_cast<uint16_t>(x));
    }
    out.rowStart[kReferenceHeight] = static_cast<uint32_t>(out.columns.size());
}

} // namespace

bool BuildDefectList(const DibImage& hot, const DibImage& dead, DefectList& out)
{
    const auto isMap = [&](const DibImage& map) {
        return !map.Empty() && map.BitCount() == hot.BitCount() && map.Width() == kReferenceWidth &&
               map.Height() == kReferenceHeight;
    };
    out = {};
    if (!isMap(hot) || !isMap(dead) || (hot.BitCount() != 8 && hot.BitCount() != 16))
        return false;
    out.rowStart.resize(kReferenceHeight + 1);
    if (hot.BitCount() == 8)
        ListDefects<uint8_t>(hot, dead, out);
    else
        ListDefects<uint16_t>(hot, dead, out);
    return true;
}

void ApplyDotFilter(DibImage& frame, const DefectList& defects, DibImage& marks, const ReferenceWindow& window,
                    int32_t threshold)
{
    if (!Fits(frame, defects, marks))
        return;
    if (frame.BitCount() == 8)
        DotFilter<uint8_t>(frame, defects, marks, window, threshold);
    else
        DotFilter<uint16_t>(frame, defects, marks, window, threshold);
}

} // namespace tavix::imaging
