#pragma once
// The inner loops of the flat field and the dot filter's outlier test, in
// interchangeable implementations (portable C++ and, on x86, the same code
// compiled for AVX2) that produce identical samples. Only plain
// declarations here: the AVX2 unit must not share inline code with others.

#include <cstdint>

namespace tavix::imaging::detail {

struct MaskRowKernels {
    const char* name;
    // p[x] = flat field of p[x] with the factors at x, for x in [0, count).
    void (*flatField8)(uint8_t* p, const uint8_t* offset, const uint8_t* high, const uint16_t* low, int32_t count);
    void (*flatField16)(uint16_t* p, const uint64_t* factor, int32_t count);
    // m[x] for x in [1, w - 1): 1 where p[x] differs from the mean of
    // p[x - 1], p[x + 1], up[x], down[x] by the threshold or more, else 0.
    // Whether any was set.
    bool (*markRow8)(const uint8_t* up, const uint8_t* p, const uint8_t* down, uint8_t* m, int32_t w,
                     int32_t threshold);
    bool (*markRow16)(const uint16_t* up, const uint16_t* p, const uint16_t* down, uint16_t* m, int32_t w,
                      int32_t threshold);
};

extern const MaskRowKernels kPortableMaskRows;
// The AVX2 build where the processor and the compiler have it, else null.
const MaskRowKernels* Avx2MaskRows();
// The fastest available; chosen once.
const MaskRowKernels& BestMaskRows();

} // namespace tavix::imaging::detail
