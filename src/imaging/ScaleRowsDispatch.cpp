#include "imaging/ScaleRows.h"

#include "imaging/CpuFeatures.h"

namespace tavix::imaging::detail {

#if defined(TAVIX_IMAGING_AVX2)
extern const ScaleRowKernels kAvx2ScaleRows;
#endif

const ScaleRowKernels* Avx2ScaleRows()
{
#if defined(TAVIX_IMAGING_AVX2)
    return Avx2Usable() ? &kAvx2ScaleRows : nullptr;
#else
    return nullptr;
#endif
}

const ScaleRowKernels& BestScaleRows()
{
    static const ScaleRowKernels* const best = Avx2ScaleRows() != nullptr ? Avx2ScaleRows() : &kPortableScaleRows;
    return *best;
}

} // namespace tavix::imaging::detail
