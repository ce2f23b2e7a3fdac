#include "imaging/Demosaic.h"

#include <cstring>

#include "imaging/DemosaicKernels.h"

namespace tavix::imaging {

namespace {

using detail::DemosaicKernels;
using detail::OutputFormat;
using detail::PairRun;

// A neighbour index beyond an edge moves four samples back the other way,
// which keeps its colour. Mosaics narrower than four samples step by two
// instead; a single sample has no other of either colour and stands for
// its neighbours itself.
int32_t Reflect(int32_t n, int32_t size)
{
    if (n < 0)
        n += 4;
    else if (n >= size)
        n -= 4;
    while (n >= size)
        n -= 2;
    while (n < 0)
        n += 2;
    return n < size ? n : size - 1;
}

// One demosaic call: the source rectangle as a mosaic of its own, the
// destination pixel of its first sample, the multipliers and the kernel.
template <typename Sample, int PixelBytes>
class Mosaic {
public:
    static constexpr uint32_t kMax = Sample(~Sample{0});
    static constexpr int32_t kSampleBytes = sizeof(Sample);

    Mosaic(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY, int32_t dstStride,
        int32_t srcStride, const DemosaicParams& params, const DemosaicKernels& kernels, OutputFormat format)
        : src_(src + static_cast<ptrdiff_t>(rect.top) * srcStride + static_cast<ptrdiff_t>(rect.left) * kSampleBytes),
          dst_(dst + static_cast<ptrdiff_t>(dstY) * dstStride + static_cast<ptrdiff_t>(dstX) * PixelBytes),
          srcStride_(srcStride), dstStride_(dstStride), width_(rect.right - rect.left),
          height_(rect.bottom - rect.top), phase_(params.phase & 3), gainRed_(BayerMultiplier(params.gainRed)),
          gainBlue_(BayerMultiplier(params.gainBlue)), run_(kernels.run[format])
    {
    }

    void Interior() const
    {
        for (int32_t m = 2; m <= height_ - 3; ++m) {
            const uint8_t* rows[4] = {Row(m - 2), Row(m - 1), Row(m), Row(m + 1)};
            Span(m, rows, 2, width_ - 3);
        }
    }

    // Every pixel within two of an edge: whole rows at the top and bottom,
    // two columns at each side of the rows between. Rows of a border row's
    // neighbourhood beyond an edge are replaced once for the row, so its
    // inner columns run through the pair kernel like the interior.
    void Border() const
    {
        for (int32_t m = 0; m < height_; ++m) {
            const bool innerRow = Inner(m, height_);
            const uint8_t* rows[4] = {Row(Reflect(m - 2, height_)), Row(Reflect(m - 1, height_)), Row(m),
                Row(Reflect(m + 1, height_))};
            for (int32_t x = 0; x < width_; ++x) {
                if (Inner(x, width_)) {
                    if (!innerRow)
                        Span(m, rows, 2, width_ - 3);
                    x = width_ - 3;
                    continue;
                }
                EdgePixel(x, m, rows);
            }
        }
    }

private:
    static bool Inner(int32_t n, int32_t size) { return n >= 2 && n <= size - 3; }
    const uint8_t* Row(int32_t m) const { return src_ + static_cast<ptrdiff_t>(m) * srcStride_; }
    uint8_t* Out(int32_t x, int32_t m) const
    {
        return dst_ + static_cast<ptrdiff_t>(m) * dstStride_ + static_cast<ptrdiff_t>(x) * PixelBytes;
    }
    // Row m's own colour (red in rows of parity class 1, blue in class 0)
    // sits on the columns of this parity.
    int32_t OwnColumnParity(int32_t m) const { return (1 + m + (phase_ & 1) + (phase_ >> 1)) & 1; }
    bool OwnIsRed(int32_t m) const { return ((m + (phase_ & 1)) & 1) == 1; }

    static uint32_t At(const uint8_t* row, int32_t x)
    {
        Sample v;
        std::memcpy(&v, row + static_cast<ptrdiff_t>(x) * kSampleBytes, sizeof v);
        return v;
    }

    // Columns from through to of output row m, none closer than two to the
    // left edge or three to the right: pairs through the kernel, a pixel
    // left over at either end on its own.
    void Span(int32_t m, const uint8_t* const (&rows)[4], int32_t from, int32_t to) const
    {
        int32_t x = from;
        if (x <= to && (x & 1) != OwnColumnParity(m)) {
            InnerPixel(x, m, rows);
            ++x;
        }
        const int32_t pairs = (to - x + 1) / 2;
        if (pairs > 0) {
            const bool ownIsRed = OwnIsRed(m);
            const ptrdiff_t at = static_cast<ptrdiff_t>(x) * kSampleBytes;
            run_(PairRun{rows[0] + at, rows[1] + at, rows[2] + at, rows[3] + at, Out(x, m), pairs,
                ownIsRed ? gainRed_ : gainBlue_, ownIsRed ? gainBlue_ : gainRed_, ownIsRed});
            x += 2 * pairs;
        }
        if (x <= to)
            InnerPixel(x, m, rows);
    }

    void InnerPixel(int32_t x, int32_t m, const uint8_t* const (&rows)[4]) const
    {
        const int32_t cols[4] = {x - 2, x - 1, x, x + 1};
        Compute(x, m, rows, cols);
    }

