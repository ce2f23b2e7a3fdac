#include "emulator/EmulatedCamera.h"

#include "emulator/CameraCore.h"
#include "emulator/DriverInterface.h"
#include "emulator/VendorRequests.h"

namespace tavix::emu {

EmulatedCamera::EmulatedCamera(std::shared_ptr<CameraCore> core, std::shared_ptr<std::atomic<int>> ports)
    : core_(std::move(core)), ports_(std::move(ports))
{
}

EmulatedCamera::~EmulatedCamera() = default;

std::string EmulatedCamera::InterfacePath() const
{
    return core_->Locked([&] { return core_->Path(); });
}

uint16_t EmulatedCamera::VendorId() const { return core_->Locked([&] { return core_->options.vendorId; }); }
uint16_t EmulatedCamera::ProductId() const { return core_->Locked([&] { return core_->options.productId; }); }

void EmulatedCamera::Unplug() { core_->Unplug(); }
void EmulatedCamera::Replug() { core_->Replug(ports_->fetch_add(1)); }
bool EmulatedCamera::IsPlugged() const { return core_->Plugged(); }
int EmulatedCamera::OpenHandles() const { return core_->Locked([&] { return core_->openHandles; }); }
uint64_t EmulatedCamera::HandlesOpened() const { return core_->Locked([&] { return core_->handlesOpened; }); }

std::array<uint8_t, 64> EmulatedCamera::InfoBlock() const
{
    return core_->Locked([&] { return core_->firmware.infoBlock; });
}

void EmulatedCamera::SetInfoBlock(const std::array<uint8_t, 64>& block)
{
    core_->Locked([&] { core_->firmware.infoBlock = block; });
}

void EmulatedCamera::SetFirmwareVersion(uint16_t version)
{
    core_->Locked([&] { driver::StoreU16(core_->firmware.infoBlock.data() + fx3::kInfoFirmwareVersion, version); });
}

void EmulatedCamera::SetGpio25Flag(uint8_t flag)
{
    core_->Locked([&] { core_->firmware.infoBlock[fx3::kInfoGpio25Flag] = flag; });
}

std::array<uint8_t, 64> EmulatedCamera::InfoBlockB1() const
{
    return core_->Locked([&] { return core_->firmware.infoBlockB1; });
}

void EmulatedCamera::SetInfoBlockB1(const std::array<uint8_t, 64>& block)
{
    core_->Locked([&] { core_->firmware.infoBlockB1 = block; });
}

uint8_t EmulatedCamera::FpgaRegister(uint8_t reg) const
{
    return core_->Locked([&] { return core_->firmware.GetFpga().Peek(reg); });
}

void EmulatedCamera::SetFpgaRegister(uint8_t reg, uint8_t value)
{
    core_->Locked([&] { core_->firmware.GetFpga().Poke(reg, value); });
}

std::vector<RegisterWrite> EmulatedCamera::FpgaWrites() const
{
    return core_->Locked([&] { return core_->firmware.Bus().FpgaWrites(); });
}

uint8_t EmulatedCamera::SensorRegister(uint16_t address) const
{
    return core_->Locked([&] { return core_->firmware.Sensor().Read(address); });
}

void EmulatedCamera::SetSensorRegister(uint16_t address, uint8_t value)
{
    core_->Locked([&] { core_->firmware.Sensor().Write(address, value); });
}

std::vector<RegisterWrite> EmulatedCamera::SensorWrites() const
{
    return core_->Locked([&] { return core_->firmware.Bus().SensorWrites(); });
}

void EmulatedCamera::SetChipId(uint16_t id)
{
    core_->Locked([&] { core_->firmware.Sensor().SetChipId(id); });
}

uint16_t EmulatedCamera::BusRegister(uint8_t device, uint16_t address) const
{
    return core_->Locked([&]() -> uint16_t {
        const RegisterDevice* found = core_->firmware.Bus().DeviceAt(device);
        return found == nullptr ? 0 : found->Peek(address);
    });
}

void EmulatedCamera::SetBusRegister(uint8_t device, uint16_t address, uint16_t value)
{
    core_->Locked([&] {
        RegisterDevice* found = core_->firmware.Bus().DeviceAt(device);
        if (found != nullptr)
            found->Poke(address, value);
    });
}

uint16_t EmulatedCamera::SensorWord(uint16_t address) const
{
    return core_->Locked([&]() -> uint16_t {
        const auto it = core_->firmware.sensorWords.find(address);
        return it == core_->firmware.sensorWords.end() ? 0 : it->second;
    });
}

uint32_t EmulatedCamera::ControllerRegister(uint16_t address) const
{
    return core_->Locked([&]() -> uint32_t {
        const auto it = core_->firmware.controllerRegisters.find(address);
        return it == core_->firmware.controllerRegisters.end() ? 0 : it->second;
    });
}

uint8_t EmulatedCamera::CommandByte() const { return core_->Locked([&] { return core_->firmware.commandByte; }); }

std::vector<uint8_t> EmulatedCamera::Memory(uint64_t address, size_t length) const
{
    return core_->Locked([&] {
        std::vector<uint8_t> bytes(length, 0);
        for (size_t i = 0; i < length && address + i < core_->memory.size(); ++i)
            bytes[i] = core_->memory[address + i];
        return bytes;
    });
}

uint8_t EmulatedCamera::EepromByte(uint16_t address) const
{
    return core_->Locked([&] { return core_->firmware.GetEeprom().Read(address); });
}

void EmulatedCamera::SetEepromByte(uint16_t address, uint8_t value)
{
    core_->Locked([&] { core_->firmware.GetEeprom().Poke(address, value); });
}

void EmulatedCamera::SetSerialNumber(const std::string& text)
{
    core_->Locked([&] { core_->firmware.GetEeprom().SetSerialNumber(text); });
}

std::string EmulatedCamera::SerialNumber() const
{
    return core_->Locked([&] { return core_->firmware.GetEeprom().SerialNumber(); });
}

void EmulatedCamera::SetReadiness(const Readiness& readiness)
{
    core_->Locked([&] { core_->firmware.SetReadiness(readiness); });
}

Readiness EmulatedCamera::GetReadiness() const
{
    return core_->Locked([&] { return core_->firmware.GetReadiness(); });
}

int EmulatedCamera::Gpio25Polls() const { return core_->Locked([&] { return core_->firmware.Gpio25Polls(); }); }

int EmulatedCamera::ReadyDevicePolls() const
{
    return core_->Locked([&] { return core_->firmware.Bus().ReadyDevicePolls(); });
}

int EmulatedCamera::FpgaReadyPolls() const
{
    return core_->Locked([&] { return core_->firmware.GetFpga().ReadyPolls(); });
}

void EmulatedCamera::SetStalled(bool stalled)
{
    core_->Locked([&] { core_->frames.SetStalled(stalled); });
    core_->Notify();
}

void EmulatedCamera::HangStream()
{
    core_->Locked([&] { core_->frames.Hang(); });
}

bool EmulatedCamera::FireTrigger() { return core_->Trigger(); }

void EmulatedCamera::FailNextTransfers(int count, uint32_t ntStatus, uint32_t usbdStatus)
{
    core_->Locked([&] {
        core_->failTransfers = count;
        core_->failNtStatus = ntStatus;
        core_->failUsbdStatus = usbdStatus;
    });
}

void EmulatedCamera::SetPayloadExcess(uint32_t bytes)
{
    core_->Locked([&] { core_->frames.SetPayloadExcess(bytes); });
}

void EmulatedCamera::SetEepromCellStuck(uint16_t address, bool stuck)
{
    core_->Locked([&] { core_->firmware.GetEeprom().SetStuck(address, stuck); });
}

void EmulatedCamera::SetI2cDeviceAbsent(uint8_t address, bool absent)
{
    core_->Locked([&] { core_->firmware.Bus().SetAbsent(address, absent); });
}

void EmulatedCamera::SetSensorRegisterWriteFails(uint16_t address, bool fails)
{
    core_->Locked([&] { core_->firmware.Bus().SetSensorWriteFails(address, fails); });
}

void EmulatedCamera::ShortenNextReply(uint8_t requestCode, uint32_t dataBytes)
{
    core_->Locked([&] { core_->firmware.ShortenNextReply(requestCode, dataBytes); });
}

void EmulatedCamera::RefuseNextRequests(int count, uint32_t error)
{
    core_->Locked([&] {
        core_->refuseRequests = count;
        core_->refuseError = error;
    });
}

void EmulatedCamera::SetLinkSpeed(uint32_t speed)
{
    core_->Locked([&] { core_->linkSpeed = speed; });
}

void EmulatedCamera::SetPaced(bool paced)
{
    core_->Locked([&] { core_->frames.SetPaced(paced); });
    core_->Notify();
}

void EmulatedCamera::SetStill(bool still)
{
    core_->Locked([&] { core_->firmware.still = still; });
}

void EmulatedCamera::SetNoise(uint32_t amplitude, uint32_t seed)
{
    core_->Locked([&] {
        core_->firmware.noiseAmplitude = amplitude;
        core_->firmware.noiseSeed = seed;
    });
}

FrameSettings EmulatedCamera::CurrentFrameSettings() const
{
    return core_->Locked([&] { return core_->firmware.CurrentFrameSettings(); });
}

std::optional<FrameSettings> EmulatedCamera::SettingsOfFrame(uint32_t frameNumber) const
{
    return core_->Locked([&] { return core_->frames.SettingsOfFrame(frameNumber); });
}

uint32_t EmulatedCamera::FramesStarted() const { return core_->Locked([&] { return core_->frames.FramesStarted(); }); }

uint32_t EmulatedCamera::NextFrameNumber() const
{
    return core_->Locked([&] { return core_->frames.NextFrameNumber(); });
}

void EmulatedCamera::SetNextFrameNumber(uint32_t number)
{
    core_->Locked([&] { core_->frames.SetNextFrameNumber(number); });
}

std::vector<LoggedRequest> EmulatedCamera::Log() const { return core_->log.Entries(); }
void EmulatedCamera::ClearLog() { core_->log.Clear(); }
uint64_t EmulatedCamera::RefusedRequests() const { return core_->log.RefusedCount(); }

} // namespace tavix::emu
