#pragma once
// The LI heads on the FPGA port (products 0x3310 to 0x3340, read by
// command): registers are FPGA registers, the exposure goes in seconds, and
// flips and range2 keep the interface's defaults. LI7050, framed like the
// IMX sensors, is in ImxSensors.h.

#include <cstdint>

#include "sensors/FpgaSensors.h"

namespace tavix {

class CLiSensor : public CFpgaSecondsSensor {
public:
    int GetFlipV(uint32_t* on) override { return CSensorBase::GetFlipV(on); }
    int GetMirrorH(uint32_t* on) override { return CSensorBase::GetMirrorH(on); }
    int GetRange2Min(uint32_t* value) override { return CSensorBase::GetRange2Min(value); }
    int GetRange2Max(uint32_t* value) override { return CSensorBase::GetRange2Max(value); }
    int GetRange2Default(uint32_t* value) override { return CSensorBase::GetRange2Default(value); }

protected:
    using CFpgaSecondsSensor::CFpgaSecondsSensor;
};

#define TAVIX_LI_SENSOR(Name, Model)                                                                               \
    class Name final : public CLiSensor {                                                                         \
    public:                                                                                                       \
        Name(CControllerBase* transport, uint8_t busAddress) : CLiSensor(transport, busAddress, SensorModel::Model) \
        {                                                                                                         \
        }                                                                                                         \
    };

TAVIX_LI_SENSOR(CSensorLI3030, kLI3030)
TAVIX_LI_SENSOR(CSensorLI5030, kLI5030)
TAVIX_LI_SENSOR(CSensorLI5040, kLI5040)
TAVIX_LI_SENSOR(CSensorLI8020, kLI8020)

#undef TAVIX_LI_SENSOR

} // namespace tavix
