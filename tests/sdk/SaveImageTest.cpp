// Still images through the exported functions: the saved file shows the
// emulated scene at the requested window, failures say why and leave no
// file, and a save during a callback preview costs it at most a frame.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../support/ImageReaders.h"
#include "../support/ScratchFolder.h"
#include "SdkFixture.h"
#include "TavixSdk.h"
#include "emulator/Scene.h"

using namespace tavix;
using namespace tavix::test;

TEST_F(Sdk, SavedImagesShowTheSceneAtTheRequestedWindow)
{
    ScratchFolder folder;
    const std::string png = folder.File("frame.png");
    EXPECT_EQ(Tavix_SaveImage(handle_, png.c_str(), TAVIX_IMAGE_PNG), 0) << "no frame yet";
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{1}));

    SmallWindow(handle_);
    // The gray modes are the scene sample for sample: 8 bits as PNG, the
    // 12-bit samples of 16 bits unchanged in a TIFF.
    for (const auto& [bits, format, name] : {std::make_tuple(8, TAVIX_IMAGE_PNG, "gray.png"),
                                             std::make_tuple(16, TAVIX_IMAGE_TIFF, "gray.tif")}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(Tavix_SetColorMode(handle_, bits), 1);
        ASSERT_EQ(Tavix_SnapShot(handle_, nullptr, 0, 0), 1);
        const std::string file = folder.File(name);
        ASSERT_EQ(Tavix_SaveImage(handle_, file.c_str(), format), 1);
        const Picture picture = bits == 8 ? ReadPng(file) : ReadTiff(file);
        ASSERT_TRUE(picture.read);
        ASSERT_EQ(std::make_tuple(picture.width, picture.height, picture.channels), std::make_tuple(256u, 128u, 1u));
        const emu::FrameSettings levels = port_.Camera(0).CurrentFrameSettings();
        int mismatches = 0;
        for (uint32_t j = 0; j < 128; ++j)
            for (uint32_t i = 0; i < 256; ++i)
                mismatches += picture.At(i, j, 0) != emu::SceneSample(levels, 400 + int(i), 200 + int(j));
        EXPECT_EQ(mismatches, 0);
    }
    // Colour: the file holds the image the application receives, top row first.
    ASSERT_EQ(Tavix_SetColorMode(handle_, 24), 1);
    std::vector<uint8_t> frame(256 * 128 * 3);
    ASSERT_EQ(Tavix_SnapShot(handle_, frame.data(), static_cast<int32_t>(frame.size()), 1), 1);
    ASSERT_EQ(Tavix_SaveImage(handle_, png.c_str(), TAVIX_IMAGE_PNG), 1);
    const Picture colour = ReadPng(png);
    ASSERT_EQ(colour.samples.size(), frame.size());
    int mismatches = 0;
    for (size_t k = 0; k < frame.size(); ++k)
        mismatches += colour.samples[k] != frame[k / 3 * 3 + 2 - k % 3];
    EXPECT_EQ(mismatches, 0);

    // A wide name beyond ASCII; an unknown format; a folder that does not exist.
    const std::u16string wide = u"bild-\u00e4.bmp";
    const std::u16string full = std::filesystem::path(folder.Path() / std::filesystem::path(wide)).u16string();
    EXPECT_EQ(Tavix_SaveImageW(handle_, reinterpret_cast<const TavixWideChar*>(full.c_str()), TAVIX_IMAGE_BMP), 1);
    EXPECT_EQ(FileBytes(folder.Path() / std::filesystem::path(wide)).size(), 54u + 256 * 128 * 3);
    EXPECT_EQ(Tavix_SaveImage(handle_, folder.File("seven").c_str(), 7), 0);
    EXPECT_EQ(Tavix_SaveImage(handle_, folder.File("none/frame.png").c_str(), TAVIX_IMAGE_PNG), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{14, 9}));
    EXPECT_EQ(folder.Names().size(), 4u) << "gray.png, gray.tif, frame.png and the wide name, nothing else";
}

// The frame is copied under the frame lock and encoded after it: while
// full-frame JPEGs, each several frame periods long, are saved back to
// back, the preview loses at most one frame per save beyond what it loses
// on its own over as many frames.
TEST_F(Sdk, SavingDuringACallbackPreviewCostsItAtMostAFramePerSave)
{
    ScratchFolder folder;
    ASSERT_EQ(Tavix_SetPreviewWindow(handle_, nullptr, 0, 0, 0, 0), 1);
    ASSERT_EQ(Tavix_SetColorMode(handle_, 24), 1);
    std::vector<uint8_t> buffer(2448 * 2048 * 3);
    ASSERT_EQ(Tavix_CallBackPreview(handle_, trap_.Window(), buffer.data(), static_cast<int32_t>(buffer.size()), 1),
              1);
    trap_.TakeUntil([](const auto& all) { return MessageTrap::Frames(all) >= 2; });
    const emu::EmulatedCamera& camera = port_.Camera(0);

    // Frames the camera made while saving, against frames delivered.
    constexpr int kSaves = 6;
    trap_.Take();
    uint32_t started = camera.FramesStarted();
    for (int k = 0; k < kSaves; ++k)
        ASSERT_EQ(Tavix_SaveImage(handle_, folder.File("live.jpg").c_str(), TAVIX_IMAGE_JPEG100), 1);
    const auto delivered = static_cast<int64_t>(MessageTrap::Frames(trap_.Take()));
    const int64_t frames = camera.FramesStarted() - started;
    const int64_t lostSaving = frames - delivered;

    started = camera.FramesStarted();
    const auto alone = MessageTrap::Frames(
        trap_.TakeUntil([&](const auto& all) { return int64_t(MessageTrap::Frames(all)) >= frames; }));
    const int64_t lostAlone =
        int64_t{camera.FramesStarted() - started} - int64_t(alone + MessageTrap::Frames(trap_.Take()));
    ASSERT_EQ(Tavix_StopPreview(handle_), 1);
    EXPECT_GE(frames, 2 * kSaves) << "each save took more than a frame period";
    EXPECT_LE(lostSaving, lostAlone + kSaves + 1);
}
