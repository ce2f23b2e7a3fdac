#include "sensors/ImxSensors.h"

#include "sensors/CatalogueRegisters.h"

namespace tavix {

CImxSecondsSensor::CImxSecondsSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model)
    : CImxSensor(transport, busAddress, model)
{
    SupportExposureSeconds();
}

int CImxSecondsSensor::WriteExposureMicroseconds(uint32_t microseconds)
{
    for (uint32_t i = 0; i < 4; ++i) {
        if (WriteRegisterWhenIdle(catalogue::kSensorExposureMicroseconds + i, (microseconds >> (8 * i)) & 0xFF) ==
            0) {
            return 0;
        }
    }
    return 1;
}

CSensorIMX183::CSensorIMX183(CControllerBase* transport, uint8_t busAddress)
    : CImxSensor(transport, busAddress, SensorModel::kIMX183)
{
}

int CSensorIMX183::WriteRegister(uint32_t address, uint32_t value)
{
    if (CImxSensor::WriteRegister(address, value) == 0) {
        return 0;
    }
    shadow_[address & 0xFF] = static_cast<uint8_t>(value);
    return 1;
}

int CSensorIMX183::ReadRegister(uint32_t address, uint32_t* value)
{
    return Deliver(value, uint32_t{shadow_[address & 0xFF]});
}

} // namespace tavix
