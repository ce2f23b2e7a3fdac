#pragma once
// The further IMX drivers and the heads framed like them on the serial bus:
// register access as the IMX family's, constants from the catalogue, and
// per model the black level (IMX273, IMX487, IMX536), a shadow of written
// values to read back (IMX183) or the exposure in seconds (IMX675, LI7050).
// Trigger mode keeps the interface's default on all of them.

#include <cstdint>

#include "sensors/CImxSensor.h"

namespace tavix {

#define TAVIX_IMX_SENSOR(Name, Model, Base, Extra)                                                                  \
    class Name final : public Base {                                                                              \
    public:                                                                                                       \
        Name(CControllerBase* transport, uint8_t busAddress) : Base(transport, busAddress, SensorModel::Model)   \
        {                                                                                                         \
            Extra;                                                                                                \
        }                                                                                                         \
    };

// Sensors that take their exposure in seconds, as a microsecond count.
class CImxSecondsSensor : public CImxSensor {
protected:
    CImxSecondsSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model);
    int WriteExposureMicroseconds(uint32_t microseconds) override;
};

TAVIX_IMX_SENSOR(CSensorIMX174, kIMX174, CImxSensor, )
TAVIX_IMX_SENSOR(CSensorIMX178, kIMX178, CImxSensor, )
TAVIX_IMX_SENSOR(CSensorIMX159, kIMX159, CImxSensor, )
TAVIX_IMX_SENSOR(CSensorIMX226, kIMX226, CImxSensor, )
TAVIX_IMX_SENSOR(CSensorICE640, kICE640, CImxSensor, )
TAVIX_IMX_SENSOR(CSensorIMX273, kIMX273, CImxSensor, SupportBlackLevel())
TAVIX_IMX_SENSOR(CSensorIMX487, kIMX487, CImxSensor, SupportBlackLevel())
TAVIX_IMX_SENSOR(CSensorIMX536, kIMX536, CImxSensor, SupportBlackLevel())
TAVIX_IMX_SENSOR(CSensorIMX675, kIMX675, CImxSecondsSensor, )
TAVIX_IMX_SENSOR(CSensorLI7050, kLI7050, CImxSecondsSensor, )

#undef TAVIX_IMX_SENSOR

// The IMX183 cannot be read back over the bus: reads answer from a copy of
// the values written, by the register's low byte.
class CSensorIMX183 final : public CImxSensor {
public:
    CSensorIMX183(CControllerBase* transport, uint8_t busAddress);
    int WriteRegister(uint32_t address, uint32_t value) override;
    int ReadRegister(uint32_t address, uint32_t* value) override;

private:
    uint8_t shadow_[256] = {};
};

} // namespace tavix
