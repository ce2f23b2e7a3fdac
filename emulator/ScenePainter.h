#pragma once
// The pieces the scene is painted from, shared by the scene function and the
// frame renderer so that both give the same samples.

#include <cstdint>

#include "emulator/Scene.h"

namespace tavix::emu::scene {

// The static scene as a mosaic of 12-bit levels, upright, row-major
// (kArrayWidth × kArrayHeight), computed once per process.
const uint16_t* BaseMosaic();

// A level after exposure and gain: min(4095, (level × scale + 32768) >> 16).
inline uint16_t ScaleLevel(uint32_t level, uint32_t scale)
{
    const uint64_t scaled = (static_cast<uint64_t>(level) * scale + 32768u) >> 16;
    return static_cast<uint16_t>(scaled > kMaxLevel ? kMaxLevel : scaled);
}

// The columns [left, right) of upright row y that the moving square or the
// frame-number box may cover; false when the row crosses neither.
bool OverlaySpan(int y, uint32_t frameNumber, int* left, int* right);
// The level of the moving element or the frame number at (x, y), or -1
// where neither is drawn.
int OverlayLevel(int x, int y, uint32_t frameNumber);

// Noise of position and frame, within ± amplitude.
int Noise(int x, int y, uint32_t frameNumber, uint32_t seed, uint32_t amplitude);

// The delivered sample for a 12-bit level before noise.
inline uint16_t Finish(int level, const FrameSettings& s, int x, int y)
{
    if (!s.still && s.noiseAmplitude != 0) {
        level += Noise(x, y, s.frameNumber, s.noiseSeed, s.noiseAmplitude);
        level = level < 0 ? 0 : (level > kMaxLevel ? kMaxLevel : level);
    }
    return static_cast<uint16_t>(s.sixteenBit ? level : level >> 4);
}

// Samples (or lines) the sensor reads out along one axis, and the upright
// array coordinate of the i-th of them (-1 past the last).
uint32_t AxisCount(bool crop, uint32_t start, uint32_t size, bool skip, int arraySize);
int AxisSource(uint32_t i, bool crop, uint32_t start, uint32_t size, bool skip, bool reverse, int arraySize);
int PayloadColumnSource(const FrameSettings& s, uint32_t column);
int PayloadRowSource(const FrameSettings& s, uint32_t row);

} // namespace tavix::emu::scene
