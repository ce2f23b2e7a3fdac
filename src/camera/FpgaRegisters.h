#pragma once
// The FPGA registers the camera object writes and reads (8-bit registers
// behind 8-bit numbers, reached through the transport's FPGA port).

#include <cstdint>

#include "transport/VendorRequests.h"

namespace tavix::fpga {

constexpr uint8_t kBusStatus = 2;     // bit 1: the sensor's serial bus is busy
constexpr uint8_t kBusBusy = 0x02;
constexpr uint8_t kFrameCounter = 8;  // frames the FPGA counted, low 8 bits
// Pulsed 1 then 0: restarts the sensor's frame (the transport pulses the
// same register between attempts to read a frame's information block).
constexpr uint8_t kSensorRestart = kFrameRestart;
constexpr uint8_t kReadyPulse = 0x82; // bit 0 nudges an FPGA that is not ready

// The frame format.
constexpr uint8_t kPixelDepth = 0x3C; // 1: 8 bits, 2: 16 bits
constexpr uint8_t kPixelDepth8 = 1;
constexpr uint8_t kPixelDepth16 = 2;
constexpr uint8_t kHeightLow = 0x40;
constexpr uint8_t kHeightHigh = 0x41;
constexpr uint8_t kWidthLow = 0x44;
constexpr uint8_t kWidthHigh = 0x45;
constexpr uint8_t kOutputFormat = 0x48;
constexpr uint8_t kFormat49 = 0x49;
constexpr uint8_t kFormat4C = 0x4C;
constexpr uint8_t kFormat4D = 0x4D;
constexpr uint8_t kOutputFormatCode = 11; // this product's (and 0x32A0's) output format

} // namespace tavix::fpga
