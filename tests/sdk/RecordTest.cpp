// AVI recording through the exported functions: the recorded frames show
// the emulated scene, a recording ends on time with the measured rate, one
// ended early by any of the ways a preview stops is still a finished file,
// and the file limit ends it with error 12 and an event.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../support/AviReader.h"
#include "../support/Ffmpeg.h"
#include "../support/ImageReaders.h"
#include "../support/ScratchFolder.h"
#include "SdkFixture.h"
#include "TavixSdk.h"
#include "emulator/Scene.h"
#include "instance/CTavix.h"
#include "sdk/CSdkChain.h"

using namespace tavix;
using namespace tavix::test;

namespace {

constexpr uint32_t kW = 256, kH = 128, kFrameBytes = 3 * kW * kH;

// Waits until the recording's file has appeared (it is renamed into place
// when finished) and walks it.
AviFile FinishedFile(const std::string& path, std::chrono::seconds timeout = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!std::filesystem::exists(path) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    AviFile avi = ReadAvi(FileBytes(path));
    if (avi.problem.empty() && (avi.index.size() != avi.frames.size() || avi.totalFrames != avi.frames.size()))
        avi.problem = "index or frame count disagrees with the chunks";
    return avi;
}

// Counts the frames (top row first, blue green red) that differ from
// expected, in the file's chunks and, natively, as ffmpeg decodes them.
size_t FramesDiffering(const std::string& path, const AviFile& avi, const std::vector<uint8_t>& expected)
{
    const std::vector<uint8_t> bytes = FileBytes(path);
    size_t differing = 0;
    for (size_t chunk : avi.frames)
        for (uint32_t row = 0; row < kH; ++row)
            if (!std::equal(expected.begin() + row * 3 * kW, expected.begin() + (row + 1) * 3 * kW,
                            bytes.begin() + chunk + (kH - 1 - row) * 3 * kW)) {
                ++differing;
                break;
            }
    if (HaveFfmpeg()) {
        const auto decoded = DecodeBgr(path);
        EXPECT_TRUE(decoded && decoded->size() == avi.frames.size() * kFrameBytes);
        for (size_t f = 0; decoded && (f + 1) * kFrameBytes <= decoded->size(); ++f)
            differing += !std::equal(expected.begin(), expected.end(), decoded->begin() + f * kFrameBytes,
                                     [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); });
    }
    return differing;
}

