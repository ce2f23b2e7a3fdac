#include "sensors/ImxLayoutSensors.h"

#include <algorithm>

namespace tavix {

namespace {
constexpr uint32_t kMaxFrameLength = 65535;
// A rate in tenths of frames per second gives the frame period in ms as
// this divided by the rate.
constexpr double kTenthFpsToMs = 10000.0;
// The IMX265 clocks its lines at 2.2 / 3 of the sensor clock.
constexpr double kLineClockRatio = 3.0 / 2.2;
} // namespace

CSensorIMX250::CSensorIMX250(CControllerBase* transport, uint8_t busAddress)
    : CSensorIMX264(transport, busAddress, CatalogueRow(SensorModel::kIMX250))
{
}

CSensorIMX252::CSensorIMX252(CControllerBase* transport, uint8_t busAddress)
    : CSensorIMX264(transport, busAddress, CatalogueRow(SensorModel::kIMX252))
{
}

CSensorIMX265::CSensorIMX265(CControllerBase* transport, uint8_t busAddress)
    : CSensorIMX264(transport, busAddress, CatalogueRow(SensorModel::kIMX265))
{
}

int CSensorIMX250::SetParameter(uint32_t /*index*/, uint32_t* value)
{
    return value != nullptr ? SetAuxValue(*value) : 0;
}

int CSensorIMX252::SetParameter(uint32_t /*index*/, uint32_t* value)
{
    return value != nullptr ? SetAuxValue(*value) : 0;
}

int CSensorIMX265::SetParameter(uint32_t index, uint32_t* value)
{
    const SettingsLock settings(settingsLock_);
    if (index != 0 || value == nullptr || *value == 0 || info_.sensorClock == 0) {
        return 0;
    }
    const double lineMs = info_.lineLength * kLineClockRatio / info_.sensorClock;
    const auto lines = static_cast<uint64_t>(kTenthFpsToMs / *value / lineMs);
    const uint64_t shortest = static_cast<uint64_t>(info_.windowHeight) + kFrameOverhead265;
    const uint32_t previous = info_.frameLength;
    info_.frameLength = static_cast<uint32_t>(std::min<uint64_t>(std::max(lines, shortest), kMaxFrameLength));
    if (SetExposureLines(static_cast<uint32_t>(info_.exposureLines.current)) == 0) {
        info_.frameLength = previous;
        return 0;
    }
    return 1;
}

} // namespace tavix
