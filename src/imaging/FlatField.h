#pragma once
// Flat-field correction of raw frames against a dark and a white reference:
//   8-bit:  P = ((P - dark) * 256) / (white - dark), truncated, 0..255; P stays where white = dark;
//   16-bit: P = ((P - dark) * 65536) / (white - dark), truncated, 0..65535; P stays where white <= dark.
// The division would cost a hardware divide per pixel and frame, so each
// reference pixel gets a multiplier when the references change: the
// quotient is then (n * f) >> s, exact for every sample (f is the quotient's
// reciprocal rounded up, and its error stays below 1 / (white - dark)).

#include <cstdint>
#include <vector>

#include "imaging/DibImage.h"
#include "imaging/ReferenceWindow.h"

namespace tavix::imaging {

// Per reference pixel: the dark sample (offset) and a multiplier of 24
// bits, kept as its high byte and low 16 bits so that the quotient comes
// from 16-bit multiplies: (n * f) >> 16 = n * high + ((n * low) >> 16).
// Pixels whose white reference lies below the dark one divide two negative
// differences: they are rare (a broken pixel), so the planes carry the
// sample itself for them and a list per reference row their own factors,
// applied to the inverted sample after the row's pass.
struct FlatFieldFactors8 {
    struct Inverted {
        uint16_t column;
        uint8_t offset; // 255 - dark: (255 - P) - (255 - dark) = dark - P
        uint32_t multiplier;
    };
    std::vector<uint8_t> offset, high;
    std::vector<uint16_t> low;
    std::vector<Inverted> inverted;      // by row, then column
    std::vector<uint32_t> invertedStart; // first entry of each row, and the end
};

// Per reference pixel: the dark sample in the top 16 bits, the multiplier in
// the low 48.
struct FlatFieldFactors16 {
    std::vector<uint64_t> factor;
};

// n * 256 / r, limited to 255, for a difference n >= 0 (here 0..255) and
// the multiplier of r, all in 16 bits.
inline uint8_t FlatFieldSample8(uint8_t sample, uint8_t offset, uint8_t high, uint16_t low)
{
    const auto n = static_cast<uint16_t>(sample > offset ? sample - offset : 0);
    const auto q = static_cast<uint16_t>(n * high + static_cast<uint16_t>((uint32_t{n} * low) >> 16));
    return static_cast<uint8_t>(q > 255 ? 255 : q);
}

inline uint16_t FlatFieldSample16(uint16_t sample, uint64_t factor)
{
    int64_t n = static_cast<int64_t>(sample) - static_cast<int64_t>(factor >> 48);
    n = n < 0 ? 0 : n;
    const uint64_t q = (static_cast<uint64_t>(n) * (factor & 0xFFFFFFFFFFFFull)) >> 32;
    return static_cast<uint16_t>(q > 65535 ? 65535 : q);
}

// The factors of one reference pixel: offset, multiplier and whether the
// sample is inverted first.
struct FlatFieldFactor8 {
    uint8_t offset;
    uint32_t multiplier;
    bool inverted;

    FlatFieldFactor8(uint8_t dark, uint8_t white);
    uint8_t Apply(uint8_t sample) const
    {
        return FlatFieldSample8(static_cast<uint8_t>(inverted ? 255 - sample : sample), offset,
                                static_cast<uint8_t>(multiplier >> 16), static_cast<uint16_t>(multiplier));
    }
};
uint64_t FlatFieldFactor16(uint16_t dark, uint16_t white);

// From references of kReferenceWidth x kReferenceHeight (false, factors
// emptied, for any other geometry or depth).
bool BuildFlatField(const DibImage& dark8, const DibImage& white8, FlatFieldFactors8& out);
bool BuildFlatField(const DibImage& dark16, const DibImage& white16, FlatFieldFactors16& out);

// Corrects an 8-bit (16-bit) frame in place, inside the window's margin;
// pixels whose reference position lies off the sensor stay. Nothing happens
// for a frame of another depth or factors not built.
void ApplyFlatField(DibImage& frame, const FlatFieldFactors8& factors, const ReferenceWindow& window);
void ApplyFlatField(DibImage& frame, const FlatFieldFactors16& factors, const ReferenceWindow& window);

} // namespace tavix::imaging
