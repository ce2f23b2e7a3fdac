#include "imaging/DemosaicKernels.h"

#include "imaging/CpuFeatures.h"

namespace tavix::imaging::detail {

#if defined(TAVIX_IMAGING_AVX2)
extern const DemosaicKernels kAvx2Kernels;
#endif

const DemosaicKernels* Avx2Kernels()
{
#if defined(TAVIX_IMAGING_AVX2)
    return Avx2Usable() ? &kAvx2Kernels : nullptr;
#else
    return nullptr;
#endif
}

const DemosaicKernels& BestKernels()
{
    static const DemosaicKernels* const best = Avx2Kernels() != nullptr ? Avx2Kernels() : &kPortableKernels;
    return *best;
}

} // namespace tavix::imaging::detail
