#pragma once
// The heads whose every register is an FPGA register (the FPGA speaks to
// the sensor for them): the thermal and line-scan heads and the G1467x,
// whose FPGA also digitises a thermistor on the sensor.

#include <cstdint>

#include "sensors/CCatalogueSensor.h"

namespace tavix {

class CFpgaSensor : public CCatalogueSensor {
public:
    // 8-bit registers with 8-bit values; anything wider is refused.
    int WriteRegister(uint32_t address, uint32_t value) override;
    int ReadRegister(uint32_t address, uint32_t* value) override;

protected:
    using CCatalogueSensor::CCatalogueSensor;
};

// FPGA heads that take their exposure in seconds, as a microsecond count.
class CFpgaSecondsSensor : public CFpgaSensor {
protected:
    CFpgaSecondsSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model);
    int WriteExposureMicroseconds(uint32_t microseconds) override;
};

// The line-scan heads (array height 32768): an exposure in lines is an
// exposure time, so both share one range.
class CLineScanSensor : public CFpgaSensor {
protected:
    CLineScanSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model);
};

#define TAVIX_FPGA_SENSOR(Name, Model, Base)                                                                       \
    class Name final : public Base {                                                                              \
    public:                                                                                                       \
        Name(CControllerBase* transport, uint8_t busAddress) : Base(transport, busAddress, SensorModel::Model) {} \
    };

TAVIX_FPGA_SENSOR(CSensorDask, kDask, CFpgaSensor)
TAVIX_FPGA_SENSOR(CSensorGosk, kGosk, CFpgaSensor)
TAVIX_FPGA_SENSOR(CSensorHebb, kHebb, CFpgaSensor)
TAVIX_FPGA_SENSOR(CSensorKesk, kKesk, CLineScanSensor)
TAVIX_FPGA_SENSOR(CSensorLumb, kLumb, CLineScanSensor)
TAVIX_FPGA_SENSOR(CSensorMorv, kMorv, CLineScanSensor)
TAVIX_FPGA_SENSOR(CSensorNald, kNald, CLineScanSensor)

#undef TAVIX_FPGA_SENSOR

class CSensorG1467x final : public CFpgaSensor {
public:
    CSensorG1467x(CControllerBase* transport, uint8_t busAddress)
        : CFpgaSensor(transport, busAddress, SensorModel::kG1467x) {}
    // The sensor's temperature in whole degrees from its thermistor; 0 for
    // an ADC count that no temperature gives.
    int GetTargetTemperature(int32_t* celsius) override;
    // The thermistor (10 kOhm, B 3950, against a 9.76 kOhm divider) at an
    // ADC count, in degrees; false where the count gives no resistance.
    static bool ThermistorCelsius(uint32_t adc, double* celsius);
};

} // namespace tavix
