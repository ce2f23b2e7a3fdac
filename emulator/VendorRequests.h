#pragma once
// The vendor requests the camera's FX3 firmware answers on endpoint 0, each
// carried in one 102-byte record through SEND_EP0_CONTROL_TRANSFER, and the
// camera information block it sends for request 0xB0.

#include <cstddef>
#include <cstdint>

namespace tavix::emu::fx3 {

constexpr uint8_t kI2cWrite = 0x30;          // value: byte count 1..64, index: device (write form)
constexpr uint8_t kI2cRead = 0x31;           // value: byte count 1..64, index: device | 1
constexpr uint8_t kCommandByte = 0x3C;       // one data byte
constexpr uint8_t kStatusByte = 0x3D;        // answers one byte
constexpr uint8_t kWriteSensorWord = 0x3E;   // address high, low, value high, low
constexpr uint8_t kReadSensorWord = 0x3F;    // value: address; answers u16
constexpr uint8_t kInfoBlock = 0xB0;         // answers the 64-byte camera information block
constexpr uint8_t kInfoBlockB1 = 0xB1;       // answers a second 64-byte block
constexpr uint8_t kStopFrames = 0xC0;        // ends frame output: disarms, drops unread frame data
constexpr uint8_t kArmFrame = 0xC2;          // arms the next frame on endpoint 0x81
constexpr uint8_t kGpio25 = 0xC3;            // answers 64 bytes, byte 0 the FPGA-ready level of GPIO 25
constexpr uint8_t kEndpointRequestCC = 0xCC; // accepted, no effect
constexpr uint8_t kWriteRegister32 = 0xD0;   // value: address bit 15, index: bits 0..14; u32 data
constexpr uint8_t kReadRegister16 = 0xD1;    // index: address; answers 64 bytes, u16 in bytes 0..1

constexpr size_t kMaxI2cBytes = 64;

// Camera information block (request 0xB0).
constexpr size_t kInfoBlockSize = 64;
constexpr size_t kInfoVendorId = 0;         // u16 (this emulator's choice)
constexpr size_t kInfoProductId = 2;        // u16 (this emulator's choice)
constexpr size_t kInfoFirmwareVersion = 24; // u16: controller firmware version
constexpr size_t kInfoGpio25Flag = 52;      // u8: 1 when GPIO 25 carries the FPGA-ready signal

} // namespace tavix::emu::fx3
