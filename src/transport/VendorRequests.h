#pragma once
// Vendor request codes of the camera's FX3 firmware and the addresses on its
// I2C bus. Each request travels as one VendorRecord (TransferRecord.h).

#include <cstdint>

namespace tavix {

namespace vendor {
constexpr uint8_t kI2cWrite = 0x30;          // value: byte count, index: device address
constexpr uint8_t kI2cRead = 0x31;           // value: byte count, index: device address | 1
constexpr uint8_t kCommandByte = 0x3C;       // one byte of payload
constexpr uint8_t kStatusByte = 0x3D;        // answers one byte
constexpr uint8_t kSensorWordWrite = 0x3E;   // payload: address high, low, value high, low
constexpr uint8_t kSensorWordRead = 0x3F;    // value: 16-bit address; answers a u16
constexpr uint8_t kInfoBlock = 0xB0;         // answers the 64-byte camera information block
constexpr uint8_t kInfoBlockB1 = 0xB1;       // answers a second 64-byte block
constexpr uint8_t kResetStream = 0xC0;       // no payload
constexpr uint8_t kStartFrame = 0xC2;        // endpoint recipient; sent over the stream handle
constexpr uint8_t kGpio25Flag = 0xC3;        // answers the flag in data byte 0
constexpr uint8_t kEndpointRequestCC = 0xCC; // endpoint recipient, no payload
constexpr uint8_t kRegister32Write = 0xD0;   // value: address bit 15, index: bits 0-14; payload: u32
constexpr uint8_t kRegister16Read = 0xD1;    // index: 16-bit address; answers a u16
} // namespace vendor

// Largest I2C transfer one vendor request carries: its data area.
constexpr uint8_t kMaxI2cBytes = 64;

// Devices on the camera's I2C bus, in their 8-bit write form; the read form
// has bit 0 set.
namespace i2c {
constexpr uint8_t kFpgaWrite = 0x40;  // the FPGA's register port
constexpr uint8_t kFpgaRead = 0x41;
constexpr uint8_t kAuxWrite = 0x5A;   // auxiliary register device of the MT9F002 models
constexpr uint8_t kAuxRead = 0x5B;
constexpr uint8_t kSromWrite = 0xA2;  // serial EEPROM, 16-bit addresses
constexpr uint8_t kSromRead = 0xA3;
constexpr uint8_t kReadBit = 0x01;
} // namespace i2c

// FPGA registers the transport itself touches. A register value travels on
// the bus as two bytes, high byte first; the high byte is written as 0 and
// ignored on read.
namespace fpga {
constexpr uint8_t kVersionLow = 0x10;
constexpr uint8_t kVersionHigh = 0x11;
constexpr uint8_t kFrameRestart = 0x6C; // pulsed 1 then 0 to restart a stalled frame
} // namespace fpga

// EEPROM programming and read-back need these pauses after the address write.
constexpr uint32_t kSromWriteSettleMs = 14;
constexpr uint32_t kSromReadSettleMs = 10;

} // namespace tavix
