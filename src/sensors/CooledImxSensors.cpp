#include "sensors/CooledImxSensors.h"

#include "platform/Clock.h"
#include "sensors/CatalogueRegisters.h"
#include "transport/CControllerBase.h"

namespace tavix {

namespace {
constexpr int kStatusWordAttempts = 10;
constexpr uint32_t kStatusWordPollMs = 100;
constexpr uint32_t kTemperatureHighMask = 0x0F;
} // namespace

CCooledImxSensor::CCooledImxSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model,
                                   bool internalCorrection)
    : CImxSensor(transport, busAddress, model), internalCorrection_(internalCorrection)
{
}

int CCooledImxSensor::SetModelCode(uint32_t code)
{
    if (code == static_cast<uint32_t>(constants_.modelCode)) {
        info_.outputFormat = constants_.outputFormat;
    } else if (code == static_cast<uint32_t>(constants_.secondModelCode)) {
        info_.outputFormat = kSecondOutputFormat;
    } else {
        return 0;
    }
    modelCode_ = code;
    return 1;
}

int CCooledImxSensor::IsInternalCorrectionAvailable()
{
    if (!internalCorrection_ || transport_ == nullptr) {
        return 0;
    }
    for (int attempt = 0; statusWord_ == 0 && attempt < kStatusWordAttempts; ++attempt) {
        uint16_t word = 0;
        if (transport_->ReadFpgaWord(&word) != 0) {
            statusWord_ = word;
            break;
        }
        platform::Sleep(kStatusWordPollMs);
    }
    return (statusWord_ & catalogue::kInternalCorrectionBit) != 0 ? 1 : 0;
}

int CCooledImxSensor::GetCoolingState(uint32_t* on)
{
    uint8_t value = 0;
    if (transport_ == nullptr || on == nullptr || transport_->ReadFpgaRegister(catalogue::kFpgaCooling, &value) == 0) {
        return 0;
    }
    *on = value & 1u;
    return 1;
}

int CCooledImxSensor::SetCoolingState(uint32_t on)
{
    if (transport_ == nullptr) {
        return 0;
    }
    return transport_->WriteFpgaRegister(catalogue::kFpgaCooling, on != 0 ? 1 : 0) != 0 ? 1 : 0;
}

double CCooledImxSensor::DecodeTemperature(uint32_t status)
{
    double celsius = static_cast<double>((status >> 3) & 0xFF);
    if ((status & 0x800) != 0) {
        celsius -= 256.0;
    }
    celsius += ((status & 4) != 0 ? 0.5 : 0.0) + ((status & 2) != 0 ? 0.25 : 0.0) + ((status & 1) != 0 ? 0.125 : 0.0);
    return celsius;
}

int ReadCooledHeadTemperature(CControllerBase* transport, double* celsius)
{
    uint8_t low = 0;
    uint8_t high = 0;
    if (transport == nullptr || celsius == nullptr ||
        transport->ReadFpgaRegister(catalogue::kFpgaTemperatureLow, &low) == 0 ||
        transport->ReadFpgaRegister(catalogue::kFpgaTemperatureHigh, &high) == 0) {
        return 0;
    }
    *celsius = CCooledImxSensor::DecodeTemperature(low | (high & kTemperatureHighMask) << 8);
    return 1;
}

int CCooledImxSensor::ReadTemperature(double* celsius) { return ReadCooledHeadTemperature(transport_, celsius); }

} // namespace tavix
