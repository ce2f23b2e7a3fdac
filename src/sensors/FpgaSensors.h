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

// The heads whose FPGA takes no flip: the flip asked for is kept in the
// description (GetFlipV, GetMirrorH show it) and the request answers 0,
// since the sensor did not turn.
class CStoredFlipSensor : public CFpgaSensor {
public:
    int SetFlipV(uint32_t on) override;
    int SetMirrorH(uint32_t on) override;

protected:
    using CFpgaSensor::CFpgaSensor;
};

// FPGA heads that take their exposure in seconds, as a microsecond count.
class CFpgaSecondsSensor : public CFpgaSensor {
protected:
    CFpgaSecondsSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model);
    int WriteExposureMicroseconds(uint32_t microseconds) override;
};

// The line-scan heads (array height 32768): an exposure in lines is an
// exposure time, so both share one range.
class CLineScanSensor : public CStoredFlipSensor {
protected:
    CLineScanSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model);
};

#define TAVIX_FPGA_SENSOR(Name, Model, Base)                                                                       \
    class Name final : public Base {                                                                              \
    public:                                                                                                       \
        Name(CControllerBase* transport, uint8_t busAddress) : Base(transport, busAddress, SensorModel::Model) {} \
    };

TAVIX_FPGA_SENSOR(CSensorDask, kDask, CFpgaSensor)
TAVIX_FPGA_SENSOR(CSensorGosk, kGosk, CStoredFlipSensor)
TAVIX_FPGA_SENSOR(CSensorHebb, kHebb, CStoredFlipSensor)
TAVIX_FPGA_SENSOR(CSensorKesk, kKesk, CLineScanSensor)
TAVIX_FPGA_SENSOR(CSensorLumb, kLumb, CLineScanSensor)
TAVIX_FPGA_SENSOR(CSensorMorv, kMorv, CLineScanSensor)
TAVIX_FPGA_SENSOR(CSensorNald, kNald, CLineScanSensor)

#undef TAVIX_FPGA_SENSOR

class CSensorG1467x final : public CStoredFlipSensor {
public:
    CSensorG1467x(CControllerBase* transport, uint8_t busAddress)
        : CStoredFlipSensor(transport, busAddress, SensorModel::kG1467x) {}
    // The sensor's temperature in whole degrees from its thermistor; 0 for
    // an ADC count that no temperature gives.
    int GetTargetTemperature(int32_t* celsius) override;
    // The cooler regulates to the thermistor count of this temperature,
    // rounded, within the ADC's counts 1 to 1023; 0 at or below absolute
    // zero.
    int SetTargetTemperature(int32_t celsius) override;
    // The ADC count the thermistor gives at a temperature (the inverse of
    // ThermistorCelsius, before rounding).
    static double ThermistorCount(double celsius);
    // The thermistor (10 kOhm, B 3950, against a 9.76 kOhm divider) at an
    // ADC count, in degrees; false where the count gives no resistance.
    static bool ThermistorCelsius(uint32_t adc, double* celsius);
};

} // namespace tavix
