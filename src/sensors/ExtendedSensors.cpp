#include "sensors/ExtendedSensors.h"

#include <cstring>
#include <iterator>

#include "platform/Clock.h"
#include "sensors/CatalogueRegisters.h"
#include "transport/CControllerBase.h"

namespace tavix {

namespace {
constexpr double kGluxDegreesPerCount = 0.3213;
constexpr double kGluxZeroCount = -287.09;
constexpr uint32_t kLastGainStage = static_cast<uint32_t>(std::size(CSensorJorn::kGainStageLabels)) - 1;
} // namespace

namespace extended {

int ReadStatusFlag(CControllerBase* transport)
{
    uint8_t value = 0;
    if (transport == nullptr || transport->ReadFpgaRegister(catalogue::kFpgaStatusFlag, &value) == 0) {
        return -1;
    }
    return value & 1;
}

int WriteStatusFlag(CControllerBase* transport, uint32_t value)
{
    if (transport == nullptr || value > 1) {
        return 0;
    }
    return transport->WriteFpgaRegister(catalogue::kFpgaStatusFlag, static_cast<uint8_t>(value)) != 0 ? 1 : 0;
}

} // namespace extended

int CHandshakeSensor::SetExtendedMode(uint32_t mode)
{
    if (mode > 1 || WriteRegister(catalogue::kFpgaCommandArgument, mode) == 0 ||
        WriteRegister(catalogue::kFpgaCommand, catalogue::kCommandExtendedMode) == 0) {
        return 0;
    }
    for (uint32_t poll = 0; poll < kReplyPolls; ++poll) {
        platform::Sleep(kReplyPollMs);
        uint32_t reply = 0;
        if (ReadRegister(catalogue::kFpgaCommandReply, &reply) != 0 && reply == mode) {
            extendedMode_ = mode;
            return 1;
        }
    }
    return 0;
}

int CHandshakeSensor::GetVersionInfo(uint32_t* version, uint16_t* revision, uint8_t* major, uint8_t* minor)
{
    uint16_t word = 0;
    uint32_t bytes[4] = {};
    const uint8_t registers[4] = {catalogue::kFpgaHeadRevisionLow, catalogue::kFpgaHeadRevisionHigh,
                                  catalogue::kFpgaHeadMajor, catalogue::kFpgaHeadMinor};
    if (transport_ == nullptr || version == nullptr || revision == nullptr || major == nullptr || minor == nullptr ||
        transport_->ReadFpgaWord(&word) == 0) {
        return 0;
    }
    for (int i = 0; i < 4; ++i) {
        if (ReadRegister(registers[i], &bytes[i]) == 0) {
            return 0;
        }
    }
    versionWord_ = word;
    versionHalf_ = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
    versionMajor_ = static_cast<uint8_t>(bytes[2]);
    versionMinor_ = static_cast<uint8_t>(bytes[3]);
    *version = versionWord_;
    *revision = versionHalf_;
    *major = versionMajor_;
    *minor = versionMinor_;
    return 1;
}

CSensorJorn::CSensorJorn(CControllerBase* transport, uint8_t busAddress)
    : CHandshakeSensor(transport, busAddress, SensorModel::kJorn)
{
    info_.gainStage = SensorRange{0, static_cast<int32_t>(kLastGainStage), 0, 0, 1};
}

int CSensorJorn::InitializeSensor()
{
    if (CHandshakeSensor::InitializeSensor() == 0) {
        return 0;
    }
    SetGainStage(static_cast<uint32_t>(info_.gainStage.defaultValue));
    return 1;
}

int CSensorJorn::SetGainStage(uint32_t stage)
{
    const uint32_t s = ClampInto(info_.gainStage, stage);
    if (WriteRegister(catalogue::kFpgaGainStage, s) == 0) {
        return 0;
    }
    info_.gainStage.current = static_cast<int32_t>(s);
    return 1;
}

int CSensorJorn::ReadGainStage(uint32_t* stage)
{
    uint32_t value = 0;
    if (stage == nullptr || ReadRegister(catalogue::kFpgaGainStage, &value) == 0 || value > kLastGainStage) {
        return 0;
    }
    info_.gainStage.current = static_cast<int32_t>(value);
    *stage = value;
    return 1;
}

int CSensorJorn::GetGainStageLabel(uint32_t stage, char* text, uint32_t size)
{
    if (text == nullptr || stage > kLastGainStage) {
        return 0;
    }
    const char* label = kGainStageLabels[stage];
    const size_t length = std::strlen(label);
    if (length >= size) {
        return 0;
    }
    std::memcpy(text, label, length + 1);
    return 1;
}

int CSensorGLUX9701::ReadTemperature(double* celsius)
{
    uint32_t high = 0;
    uint32_t low = 0;
    if (celsius == nullptr || ReadRegisterWhenIdle(catalogue::kGluxTemperatureHigh, &high) == 0 ||
        ReadRegisterWhenIdle(catalogue::kGluxTemperatureLow, &low) == 0) {
        return 0;
    }
    *celsius = (high * 256 + low) * kGluxDegreesPerCount + kGluxZeroCount;
    return 1;
}

int CSensorGLUX9701::SetSpecialMode(uint32_t mode)
{
    if (mode > 1 || WriteRegisterWhenIdle(catalogue::kGluxSpecialMode, mode) == 0) {
        return 0;
    }
    specialMode_ = mode;
    return 1;
}

} // namespace tavix
