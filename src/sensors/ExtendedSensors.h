#pragma once
// The heads with protocols of their own beyond registers: Jorn and Ilva on
// the FPGA, GLUX9701 framed like the IMX sensors with a temperature
// readout. All three take their exposure in seconds.

#include <cstdint>

#include "sensors/FpgaSensors.h"
#include "sensors/ImxSensors.h"

namespace tavix {

class CSensorJorn final : public CFpgaSecondsSensor {
public:
    CSensorJorn(CControllerBase* transport, uint8_t busAddress)
        : CFpgaSecondsSensor(transport, busAddress, SensorModel::kJorn) {}
};

class CSensorIlva final : public CFpgaSecondsSensor {
public:
    CSensorIlva(CControllerBase* transport, uint8_t busAddress)
        : CFpgaSecondsSensor(transport, busAddress, SensorModel::kIlva) {}
};

class CSensorGLUX9701 final : public CImxSecondsSensor {
public:
    CSensorGLUX9701(CControllerBase* transport, uint8_t busAddress)
        : CImxSecondsSensor(transport, busAddress, SensorModel::kGLUX9701) {}
    int IsTemperatureAvailable() override { return 1; }
    // The sensor's own temperature counter: 0.3213 degrees per count from
    // -287.09 degrees.
    int ReadTemperature(double* celsius) override;
};

} // namespace tavix
