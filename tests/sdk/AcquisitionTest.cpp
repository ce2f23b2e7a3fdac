// Acquisition through the exported functions only, against emulated cameras:
// opening, the acquisition states, callback frames in every colour mode,
// the delivered pixels against the scene, unplugging, two cameras at once,
// and what the instance keeps in the settings store.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include "SdkFixture.h"
#include "TavixSdk.h"
#include "emulator/EmulatedPort.h"
#include "emulator/Scene.h"
#include "instance/Settings.h"
#include "platform/SettingsStore.h"

using namespace tavix;
using namespace tavix::test;
using Clock = std::chrono::steady_clock;

namespace {
class TwoCameras : public Sdk {
protected:
    TwoCameras() : Sdk(2) {}
};
} // namespace

TEST_F(Sdk, CallbackFramesCarryTheirInfoAndTheSceneInEveryColourMode)
{
    SmallWindow(handle_);
    std::vector<uint8_t> buffer(256 * 128 * 8 + 64);
    for (int32_t bits : {8, 16, 24, 32, 48, 64}) {
        SCOPED_TRACE(bits);
        ASSERT_EQ(Tavix_SetColorMode(handle_, bits), 1);
        EXPECT_EQ(Tavix_GetColorMode(handle_), bits);
        std::fill(buffer.begin(), buffer.end(), 0xEE);
        ASSERT_EQ(Tavix_CallBackPreview(handle_, trap_.Window(), buffer.data(), static_cast<int32_t>(buffer.size()), 1),
                  1);
        // In the first mode, long enough for the rate of the first second.
        const auto enough = [bits](const std::vector<MessageTrap::Message>& all) {
            return MessageTrap::Frames(all) >= 3 && (bits != 8 || all.back().info.frameRate10 != 0);
        };
        const auto messages = trap_.TakeUntil(enough);
        ASSERT_EQ(Tavix_StopPreview(handle_), 1);
        ASSERT_TRUE(enough(messages));
        // Measured, the rate cannot pass what the camera produces.
        const double produced = 1e6 / port_.Camera(0).CurrentFrameSettings().FramePeriodMicroseconds();
        EXPECT_LE(messages.back().info.frameRate10, produced * 10 * 1.02 + 1);
        for (const auto& m : messages) {
            ASSERT_EQ(m.message, TAVIX_WM_FRAME) << "lParam " << m.lParam;
            EXPECT_EQ(m.window, trap_.Window());
            EXPECT_EQ(m.info.width, 256u);
            EXPECT_EQ(m.info.height, 128u);
            EXPECT_EQ(m.info.bitsPerPixel, static_cast<uint32_t>(bits));
            EXPECT_EQ(m.info.buffer, buffer.data());
        }
        const size_t frameBytes = 256u * 128u * static_cast<size_t>(bits / 8);
        EXPECT_NE(buffer[frameBytes - 1], 0xEE) << "the whole frame was copied";
        EXPECT_EQ(buffer[frameBytes], 0xEE) << "and nothing past it";
        if (bits > 16)
            continue; // the demosaic is checked against its reference in the imaging suite
        // The raw modes are the scene at the requested window, row for row;
        // only the levels (exposure and gain) are the camera's own.
        const emu::FrameSettings levels = port_.Camera(0).CurrentFrameSettings();
        ASSERT_EQ(levels.sixteenBit, bits == 16);
        int mismatches = 0;
        for (int j = 0; j < 128; ++j)
            for (int i = 0; i < 256; ++i) {
                const size_t at = (static_cast<size_t>(j) * 256 + i) * static_cast<size_t>(bits / 8);
                const int sample = bits == 16 ? buffer[at] | buffer[at + 1] << 8 : buffer[at];
                if (sample != emu::SceneSample(levels, 400 + i, 200 + j) && ++mismatches <= 3)
                    ADD_FAILURE() << "(" << i << ", " << j << "): " << sample;
            }
        EXPECT_EQ(mismatches, 0);
    }
    EXPECT_TRUE(Errors(handle_).empty());
}

