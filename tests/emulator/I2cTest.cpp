// The I2C bus behind requests 0x30/0x31: the FPGA register port, the
// IMX264, the EEPROM and the ready device, with their faults.

#include <gtest/gtest.h>

#include "DriverClient.h"
#include "emulator/EmulatedPort.h"

using namespace tavix;
using namespace tavix::test;

namespace {
class I2c : public ::testing::Test {
protected:
    emu::EmulatedPort port_{1};
    emu::EmulatedCamera& camera_ = port_.Camera(0);
    DriverClient client_{port_, camera_.InterfacePath()};
};
} // namespace

TEST_F(I2c, SensorHasSixteenBitAddressesAndIdentifiesAs264)
{
    uint8_t a = 0, b = 0;
    ASSERT_TRUE(client_.ReadSensor(0x0348, a));
    ASSERT_TRUE(client_.ReadSensor(0x0349, b));
    EXPECT_EQ((b & 0x7F) * 4 + ((a >> 6) & 3), 264);
    camera_.SetChipId(250);
    ASSERT_TRUE(client_.ReadSensor(0x0348, a) && client_.ReadSensor(0x0349, b));
    EXPECT_EQ((b & 0x7F) * 4 + ((a >> 6) & 3), 250);

    ASSERT_TRUE(client_.WriteSensor(0x0404, 0x7B));
    EXPECT_EQ(camera_.SensorRegister(0x0404), 0x7B);
    uint8_t value = 0;
    ASSERT_TRUE(client_.ReadSensor(0x0404, value));
    EXPECT_EQ(value, 0x7B);
    // A longer write fills consecutive registers.
    ASSERT_TRUE(client_.I2cWrite(0x48, {0x05, 0x10, 1, 2, 3}));
    EXPECT_EQ(camera_.SensorRegister(0x0510), 1);
    EXPECT_EQ(camera_.SensorRegister(0x0512), 3);
    const auto writes = camera_.SensorWrites();
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[3].address, 0x0512);
    EXPECT_EQ(writes[3].value, 3);
    // Power-on frame length 2094 and exposure 1582 lines.
    EXPECT_EQ(camera_.CurrentFrameSettings().frameLength, 2094u);
    EXPECT_EQ(camera_.CurrentFrameSettings().exposureLines, 1582u);

    // Faults: one register that does not take writes; a sensor that does not answer.
    camera_.SetSensorRegisterWriteFails(0x0404, true);
    EXPECT_FALSE(client_.WriteSensor(0x0404, 0x11));
    EXPECT_EQ(camera_.SensorRegister(0x0404), 0x7B);
    EXPECT_TRUE(client_.WriteSensor(0x0405, 1));
    camera_.SetSensorRegisterWriteFails(0x0404, false);
    camera_.SetI2cDeviceAbsent(0x48, true);
    EXPECT_FALSE(client_.WriteSensor(0x0405, 0));
    EXPECT_FALSE(client_.ReadSensor(0x0405, value));
    const auto log = camera_.Log();
    EXPECT_TRUE(log.back().refused);
    EXPECT_EQ(log.back().error, platform::kErrorGenFailure);
    EXPECT_NE(log.back().problem.find("acknowledge"), std::string::npos);
}

TEST_F(I2c, EepromKeepsBytesAndTheSerialNumber)
{
    uint8_t value = 0;
    ASSERT_TRUE(client_.ReadEeprom(0x0123, value));
    EXPECT_EQ(value, 0xFF); // erased
    ASSERT_TRUE(client_.WriteEeprom(0x0123, 0x42));
    ASSERT_TRUE(client_.ReadEeprom(0x0123, value));
    EXPECT_EQ(value, 0x42);
    EXPECT_EQ(camera_.EepromByte(0x0123), 0x42);

    // The serial number at 0x1040, ended by 0.
    std::string serial;
    for (uint16_t a = 0x1040; a < 0x1060; ++a) {
        ASSERT_TRUE(client_.ReadEeprom(a, value));
        if (value == 0 || value == 0xFF)
            break;
        serial.push_back(static_cast<char>(value));
    }
    EXPECT_EQ(serial, "TVX00001");
    camera_.SetSerialNumber("");
    ASSERT_TRUE(client_.ReadEeprom(0x1040, value));
    EXPECT_EQ(value, 0xFF);

    // A cell that does not keep a written value.
    camera_.SetEepromCellStuck(0x0200, true);
    ASSERT_TRUE(client_.WriteEeprom(0x0200, 0x11));
    ASSERT_TRUE(client_.ReadEeprom(0x0200, value));
    EXPECT_EQ(value, 0xFF);
    camera_.SetEepromCellStuck(0x0200, false);
    ASSERT_TRUE(client_.WriteEeprom(0x0200, 0x11));
    ASSERT_TRUE(client_.ReadEeprom(0x0200, value));
    EXPECT_EQ(value, 0x11);

    EXPECT_FALSE(client_.I2cWrite(0xA2, {0x01})); // no 16-bit address
}
