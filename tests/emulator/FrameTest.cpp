// The picture: geometry and orientation of the payload for the window,
// sub-sampling and flip registers, checked pixel by pixel against the
// scene; sample formats, brightness, motion, stillness and noise.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "DriverClient.h"
#include "emulator/EmulatedPort.h"

using namespace tavix;
using namespace tavix::test;

namespace {

constexpr int kW = 2448;
constexpr int kH = 2048;

class Frame : public ::testing::Test {
protected:
    emu::EmulatedPort port_{1, Unpaced()};
    emu::EmulatedCamera& camera_ = port_.Camera(0);
    DriverClient client_{port_, camera_.InterfacePath()};
    std::vector<uint8_t> info_;
    std::vector<uint8_t> payload_;
    emu::FrameSettings settings_;

    void Read()
    {
        ASSERT_TRUE(client_.ReadFrame(info_, payload_));
        const auto settings = camera_.SettingsOfFrame(U32(&info_[32]));
        ASSERT_TRUE(settings.has_value());
        settings_ = *settings;
        ASSERT_EQ(payload_.size(), settings_.PayloadBytes());
    }

    // The sample at (i, j) of the frame as the SDK shows it: rows
    // mirrored, row order reversed.
    uint16_t Upright(int i, int j) const
    {
        const size_t at = (settings_.height - 1 - j) * settings_.width + (settings_.width - 1 - i);
        return settings_.sixteenBit ? payload_[2 * at] | (payload_[2 * at + 1] << 8) : payload_[at];
    }

    // Compares every sample of every fifth row with the scene at the
    // position the test's own mapping gives.
    template <class Map>
    void ExpectScene(Map map)
    {
        int mismatches = 0;
        for (int j = 0; j < static_cast<int>(settings_.height); j += 5)
            for (int i = 0; i < static_cast<int>(settings_.width); ++i) {
                int x = 0, y = 0;
                map(i, j, x, y);
                const uint16_t expected = emu::SceneSample(settings_, x, y);
                if (Upright(i, j) != expected && ++mismatches < 5)
                    ADD_FAILURE() << "(" << i << ", " << j << ") from (" << x << ", " << y << "): " << Upright(i, j)
                                  << " instead of " << expected;
                int ex = -1, ey = -1;
                if (i % 97 == 0 && (!emu::UprightSource(settings_, i, j, &ex, &ey) || ex != x || ey != y) &&
                    ++mismatches < 5)
                    ADD_FAILURE() << "UprightSource disagrees at (" << i << ", " << j << ")";
            }
        EXPECT_EQ(mismatches, 0);
    }
};

// The scene position an upright frame of the whole array shows.
void Unmoved(int i, int j, int& x, int& y)
{
    x = i;
    y = j;
}

} // namespace

