#include "imaging/FlatField.h"

#include <algorithm>

#include "imaging/MaskRows.h"

namespace tavix::imaging {

namespace {

constexpr size_t kReferencePixels = size_t{kReferenceWidth} * kReferenceHeight;

bool IsReference(const DibImage& image, int32_t bits)
{
    return !image.Empty() && image.Width() == kReferenceWidth && image.Height() == kReferenceHeight &&
           image.BitCount() == bits;
}

// Quotients of an 8-bit difference times 256 by r = 1..255: ceil(2^24 / r)
// overestimates n * 256 / r by less than n / 2^16 <= 255 / 65536, below the
// 1 / r that separates the true quotient from the next integer. For r = 1
// the multiplier is one less so that it fits in 24 bits: every n >= 1 still
// gives at least 255.
uint32_t Multiplier8(int32_t r) { return r == 1 ? 0xFFFFFFu : static_cast<uint32_t>(((1u << 24) + r - 1) / r); }

// The same for 16-bit differences times 65536, with 2^48: the error stays
// below 65535 / 2^32 < 1 / 65535.
uint64_t Multiplier16(int64_t r)
{
    constexpr uint64_t kOne = uint64_t{1} << 48;
    return r == 1 ? kOne - 1 : (kOne + static_cast<uint64_t>(r) - 1) / static_cast<uint64_t>(r);
}

// Calls kernel(row pixels, reference row, first, last) for each frame row
// inside the margin whose reference row lies on the sensor; columns
// [first, last) have their reference columns on it too (for sub-sampled
// windows only from the left: the kernel checks the right end).
template <typename Kernel>
void ForEachCorrectedRow(DibImage& frame, const ReferenceWindow& window, Kernel&& kernel)
{
    const int32_t w = frame.Width(), h = frame.Height(), m = window.margin;
    int32_t first = std::max(m, -window.x), last = w - m;
    if (!window.pairs)
        last = std::min(last, kReferenceWidth - window.x);
    for (int32_t y = m; y < h - m; ++y) {
        const int32_t ry = window.Row(y);
        if (ry < 0 || ry >= kReferenceHeight || first >= last)
            continue;
        kernel(frame.Row(y), ry, first, last);
    }
}

} // namespace

FlatFieldFactor8::FlatFieldFactor8(uint8_t dark, uint8_t white)
{
    const int32_t r = white - dark;
    inverted = r < 0;
    if (r == 0) {
        offset = 0;
        multiplier = 1u << 16; // the sample itself
    } else if (r > 0) {
        offset = dark;
        multiplier = Multiplier8(r);
    } else {
        offset = static_cast<uint8_t>(255 - dark);
        multiplier = Multiplier8(-r);
    }
}

uint64_t FlatFieldFactor16(uint16_t dark, uint16_t white)
{
    const int64_t r = int64_t{white} - dark;
    if (r <= 0)
        return uint64_t{1} << 32; // the sample itself
    return uint64_t{dark} << 48 | Multiplier16(r);
}

bool BuildFlatField(const DibImage& dark8, const DibImage& white8, FlatFieldFactors8& out)
{
    if (!IsReference(dark8, 8) || !IsReference(white8, 8)) {
        out = {};
        return false;
    }
    out.offset.resize(kReferencePixels);
    out.high.resize(kReferencePixels);
    out.low.resize(kReferencePixels);
    out.inverted.clear();
    out.invertedStart.assign(kReferenceHeight + 1, 0);
    for (int32_t y = 0; y < kReferenceHeight; ++y) {
        const uint8_t* d = dark8.Row(y);
        const uint8_t* wh = white8.Row(y);
        const size_t row = static_cast<size_t>(y) * kReferenceWidth;
        out.invertedStart[static_cast<size_t>(y)] = static_cast<uint32_t>(out.inverted.size());
        for (int32_t x = 0; x < kReferenceWidth; ++x) {
            FlatFieldFactor8 f(d[x], wh[x]);
            if (f.inverted) {
                out.inverted.push_back({static_cast<uint16_t>(x), f.offset, f.multiplier});
                f = FlatFieldFactor8(0, 0);
            }
            out.offset[row + x] = f.offset;
            out.high[row + x] = static_cast<uint8_t>(f.multiplier >> 16);
            out.low[row + x] = static_cast<uint16_t>(f.multiplier);
        }
    }
    out.invertedStart[kReferenceHeight] = static_cast<uint32_t>(out.inverted.size());
    return true;
}

bool BuildFlatField(const DibImage& dark16, const DibImage& white16, FlatFieldFactors16& out)
{
    if (!IsReference(dark16, 16) || !IsReference(white16, 16)) {
        out = {};
        return false;
    }
    out.factor.resize(kReferencePixels);
    for (int32_t y = 0; y < kReferenceHeight; ++y) {
        const auto* d = reinterpret_cast<const uint16_t*>(dark16.Row(y));
        const auto* wh = reinterpret_cast<const uint16_t*>(white16.Row(y));
        uint64_t* f = &out.factor[static_cast<size_t>(y) * kReferenceWidth];
        for (int32_t x = 0; x < kReferenceWidth; ++x)
            f[x] = FlatFieldFactor16(d[x], wh[x]);
    }
    return true;
}

void ApplyFlatField(DibImage& frame, const FlatFieldFactors8& factors, const ReferenceWindow& window)
{
    if (frame.Empty() || frame.BitCount() != 8 || factors.low.size() != kReferencePixels ||
        factors.invertedStart.size() != kReferenceHeight + 1)
        return;
    ForEachCorrectedRow(frame, window, [&](uint8_t* p, int32_t ry, int32_t first, int32_t last) {
        const size_t row = static_cast<size_t>(ry) * kReferenceWidth;
        const uint8_t* offset = factors.offset.data() + row;
        const uint8_t* high = factors.high.data() + row;
        const uint16_t* low = factors.low.data() + row;
        if (!window.pairs) {
            // first >= -window.x: every index is on the row.
            const size_t at = static_cast<size_t>(first + window.x);
            detail::BestMaskRows().flatField8(p + first, offset + at, high + at, low + at, last - first);
        } else {
            for (int32_t x = first; x < last; ++x) {
                const int32_t rx = window.Column(x);
                if (rx < kReferenceWidth)
                    p[x] = FlatFieldSample8(p[x], offset[rx], high[rx], low[rx]);
            }
        }
        // The inverted pixels were left as they were by the pass.
        const auto* end = factors.inverted.data() + factors.invertedStart[static_cast<size_t>(ry) + 1];
        for (const auto* e = factors.inverted.data() + factors.invertedStart[static_cast<size_t>(ry)]; e != end; ++e) {
            const int32_t u = e->column - window.x;
            const int32_t x = window.pairs ? ((u & 3) < 2 ? 2 * (u >> 2) + (u & 3) : -1) : u;
            if (u >= 0 && x >= first && x < last)
                p[x] = FlatFieldSample8(static_cast<uint8_t>(255 - p[x]), e->offset,
                                        static_cast<uint8_t>(e->multiplier >> 16), static_cast<uint16_t>(e->multiplier));
        }
    });
}

void ApplyFlatField(DibImage& frame, const FlatFieldFactors16& factors, const ReferenceWindow& window)
{
    if (frame.Empty() || frame.BitCount() != 16 || factors.factor.size() != kReferencePixels)
        return;
    ForEachCorrectedRow(frame, window, [&](uint8_t* bytes, int32_t ry, int32_t first, int32_t last) {
        auto* p = reinterpret_cast<uint16_t*>(bytes);
        const uint64_t* factor = factors.factor.data() + static_cast<size_t>(ry) * kReferenceWidth;
        if (!window.pairs) {
            detail::BestMaskRows().flatField16(p + first, factor + first + window.x, last - first);
            return;
        }
        for (int32_t x = first; x < last; ++x) {
            const int32_t rx = window.Column(x);
            if (rx < kReferenceWidth)
                p[x] = FlatFieldSample16(p[x], factor[rx]);
        }
    });
}

} // namespace tavix::imaging
