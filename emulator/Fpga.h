#pragma once
// The camera FPGA's 8-bit register file as it answers through its I2C
// register port, with the registers that behave: the status register 2
// (sensor-ready and bus-busy bits), the frame counter 8, the sensor enable
// 96, the output format code 0x48, the sensor restart pulse 0x6C and the
// lock bit of register 0x81. Not thread-safe: the camera serialises access.

#include <array>
#include <cstdint>

namespace tavix::emu {

namespace fpga {
constexpr uint8_t kRegStatus = 2;           // bit 1 bus busy; bits 4 and 7 set until the sensor is ready
constexpr uint8_t kStatusBusBusy = 0x02;
constexpr uint8_t kStatusNotReady = 0x90;
constexpr uint8_t kRegIoPort = 7;           // the camera's digital I/O port
constexpr uint8_t kRegFrameCounter = 8;     // low byte of the frames started
constexpr uint8_t kRegStatusWordLow = 0x10; // status word (FPGA build), low byte
constexpr uint8_t kRegStatusWordHigh = 0x11;
constexpr uint16_t kDefaultStatusWord = 309;
constexpr uint8_t kRegPixelDepth = 0x3C;    // 1 = 8 bits, 2 = 16 bits per sample
constexpr uint8_t kDepth8 = 1;
constexpr uint8_t kDepth16 = 2;
constexpr uint8_t kRegHeightLow = 0x40;     // payload lines
constexpr uint8_t kRegHeightHigh = 0x41;
constexpr uint8_t kRegWidthLow = 0x44;      // payload samples per line
constexpr uint8_t kRegWidthHigh = 0x45;
constexpr uint8_t kRegFormatCode = 0x48;    // output format code (11 for this model)
constexpr uint8_t kDefaultFormatCode = 11;
constexpr uint8_t kRegFormat49 = 0x49;
constexpr uint8_t kRegFormat4C = 0x4C;
constexpr uint8_t kRegFormat4D = 0x4D;
constexpr uint8_t kRegSensorEnable = 96;    // 1: the sensor runs (0 at power-up: no frames)
constexpr uint8_t kRegSensorRestart = 0x6C; // a 1-then-0 pulse restarts the sensor's frame output
constexpr uint8_t kRegLock = 0x81;          // bit 1: PLL locked; a 1-then-0 write pulse relocks
constexpr uint8_t kLockBit = 0x02;
constexpr uint8_t kRegReset = 0x82;         // bit 0 pulsed while waiting for GPIO 25
} // namespace fpga

class Fpga {
public:
    Fpga() { PowerUp(); }
    // Power-on values: full 2448 × 2048 8-bit format, code 11, status word
    // 309, sensor disabled.
    void PowerUp();

    // A read through the register port: register 2 answers the readiness
    // bits (each read counts as a poll), register 0x81 the lock bit.
    uint8_t Read(uint8_t reg);
    // A write through the register port; the 0x81 pulse may lock the PLL.
    void Write(uint8_t reg, uint8_t value);
    // Whether a restart pulse (0x6C written 1, then 0) ended since the last call.
    bool TakeRestartPulse();
    // Frames flow only with the sensor enabled and a format code the
    // formatter knows (11, this sensor's raw Bayer samples).
    bool Producing() const;

    // The stored byte, without side effects (tests, frame settings).
    uint8_t Peek(uint8_t reg) const { return regs_[reg]; }
    void Poke(uint8_t reg, uint8_t value) { regs_[reg] = value; }

    // Readiness of register 2 and of the lock bit (see Readiness); polls
    // count afresh from here.
    void SetReadiness(int readyAfterPolls, int busBusyPolls, int lockMode);
    int ReadyPolls() const { return readyPolls_; }

private:
    bool Locked() const;

    std::array<uint8_t, 256> regs_{};
    int readyAfterPolls_ = 0;
    int busBusyPolls_ = 0;
    int lockMode_ = 0;
    int readyPolls_ = 0;
    int busyPollsLeft_ = 0;
    bool pulseArmed_ = false;
    bool pulsedLock_ = false;
    bool restartArmed_ = false;
    bool restarted_ = false;
};

} // namespace tavix::emu
