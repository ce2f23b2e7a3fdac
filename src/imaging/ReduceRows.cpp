#include "imaging/ReduceRows.h"

#include "imaging/CpuFeatures.h"
#include "imaging/ReduceRowKernels.h"

namespace tavix::imaging {

namespace detail {

#if defined(TAVIX_IMAGING_AVX2)
extern const ReduceRowKernels kAvx2ReduceRows;
#endif

const ReduceRowKernels* Avx2ReduceRows()
{
#if defined(TAVIX_IMAGING_AVX2)
    return Avx2Usable() ? &kAvx2ReduceRows : nullptr;
#else
    return nullptr;
#endif
}

const ReduceRowKernels& BestReduceRows()
{
    static const ReduceRowKernels* const best = Avx2ReduceRows() != nullptr ? Avx2ReduceRows() : &kPortableReduceRows;
    return *best;
}

} // namespace detail

void Gray16ToGray8Row(uint8_t* out, const uint8_t* in, int32_t width, int32_t depth)
{
    detail::BestReduceRows().gray16ToGray8(out, in, width, depth - 8);
}

void Gray16ToBgrRow(uint8_t* out, const uint8_t* in, int32_t width, int32_t depth)
{
    detail::BestReduceRows().gray16ToBgr(out, in, width, depth - 8);
}

bool ColourToBgrRow(uint8_t* out, const uint8_t* in, int32_t width, int32_t bitCount)
{
    const detail::ReduceRowKernels& rows = detail::BestReduceRows();
    switch (bitCount) {
    case 32: rows.pick32(out, in, width); return true;
    case 48: rows.pick48(out, in, width); return true;
    case 64: rows.pick64(out, in, width); return true;
    default: return false;
    }
}

} // namespace tavix::imaging
