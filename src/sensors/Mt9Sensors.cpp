#include "sensors/Mt9Sensors.h"

#include <iterator>

#include "sensors/CatalogueRegisters.h"
#include "transport/CControllerBase.h"

namespace tavix {

namespace {
constexpr uint32_t kTransferBits = 12;
// The analogue gain code of unity gain.
constexpr int32_t kUnityGain = 8;
constexpr int32_t kMaxExposureLines = 0xFFFF;
constexpr uint32_t kChannelGainMask = 0x7F;
constexpr int kChannels = 4;

// 24 MHz / pre-divider x multiplier gives a 640 MHz PLL; the system and
// pixel dividers bring it to the pixel clock. Values in the order of
// kMt9JClockRegisters.
struct ClockMode {
    uint32_t kiloHertz;
    uint16_t values[6];
};
constexpr ClockMode kClockModes[] = {
    {32000, {10, 2, 3, 80, 10, 2}},
    {16000, {10, 4, 3, 80, 10, 4}},
    {80000, {8, 1, 3, 80, 8, 1}},
};
} // namespace

CMt9Sensor::CMt9Sensor(CControllerBase* transport, uint8_t busAddress, SensorModel model)
    : CCatalogueSensor(transport, busAddress, model)
{
    info_.transferBits = kTransferBits;
    info_.exposureLines = SensorRange{1, kMaxExposureLines, 1, 1, 1};
    info_.gain.defaultValue = kUnityGain;
    for (int channel = 0; channel < kChannels; ++channel) {
        Channel(channel) = SensorRange{0, info_.gain.maximum, kUnityGain, kUnityGain, 1};
    }
}

SensorRange& CMt9Sensor::Channel(int channel)
{
    SensorRange* channels[kChannels] = {&info_.range2, &info_.range3, &info_.range4, &info_.range5};
    return *channels[channel];
}

uint16_t CMt9Sensor::ExposureRegister() const { return catalogue::kMt9Exposure; }
uint16_t CMt9Sensor::ChannelRegister(int channel) const { return catalogue::kMt9ChannelGain[channel]; }
uint16_t CSensorMT9P001::ExposureRegister() const { return catalogue::kMt9P001Exposure; }
uint16_t CSensorMT9P001::ChannelRegister(int channel) const { return catalogue::kMt9P001ChannelGain[channel]; }

uint32_t CMt9Sensor::ChannelWord(uint32_t value) const
{
    return (value & kChannelGainMask) | catalogue::kMt9FChannelGainBits;
}

uint32_t CSensorMT9J001::ChannelWord(uint32_t value) const
{
    return (value & kChannelGainMask) | catalogue::kMt9JChannelGainBits;
}

int CMt9Sensor::WriteWordOverBus(uint32_t address, uint32_t value)
{
    if (transport_ == nullptr) {
        return 0;
    }
    const uint8_t bytes[4] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address),
                              static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    return transport_->I2cWrite(busAddress_, bytes, 4) != 0 ? 1 : 0;
}

int CMt9Sensor::WriteRegister(uint32_t address, uint32_t value) { return WriteWordOverBus(address, value); }

int CSensorMT9J001::WriteRegister(uint32_t address, uint32_t value)
{
    if (transport_ == nullptr) {
        return 0;
    }
    if (transport_->WriteSensorWord(static_cast<uint16_t>(address), static_cast<uint16_t>(value)) != 0) {
        return 1;
    }
    return WriteWordOverBus(address, value);
}

int CMt9Sensor::ReadRegister(uint32_t address, uint32_t* value)
{
    if (transport_ == nullptr || value == nullptr) {
        return 0;
    }
    const uint8_t bytes[2] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};
    uint8_t word[2] = {};
    if (transport_->I2cWrite(busAddress_, bytes, 2) == 0 || transport_->I2cRead(busAddress_, word, 2) == 0) {
        return 0;
    }
    *value = static_cast<uint32_t>(word[0] << 8 | word[1]);
    return 1;
}

int CMt9Sensor::ProbeSensor()
{
    uint32_t version = 0;
    return ReadRegister(catalogue::kMt9ChipVersion, &version) != 0 && version != 0 ? 1 : 0;
}

int CMt9Sensor::InitializeSensor()
{
    if (CCatalogueSensor::InitializeSensor() == 0) {
        return 0;
    }
    for (int channel = 0; channel < kChannels; ++channel) {
        SetChannel(channel, static_cast<uint32_t>(Channel(channel).defaultValue));
    }
    return 1;
}

int CMt9Sensor::SetExposureLines(uint32_t lines)
{
    const uint32_t value = ClampInto(info_.exposureLines, lines);
    if (WriteRegister(ExposureRegister(), value) == 0) {
        return 0;
    }
    info_.exposureLines.current = static_cast<int32_t>(value);
    return 1;
}

int CMt9Sensor::SetChannel(int channel, uint32_t value)
{
    SensorRange& range = Channel(channel);
    const uint32_t gain = ClampInto(range, value);
    if (WriteRegister(ChannelRegister(channel), ChannelWord(gain)) == 0) {
        return 0;
    }
    range.current = static_cast<int32_t>(gain);
    return 1;
}

// The global gain is the same gain on all four channels.
int CMt9Sensor::SetGain(uint32_t gain)
{
    const uint32_t value = ClampInto(info_.gain, gain);
    for (int channel = 0; channel < kChannels; ++channel) {
        if (SetChannel(channel, value) == 0) {
            return 0;
        }
    }
    info_.gain.current = static_cast<int32_t>(value);
    return 1;
}

int CSensorMT9J001::SetClockMode(uint32_t mode)
{
    if (mode >= std::size(kClockModes)) {
        return 0;
    }
    const ClockMode& clock = kClockModes[mode];
    for (size_t i = 0; i < std::size(clock.values); ++i) {
        if (WriteRegister(catalogue::kMt9JClockRegisters[i], clock.values[i]) == 0) {
            return 0;
        }
    }
    info_.sensorClock = clock.kiloHertz;
    clockMode_ = mode;
    return 1;
}

void CSensorMT9F002::RestartStreaming()
{
    uint32_t reset = 0;
    if (ReadRegister(catalogue::kMt9FResetRegister, &reset) == 0) {
        return;
    }
    WriteRegister(catalogue::kMt9FResetRegister, reset & ~uint32_t{catalogue::kMt9FStreamBit});
    WriteRegister(catalogue::kMt9FResetRegister, reset | catalogue::kMt9FStreamBit);
}

void CSensorMT9F002::RearmFpga()
{
    if (transport_ == nullptr) {
        return;
    }
    transport_->WriteAuxRegister(catalogue::kMt9FAuxRearm, 1);
    transport_->WriteAuxRegister(catalogue::kMt9FAuxRearm, 0);
}

} // namespace tavix
