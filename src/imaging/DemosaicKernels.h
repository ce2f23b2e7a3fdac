#pragma once
// The inner loop of the demosaic: runs of pixel pairs inside one output row,
// in interchangeable implementations (portable C++ and, on x86, AVX2) that
// produce identical bytes. Only plain declarations here: the AVX2 unit
// includes this header and must not share inline code with the others.

#include <cstdint>

namespace tavix::imaging::detail {

// A run of pairs of output row m. Each pair starts at a column where row m
// holds its own colour sample (red or blue); the second pixel of the pair is
// the green one beside it. All pointers point at that first column of the
// first pair; a pair reads source columns -2..+3 around it, so the caller
// keeps runs at least two columns away from the left edge and three from
// the right.
struct PairRun {
    const uint8_t* above2; // source row m-2
    const uint8_t* above1; // source row m-1
    const uint8_t* row;    // source row m
    const uint8_t* below1; // source row m+1
    uint8_t* out;          // output pixel of the first column
    int32_t pairs;
    int32_t ownGain;   // multiplier (0..512, 128 = unity) of row m's own colour
    int32_t crossGain; // multiplier of the colour sampled by rows m-1 and m+1
    bool ownIsRed;
};

using PairRunFn = void (*)(const PairRun&);

// Output layouts by source depth: 8-bit samples to 3 or 4 bytes per pixel,
// 16-bit samples to 3 or 4 words per pixel.
enum OutputFormat { kBgr24 = 0, kBgrx32 = 1, kBgr48 = 2, kBgrx64 = 3, kOutputFormatCount = 4 };

struct DemosaicKernels {
    const char* name;
    PairRunFn run[kOutputFormatCount];
};

// Plain C++ written for the compiler to vectorise; every build has it.
extern const DemosaicKernels kPortableKernels;

// AVX2 intrinsics; null when this build has no AVX2 unit or the processor
// (and operating system) cannot run it.
const DemosaicKernels* Avx2Kernels();

// The fastest set this processor runs.
const DemosaicKernels& BestKernels();

} // namespace tavix::imaging::detail
