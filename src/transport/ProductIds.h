#pragma once
// USB product identifiers of the camera family that change how the
// transport talks to a camera.

#include <cstdint>

namespace tavix {

constexpr uint16_t kProductIdTavix264 = 0x31B4; // this product (IMX264)
// Reads its frame information block once and answers a miss with 0xC0
// instead of restarting the frame.
constexpr uint16_t kProductId32D0 = 0x32D0;
// Wants a memory command ahead of every piece of a command-driven read.
constexpr uint16_t kProductId3310 = 0x3310;

} // namespace tavix
