#pragma once
// The row loops of ReduceRows.h in interchangeable builds (portable C++
// and, on x86, the same code compiled for AVX2) that produce identical
// bytes. Only plain declarations here: the AVX2 unit must not share inline
// code with others.

#include <cstdint>

namespace tavix::imaging::detail {

struct ReduceRowKernels {
    const char* name;
    // As Gray16ToGray8Row and Gray16ToBgrRow, with shift = depth - 8.
    void (*gray16ToGray8)(uint8_t* out, const uint8_t* in, int32_t width, int32_t shift);
    void (*gray16ToBgr)(uint8_t* out, const uint8_t* in, int32_t width, int32_t shift);
    // Blue, green, red of 32-, 48- and 64-bit pixels.
    void (*pick32)(uint8_t* out, const uint8_t* in, int32_t width);
    void (*pick48)(uint8_t* out, const uint8_t* in, int32_t width);
    void (*pick64)(uint8_t* out, const uint8_t* in, int32_t width);
};

extern const ReduceRowKernels kPortableReduceRows;
// The AVX2 build where the processor and the compiler have it, else null.
const ReduceRowKernels* Avx2ReduceRows();
// The fastest available; chosen once.
const ReduceRowKernels& BestReduceRows();

} // namespace tavix::imaging::detail