// Waits until the recording of `name`, still under its temporary name,
// holds at least `frames` frames (slow builds take a while to start).
void WaitForFrames(const ScratchFolder& folder, const std::string& name, uintmax_t frames)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < end) {
        for (const std::string& n : folder.Names()) {
            std::error_code ignored;
            if (n.rfind(name + ".tmp.", 0) == 0 &&
                std::filesystem::file_size(folder.Path() / n, ignored) >= 232 + frames * (8 + kFrameBytes))
                return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

TEST_F(Sdk, RecordingsShowTheSceneAndEndOnTimeWithTheMeasuredRate)
{
    ScratchFolder folder;
    SmallWindow(handle_);
    constexpr int32_t kDurationMs = 400;
    for (const int32_t bits : {8, 16, 24}) {
        SCOPED_TRACE(bits);
        const std::string path = folder.File("clip" + std::to_string(bits) + ".avi");
        ASSERT_EQ(Tavix_SetColorMode(handle_, bits), 1);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(Tavix_Record(handle_, path.c_str(), kDurationMs, 0), 1);
        const AviFile avi = FinishedFile(path);
        const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        ASSERT_EQ(avi.problem, "");
        ASSERT_GE(avi.frames.size(), 3u);
        EXPECT_EQ(std::make_tuple(avi.width, avi.height, avi.bitCount), std::make_tuple(kW, kH, 24u));
        // The header's rate spans first to last frame: the last one came
        // after the duration, and before the file was there.
        const double spanMs = double(avi.microsPerFrame) * double(avi.frames.size()) / 1000;
        EXPECT_GE(spanMs, kDurationMs * 0.97);
        EXPECT_LE(spanMs, took * 1.03);
        if (HaveFfmpeg()) {
            const auto probe = ProbeVideo(path);
            ASSERT_TRUE(probe.has_value());
            EXPECT_NE(probe->find("nb_read_frames=" + std::to_string(avi.frames.size())), std::string::npos);
        }

        // The scene at the window, 8-bit samples as they are, the 12-bit
        // ones by their top eight bits; colour as the application gets it.
        std::vector<uint8_t> expected(kFrameBytes);
        if (bits == 24) {
            std::vector<uint8_t> image(kFrameBytes);
            ASSERT_EQ(Tavix_GetImage(handle_, image.data(), static_cast<int32_t>(image.size()), 1), 1);
            expected = image;
        } else {
            const emu::FrameSettings levels = port_.Camera(0).CurrentFrameSettings();
            for (uint32_t j = 0; j < kH; ++j)
                for (uint32_t i = 0; i < kW; ++i) {
                    const uint16_t s = emu::SceneSample(levels, 400 + int(i), 200 + int(j));
                    const auto level = static_cast<uint8_t>(bits == 8 ? s : s >> 4);
                    std::fill_n(expected.begin() + (j * kW + i) * 3, 3, level);
                }
        }
        EXPECT_EQ(FramesDiffering(path, avi, expected), 0u);
        EXPECT_EQ(Tavix_StopPreview(handle_), 1);
    }
    EXPECT_EQ(Errors(handle_), std::vector<uint32_t>{});
}

// However a preview stops, the recording in it is a finished file.
TEST_F(Sdk, ARecordingEndedEarlyIsStillAFinishedFile)
{
    ScratchFolder folder;
    SmallWindow(handle_);
    ASSERT_EQ(Tavix_SetColorMode(handle_, 8), 1);
    const std::vector<std::pair<std::string, std::function<void()>>> stops = {
        {"stop", [&] { EXPECT_EQ(Tavix_StopPreview(handle_), 1); }},
        {"close", [&] { EXPECT_EQ(Tavix_Close(handle_), 1); }},
        {"new recording", [&] {
             const std::string next = folder.File("next.avi");
             EXPECT_EQ(Tavix_Record(handle_, next.c_str(), 60000, 0), 1);
             EXPECT_EQ(Tavix_StopPreview(handle_), 1);
             EXPECT_EQ(FinishedFile(next).problem, "");
         }},
        {"release", [&] {
             EXPECT_EQ(Tavix_Release(handle_), 1);
             handle_ = Tavix_Initialize(trap_.Window());
             SmallWindow(handle_);
             ASSERT_EQ(Tavix_SetColorMode(handle_, 8), 1);
         }},
        {"unplug", [&] { port_.Camera(0).Unplug(); }},
    };
    for (const auto& [how, stop] : stops) {
        SCOPED_TRACE(how);
        const std::string path = folder.File(how + ".avi");
        ASSERT_EQ(Tavix_Record(handle_, path.c_str(), 60000, 0), 1);
        WaitForFrames(folder, how + ".avi", 2);
        stop();
        if (how != "unplug") {
            EXPECT_TRUE(std::filesystem::exists(path)) << "finished before the stop returned";
        }
        const AviFile avi = FinishedFile(path, std::chrono::seconds(15));
        EXPECT_EQ(avi.problem, "");
        EXPECT_GE(avi.frames.size(), 2u);
    }
    EXPECT_EQ(Tavix_StopPreview(handle_), 1);
}

TEST_F(Sdk, ARecordingStopsAtItsFileLimitWithError12AndAnEvent)
{
    ScratchFolder folder;
    SmallWindow(handle_);
    ASSERT_EQ(Tavix_SetColorMode(handle_, 24), 1);
    // Room for exactly three frames and their index.
    CSdkChain::Instance().Acquire(handle_)->SetRecordingFileLimit(232 + 3 * (8 + kFrameBytes) + 8 + 3 * 16);
    const std::string path = folder.File("full.avi");
    ASSERT_EQ(Tavix_Record(handle_, path.c_str(), 60000, 0), 1);
    const auto ended = [](const std::vector<MessageTrap::Message>& all) {
        for (const auto& m : all)
            if (m.message == TAVIX_WM_FRAME && m.wParam == 0 && m.lParam == TAVIX_EVENT_RECORDING_ENDED)
                return true;
        return false;
    };
    EXPECT_TRUE(ended(trap_.TakeUntil(ended)));
    const AviFile avi = FinishedFile(path);
    EXPECT_EQ(avi.problem, "");
    EXPECT_EQ(avi.frames.size(), 3u);
    EXPECT_EQ(Tavix_StopPreview(handle_), 1);
    EXPECT_EQ(Errors(handle_), std::vector<uint32_t>{12});
}

TEST_F(Sdk, RecordRefusesWhatItCannotRecordAndStartsNothing)
{
    ScratchFolder folder;
    SmallWindow(handle_);
    EXPECT_EQ(Tavix_Record(handle_, nullptr, 1000, 0), 0);
    EXPECT_EQ(Tavix_Record(handle_, "", 1000, 0), 0);
    EXPECT_EQ(Tavix_Record(handle_, folder.File("none/clip.avi").c_str(), 1000, 0), 0);
    // A window asked for that cannot be made: its parent is gone.
    ASSERT_EQ(Tavix_SetPreviewWindow(handle_, GoneWindow(), 0, 0, 640, 480), 1);
    EXPECT_EQ(Tavix_Record(handle_, folder.File("shown.avi").c_str(), 1000, 1), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{4, 12, 9, 9}));
    EXPECT_EQ(Tavix_SnapShot(handle_, nullptr, 0, 0), 1) << "no preview left running";
    EXPECT_TRUE(folder.Names().empty());

    // A wide name beyond ASCII.
    ASSERT_EQ(Tavix_SetPreviewWindow(handle_, nullptr, 0, 0, 0, 0), 1);
    const std::filesystem::path wide = folder.Path() / std::filesystem::path(u"film-\u00e4.avi");
    const std::u16string name = wide.u16string();
    ASSERT_EQ(Tavix_RecordW(handle_, reinterpret_cast<const TavixWideChar*>(name.c_str()), 100, 1), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(Tavix_StopPreview(handle_), 1);
    EXPECT_EQ(ReadAvi(FileBytes(wide)).problem, "");
}
