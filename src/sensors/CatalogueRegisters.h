#pragma once
// Registers of the family's drivers other than the IMX264 layout
// (ImxRegisters.h), named once for the drivers and their tests.

#include <cstdint>

namespace tavix::catalogue {

// FPGA registers.
inline constexpr uint8_t kFpgaCooling = 151;      // bit 0: cooler on
inline constexpr uint8_t kFpgaAuxOutput = 130;
// The cooled IMX heads' 12-bit temperature status, low byte then bits 8-11.
inline constexpr uint8_t kFpgaTemperatureLow = 152;
inline constexpr uint8_t kFpgaTemperatureHigh = 153;
inline constexpr uint16_t kInternalCorrectionBit = 0x8000; // of the FPGA status word
// The KAI heads' per-channel gain and offset: channel n (1-4) at base +
// 2 (n - 1), low byte, then the high byte in the next register.
inline constexpr uint8_t kFpgaChannelGainBase = 0xB0;
inline constexpr uint8_t kFpgaChannelOffsetBase = 0xB8;
// The G1467x thermistor: conversion start and selection, then the ADC count.
inline constexpr uint8_t kFpgaThermistorControl = 84;
inline constexpr uint8_t kFpgaThermistorStart = 82;
inline constexpr uint8_t kFpgaThermistorLow = 80;
inline constexpr uint8_t kFpgaThermistorHigh = 83;
// The G1467x cooler's target: the thermistor count it regulates to, low
// byte, then bits 8-9.
inline constexpr uint8_t kFpgaTargetLow = 85;
inline constexpr uint8_t kFpgaTargetHigh = 86;
// The Jorn and Ilva heads take commands through the FPGA: the argument in
// 32, the command in 160, the head's answer in 96.
inline constexpr uint8_t kFpgaCommandArgument = 32;
inline constexpr uint8_t kFpgaCommand = 160;
inline constexpr uint8_t kFpgaCommandReply = 96;
inline constexpr uint8_t kCommandExtendedMode = 4;
// Their firmware revision (low, high byte) and version (major, minor).
inline constexpr uint8_t kFpgaHeadRevisionLow = 0x14;
inline constexpr uint8_t kFpgaHeadRevisionHigh = 0x15;
inline constexpr uint8_t kFpgaHeadMajor = 0x16;
inline constexpr uint8_t kFpgaHeadMinor = 0x17;
// The Jorn head's stepped gain (the stage number).
inline constexpr uint8_t kFpgaGainStage = 0x5C;
// The latched status flag of the Jorn, Ilva and GLUX9701 heads (bit 0).
inline constexpr uint8_t kFpgaStatusFlag = 0x5D;
// The Elvo head's link register: reads back 4 once the head listens.
inline constexpr uint8_t kFpgaLink = 255;
inline constexpr uint8_t kLinkReady = 4;
// Where the heads that take their exposure in microseconds get it, as a
// 32-bit count low byte first in four consecutive registers: FPGA registers
// for the LI heads on the FPGA port, sensor registers for the others.
inline constexpr uint8_t kFpgaExposureMicroseconds = 0x30;
inline constexpr uint16_t kSensorExposureMicroseconds = 0x0600;

// Sensor registers of the serial-bus heads.
inline constexpr uint16_t kTextRegister = 0;      // Elvo: one character per access
inline constexpr uint16_t kGluxTemperatureLow = 0x188;
inline constexpr uint16_t kGluxTemperatureHigh = 0x189;
inline constexpr uint16_t kGluxSpecialMode = 0x18A;  // 0 or 1

// MT9 registers (16-bit addresses and values).
inline constexpr uint16_t kMt9ChipVersion = 0x0000;
inline constexpr uint16_t kMt9Exposure = 0x3012;
inline constexpr uint16_t kMt9P001Exposure = 9;
inline constexpr uint16_t kMt9ChannelGain[4] = {0x305A, 0x3056, 0x305C, 0x3058};
inline constexpr uint16_t kMt9P001ChannelGain[4] = {45, 43, 46, 44};
inline constexpr uint16_t kMt9FChannelGainBits = 0x1100;
inline constexpr uint16_t kMt9JChannelGainBits = 0x1080;
// The MT9J001's clock tree, in address order: video-timing pixel and system
// dividers, PLL pre-divider and multiplier, output pixel and system
// dividers (one 16-bit register each).
inline constexpr uint16_t kMt9JClockRegisters[6] = {0x0300, 0x0302, 0x0304, 0x0306, 0x0308, 0x030A};
// MT9F002 reset register: bit 2 streams, cleared it stops the read-out.
inline constexpr uint16_t kMt9FResetRegister = 0x301A;
inline constexpr uint16_t kMt9FStreamBit = 0x0004;
// The MT9F002 head's auxiliary register device: pulsed 1 then 0 to re-arm
// the frame logic.
inline constexpr uint8_t kMt9FAuxRearm = 0x01;
// The chip version that tells an MT9F002 from an MT9F001 on product 0x3020.
inline constexpr uint8_t kMt9F002Version[2] = {0x2E, 0x01};

} // namespace tavix::catalogue
