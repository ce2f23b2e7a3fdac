#include "sensors/ExtendedSensors.h"

#include "sensors/CatalogueRegisters.h"

namespace tavix {

namespace {
constexpr double kGluxDegreesPerCount = 0.3213;
constexpr double kGluxZeroCount = -287.09;
} // namespace

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

} // namespace tavix