TEST_F(Frame, WindowSubsamplingAndFlipsPlaceTheSceneAsTheRegistersSay)
{
    // Window starts count from the right and bottom edges, and the sensor
    // reads from the bottom-right corner of the upright picture: without
    // flips the payload is the window rotated by 180 degrees.
    struct Case {
        const char* name;
        uint32_t x, width, y, height;
        int mode;
        bool sixteenBit;
        uint8_t direction; // register 0x020E: bit 0 flips rows, bit 1 mirrors columns
    } cases[] = {
        {"full", 0, 2448, 0, 2048, 0, false, 0},
        {"cropped", 100, 1024, 64, 512, 0, false, 0},
        {"cropped, flipped", 100, 1024, 64, 512, 0, false, 1},
        {"cropped, mirrored", 100, 1024, 64, 512, 0, false, 2},
        {"cropped, both", 100, 1024, 64, 512, 0, false, 3},
        {"16 bits", 400, 512, 600, 256, 0, true, 0},
        {"half sub-sampling", 0, 2448, 0, 2048, 1, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(client_.SetWindow(c.x, c.width, c.y, c.height, c.mode, c.sixteenBit));
        ASSERT_TRUE(client_.WriteSensor(0x020E, c.direction));
        Read();
        EXPECT_EQ(info_[9] & 3, c.direction);
        EXPECT_EQ(settings_.sixteenBit, c.sixteenBit);
        // Sub-sampled, the sensor keeps columns and rows 0,1, 4,5, … of its
        // own read-out; the FPGA keeps the first 1216 samples of each line.
        const bool half = c.mode == 1;
        const int w = half ? 1216 : static_cast<int>(c.width);
        const int h = half ? 1024 : static_cast<int>(c.height);
        EXPECT_EQ(settings_.width, static_cast<uint32_t>(w));
        EXPECT_EQ(settings_.height, static_cast<uint32_t>(h));
        // The information block: width, height, bytes per sample, payload bytes.
        const int depth = c.sixteenBit ? 2 : 1;
        EXPECT_EQ(info_[4] | (info_[5] << 8), w);
        EXPECT_EQ(info_[6] | (info_[7] << 8), h);
        EXPECT_EQ(info_[8], depth);
        EXPECT_EQ(U32(&info_[16]), static_cast<uint32_t>(w * h * depth));
        ExpectScene([&](int i, int j, int& x, int& y) {
            const int col = w - 1 - i, row = h - 1 - j;
            x = half ? kW - 1 - (4 * (col >> 1) + (col & 1)) : static_cast<int>(c.x) + (c.direction & 2 ? col : i);
            y = half ? kH - 1 - (4 * (row >> 1) + (row & 1)) : static_cast<int>(c.y) + (c.direction & 1 ? row : j);
        });
        if (half) { // the Bayer phase survives: the upright frame starts with a blue site
            int x = 0, y = 0;
            ASSERT_TRUE(emu::UprightSource(settings_, 0, 0, &x, &y));
            EXPECT_EQ(emu::SiteColour(x, y), emu::BayerColour::kBlue);
        }
        if (c.sixteenBit) { // sixteen-bit samples carry twelve-bit levels
            uint16_t highest = 0;
            for (size_t k = 0; k + 1 < payload_.size(); k += 2)
                highest = std::max<uint16_t>(highest, static_cast<uint16_t>(payload_[k] | (payload_[k + 1] << 8)));
            EXPECT_LE(highest, 4095);
            EXPECT_GT(highest, 255);
        }
    }
}

TEST_F(Frame, BayerModeTwoGivesTrueColoursWithBlueAtEvenEven)
{
    ASSERT_TRUE(client_.SetWindow(0, 2448, 0, 2048, 0, false));
    Read();
    // The first payload line is the bottom of the picture, read from the right.
    EXPECT_EQ(payload_[0], emu::SceneSample(settings_, kW - 1, kH - 1));
    EXPECT_EQ(emu::SiteColour(0, 0), emu::BayerColour::kBlue);
    EXPECT_EQ(emu::SiteColour(1, 1), emu::BayerColour::kRed);
    EXPECT_EQ(emu::SiteColour(1, 0), emu::BayerColour::kGreen);
    // In the red bar only red sites are lit, in the blue bar only blue ones;
    // the white bar at the top left lights every site.
    const int lit = 3500 >> 4, red = 5 * 306 + 100, blue = 6 * 306 + 100;
    const struct {
        int i, j, level;
    } sites[] = {{red + 1, 201, lit}, {red, 200, 0},      {red + 1, 200, 0}, {blue, 200, lit},
                 {blue + 1, 201, 0},  {blue, 201, 0},     {200, 300, lit},   {201, 301, lit}};
    for (const auto& site : sites)
        EXPECT_EQ(Upright(site.i, site.j), site.level) << "(" << site.i << ", " << site.j << ")";
}

TEST_F(Frame, BrightnessFollowsExposureLinesAndGain)
{
    // The gray ramp at upright x = 1000, y = 600: 1000 × 3500 / 2447 = 1430.
    ASSERT_TRUE(client_.SetWindow(0, 2448, 0, 2048, 0, true));
    // The information block and the frame's settings carry exposure and
    // gain; the frame length stays 2094 lines.
    auto level = [&](uint32_t exposureLines, uint32_t gain) {
        Read();
        EXPECT_EQ(U32(&info_[28]), exposureLines);
        EXPECT_EQ(U32(&info_[36]), 2094u);
        EXPECT_EQ(U32(&info_[40]), gain);
        EXPECT_EQ(settings_.gain, gain);
        return static_cast<double>(Upright(1000, 600));
    };
    const double base = level(1582, 0);
    EXPECT_EQ(base, 1430.0);
    // Half the exposure: shutter 2094 − 791.
    const int shutter = 2094 - 791;
    ASSERT_TRUE(client_.WriteSensor(0x028D, shutter) && client_.WriteSensor(0x028E, shutter >> 8));
    EXPECT_NEAR(level(791, 0), base / 2, 1.0);
    // 6.0 dB of gain doubles it again (×1.995).
    ASSERT_TRUE(client_.WriteSensor(0x0404, 60));
    EXPECT_NEAR(level(791, 60), base / 2 * std::pow(10.0, 60 / 200.0), 1.0);
    // Gain bit 8 lives in 0x0405; the level saturates at 4095.
    ASSERT_TRUE(client_.WriteSensor(0x0405, 1));
    EXPECT_EQ(level(791, 316), 4095.0);
}

TEST_F(Frame, FramesMoveUnlessStillAndNoiseIsDeterministic)
{
    ASSERT_TRUE(client_.SetWindow(0, 2448, 0, 2048, 0, false));
    Read();
    const std::vector<uint8_t> first = payload_;
    const uint32_t firstNumber = U32(&info_[32]);
    Read();
    EXPECT_EQ(U32(&info_[32]), firstNumber + 1);
    EXPECT_EQ(camera_.FpgaRegister(8), 2); // the FPGA counts the frames it started
    EXPECT_NE(first, payload_);
    ExpectScene(Unmoved); // the moving square and the frame number are where the scene says

    camera_.SetStill(true);
    Read();
    const std::vector<uint8_t> still = payload_;
    Read();
    EXPECT_EQ(still, payload_);

    camera_.SetStill(false);
    camera_.SetNoise(24, 7);
    camera_.SetNextFrameNumber(500);
    Read();
    EXPECT_EQ(settings_.frameNumber, 500u);
    ExpectScene(Unmoved);

    // Another camera with the same seed gives the same frame 500.
    emu::CameraOptions options = Unpaced();
    options.noiseAmplitude = 24;
    options.noiseSeed = 7;
    auto& twin = port_.AddCamera(options);
    twin.SetNextFrameNumber(500);
    DriverClient other(port_, twin.InterfacePath());
    std::vector<uint8_t> info, payload;
    ASSERT_TRUE(other.SetFormat(2448, 2048, false));
    ASSERT_TRUE(other.ReadFrame(info, payload));
    EXPECT_EQ(payload, payload_);
}

TEST_F(Frame, FormatAndWindowThatDisagreeGiveCutOrShortFramesNeverPadding)
{
    // The FPGA sends of each sensor line the first `format width` samples
    // and stops after `format height` lines; a sensor line or frame shorter
    // than the format makes the payload shorter than announced. The sensor
    // reads from the right edge: payload sample (0, 0) is the window's
    // bottom-right corner.
    struct Case {
        uint32_t width, height, formatWidth, formatHeight;
        uint32_t rows, columns; // what arrives
        int firstX, firstY;     // upright scene position of payload sample (0, 0)
    } cases[] = {
        {1024, 512, 1000, 500, 500, 1000, 1023, 511}, // format inside the window: cut
        {1024, 512, 1040, 520, 512, 1024, 1023, 511}, // format past the window: short rows, short frame
        {1024, 512, 1024, 600, 512, 1024, 1023, 511}, // more lines asked than read out: short frame
        // From 2033 columns horizontal cropping is off: the sensor reads whole
        // lines, so the FPGA's cut keeps the rightmost 2400 columns.
        {2400, 2048, 2400, 2048, 2048, 2400, 2447, 2047},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " in " << c.formatWidth << " x "
                                        << c.formatHeight);
        ASSERT_TRUE(client_.SetWindow(0, c.width, 0, c.height, 0, false));
        ASSERT_TRUE(client_.SetFormat(c.formatWidth, c.formatHeight, false));
        info_.assign(64, 0);
        ASSERT_TRUE(client_.Arm() && client_.ReadDirect(0x81, info_.data(), 64, 3000));
        const uint32_t announced = U32(&info_[16]);
        EXPECT_EQ(announced, c.formatWidth * c.formatHeight);
        payload_.assign(announced, 0xEE);
        uint32_t count = 0;
        ASSERT_TRUE(client_.ReadDirect(0x81, payload_.data(), announced, 3000, &count));
        ASSERT_EQ(count, c.rows * c.columns);
        settings_ = *camera_.SettingsOfFrame(U32(&info_[32]));
        int mismatches = 0;
        for (uint32_t r = 0; r < c.rows; r += 7)
            for (uint32_t k = 0; k < c.columns; ++k)
                if (payload_[r * c.columns + k] !=
                        emu::SceneSample(settings_, c.firstX - static_cast<int>(k), c.firstY - static_cast<int>(r)) &&
                    ++mismatches <= 5)
                    ADD_FAILURE() << "payload (" << k << ", " << r << ")";
        EXPECT_EQ(mismatches, 0);
        EXPECT_TRUE(count == announced || payload_[count] == 0xEE) << "nothing arrives past the short end";
    }
}

