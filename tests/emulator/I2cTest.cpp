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

TEST_F(I2c, FpgaPortWritesThreeBytesAndReadsTwo)
{
    ASSERT_TRUE(client_.WriteFpga(7, 0xA5));
    EXPECT_EQ(camera_.FpgaRegister(7), 0xA5);
    uint8_t value = 0;
    ASSERT_TRUE(client_.ReadFpga(7, value));
    EXPECT_EQ(value, 0xA5);
    // On the wire: a high byte of 0, then the value.
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(client_.I2cWrite(0x40, {7}));
    ASSERT_TRUE(client_.I2cRead(0x41, 2, bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0, 0xA5}));
    ASSERT_EQ(camera_.FpgaWrites().size(), 1u);
    EXPECT_EQ(camera_.FpgaWrites()[0].address, 7);

    // Power-on format: 2448 × 2048, 8 bits, format code 11, status word 309.
    uint8_t lo = 0, hi = 0;
    ASSERT_TRUE(client_.ReadFpga(0x44, lo) && client_.ReadFpga(0x45, hi));
    EXPECT_EQ(lo | (hi << 8), 2448);
    ASSERT_TRUE(client_.ReadFpga(0x40, lo) && client_.ReadFpga(0x41, hi));
    EXPECT_EQ(lo | (hi << 8), 2048);
    ASSERT_TRUE(client_.ReadFpga(0x10, lo) && client_.ReadFpga(0x11, hi));
    EXPECT_EQ(lo | (hi << 8), 309);
    ASSERT_TRUE(client_.ReadFpga(0x3C, value));
    EXPECT_EQ(value, 1);

    // Malformed port traffic is not acknowledged.
    EXPECT_FALSE(client_.I2cWrite(0x40, {7, 1, 5}));    // high byte must be 0
    EXPECT_FALSE(client_.I2cWrite(0x40, {7, 5}));       // 2 bytes
    EXPECT_FALSE(client_.I2cWrite(0x41, {7, 0, 5}));    // the read address
    EXPECT_FALSE(client_.Vendor(kIn, 0x31, 2, 0x40).accepted); // read at the write address
    EXPECT_FALSE(client_.Vendor(kOut, 0x30, 0, 0x40).accepted); // 0 bytes
    EXPECT_FALSE(client_.Vendor(kOut, 0x30, 65, 0x40).accepted);
    EXPECT_EQ(camera_.FpgaRegister(7), 0xA5);
}

TEST_F(I2c, FpgaStatusRegisterReportsReadinessBusyAndLock)
{
    emu::Readiness readiness;
    readiness.fpgaAfterPolls = 2;
    readiness.busBusyPolls = 1;
    readiness.lock = emu::FpgaLock::kLocksAfterPulse;
    camera_.SetReadiness(readiness);
    uint8_t value = 0;
    ASSERT_TRUE(client_.ReadFpga(2, value));
    EXPECT_EQ(value & 0x90, 0x90);
    ASSERT_TRUE(client_.ReadFpga(2, value));
    EXPECT_EQ(value & 0x90, 0x90);
    ASSERT_TRUE(client_.ReadFpga(2, value));
    EXPECT_EQ(value, 0x02); // ready, bus busy once
    ASSERT_TRUE(client_.ReadFpga(2, value));
    EXPECT_EQ(value, 0x00);
    EXPECT_EQ(camera_.FpgaReadyPolls(), 4);

    ASSERT_TRUE(client_.ReadFpga(0x81, value));
    EXPECT_EQ(value & 2, 0);
    ASSERT_TRUE(client_.WriteFpga(0x81, 1));
    ASSERT_TRUE(client_.WriteFpga(0x81, 0));
    ASSERT_TRUE(client_.ReadFpga(0x81, value));
    EXPECT_EQ(value & 2, 2);

    readiness.fpgaAfterPolls = emu::kNever;
    readiness.lock = emu::FpgaLock::kNeverLocks;
    camera_.SetReadiness(readiness);
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(client_.ReadFpga(2, value));
        ASSERT_EQ(value & 0x90, 0x90);
    }
    ASSERT_TRUE(client_.WriteFpga(0x81, 1) && client_.WriteFpga(0x81, 0));
    ASSERT_TRUE(client_.ReadFpga(0x81, value));
    EXPECT_EQ(value & 2, 0);

    readiness.lock = emu::FpgaLock::kLocked;
    camera_.SetReadiness(readiness);
    ASSERT_TRUE(client_.ReadFpga(0x81, value));
    EXPECT_EQ(value & 2, 2);
}

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

TEST_F(I2c, ReadyDeviceAnswersZeroOnceReady)
{
    emu::Readiness readiness;
    readiness.readyDeviceAfterPolls = 2;
    camera_.SetReadiness(readiness);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(client_.I2cRead(0x5E, 2, bytes));
    EXPECT_NE(bytes[0], 0);
    ASSERT_TRUE(client_.I2cRead(0x5E, 2, bytes));
    EXPECT_NE(bytes[0], 0);
    ASSERT_TRUE(client_.I2cRead(0x5E, 2, bytes));
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(camera_.ReadyDevicePolls(), 3);

    // Devices that are not on this camera's bus never acknowledge.
    EXPECT_FALSE(client_.I2cRead(0x5A, 1, bytes));
    EXPECT_FALSE(client_.I2cWrite(0x5A, {1, 2}));
    EXPECT_FALSE(client_.I2cWrite(0x5E, {1}));
}