TEST_F(Sdk, AcquisitionStatesAndTheirRefusals)
{
    SmallWindow(handle_);
    ASSERT_EQ(Tavix_SetColorMode(handle_, 24), 1);
    const int32_t frameBytes = 256 * 128 * 3;
    std::vector<uint8_t> frame(frameBytes), image(frameBytes);

    EXPECT_EQ(Tavix_StopPreview(handle_), 1) << "nothing to stop";
    EXPECT_EQ(Tavix_SnapShot(handle_, frame.data(), frameBytes, 1), 1);
    EXPECT_EQ(Tavix_GetImage(handle_, image.data(), frameBytes, 1), 1);
    EXPECT_EQ(image, frame);

    EXPECT_EQ(Tavix_Capture(handle_), 1);
    EXPECT_EQ(Tavix_Capture(handle_), 1);
    EXPECT_EQ(Tavix_SnapShot(handle_, frame.data(), frameBytes, 0), 1);
    // A buffer one byte short: error 5 twice, and the frame lock is free again.
    EXPECT_EQ(Tavix_SnapShot(handle_, frame.data(), frameBytes - 1, 0), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{5, 5}));
    EXPECT_EQ(Tavix_SnapShot(handle_, frame.data(), frameBytes, 0), 1);
    EXPECT_EQ(Tavix_StartPreview(handle_), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{1}));
    EXPECT_EQ(Tavix_StopPreview(handle_), 1);

    ASSERT_EQ(Tavix_Preview(handle_), 1);
    EXPECT_EQ(Tavix_SnapShot(handle_, frame.data(), frameBytes, 0), 0);
    EXPECT_EQ(Tavix_Capture(handle_), 0);
    EXPECT_EQ(Tavix_StartPreview(handle_), 1) << "already running";
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{1, 1}));
    EXPECT_EQ(Tavix_Close(handle_), 1);
    EXPECT_EQ(port_.Camera(0).OpenHandles(), 0) << "the transfer stopped with the preview";

    // A window reaching past the sensor is kept but refused.
    EXPECT_EQ(Tavix_SetCaptureWindowEx(handle_, 2448, 100, 2400, 2048, 0, 2048), 0);
    int32_t values[6] = {};
    EXPECT_EQ(Tavix_GetCaptureWindowEx(handle_, &values[0], &values[1], &values[2], &values[3], &values[4], nullptr),
              1);
    EXPECT_EQ(values[1], 100);
    EXPECT_EQ(values[2], 2400);
    EXPECT_EQ(Tavix_Capture(handle_), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{7, 7}));
    // The copy checks its size as a signed number.
    EXPECT_EQ(Tavix_GetImage(handle_, image.data(), -1, 0), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{5, 5}));
}

TEST_F(Sdk, UnpluggingMidPreviewEndsItWithEvent13AndStopReturnsPromptly)
{
    SmallWindow(handle_);
    std::vector<uint8_t> buffer(256 * 128);
    ASSERT_EQ(Tavix_SetColorMode(handle_, 8), 1);
    ASSERT_EQ(Tavix_CallBackPreview(handle_, trap_.Window(), buffer.data(), static_cast<int32_t>(buffer.size()), 1), 1);
    ASSERT_GE(MessageTrap::Frames(trap_.TakeUntil([](const auto& all) { return MessageTrap::Frames(all) >= 1; })), 1u);
    port_.Camera(0).Unplug();
    const auto ended = [](const std::vector<MessageTrap::Message>& all) {
        for (const auto& m : all)
            if (m.message == TAVIX_WM_FRAME && m.wParam == 0 && m.lParam == TAVIX_EVENT_CAMERA_STOPPED)
                return true;
        return false;
    };
    const auto messages = trap_.TakeUntil(ended, std::chrono::seconds(15));
    EXPECT_TRUE(ended(messages));
    bool errorPosted = false;
    for (const auto& m : messages)
        errorPosted |= m.message == TAVIX_WM_ERROR && m.lParam == 13;
    EXPECT_TRUE(errorPosted);
    const auto start = Clock::now();
    EXPECT_EQ(Tavix_StopPreview(handle_), 1);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(3500));
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{13}));
}