    void EdgePixel(int32_t x, int32_t m, const uint8_t* const (&rows)[4]) const
    {
        const int32_t cols[4] = {Reflect(x - 2, width_), Reflect(x - 1, width_), x, Reflect(x + 1, width_)};
        Compute(x, m, rows, cols);
    }

    // One pixel from rows m-2..m+1 and columns x-2..x+1 (as replaced at the
    // edges).
    void Compute(int32_t x, int32_t m, const uint8_t* const (&rows)[4], const int32_t (&cols)[4]) const
    {
        auto p = [&](int dx, int dy) { return At(rows[dy + 2], cols[dx + 2]); };
        uint32_t green, own, cross;
        if ((x & 1) == OwnColumnParity(m)) {
            // The pixel is row m's own colour; the cross colour is up-left.
            green = (p(-1, 0) + p(0, -1)) >> 1;
            own = 3 * (3 * p(0, 0) + p(-2, 0) + p(0, -2)) + p(-2, -2);
            cross = 3 * (3 * p(-1, -1) + p(1, -1) + p(-1, 1)) + p(1, 1);
        } else {
            // A green pixel: own colour to its left, cross colour above.
            green = (p(0, 0) + p(-1, -1)) >> 1;
            own = 3 * (3 * p(-1, 0) + p(1, 0) + p(-1, -2)) + p(1, -2);
            cross = 3 * (3 * p(0, -1) + p(-2, -1) + p(0, 1)) + p(-2, 1);
        }
        const bool ownIsRed = OwnIsRed(m);
        const uint32_t red = Scale(ownIsRed ? own : cross, gainRed_);
        const uint32_t blue = Scale(ownIsRed ? cross : own, gainBlue_);
        uint8_t* out = Out(x, m);
        const Sample bgr[3] = {static_cast<Sample>(blue), static_cast<Sample>(green), static_cast<Sample>(red)};
        std::memcpy(out, bgr, sizeof bgr);
    }

    static uint32_t Scale(uint32_t sum, int32_t gain)
    {
        const uint32_t v = (sum * static_cast<uint32_t>(gain)) >> 11;
        return v < kMax ? v : kMax;
    }

    const uint8_t* src_;
    uint8_t* dst_;
    int32_t srcStride_;
    int32_t dstStride_;
    int32_t width_;
    int32_t height_;
    int32_t phase_;
    int32_t gainRed_;
    int32_t gainBlue_;
    detail::PairRunFn run_;
};

enum class Pass { kInterior, kBorder };

template <typename Sample, int PixelBytes>
void RunPass(Pass pass, uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t dstStride, int32_t srcStride, const DemosaicParams& params, const DemosaicKernels& kernels,
    OutputFormat format)
{
    const Mosaic<Sample, PixelBytes> mosaic(dst, src, rect, dstX, dstY, dstStride, srcStride, params, kernels, format);
    if (pass == Pass::kInterior)
        mosaic.Interior();
    else
        mosaic.Border();
}

int Dispatch(Pass pass, uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t dstBytesPerPixel, int32_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, const void* param1,
    void* param2)
{
    if (param1 == nullptr)
        return 0;
    const auto& params = *static_cast<const DemosaicParams*>(param1);
    const auto& kernels =
        param2 != nullptr ? *static_cast<const DemosaicKernels*>(param2) : detail::BestKernels();
    const int formatKey = srcBytesPerPixel * 16 + dstBytesPerPixel;
    switch (formatKey) {
    case 1 * 16 + 3:
        RunPass<uint8_t, 3>(pass, dst, src, rect, dstX, dstY, dstStride, srcStride, params, kernels, detail::kBgr24);
        return 1;
    case 1 * 16 + 4:
        RunPass<uint8_t, 4>(pass, dst, src, rect, dstX, dstY, dstStride, srcStride, params, kernels, detail::kBgrx32);
        return 1;
    case 2 * 16 + 6:
        RunPass<uint16_t, 6>(pass, dst, src, rect, dstX, dstY, dstStride, srcStride, params, kernels, detail::kBgr48);
        return 1;
    case 2 * 16 + 8:
        RunPass<uint16_t, 8>(pass, dst, src, rect, dstX, dstY, dstStride, srcStride, params, kernels, detail::kBgrx64);
        return 1;
    default:
        return 0;
    }
}

} // namespace

int32_t BayerMultiplier(int32_t gain)
{
    if (gain < 0)
        gain = 0;
    if (gain > 400)
        gain = 400;
    return static_cast<int32_t>(gain * 1.28);
}

int DemosaicInterior(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t dstBytesPerPixel, int32_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, const void* param1,
    void* param2)
{
    return Dispatch(Pass::kInterior, dst, src, rect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
        srcStride, param1, param2);
}

int DemosaicBorder(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t dstBytesPerPixel, int32_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, const void* param1,
    void* param2)
{
    return Dispatch(Pass::kBorder, dst, src, rect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
        srcStride, param1, param2);
}

int Demosaic(DibImage& dst, const DibImage& src, const DemosaicParams& params, const detail::DemosaicKernels* kernels)
{
    if (dst.Width() != src.Width() || dst.Height() != src.Height())
        return 0;
    // The routines take the kernel table through the opaque pointer and
    // only read it.
    void* table = const_cast<detail::DemosaicKernels*>(kernels);
    if (RunPixelOp(dst, DemosaicInterior, src, nullptr, 0, 0, &params, table) == 0)
        return 0;
    return RunPixelOp(dst, DemosaicBorder, src, nullptr, 0, 0, &params, table);
}

} // namespace tavix::imaging
