#pragma once
// The Aptina MT9 sensors: 16-bit registers with 16-bit values, written as
// four bytes (address high, low, value high, low) and read as an address
// write and a two-byte read. range2 to range5 are the four colour channels'
// gains; the probe asks for the chip version; the camera sends 12 bits.

#include <cstdint>

#include "sensors/CCatalogueSensor.h"

namespace tavix {

class CMt9Sensor : public CCatalogueSensor {
public:
    // Answers when the chip version register reads non-zero.
    int ProbeSensor() override;
    int InitializeSensor() override;
    int SetExposureLines(uint32_t lines) override;
    int SetGain(uint32_t gain) override;
    int SetChannelValue1(uint32_t value) override { return SetChannel(0, value); }
    int SetChannelValue2(uint32_t value) override { return SetChannel(1, value); }
    int SetChannelValue3(uint32_t value) override { return SetChannel(2, value); }
    int SetChannelValue4(uint32_t value) override { return SetChannel(3, value); }
    int GetChannelValue1(uint32_t* value) override { return Deliver(value, info_.range2.current); }
    int GetChannelValue2(uint32_t* value) override { return Deliver(value, info_.range3.current); }
    int GetChannelValue3(uint32_t* value) override { return Deliver(value, info_.range4.current); }
    int GetChannelValue4(uint32_t* value) override { return Deliver(value, info_.range5.current); }
    int WriteRegister(uint32_t address, uint32_t value) override;
    int ReadRegister(uint32_t address, uint32_t* value) override;

    // What a channel's gain register receives for a gain value.
    virtual uint32_t ChannelWord(uint32_t value) const;

protected:
    CMt9Sensor(CControllerBase* transport, uint8_t busAddress, SensorModel model);
    int WriteWordOverBus(uint32_t address, uint32_t value);
    virtual uint16_t ExposureRegister() const;
    virtual uint16_t ChannelRegister(int channel) const;

private:
    int SetChannel(int channel, uint32_t value);
    SensorRange& Channel(int channel);
};

class CSensorMT9F001 final : public CMt9Sensor {
public:
    CSensorMT9F001(CControllerBase* transport, uint8_t busAddress)
        : CMt9Sensor(transport, busAddress, SensorModel::kMT9F001) {}
};

class CSensorMT9F002 final : public CMt9Sensor {
public:
    CSensorMT9F002(CControllerBase* transport, uint8_t busAddress)
        : CMt9Sensor(transport, busAddress, SensorModel::kMT9F002) {}
    // Stops and restarts the read-out through the stream bit, keeping the
    // reset register's other bits; nothing when it cannot be read.
    void RestartStreaming() override;
    // A 1-then-0 pulse on the head's auxiliary register device.
    void RearmFpga() override;
};

class CSensorMT9J001 final : public CMt9Sensor {
public:
    CSensorMT9J001(CControllerBase* transport, uint8_t busAddress)
        : CMt9Sensor(transport, busAddress, SensorModel::kMT9J001) {}
    // Through the controller's sensor-word request first, the bus after.
    int WriteRegister(uint32_t address, uint32_t value) override;
    uint32_t ChannelWord(uint32_t value) const override;
    // Modes 0, 1, 2: a pixel clock of 32, 16 or 80 MHz from the head's
    // 24 MHz reference; sensorClock follows, so exposure times keep their
    // length in lines of the new clock.
    int SetClockMode(uint32_t mode) override;
    int GetClockMode(uint32_t* mode) override { return Deliver(mode, clockMode_); }

private:
    uint32_t clockMode_ = 2; // the 80 MHz the head starts with
};

class CSensorMT9P001 final : public CMt9Sensor {
public:
    CSensorMT9P001(CControllerBase* transport, uint8_t busAddress)
        : CMt9Sensor(transport, busAddress, SensorModel::kMT9P001) {}
    uint32_t ChannelWord(uint32_t value) const override { return value; }

protected:
    uint16_t ExposureRegister() const override;
    uint16_t ChannelRegister(int channel) const override;
};

} // namespace tavix
