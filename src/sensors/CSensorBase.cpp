#include "sensors/CSensorBase.h"

namespace tavix {

namespace {
// The getters that answer from a range: the supported word is the result,
// the field goes out only through a real pointer.
int Deliver(uint32_t* out, int32_t field, int32_t supported)
{
    if (out == nullptr) {
        return 0;
    }
    *out = static_cast<uint32_t>(field);
    return supported;
}

double DeliverSeconds(double* out, double field, uint32_t supported)
{
    if (out == nullptr) {
        return 0.0;
    }
    *out = field;
    return static_cast<double>(supported);
}
} // namespace

CSensorBase::CSensorBase(CControllerBase* transport, uint8_t busAddress)
    : transport_(transport), busAddress_(busAddress)
{
}

CSensorBase::~CSensorBase() = default;

int CSensorBase::SetModelCode(uint32_t code)
{
    modelCode_ = code;
    return 1;
}

int CSensorBase::SetModeWord(uint32_t value)
{
    modeWord_ = value;
    return 1;
}

uint32_t CSensorBase::GetModeWord() { return modeWord_; }

int CSensorBase::IsBlackLevelSupported() { return info_.blackLevel.supported; }

int CSensorBase::GetBlackLevel(uint32_t* value)
{
    return Deliver(value, info_.blackLevel.current, info_.blackLevel.supported);
}

int CSensorBase::GetBlackLevelMin(uint32_t* value)
{
    return Deliver(value, info_.blackLevel.minimum, info_.blackLevel.supported);
}

int CSensorBase::GetBlackLevelMax(uint32_t* value)
{
    return Deliver(value, info_.blackLevel.maximum, info_.blackLevel.supported);
}

int CSensorBase::GetBlackLevelDefault(uint32_t* value)
{
    return Deliver(value, info_.blackLevel.defaultValue, info_.blackLevel.supported);
}

int CSensorBase::IsFeatureSupported() { return static_cast<int>(info_.featureFlag); }

int CSensorBase::GetFeature(uint32_t* value)
{
    return Deliver(value, static_cast<int32_t>(info_.featureValue), static_cast<int32_t>(info_.featureFlag));
}

int CSensorBase::IsGainStageSupported() { return info_.gainStage.supported; }

int CSensorBase::GetGainStageMin(uint32_t* value)
{
    return Deliver(value, info_.gainStage.minimum, info_.gainStage.supported);
}

int CSensorBase::GetGainStageMax(uint32_t* value)
{
    return Deliver(value, info_.gainStage.maximum, info_.gainStage.supported);
}

int CSensorBase::GetGainStageDefault(uint32_t* value)
{
    return Deliver(value, info_.gainStage.defaultValue, info_.gainStage.supported);
}

int CSensorBase::GetGainStage(uint32_t* value)
{
    return Deliver(value, info_.gainStage.current, info_.gainStage.supported);
}

int CSensorBase::GetFlipVAux() { return static_cast<int>(info_.flipVAux); }
int CSensorBase::GetFlipHAux() { return static_cast<int>(info_.flipHAux); }
int CSensorBase::GetFlipVEnabled() { return static_cast<int>(info_.flipVEnabled); }
int CSensorBase::GetFlipHEnabled() { return static_cast<int>(info_.flipHEnabled); }

int CSensorBase::CopySensorInfo(SensorInfo* destination)
{
    if (destination == nullptr) {
        return 0;
    }
    *destination = info_;
    return 1;
}

int CSensorBase::IsExposureSecondsSupported() { return static_cast<int>(info_.exposureSecondsSupported); }

double CSensorBase::GetExposureSecondsMin(double* seconds)
{
    return DeliverSeconds(seconds, info_.exposureSecondsMin, info_.exposureSecondsSupported);
}

double CSensorBase::GetExposureSecondsMax(double* seconds)
{
    return DeliverSeconds(seconds, info_.exposureSecondsMax, info_.exposureSecondsSupported);
}

double CSensorBase::GetExposureSecondsDefault(double* seconds)
{
    return DeliverSeconds(seconds, info_.exposureSecondsDefault, info_.exposureSecondsSupported);
}

int CSensorBase::GetExposureSeconds(double* seconds)
{
    return static_cast<int>(DeliverSeconds(seconds, info_.exposureSecondsCurrent, info_.exposureSecondsSupported));
}

} // namespace tavix
