// The IMX264 capture window and transfer depth, read back from the
// sensor's register file and the order of the writes that reached it.

#include "Imx264Fixture.h"

namespace tavix::test {
namespace {

using Imx264Window = Imx264Fixture;

TEST_F(Imx264Window, FullFrameWritesTheWholeArray)
{
    ASSERT_EQ(sensor.SetWindow(0, 2448, 0, 2048, 0), 1);
    const std::vector<RegisterWrite> expected = {
        {0x0500, 0x00}, {0x0510, 0x00}, {0x0511, 0x00}, {0x0512, 0x00}, {0x0513, 0x00},
        {0x0514, 0x90}, {0x0515, 0x09}, {0x0516, 0x00}, {0x0517, 0x08}, {0x020D, 0x00},
        {0x0214, 0xE4}, {0x0215, 0x03}};
    EXPECT_EQ(TakeWrites(), expected);
    EXPECT_EQ(Registers(0x0514, 2), 2448u);
    EXPECT_EQ(Registers(0x0516, 2), 2048u);

    uint32_t x = 1, width = 0, y = 1, height = 0, mode = 9;
    EXPECT_EQ(sensor.GetWindow(&x, &width, &y, &height, &mode), 1);
    EXPECT_EQ(x, 0u);
    EXPECT_EQ(width, 2448u);
    EXPECT_EQ(y, 0u);
    EXPECT_EQ(height, 2048u);
    EXPECT_EQ(mode, 0u);
    EXPECT_EQ(sensor.Info().frameLength, 2094u);
}

TEST_F(Imx264Window, HalfSkipHalvesTheWindowAndTheFrame)
{
    ASSERT_EQ(sensor.SetWindow(0, 2448, 0, 2048, 1), 1);
    EXPECT_EQ(sensor.Info().windowWidth, 1216u);
    EXPECT_EQ(sensor.Info().windowHeight, 1024u);
    EXPECT_EQ(sensor.Info().windowMode, 1u);
    EXPECT_EQ(sensor.Info().frameLength, 1047u);
    EXPECT_EQ(camera.SensorRegister(0x0500), 0x00);
    EXPECT_EQ(camera.SensorRegister(0x020D), 0x11);
    EXPECT_EQ(Registers(0x0510, 2), 2448u - 1216u);
    EXPECT_EQ(Registers(0x0512, 2), 2048u - 1024u);
    EXPECT_EQ(Registers(0x0514, 2), 1216u);
    EXPECT_EQ(Registers(0x0516, 2), 1024u);
}

TEST_F(Imx264Window, CropRoundsAndCountsStartsFromTheFarEdges)
{
    ASSERT_EQ(sensor.SetWindow(5, 1000, 10, 500, 0), 1);
    EXPECT_EQ(sensor.Info().windowX, 8u);
    EXPECT_EQ(sensor.Info().windowY, 12u);
    EXPECT_EQ(sensor.Info().windowWidth, 992u);
    EXPECT_EQ(sensor.Info().windowHeight, 500u);
    EXPECT_EQ(sensor.Info().frameLength, 546u);
    // Narrow (below 2033) and short: both mode bits.
    EXPECT_EQ(camera.SensorRegister(0x0500), 0x03);
    EXPECT_EQ(Registers(0x0510, 2), 2448u - 992u - 8u);
    EXPECT_EQ(Registers(0x0512, 2), 2048u - 500u - 12u);
    EXPECT_EQ(camera.SensorRegister(0x020D), 0x00);

    ASSERT_EQ(sensor.SetWindow(0, 2032, 0, 2048, 0), 1);
    EXPECT_EQ(camera.SensorRegister(0x0500), 0x01);
    ASSERT_EQ(sensor.SetWindow(0, 2033, 0, 2044, 0), 1);
    EXPECT_EQ(camera.SensorRegister(0x0500), 0x02);
}

TEST_F(Imx264Window, WindowOutsideTheArrayIsRefusedWithoutWrites)
{
    ASSERT_EQ(sensor.SetWindow(8, 1024, 16, 1024, 0), 1);
    const SensorInfo before = sensor.Info();
    TakeWrites();

    EXPECT_EQ(sensor.SetWindow(4, 2448, 0, 2048, 0), 0);
    EXPECT_EQ(sensor.SetWindow(0, 2448, 4, 2048, 0), 0);
    EXPECT_EQ(sensor.SetWindow(1, 2448, 0, 2048, 0), 0); // x rounds up to 4
    EXPECT_EQ(sensor.SetWindow(0xFFFFFFFF, 16, 0, 16, 0), 0);
    EXPECT_EQ(sensor.SetWindow(0, 4912, 0, 2048, 0), 0);
    EXPECT_EQ(sensor.SetWindow(0, 2448, 0, 4104, 1), 0);
    // Empty after rounding: there would be nothing to read.
    EXPECT_EQ(sensor.SetWindow(0, 15, 0, 2048, 0), 0);
    EXPECT_EQ(sensor.SetWindow(0, 2448, 0, 7, 1), 0);
    EXPECT_TRUE(TakeWrites().empty());
    EXPECT_EQ(sensor.Info().windowX, before.windowX);
    EXPECT_EQ(sensor.Info().windowWidth, before.windowWidth);
    EXPECT_EQ(sensor.Info().frameLength, before.frameLength);

    // Twice the array in half skip is the whole array.
    EXPECT_EQ(sensor.SetWindow(0, 4896, 0, 4096, 1), 1);
    EXPECT_EQ(sensor.Info().windowWidth, 2448u);
}

TEST_F(Imx264Window, TransferDepthReappliesTheSameWindow)
{
    ASSERT_EQ(sensor.SetWindow(0, 2448, 0, 2048, 1), 1);
    TakeWrites();
    EXPECT_EQ(sensor.SetTransferDepth(1), 1);
    EXPECT_EQ(sensor.Info().transferBits, 16u);
    // Not halved a second time.
    EXPECT_EQ(sensor.Info().windowWidth, 1216u);
    EXPECT_EQ(sensor.Info().windowHeight, 1024u);
    EXPECT_EQ(sensor.Info().frameLength, 1047u);
    const std::vector<RegisterWrite> writes = TakeWrites();
    ASSERT_EQ(writes.size(), 12u);
    EXPECT_EQ(writes[5], (RegisterWrite{0x0514, 0xC0}));
    EXPECT_EQ(writes[9], (RegisterWrite{0x020D, 0x11}));

    EXPECT_EQ(sensor.SetTransferDepth(0), 1);
    EXPECT_EQ(sensor.Info().transferBits, 8u);
    EXPECT_EQ(sensor.Info().windowWidth, 1216u);

    ASSERT_EQ(sensor.SetWindow(8, 2040, 4, 2047, 0), 1);
    EXPECT_EQ(sensor.SetTransferDepth(7), 1);
    EXPECT_EQ(sensor.Info().transferBits, 16u);
    EXPECT_EQ(sensor.Info().windowWidth, 2032u);
    EXPECT_EQ(sensor.Info().frameLength, 2093u);
    EXPECT_EQ(camera.SensorRegister(0x0500), 0x02);
}

TEST_F(Imx264Window, WindowWritesAreBestEffort)
{
    SetSensorAcknowledges(false);
    EXPECT_EQ(sensor.SetWindow(0, 1024, 0, 1024, 0), 1);
    EXPECT_EQ(sensor.Info().windowWidth, 1024u);
    EXPECT_TRUE(TakeWrites().empty());
}

} // namespace
} // namespace tavix::test
