#include "emulator/Fpga.h"

#include "emulator/EmulatedCamera.h"

namespace tavix::emu {

void Fpga::PowerUp()
{
    regs_.fill(0);
    Poke(fpga::kRegWidthLow, kArrayWidth & 0xFF);
    Poke(fpga::kRegWidthHigh, kArrayWidth >> 8);
    Poke(fpga::kRegHeightLow, kArrayHeight & 0xFF);
    Poke(fpga::kRegHeightHigh, kArrayHeight >> 8);
    Poke(fpga::kRegPixelDepth, fpga::kDepth8);
    Poke(fpga::kRegFormatCode, fpga::kDefaultFormatCode);
    Poke(fpga::kRegStatusWordLow, fpga::kDefaultStatusWord & 0xFF);
    Poke(fpga::kRegStatusWordHigh, fpga::kDefaultStatusWord >> 8);
    readyPolls_ = 0;
    busyPollsLeft_ = busBusyPolls_;
    pulseArmed_ = false;
    pulsedLock_ = false;
    restartArmed_ = false;
    restarted_ = false;
}

bool Fpga::TakeRestartPulse()
{
    const bool pulse = restarted_;
    restarted_ = false;
    return pulse;
}

bool Fpga::Producing() const
{
    return regs_[fpga::kRegSensorEnable] == 1 && regs_[fpga::kRegFormatCode] == fpga::kDefaultFormatCode;
}

void Fpga::SetReadiness(int readyAfterPolls, int busBusyPolls, int lockMode)
{
    readyAfterPolls_ = readyAfterPolls;
    busBusyPolls_ = busBusyPolls;
    busyPollsLeft_ = busBusyPolls;
    lockMode_ = lockMode;
    readyPolls_ = 0;
    pulseArmed_ = false;
    pulsedLock_ = false;
}

bool Fpga::Locked() const
{
    switch (static_cast<FpgaLock>(lockMode_)) {
    case FpgaLock::kLocked:
        return true;
    case FpgaLock::kLocksAfterPulse:
        return pulsedLock_;
    case FpgaLock::kNeverLocks:
        break;
    }
    return false;
}

uint8_t Fpga::Read(uint8_t reg)
{
    uint8_t value = regs_[reg];
    if (reg == fpga::kRegSensorRestart) {
        if (value != 0)
            restartArmed_ = true;
        else if (restartArmed_) {
            restartArmed_ = false;
            restarted_ = true;
        }
    }
    if (reg == fpga::kRegStatus) {
        ++readyPolls_;
        const bool ready = readyAfterPolls_ != kNever && readyPolls_ > readyAfterPolls_;
        if (!ready)
            value |= fpga::kStatusNotReady;
        else if (busyPollsLeft_ > 0) {
            --busyPollsLeft_;
            value |= fpga::kStatusBusBusy;
        }
    } else if (reg == fpga::kRegLock) {
        value = static_cast<uint8_t>(Locked() ? (value | fpga::kLockBit) : (value & ~fpga::kLockBit));
    }
    return value;
}

void Fpga::Write(uint8_t reg, uint8_t value)
{
    if (reg == fpga::kRegLock) {
        // The lock logic sees a pulse of bit 0: a 1 followed by a 0.
        if ((value & 1) != 0)
            pulseArmed_ = true;
        else if (pulseArmed_) {
            pulseArmed_ = false;
            pulsedLock_ = true;
        }
        value = static_cast<uint8_t>(value & ~fpga::kLockBit);
    }
    if (reg == fpga::kRegSensorRestart) {
        if (value != 0)
            restartArmed_ = true;
        else if (restartArmed_) {
            restartArmed_ = false;
            restarted_ = true;
        }
    }
    if (reg == fpga::kRegStatus)
        value = static_cast<uint8_t>(value & ~(fpga::kStatusNotReady | fpga::kStatusBusBusy));
    regs_[reg] = value;
}

} // namespace tavix::emu
