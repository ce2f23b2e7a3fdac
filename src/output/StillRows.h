#pragma once
// The sample rows the file formats want, made from the rows of an image:
// colour turned from the image's blue-green-red order into red-green-blue,
// 16-bit samples narrowed to 8 bits or widened by their significant bits,
// written in either byte order, and a fourth channel dropped, kept or made
// opaque.

#include <cstdint>

namespace tavix::output {

enum class AlphaRule : uint8_t {
    kZero,    // every fourth sample 0
    kInvert,  // maximum minus the stored value: a stored 0 is opaque
    kOpaque,  // every fourth sample at its maximum
};

struct RowLayout {
    int32_t inChannels;      // 1, 3 or 4
    int32_t inSampleBytes;   // 1 or 2
    int32_t outChannels;     // 1, 3 or 4; colour comes out red first
    int32_t outSampleBytes;  // 1 or 2
    // Significant bits of 16-bit input samples (10, 12, 16): narrowing to 8
    // bits keeps the top eight of them, widening moves them to the top.
    int32_t depth;
    bool bigEndian;          // byte order of 16-bit output samples
    AlphaRule alpha;         // the fourth output channel, when there is one
};

// Bytes of one output row of width pixels, without padding.
int64_t RowBytes(const RowLayout& layout, int32_t width);

// Converts one row of width pixels; false for a layout without a converter.
bool ConvertRow(const RowLayout& layout, uint8_t* out, const uint8_t* in, int32_t width);

} // namespace tavix::output