TEST_F(Frame, FramesFlowOnlyWhileTheSensorRunsAndARestartCuresAHang)
{
    ASSERT_TRUE(client_.SetWindow(0, 256, 0, 64, 0, false));
    const auto frameArrives = [&] {
        info_.assign(64, 0);
        if (!client_.Arm() || !client_.ReadDirect(0x81, info_.data(), 64, 150))
            return false;
        payload_.resize(U32(&info_[16]));
        EXPECT_TRUE(client_.ReadDirect(0x81, payload_.data(), static_cast<uint32_t>(payload_.size()), 3000));
        return true;
    };
    ASSERT_TRUE(frameArrives());
    // Sensor disabled, or a format code the FPGA does not know: no frame.
    ASSERT_TRUE(client_.WriteFpga(96, 0));
    EXPECT_FALSE(frameArrives());
    ASSERT_TRUE(client_.WriteFpga(96, 1));
    ASSERT_TRUE(client_.WriteFpga(0x48, 12));
    EXPECT_FALSE(frameArrives());
    ASSERT_TRUE(client_.WriteFpga(0x48, 11));
    EXPECT_TRUE(frameArrives());

    // A hung stream stays hung through pipe resets and new start requests;
    // the restart pulse brings it back. Half a pulse does not.
    camera_.HangStream();
    EXPECT_FALSE(frameArrives());
    uint8_t endpoint = 0x81;
    ASSERT_TRUE(client_.Send(codes::kResetPipe, &endpoint, 1, nullptr, 0).accepted);
    EXPECT_FALSE(frameArrives());
    ASSERT_TRUE(client_.WriteFpga(0x6C, 1));
    EXPECT_FALSE(frameArrives());
    ASSERT_TRUE(client_.WriteFpga(0x6C, 0));
    EXPECT_TRUE(frameArrives());

    // A restart drops the frame in flight: its payload never comes.
    ASSERT_TRUE(client_.Arm() && client_.ReadDirect(0x81, info_.data(), 64, 3000));
    ASSERT_TRUE(client_.WriteFpga(0x6C, 1) && client_.WriteFpga(0x6C, 0));
    payload_.resize(U32(&info_[16]));
    EXPECT_FALSE(client_.ReadDirect(0x81, payload_.data(), static_cast<uint32_t>(payload_.size()), 150));
    EXPECT_TRUE(frameArrives());
}

TEST_F(Frame, TriggerPulsesExposeFramesTheFpgaCountsAndHolds)
{
    ASSERT_TRUE(client_.SetWindow(0, 256, 0, 64, 0, false));
    const uint32_t before = camera_.FramesStarted();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(camera_.FireTrigger());
    EXPECT_EQ(camera_.FpgaRegister(8), static_cast<uint8_t>(before + 3));
    // Each start request takes the oldest held frame, in trigger order;
    // none starts a frame of its own while frames are held.
    for (uint32_t i = 0; i < 3; ++i) {
        Read();
        EXPECT_EQ(settings_.frameNumber, before + i);
    }
    EXPECT_EQ(camera_.FramesStarted(), before + 3);
    // The FPGA holds eight; a restart drops them; a disabled sensor exposes nothing.
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(camera_.FireTrigger());
    EXPECT_FALSE(camera_.FireTrigger());
    ASSERT_TRUE(client_.WriteFpga(0x6C, 1) && client_.WriteFpga(0x6C, 0));
    EXPECT_TRUE(camera_.FireTrigger());
    ASSERT_TRUE(client_.WriteFpga(96, 0));
    EXPECT_FALSE(camera_.FireTrigger());
}
