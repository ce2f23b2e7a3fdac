// The IMX264 capture window and transfer depth, read back from the
// sensor's register file and the order of the writes that reached it. The
// order of the full window's writes is checked with the power-up's.

#include <array>

#include "Imx264Fixture.h"

namespace tavix::test {
namespace {

using Imx264Window = Imx264Fixture;

TEST_F(Imx264Window, WindowIsRoundedAndItsStartsCountFromTheFarEdges)
{
    struct Case {
        const char* name;
        uint32_t x, width, y, height, mode;
        // The window applied, its shortest frame, and registers 0x0500 and 0x020D.
        uint32_t appliedX, appliedWidth, appliedY, appliedHeight, frameLength, modeBits, subSampling;
    };
    const Case cases[] = {
        {"the full array", 0, 2448, 0, 2048, 0, 0, 2448, 0, 2048, 2094, 0x00, 0x00},
        {"half skip halves the window and the frame", 0, 2448, 0, 2048, 1, 0, 1216, 0, 1024, 1047, 0x00, 0x11},
        {"half skip of twice the array is the array", 0, 4896, 0, 4096, 1, 0, 2448, 0, 2048, 2071, 0x00, 0x11},
        {"starts round up, sizes down; narrow and short", 5, 1000, 10, 500, 0, 8, 992, 12, 500, 546, 0x03, 0x00},
        {"narrow: below 2033", 0, 2032, 0, 2048, 0, 0, 2032, 0, 2048, 2094, 0x01, 0x00},
        {"short of the array's height", 0, 2033, 0, 2044, 0, 0, 2032, 0, 2044, 2090, 0x02, 0x00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(sensor.SetWindow(c.x, c.width, c.y, c.height, c.mode), 1);
        uint32_t x = 1, width = 0, y = 1, height = 0, mode = 9;
        EXPECT_EQ(sensor.GetWindow(&x, &width, &y, &height, &mode), 1);
        EXPECT_EQ((std::array{x, width, y, height, mode}),
                  (std::array{c.appliedX, c.appliedWidth, c.appliedY, c.appliedHeight, c.mode}));
        EXPECT_EQ(sensor.Info().frameLength, c.frameLength);
        EXPECT_EQ(Registers(0x0500, 1), c.modeBits);
        EXPECT_EQ(Registers(0x020D, 1), c.subSampling);
        EXPECT_EQ(Registers(0x0510, 2), 2448 - c.appliedWidth - c.appliedX);
        EXPECT_EQ(Registers(0x0512, 2), 2048 - c.appliedHeight - c.appliedY);
        EXPECT_EQ(Registers(0x0514, 2), c.appliedWidth);
        EXPECT_EQ(Registers(0x0516, 2), c.appliedHeight);
    }
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
