#include "imaging/MaskRows.h"

namespace tavix::imaging::detail {

#if defined(TAVIX_IMAGING_AVX2)
extern const MaskRowKernels kAvx2MaskRows;
#endif

const MaskRowKernels* Avx2MaskRows()
{
#if defined(TAVIX_IMAGING_AVX2)
    // libgcc's check includes the operating system's saving of the YMM state.
    static const bool usable = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return usable ? &kAvx2MaskRows : nullptr;
#else
    return nullptr;
#endif
}

const MaskRowKernels& BestMaskRows()
{
    static const MaskRowKernels* const best = [] {
        const MaskRowKernels* avx2 = Avx2MaskRows();
        return avx2 != nullptr ? avx2 : &kPortableMaskRows;
    }();
    return *best;
}

} // namespace tavix::imaging::detail