TEST_F(Sdk, ReleasingDuringAPreviewFromAnotherThreadEndsItCleanly)
{
    // Released while frames are delivered into the buffer: the release
    // waits for the preview thread, and every later call sees no instance.
    SmallWindow(handle_);
    std::vector<uint8_t> buffer(256 * 128 * 3);
    ASSERT_EQ(Tavix_SetColorMode(handle_, 24), 1);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(Tavix_CallBackPreview(handle_, trap_.Window(), buffer.data(), static_cast<int32_t>(buffer.size()), 0),
                  1);
        ASSERT_GE(MessageTrap::Frames(trap_.TakeUntil([](const auto& all) { return MessageTrap::Frames(all) >= 2; })),
                  2u);
        int32_t released = 0;
        std::thread other([&] { released = Tavix_Release(handle_); });
        other.join();
        EXPECT_EQ(released, 1);
        EXPECT_EQ(Tavix_StopPreview(handle_), 0);
        trap_.Take(); // what was posted before the release returned
        EXPECT_EQ(MessageTrap::Frames(trap_.Take()), 0u) << "the preview thread ended with the release";
        handle_ = Tavix_Initialize(trap_.Window());
        SmallWindow(handle_);
        ASSERT_EQ(Tavix_SetColorMode(handle_, 24), 1);
    }
}

TEST_F(TwoCameras, NoCameraIsOpenUntilOneIsChosenAndTwoInstancesStreamAtOnce)
{
    EXPECT_EQ(Tavix_Capture(handle_), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{2}));
    char names[10][256];
    std::memset(names, 'x', sizeof names);
    EXPECT_EQ(Tavix_EnumDevice(handle_, names), 2);
    EXPECT_STREQ(names[0], "Tavix264ROR-USB3-Q5_01");
    EXPECT_STREQ(names[1], "Tavix264ROR-USB3-Q5_02");
    EXPECT_STREQ(names[9], "");
    TavixWideChar wide[10][256];
    EXPECT_EQ(Tavix_EnumDeviceW(handle_, wide), 2);
    EXPECT_EQ(wide[1][17], u'Q');
    EXPECT_EQ(wide[1][21], u'2');
    char name[23];
    EXPECT_EQ(Tavix_GetDeviceName(handle_, 1, name, 23), 1);
    EXPECT_STREQ(name, "Tavix264ROR-USB3-Q5_02");
    EXPECT_EQ(Tavix_GetDeviceName(handle_, 1, name, 22), 0) << "the name and its end do not fit";
    EXPECT_EQ(Tavix_GetDeviceName(handle_, 32, name, 23), 0);
    EXPECT_EQ(Tavix_GetDeviceName(handle_, 2, name, 23), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{2, 2, 9}));

    const uint32_t second = Tavix_Initialize(nullptr);
    ASSERT_EQ(Tavix_SetDeviceNumber(handle_, 0), 1);
    ASSERT_EQ(Tavix_SetDeviceNumber(handle_, 0), 1) << "already open";
    ASSERT_EQ(Tavix_SetDeviceNumber(second, 1), 1);
    EXPECT_EQ(Tavix_SetDeviceNumber(second, 5), 0);
    EXPECT_EQ(Errors(second), (std::vector<uint32_t>{2}));
    SmallWindow(handle_);
    SmallWindow(second);
    ASSERT_EQ(Tavix_CallBackPreview(handle_, trap_.Window(), nullptr, 0, 0), 1);
    ASSERT_EQ(Tavix_CallBackPreview(second, trap_.Window(), nullptr, 0, 0), 1);
    const uint32_t before0 = port_.Camera(0).FramesStarted(), before1 = port_.Camera(1).FramesStarted();
    EXPECT_GE(MessageTrap::Frames(trap_.TakeUntil([](const auto& all) { return MessageTrap::Frames(all) >= 10; })),
              10u);
    EXPECT_GT(port_.Camera(0).FramesStarted(), before0);
    EXPECT_GT(port_.Camera(1).FramesStarted(), before1);
    EXPECT_EQ(Tavix_Release(second), 1);
}

