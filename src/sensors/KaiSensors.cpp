#include "sensors/KaiSensors.h"

#include <algorithm>

#include "sensors/CatalogueRegisters.h"
#include "transport/CControllerBase.h"

namespace tavix {

int CWord32Sensor::WriteRegister(uint32_t address, uint32_t value)
{
    if (transport_ == nullptr || address > 0xFFFF) {
        return 0;
    }
    return transport_->WriteRegister32(static_cast<uint16_t>(address), value) != 0 ? 1 : 0;
}

int CWord32Sensor::ReadRegister(uint32_t address, uint32_t* value)
{
    if (transport_ == nullptr || value == nullptr || address > 0xFFFF) {
        return 0;
    }
    return transport_->ReadRegister16(static_cast<uint16_t>(address), value) != 0 ? 1 : 0;
}

CKaiSensor::CKaiSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model)
    : CWord32Sensor(transport, busAddress, model)
{
    std::fill(std::begin(gains_), std::end(gains_), static_cast<uint32_t>(kGainDefault));
}

int CKaiSensor::InitializeSensor()
{
    if (CWord32Sensor::InitializeSensor() == 0) {
        return 0;
    }
    for (uint32_t channel = 1; channel <= kChannels; ++channel) {
        SetChannelGain(channel, kGainDefault);
        SetChannelOffset(channel, 0);
    }
    return 1;
}

int CKaiSensor::SetChannelPair(uint8_t base, uint32_t channel, uint32_t value, uint32_t* stored)
{
    if (transport_ == nullptr || channel < 1 || channel > kChannels) {
        return 0;
    }
    const uint32_t clamped = std::min(value, static_cast<uint32_t>(kChannelMax));
    const auto low = static_cast<uint8_t>(base + 2 * (channel - 1));
    if (transport_->WriteFpgaRegister(low, static_cast<uint8_t>(clamped)) == 0 ||
        transport_->WriteFpgaRegister(static_cast<uint8_t>(low + 1), static_cast<uint8_t>(clamped >> 8)) == 0) {
        return 0;
    }
    stored[channel - 1] = clamped;
    return 1;
}

int CKaiSensor::SetChannelGain(uint32_t channel, uint32_t value)
{
    return SetChannelPair(catalogue::kFpgaChannelGainBase, channel, value, gains_);
}

int CKaiSensor::SetChannelOffset(uint32_t channel, uint32_t value)
{
    return SetChannelPair(catalogue::kFpgaChannelOffsetBase, channel, value, offsets_);
}

int CKaiSensor::GetChannelGain(uint32_t channel, uint32_t* value)
{
    return channel >= 1 && channel <= kChannels ? Deliver(value, gains_[channel - 1]) : 0;
}

int CKaiSensor::GetChannelOffset(uint32_t channel, uint32_t* value)
{
    return channel >= 1 && channel <= kChannels ? Deliver(value, offsets_[channel - 1]) : 0;
}

} // namespace tavix
