// The sensor tests' rig on the real stack: the transport CKelCy3Cam over
// the emulated camera's device port. Register writes are read back from the
// emulated driver's request log (vendor request 0x30 to the sensor or the
// FPGA port, as accepted), register values from the emulated IMX264.

#include "../support/PrivateDeviceTable.h"
#include "SensorRig.h"
#include "emulator/EmulatedPort.h"
#include "transport/CKelCy3Cam.h"

#include <gtest/gtest.h>

namespace tavix::test {

namespace {
// The vendor request and I2C addresses as they travel in the log's records.
constexpr uint8_t kRequestI2cWrite = 0x30;
constexpr uint8_t kRequestI2cRead = 0x31;
constexpr uint16_t kSensorBus = 0x48;
constexpr uint16_t kFpgaPort = 0x40;
constexpr uint16_t kReadyDeviceRead = 0x5F;
constexpr uint8_t kStatusWordLow = 0x10;
constexpr uint8_t kStatusWordHigh = 0x11;

class EmulatorRig final : public SensorRig {
public:
    EmulatorRig() : port_(1), installed_(port_), camera_(port_.Camera(0))
    {
        transport_ = std::make_unique<CKelCy3Cam>();
        if (transport_->EnumerateDevices() != 1 || transport_->SelectDevice(0) == 0) {
            ADD_FAILURE() << "the emulated camera cannot be selected";
        }
        camera_.ClearLog();
    }

    ~EmulatorRig() override { transport_.reset(); }

    CControllerBase* Controller() override { return transport_.get(); }
    uint8_t SensorRegister(uint16_t address) override { return camera_.SensorRegister(address); }
    void SetSensorRegister(uint16_t address, uint8_t value) override { camera_.SetSensorRegister(address, value); }

    std::vector<RegisterWrite> SensorWrites() override { return WritesTo(kSensorBus); }
    std::vector<RegisterWrite> FpgaWrites() override { return WritesTo(kFpgaPort); }

    int ReadyDevicePolls() override
    {
        int polls = 0;
        for (const emu::LoggedRequest& entry : camera_.Log()) {
            polls += entry.hasHeader && entry.header.request == kRequestI2cRead &&
                     entry.header.index == kReadyDeviceRead;
        }
        return polls;
    }

    void ClearLog() override { camera_.ClearLog(); }

    void SetSensorAcknowledges(bool acknowledges) override
    {
        camera_.SetI2cDeviceAbsent(static_cast<uint8_t>(kSensorBus), !acknowledges);
    }
    void SetSensorNeverReady() override
    {
        emu::Readiness readiness = camera_.GetReadiness();
        readiness.readyDeviceAfterPolls = emu::kNever;
        Apply(readiness);
    }
    void SetFpgaNeverReady() override
    {
        emu::Readiness readiness = camera_.GetReadiness();
        readiness.fpgaAfterPolls = emu::kNever;
        Apply(readiness);
    }
    void SetBusBusyPolls(int polls) override
    {
        emu::Readiness readiness = camera_.GetReadiness();
        readiness.busBusyPolls = polls;
        Apply(readiness);
    }
    void SetStatusWord(uint16_t word) override
    {
        statusWord_ = word;
        camera_.SetFpgaRegister(kStatusWordLow, static_cast<uint8_t>(word));
        camera_.SetFpgaRegister(kStatusWordHigh, static_cast<uint8_t>(word >> 8));
    }
    void SetFpgaLock(Lock lock) override
    {
        emu::Readiness readiness = camera_.GetReadiness();
        readiness.lock = lock == Lock::kLocked     ? emu::FpgaLock::kLocked
                         : lock == Lock::kAfterPulse ? emu::FpgaLock::kLocksAfterPulse
                                                     : emu::FpgaLock::kNeverLocks;
        Apply(readiness);
    }

private:
    // A change of readiness powers the FPGA up again: its registers go back
    // to their start, so a status word set before is set again.
    void Apply(const emu::Readiness& readiness)
    {
        camera_.SetReadiness(readiness);
        if (statusWord_ >= 0) {
            SetStatusWord(static_cast<uint16_t>(statusWord_));
        }
    }

    // Three-byte writes the device acknowledged: register (two bytes for the
    // sensor, register and a 0 byte for the FPGA port) and value.
    std::vector<RegisterWrite> WritesTo(uint16_t busAddress)
    {
        std::vector<RegisterWrite> writes;
        for (const emu::LoggedRequest& entry : camera_.Log()) {
            if (!entry.hasHeader || entry.header.request != kRequestI2cWrite || entry.header.index != busAddress ||
                entry.header.value != 3 || entry.refused || entry.error != 0 || entry.payload.size() < 3) {
                continue;
            }
            const uint8_t* bytes = entry.payload.data();
            if (busAddress == kSensorBus) {
                writes.push_back({static_cast<uint16_t>(bytes[0] << 8 | bytes[1]), bytes[2]});
            } else {
                writes.push_back({bytes[0], bytes[2]});
            }
        }
        return writes;
    }

    test::PrivateDeviceTable table_;
    emu::EmulatedPort port_;
    emu::ScopedDevicePort installed_;
    emu::EmulatedCamera& camera_;
    std::unique_ptr<CKelCy3Cam> transport_;
    int32_t statusWord_ = -1;
};
} // namespace

std::unique_ptr<SensorRig> MakeRig() { return std::make_unique<EmulatorRig>(); }

} // namespace tavix::test
