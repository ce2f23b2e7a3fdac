#include "imaging/DemosaicKernels.h"

namespace tavix::imaging::detail {

#if defined(TAVIX_IMAGING_AVX2)
extern const DemosaicKernels kAvx2Kernels;
#endif

const DemosaicKernels* Avx2Kernels()
{
#if defined(TAVIX_IMAGING_AVX2)
    // libgcc's check includes the operating system's saving of the YMM state.
    static const bool usable = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return usable ? &kAvx2Kernels : nullptr;
#else
    return nullptr;
#endif
}

const DemosaicKernels& BestKernels()
{
    static const DemosaicKernels* const best = [] {
        const DemosaicKernels* avx2 = Avx2Kernels();
        return avx2 != nullptr ? avx2 : &kPortableKernels;
    }();
    return *best;
}

} // namespace tavix::imaging::detail
