#pragma once
// The 64-byte frame information block the camera sends on endpoint 0x81
// ahead of every frame payload (little-endian). The SDK reads the payload
// size at 16 and the frame number at 32, and keeps the words at 28, 32, 40
// and 44 with each frame.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavix::emu {

struct FrameSettings;

namespace frameinfo {
constexpr size_t kSize = 64;
constexpr size_t kOffMagic = 0;         // "TFIB"
constexpr size_t kOffWidth = 4;         // u16 payload width in samples
constexpr size_t kOffHeight = 6;        // u16 payload height in lines
constexpr size_t kOffBytesPerSample = 8; // u8 1 or 2
constexpr size_t kOffFlags = 9;         // u8 bit 0 vertical flip, bit 1 mirror, bit 2 sub-sampled
constexpr size_t kOffPayloadBytes = 16; // u32
constexpr size_t kOffTimestampUs = 20;  // u64 microseconds since the camera was plugged in
constexpr size_t kOffExposureLines = 28; // u32
constexpr size_t kOffFrameNumber = 32;  // u32
constexpr size_t kOffFrameLength = 36;  // u32 lines
constexpr size_t kOffGain = 40;         // u32 0.1 dB steps
constexpr size_t kOffLineTimeNs = 44;   // u32 nanoseconds per line
} // namespace frameinfo

// The block the camera sends for a frame of these settings, with the payload
// byte count it announces (normally settings.AnnouncedBytes()).
std::array<uint8_t, frameinfo::kSize> EncodeFrameInfo(const FrameSettings& settings, uint32_t payloadBytes,
                                                      uint64_t timestampUs);

} // namespace tavix::emu
