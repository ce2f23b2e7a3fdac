#pragma once
// The cooled IMX99x heads. Each class serves two camera models told apart
// by the model code, which also selects the output format; the heads add a
// cooler and a temperature readout on FPGA registers, and all but the
// IMX993 report whether the FPGA offers internal correction.

#include <cstdint>

#include "sensors/CImxSensor.h"

namespace tavix {

// The cooled heads' temperature status (FPGA registers 152, 153) in
// degrees; 0 when it cannot be read. The Farn head reports the same way.
int ReadCooledHeadTemperature(CControllerBase* transport, double* celsius);

class CCooledImxSensor : public CImxSensor {
public:
    // Only the class's two model codes; the second switches to format 1.
    int SetModelCode(uint32_t code) override;
    int IsInternalCorrectionAvailable() override;
    int IsCoolingAvailable() override { return 1; }
    int GetCoolingState(uint32_t* on) override;
    int SetCoolingState(uint32_t on) override;
    int IsTemperatureAvailable() override { return 1; }
    int ReadTemperature(double* celsius) override;
    int CanOutputMode2() override { return 0; }

    // The head's 12-bit temperature status in degrees: bits 3-10 the whole
    // degrees, bit 11 their sign (-256), bits 2-0 halves, quarters, eighths.
    static double DecodeTemperature(uint32_t status);

protected:
    CCooledImxSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model, bool internalCorrection);

private:
    static constexpr uint32_t kSecondOutputFormat = 1;
    const bool internalCorrection_;
};

class CSensorIMX990 final : public CCooledImxSensor {
public:
    CSensorIMX990(CControllerBase* transport, uint8_t busAddress)
        : CCooledImxSensor(transport, busAddress, SensorModel::kIMX990, true) {}
};

class CSensorIMX991 final : public CCooledImxSensor {
public:
    CSensorIMX991(CControllerBase* transport, uint8_t busAddress)
        : CCooledImxSensor(transport, busAddress, SensorModel::kIMX991, true) {}
};

class CSensorIMX992 final : public CCooledImxSensor {
public:
    CSensorIMX992(CControllerBase* transport, uint8_t busAddress)
        : CCooledImxSensor(transport, busAddress, SensorModel::kIMX992, true) {}
};

class CSensorIMX993 final : public CCooledImxSensor {
public:
    CSensorIMX993(CControllerBase* transport, uint8_t busAddress)
        : CCooledImxSensor(transport, busAddress, SensorModel::kIMX993, false)
    {
        SupportBlackLevel();
    }
};

} // namespace tavix
