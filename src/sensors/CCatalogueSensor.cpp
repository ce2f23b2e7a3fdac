#include "sensors/CCatalogueSensor.h"

#include <algorithm>
#include <cmath>

namespace tavix {

namespace {
constexpr double kSecondsPer100us = 10000.0;
constexpr double kMicrosecondsPerSecond = 1000000.0;
// One line lasts lineLength clocks of sensorClock kHz: lineLength / clock
// milliseconds, ten times that in units of 100 us.
constexpr double k100usPerMs = 10.0;
} // namespace

CCatalogueSensor::CCatalogueSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model)
    : CSensorBase(transport, busAddress), constants_(CatalogueRow(model))
{
    const SensorConstants& c = constants_;
    info_ = CatalogueSensorInfo(c);
    if (c.modelCode != kNoModelCode) {
        modelCode_ = static_cast<uint32_t>(c.modelCode);
    }
}

int CCatalogueSensor::Deliver(uint32_t* out, uint32_t value)
{
    if (out == nullptr) {
        return 0;
    }
    *out = value;
    return 1;
}

uint32_t CCatalogueSensor::ClampInto(const SensorRange& range, uint32_t value)
{
    const auto minimum = static_cast<uint32_t>(std::max(range.minimum, 0));
    const auto maximum = static_cast<uint32_t>(std::max(range.maximum, 0));
    return std::clamp(value, minimum, std::max(minimum, maximum));
}

int CCatalogueSensor::InitializeSensor()
{
    if (transport_ == nullptr) {
        return 0;
    }
    // Initialisation applies the defaults, never the values set before.
    SetGain(static_cast<uint32_t>(info_.gain.defaultValue));
    SetExposureLines(static_cast<uint32_t>(info_.exposureLines.defaultValue));
    return 1;
}

int CCatalogueSensor::GetWindow(uint32_t* x, uint32_t* width, uint32_t* y, uint32_t* height, uint32_t* mode)
{
    Deliver(x, info_.windowX);
    Deliver(width, info_.windowWidth);
    Deliver(y, info_.windowY);
    Deliver(height, info_.windowHeight);
    Deliver(mode, info_.windowMode);
    return 1;
}

int CCatalogueSensor::SetTransferDepth(uint32_t sixteenBits)
{
    info_.transferBits = sixteenBits != 0 ? 16 : 8;
    return 1;
}

int CCatalogueSensor::GetExposureLinesDefault(uint32_t* value)
{
    return Deliver(value, info_.exposureLines.defaultValue);
}

int CCatalogueSensor::GetExposureTimeDefault(uint32_t* value)
{
    return Deliver(value, info_.exposureTime.defaultValue);
}

int CCatalogueSensor::SetExposureTime(uint32_t time)
{
    if (info_.lineLength == 0 || info_.sensorClock == 0) {
        return 0;
    }
    const uint32_t t = ClampInto(info_.exposureTime, time);
    const double lineTime = static_cast<double>(info_.lineLength) * k100usPerMs / info_.sensorClock;
    const auto lines = std::max<uint64_t>(1, static_cast<uint64_t>(t / lineTime));
    const auto maxLines = static_cast<uint64_t>(std::max(info_.exposureLines.maximum, 1));
    if (SetExposureLines(static_cast<uint32_t>(std::min(lines, maxLines))) == 0) {
        return 0;
    }
    info_.exposureTime.current = static_cast<int32_t>(t);
    return 1;
}

void CCatalogueSensor::SupportExposureSeconds()
{
    info_.exposureSecondsMin = info_.exposureTime.minimum / kSecondsPer100us;
    info_.exposureSecondsMax = info_.exposureTime.maximum / kSecondsPer100us;
    info_.exposureSecondsCurrent = info_.exposureTime.current / kSecondsPer100us;
    info_.exposureSecondsDefault = info_.exposureTime.defaultValue / kSecondsPer100us;
    info_.exposureSecondsSupported = 1;
}

int CCatalogueSensor::SetExposureSeconds(double seconds)
{
    // A NaN would pass every comparison of the clamp.
    if (info_.exposureSecondsSupported == 0 || std::isnan(seconds)) {
        return 0;
    }
    const double s = std::clamp(seconds, info_.exposureSecondsMin, info_.exposureSecondsMax);
    if (WriteExposureMicroseconds(static_cast<uint32_t>(s * kMicrosecondsPerSecond)) == 0) {
        return 0;
    }
    info_.exposureSecondsCurrent = s;
    info_.exposureTime.current = static_cast<int32_t>(s * kSecondsPer100us);
    return 1;
}

} // namespace tavix
