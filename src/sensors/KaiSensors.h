#pragma once
// The CCD heads without a serial bus (bus address 0): their registers are
// 32-bit words written through the controller. The KAI heads (Arvo, Belin,
// Corra) add a gain and an offset for each of their four output channels,
// each a 16-bit value in a pair of FPGA registers.

#include <cstdint>

#include "sensors/CCatalogueSensor.h"

namespace tavix {

class CWord32Sensor : public CCatalogueSensor {
public:
    int WriteRegister(uint32_t address, uint32_t value) override;
    int ReadRegister(uint32_t address, uint32_t* value) override;

protected:
    using CCatalogueSensor::CCatalogueSensor;
};

class CKaiSensor : public CWord32Sensor {
public:
    static constexpr uint32_t kChannels = 4;
    static constexpr int32_t kChannelMax = 0xFFFF;
    static constexpr int32_t kGainDefault = 4096;

    int InitializeSensor() override;
    int SetChannelGain(uint32_t channel, uint32_t value) override;
    int SetChannelOffset(uint32_t channel, uint32_t value) override;
    int GetChannelGain(uint32_t channel, uint32_t* value) override;
    int GetChannelOffset(uint32_t channel, uint32_t* value) override;
    int GetChannelGainMin(uint32_t* value) override { return Deliver(value, 0u); }
    int GetChannelGainMax(uint32_t* value) override { return Deliver(value, kChannelMax); }
    int GetChannelGainDefault(uint32_t* value) override { return Deliver(value, kGainDefault); }
    int GetChannelOffsetMin(uint32_t* value) override { return Deliver(value, 0u); }
    int GetChannelOffsetMax(uint32_t* value) override { return Deliver(value, kChannelMax); }
    int GetChannelOffsetDefault(uint32_t* value) override { return Deliver(value, 0u); }

protected:
    CKaiSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model);

private:
    // Channels count from 1; 0 for any other number.
    int SetChannelPair(uint8_t base, uint32_t channel, uint32_t value, uint32_t* stored);

    uint32_t gains_[kChannels];
    uint32_t offsets_[kChannels] = {};
};

class CSensorArvo final : public CKaiSensor {
public:
    CSensorArvo(CControllerBase* transport, uint8_t busAddress) : CKaiSensor(transport, busAddress, SensorModel::kArvo) {}
};

class CSensorBelin final : public CKaiSensor {
public:
    CSensorBelin(CControllerBase* transport, uint8_t busAddress)
        : CKaiSensor(transport, busAddress, SensorModel::kBelin) {}
};

class CSensorCorra final : public CKaiSensor {
public:
    CSensorCorra(CControllerBase* transport, uint8_t busAddress)
        : CKaiSensor(transport, busAddress, SensorModel::kCorra) {}
};

// Keeps the interface's initialisation, which answers 0.
class CSensorICX274 final : public CWord32Sensor {
public:
    CSensorICX274(CControllerBase* transport, uint8_t busAddress)
        : CWord32Sensor(transport, busAddress, SensorModel::kICX274) {}
    int InitializeSensor() override { return 0; }
};

} // namespace tavix
