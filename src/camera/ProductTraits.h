#pragma once
// What the camera object needs to know of the other models of the family
// whose code paths it shares: which products take which branch.

#include <cstdint>

#include "transport/ProductIds.h"

namespace tavix::product {

// Frames come from endpoint 0x83 and there is no FPGA register port.
constexpr uint32_t kAuxEndpoint = 0x3042;
// Carries a serial text link to its sensor.
constexpr uint32_t kSensorText = 0x3180;

// A ring of eight frame slots instead of four.
constexpr bool HasLongRing(uint32_t id) { return id == kProductId32D0; }

// The LI sensor models, read with memory commands.
constexpr bool IsLiSensorModel(uint32_t id) { return id == 0x3310 || id == 0x3320 || id == 0x3330 || id == 0x3340; }

// Models whose camera offers the internal correction whatever the sensor says.
constexpr bool HasInternalCorrection(uint32_t id)
{
    return id == 0x3150 || id == 0x3170 || id == 0x31E0 || id == 0x3220;
}

// The LI models' FPGA temperature: a 16-bit code in registers 0x8E (low) and
// 0x8F (high), code × 503.975 / 65536 − 273.15 °C.
constexpr uint8_t kFpgaTemperatureLow = 0x8E;
constexpr uint8_t kFpgaTemperatureHigh = 0x8F;

} // namespace tavix::product
