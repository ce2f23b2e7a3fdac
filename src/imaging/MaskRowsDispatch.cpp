#include "imaging/MaskRows.h"

#include "imaging/CpuFeatures.h"

namespace tavix::imaging::detail {

#if defined(TAVIX_IMAGING_AVX2)
extern const MaskRowKernels kAvx2MaskRows;
#endif

const MaskRowKernels* Avx2MaskRows()
{
#if defined(TAVIX_IMAGING_AVX2)
    return Avx2Usable() ? &kAvx2MaskRows : nullptr;
#else
    return nullptr;
#endif
}

const MaskRowKernels& BestMaskRows()
{
    static const MaskRowKernels* const best = Avx2MaskRows() != nullptr ? Avx2MaskRows() : &kPortableMaskRows;
    return *best;
}

} // namespace tavix::imaging::detail
