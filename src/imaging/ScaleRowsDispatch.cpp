#include "imaging/ScaleRows.h"

namespace tavix::imaging::detail {

#if defined(TAVIX_IMAGING_AVX2)
extern const ScaleRowKernels kAvx2ScaleRows;
#endif

const ScaleRowKernels* Avx2ScaleRows()
{
#if defined(TAVIX_IMAGING_AVX2)
    // libgcc's check includes the operating system's saving of the YMM state.
    static const bool usable = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return usable ? &kAvx2ScaleRows : nullptr;
#else
    return nullptr;
#endif
}

const ScaleRowKernels& BestScaleRows()
{
    static const ScaleRowKernels* const best = [] {
        const ScaleRowKernels* avx2 = Avx2ScaleRows();
        return avx2 != nullptr ? avx2 : &kPortableScaleRows;
    }();
    return *best;
}

} // namespace tavix::imaging::detail