TEST_F(Sdk, SettingsAreKeptPerCameraAndAStoredExposureReachesTheCamera)
{
    // Released, the instance leaves its analog, filter and gray values.
    ASSERT_EQ(Tavix_Release(handle_), 1);
    const auto gain = platform::SettingsKey::Open(settings::GroupKey(0, "Gain"));
    const auto filter = platform::SettingsKey::Open(settings::GroupKey(0, "Filter"));
    ASSERT_NE(gain, nullptr);
    ASSERT_NE(filter, nullptr);
    uint32_t exposure = 0, gamma = 0;
    EXPECT_TRUE(gain->ReadDword("Exposure", &exposure));
    EXPECT_TRUE(filter->ReadDword("Gamma", &gamma));
    EXPECT_EQ(gamma, 100u);

    // A new instance applies what is stored: 300 ms of exposure is about
    // 2267 lines of 13.24 µs, far longer than the 2094-line frame.
    ASSERT_TRUE(platform::SettingsKey::Create(settings::GroupKey(0, "Gain"))->WriteDword("Exposure", 3000));
    handle_ = Tavix_Initialize(nullptr);
    EXPECT_GT(port_.Camera(0).CurrentFrameSettings().frameLength, 2094u);

    // A damaged values file is read as missing values, never a failure.
#ifndef _WIN32
    ASSERT_EQ(Tavix_Release(handle_), 1);
    std::FILE* file = std::fopen((std::string(std::getenv("XDG_CONFIG_HOME")) +
                                  "/tavix/Software/Kelvor/Tavix264ROR3Q5Sdk/Camera_00/Gain/.values")
                                     .c_str(),
                                 "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("\"Exposure\"=dword:zz\n\"Global\"=\n", file);
    std::fclose(file);
    handle_ = Tavix_Initialize(nullptr);
    EXPECT_EQ(Tavix_SetColorMode(handle_, 8), 1);
    EXPECT_EQ(Tavix_Capture(handle_), 1);
#endif
}

TEST_F(Sdk, SmallExportsAnswerAsDocumented)
{
    // Construction values, unknown handles, refused values that record nothing.
    int32_t v[6] = {};
    const uint32_t fresh = Tavix_Initialize(nullptr);
    EXPECT_EQ(Tavix_GetCaptureWindowEx(fresh, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]), 1);
    EXPECT_EQ(std::vector<int32_t>(v, v + 6), (std::vector<int32_t>{2448, 0, 2448, 2048, 0, 2048}));
    EXPECT_EQ(Tavix_Release(fresh), 1);
    EXPECT_EQ(Tavix_GetColorMode(0xFFFF0000u), -1);
    EXPECT_EQ(Tavix_GetSubSample(0xFFFF0000u), -1);
    EXPECT_EQ(Tavix_Width(0xFFFF0000u), 0);
    EXPECT_EQ(Tavix_SetSubSample(handle_, 2), 0);
    EXPECT_EQ(Tavix_SetWaitTime(handle_, -1), 0);
    EXPECT_EQ(Tavix_SetWaitTime(handle_, 7), 1);
    EXPECT_EQ(Tavix_GetWaitTime(handle_), 7);
    EXPECT_EQ(Tavix_SetSubSample(handle_, 1), 1);
    EXPECT_EQ(Tavix_GetSubSample(handle_), 1);
    EXPECT_EQ(Tavix_SetColorMode(handle_, 12), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{9}));
    EXPECT_EQ(Tavix_Width(handle_), 2448);

    // Sub-sampled, the camera delivers 1216 × 1024 of 1224 × 1024: the
    // frame and its bitmap are that size.
    std::vector<uint8_t> buffer(1216 * 1024);
    ASSERT_EQ(Tavix_SetColorMode(handle_, 8), 1);
    EXPECT_EQ(Tavix_SnapShot(handle_, buffer.data(), static_cast<int32_t>(buffer.size()), 1), 1);
    EXPECT_EQ(Tavix_SnapShot(handle_, buffer.data(), static_cast<int32_t>(buffer.size() - 1), 1), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{5, 5}));

    // Configuration files: records of 8 bytes, a bound on the size.
    const std::string path = ::testing::TempDir() + "tavix-config.bin";
    std::ofstream(path, std::ios::binary) << std::string(20, '\1');
    EXPECT_EQ(Tavix_LoadConfigFileA(handle_, path.c_str()), 1);
    std::ofstream(path, std::ios::binary) << std::string((1 << 20) + 8, '\1');
    EXPECT_EQ(Tavix_LoadConfigFileA(handle_, path.c_str()), 0);
    std::remove(path.c_str());
    EXPECT_EQ(Tavix_LoadConfigFileA(handle_, path.c_str()), 0);
    const TavixWideChar lone[] = {0xD800, 0};
    EXPECT_EQ(Tavix_LoadConfigFileW(handle_, lone), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{12}));
}
