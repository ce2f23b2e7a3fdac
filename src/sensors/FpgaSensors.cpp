#include "sensors/FpgaSensors.h"

#include <algorithm>
#include <cmath>

#include "sensors/CatalogueRegisters.h"
#include "transport/CControllerBase.h"

namespace tavix {

namespace {
constexpr uint8_t kThermistorSelect = 2;
constexpr double kDividerScale = 9994.24;
constexpr double kDividerResistance = 9.76;  // kOhm
constexpr double kNominalResistance = 10.0;  // kOhm at 25 degrees
constexpr double kBeta = 3950.0;
constexpr double kInverseNominalKelvin = 0.0033540164346805303; // 1 / 298.15 K
constexpr double kZeroCelsius = 273.15;
constexpr double kLargestCount = 1023.0; // 10-bit ADC; 1024 would be no resistance
} // namespace

int CFpgaSensor::WriteRegister(uint32_t address, uint32_t value)
{
    if (transport_ == nullptr || address > 0xFF || value > 0xFF) {
        return 0;
    }
    return transport_->WriteFpgaRegister(static_cast<uint8_t>(address), static_cast<uint8_t>(value)) != 0 ? 1 : 0;
}

int CFpgaSensor::ReadRegister(uint32_t address, uint32_t* value)
{
    uint8_t byte = 0;
    if (transport_ == nullptr || value == nullptr || address > 0xFF ||
        transport_->ReadFpgaRegister(static_cast<uint8_t>(address), &byte) == 0) {
        return 0;
    }
    *value = byte;
    return 1;
}

int CStoredFlipSensor::SetFlipV(uint32_t on)
{
    info_.flipV = on != 0 ? 1 : 0;
    return 0;
}

int CStoredFlipSensor::SetMirrorH(uint32_t on)
{
    info_.flipH = on != 0 ? 1 : 0;
    return 0;
}

CFpgaSecondsSensor::CFpgaSecondsSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model)
    : CFpgaSensor(transport, busAddress, model)
{
    SupportExposureSeconds();
}

int CFpgaSecondsSensor::WriteExposureMicroseconds(uint32_t microseconds)
{
    for (uint32_t i = 0; i < 4; ++i) {
        if (WriteRegister(catalogue::kFpgaExposureMicroseconds + i, (microseconds >> (8 * i)) & 0xFF) == 0) {
            return 0;
        }
    }
    return 1;
}

CLineScanSensor::CLineScanSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model)
    : CStoredFlipSensor(transport, busAddress, model)
{
    info_.exposureLines = info_.exposureTime;
}

bool CSensorG1467x::ThermistorCelsius(uint32_t adc, double* celsius)
{
    if (adc == 0) {
        return false;
    }
    const double resistance = kDividerScale / adc - kDividerResistance;
    if (!(resistance > 0.0)) {
        return false; // at or beyond full scale: no resistance, no temperature
    }
    const double inverseKelvin = std::log(resistance / kNominalResistance) / kBeta + kInverseNominalKelvin;
    if (!(inverseKelvin > 0.0)) {
        return false; // a count so close to full scale reads no real temperature
    }
    *celsius = 1.0 / inverseKelvin - kZeroCelsius;
    return true;
}

int CSensorG1467x::GetTargetTemperature(int32_t* celsius)
{
    uint8_t low = 0;
    uint8_t high = 0;
    if (transport_ == nullptr || celsius == nullptr ||
        transport_->WriteFpgaRegister(catalogue::kFpgaThermistorControl, kThermistorSelect) == 0 ||
        transport_->WriteFpgaRegister(catalogue::kFpgaThermistorStart, 0) == 0 ||
        transport_->WriteFpgaRegister(catalogue::kFpgaThermistorStart, kThermistorSelect) == 0 ||
        transport_->ReadFpgaRegister(catalogue::kFpgaThermistorLow, &low) == 0 ||
        transport_->ReadFpgaRegister(catalogue::kFpgaThermistorHigh, &high) == 0) {
        return 0;
    }
    double degrees = 0.0;
    if (!ThermistorCelsius(static_cast<uint32_t>(high << 8 | low), &degrees)) {
        return 0;
    }
    *celsius = static_cast<int32_t>(degrees);
    return 1;
}

double CSensorG1467x::ThermistorCount(double celsius)
{
    const double resistance =
        kNominalResistance * std::exp(kBeta * (1.0 / (celsius + kZeroCelsius) - kInverseNominalKelvin));
    return kDividerScale / (resistance + kDividerResistance);
}

int CSensorG1467x::SetTargetTemperature(int32_t celsius)
{
    if (transport_ == nullptr || celsius + kZeroCelsius <= 0.0) {
        return 0;
    }
    const auto count = static_cast<uint32_t>(std::clamp(std::round(ThermistorCount(celsius)), 1.0, kLargestCount));
    return transport_->WriteFpgaRegister(catalogue::kFpgaTargetLow, static_cast<uint8_t>(count)) != 0 &&
                   transport_->WriteFpgaRegister(catalogue::kFpgaTargetHigh, static_cast<uint8_t>(count >> 8)) != 0
               ? 1
               : 0;
}

} // namespace tavix
