#pragma once
// The register map of the IMX264 and of the sensors that share its layout
// (IMX250, IMX252, IMX265): 16-bit register addresses, 8-bit values, sent
// on the serial bus as address high, address low, value. Also the FPGA
// registers and bus devices their drivers poll.

#include <cstdint>

namespace tavix::imx {

// Sensor registers.
inline constexpr uint16_t kSubSampling = 0x020D;    // 0x11: 1/2 skip both ways
inline constexpr uint16_t kReadoutDirection = 0x020E; // bit 0 vertical flip, bit 1 horizontal mirror
inline constexpr uint16_t kFrameLengthLow = 0x0210;
inline constexpr uint16_t kFrameLengthMiddle = 0x0211;
inline constexpr uint16_t kFrameLengthHigh = 0x0212; // bits 16-19
inline constexpr uint16_t kWindowTiming0 = 0x0214;  // written with every window change
inline constexpr uint16_t kWindowTiming1 = 0x0215;
inline constexpr uint16_t kShutterLow = 0x028D;     // lines counted back from the frame end
inline constexpr uint16_t kShutterMiddle = 0x028E;
inline constexpr uint16_t kShutterHigh = 0x028F;    // bits 16-19
inline constexpr uint16_t kChipIdLow = 0x0348;
inline constexpr uint16_t kChipIdHigh = 0x0349;
inline constexpr uint16_t kGainLow = 0x0404;
inline constexpr uint16_t kGainHigh = 0x0405;       // bit 8 of the gain
inline constexpr uint16_t kInitRegister0412 = 0x0412;
inline constexpr uint16_t kBlackLevelLow = 0x0454;
inline constexpr uint16_t kBlackLevelHigh = 0x0455;
inline constexpr uint16_t kWindowMode = 0x0500;
inline constexpr uint16_t kWindowStartHLow = 0x0510; // window registers: low byte, then bits 8-11
inline constexpr uint16_t kWindowStartVLow = 0x0512;
inline constexpr uint16_t kWindowWidthLow = 0x0514;
inline constexpr uint16_t kWindowHeightLow = 0x0516;

inline constexpr uint8_t kInitValue0412 = 8;
inline constexpr uint8_t kBlackLevelInitLow = 0xF0;
inline constexpr uint8_t kSubSamplingHalf = 0x11;
inline constexpr uint8_t kWindowTiming0Value = 0xE4;
inline constexpr uint8_t kWindowTiming1Value = 0x03;

// Chip identifications read from 0x0348/0x0349.
inline constexpr uint32_t kChipImx250 = 250;
inline constexpr uint32_t kChipImx252 = 252;
inline constexpr uint32_t kChipImx264 = 264;

// FPGA registers (8-bit, through the controller's FPGA port).
inline constexpr uint8_t kFpgaBusStatus = 2;       // non-zero while the sensor bus is busy
inline constexpr uint8_t kFpgaSensorNotReadyMask = 0x90; // bits 4 and 7 clear once the sensor is up
inline constexpr uint8_t kFpgaSensorEnable = 96;
inline constexpr uint8_t kFpgaLock = 0x81;         // bit 1 set once the FPGA has locked
inline constexpr uint8_t kFpgaLockedBit = 0x02;

// The ready device on the serial bus: reads a first byte 0 once the sensor
// head has powered up.
inline constexpr uint8_t kReadyDevice = 0x5E;

// FPGA status words below this have no automatic lock: the driver pulses it.
inline constexpr uint16_t kStatusWordSelfLocking = 309;

} // namespace tavix::imx
