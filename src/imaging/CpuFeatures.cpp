#include "imaging/CpuFeatures.h"

namespace tavix::imaging::detail {

bool Avx2Usable()
{
#if defined(TAVIX_IMAGING_AVX2)
    // libgcc's check includes the operating system's saving of the YMM state.
    static const bool usable = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return usable;
#else
    return false;
#endif
}

} // namespace tavix::imaging::detail
