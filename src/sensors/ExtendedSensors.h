#pragma once
// The heads with protocols of their own beyond registers: Jorn and Ilva on
// the FPGA, which take commands with a handshake and report their firmware
// version, GLUX9701 framed like the IMX sensors with a temperature readout
// and a special mode. All three take their exposure in seconds and latch a
// status flag in the FPGA.

#include <cstdint>

#include "sensors/FpgaSensors.h"
#include "sensors/ImxSensors.h"

namespace tavix {

namespace extended {
// Bit 0 of the status flag register: 0 or 1, -1 when it cannot be read.
int ReadStatusFlag(CControllerBase* transport);
// Sets (1) or clears (0) the flag; any other value is refused.
int WriteStatusFlag(CControllerBase* transport, uint32_t value);
} // namespace extended

template <class Base>
class CStatusFlagSensor : public Base {
public:
    int ReadStatusBit() override { return extended::ReadStatusFlag(this->transport_); }
    int SetStatusCompanion(uint32_t value) override { return extended::WriteStatusFlag(this->transport_, value); }

protected:
    using Base::Base;
};

// Jorn and Ilva: commands go as argument and command, and count as taken
// once the head answers the argument back.
class CHandshakeSensor : public CStatusFlagSensor<CFpgaSecondsSensor> {
public:
    static constexpr uint32_t kReplyPolls = 10;
    static constexpr uint32_t kReplyPollMs = 10;

    int IsExtendedModeAvailable() override { return 1; }
    int GetExtendedMode(uint32_t* mode) override { return Deliver(mode, extendedMode_); }
    // Mode 0 (off) or 1 (on); kept only when the head confirmed it.
    int SetExtendedMode(uint32_t mode) override;
    // The FPGA's status word as the version, the head's revision, major
    // and minor version; all outputs required.
    int GetVersionInfo(uint32_t* version, uint16_t* revision, uint8_t* major, uint8_t* minor) override;

protected:
    using CStatusFlagSensor<CFpgaSecondsSensor>::CStatusFlagSensor;

private:
    uint32_t extendedMode_ = 0;
};

class CSensorJorn final : public CHandshakeSensor {
public:
    // The stepped gain's stages and their labels.
    static constexpr const char* kGainStageLabels[] = {"x1", "x2", "x4", "x8"};

    CSensorJorn(CControllerBase* transport, uint8_t busAddress);
    // The base defaults, then the default gain stage.
    int InitializeSensor() override;
    // Clamped to the last stage.
    int SetGainStage(uint32_t stage) override;
    // What the head holds; a stage number it cannot have fails.
    int ReadGainStage(uint32_t* stage) override;
    // The stage's label, terminated; 0 when it does not fit in size bytes.
    int GetGainStageLabel(uint32_t stage, char* text, uint32_t size) override;
};

class CSensorIlva final : public CHandshakeSensor {
public:
    CSensorIlva(CControllerBase* transport, uint8_t busAddress)
        : CHandshakeSensor(transport, busAddress, SensorModel::kIlva) {}
};

class CSensorGLUX9701 final : public CStatusFlagSensor<CImxSecondsSensor> {
public:
    CSensorGLUX9701(CControllerBase* transport, uint8_t busAddress)
        : CStatusFlagSensor(transport, busAddress, SensorModel::kGLUX9701) {}
    int IsTemperatureAvailable() override { return 1; }
    // The sensor's own temperature counter: 0.3213 degrees per count from
    // -287.09 degrees.
    int ReadTemperature(double* celsius) override;
    int IsSpecialModeAvailable() override { return 1; }
    int GetSpecialMode(uint32_t* mode) override { return Deliver(mode, specialMode_); }
    // Mode 0 (off) or 1 (on), in the sensor's special-mode register.
    int SetSpecialMode(uint32_t mode) override;

private:
    uint32_t specialMode_ = 0;
};

} // namespace tavix
