// The defect mask through the exported functions, against the emulated
// camera's still scene: references taken from snapshots correct later
// snapshots of whole, cropped and sub-sampled frames; the mask file holds
// exactly the references; refused requests change nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../support/MaskReferences.h"
#include "../support/ScratchFolder.h"
#include "SdkFixture.h"
#include "TavixSdk.h"

using namespace tavix::test;

namespace {

constexpr int32_t kW = 2448, kH = 2048;

// Samples of a snapshot, memory row 0 first.
struct Frame {
    int32_t width = 0, height = 0;
    std::vector<int32_t> s;
    int32_t At(int32_t x, int32_t y) const { return s[static_cast<size_t>(y) * width + x]; }
};

Frame Snap(uint32_t handle, int32_t bits, int32_t width, int32_t height)
{
    const int32_t bytes = bits / 8;
    std::vector<uint8_t> buffer(static_cast<size_t>(width) * height * bytes);
    EXPECT_EQ(Tavix_SnapShot(handle, buffer.data(), static_cast<int32_t>(buffer.size()), 1), 1);
    Frame frame{width, height, {}};
    frame.s.reserve(buffer.size() / bytes);
    for (size_t k = 0; k < buffer.size(); k += bytes)
        frame.s.push_back(bytes == 2 ? buffer[k] | buffer[k + 1] << 8 : buffer[k]);
    return frame;
}

std::vector<uint8_t> Bytes(const std::string& path)
{
    std::vector<uint8_t> bytes(std::filesystem::file_size(path));
    std::ifstream(path, std::ios::binary)
        .read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// A window, the frame it delivers and where that lies in a whole frame
// delivered the same way. The IMX264 reads an axis from its start register
// when it is cropped (below 2033 columns, 2048 rows), else whole, the
// FPGA keeping the first samples; the 1/2 skip reads pairs of the whole
// array (1224 x 1024 kept, the frame 1216 wide); a flip reverses the
// read-out. The camera's copy-out reverses rows and columns. So a cropped
// window lies at its picture position unflipped and at the sensor's start
// registers (2448 - x - width, 2048 - y - height) flipped; the wide window
// keeps read-out columns 0..2047, at 400 in the whole frame either way;
// the sub-sampled frame lies at 2447 - (4 * 607 + 1) = 18 and
// 2047 - (4 * 511 + 1) = 2 unflipped, and at the spread of the 8 columns
// the frame leaves, 16, flipped.
struct Window {
    int32_t x, y, width, height, subSample, frameWidth, frameHeight;
    int32_t origin[2][2]; // [flipped][axis]
    bool pairs;
    int32_t margin;
};
const Window kWhole{0, 0, kW, kH, 0, kW, kH, {{0, 0}, {0, 0}}, false, 2};
const Window kCropped{400, 448, 256, 128, 0, 256, 128, {{400, 448}, {kW - 400 - 256, kH - 448 - 128}}, false, 0};
const Window kWide{100, 0, 2048, kH, 0, 2048, kH, {{400, 0}, {400, 0}}, false, 2};
const Window kBand{0, 512, kW, 1024, 0, kW, 1024, {{0, 512}, {0, 512}}, false, 2}; // whole rows only
const Window kHalf{0, 0, kW, kH, 1, 1216, 1024, {{18, 2}, {16, 0}}, true, 2};

void Use(uint32_t handle, const Window& w)
{
    ASSERT_EQ(Tavix_SetSubSample(handle, w.subSample), 1);
    ASSERT_EQ(Tavix_SetCaptureWindowEx(handle, kW, w.x, w.width, kH, w.y, w.height), 1);
}

} // namespace

// References of the whole sensor at the depth and flips, then each window
// raw and flat-fielded.
struct FlatFieldRun {
    int32_t bits;
    bool otherFlips; // the hardware flips turned from the library's default
    std::vector<Window> windows;
};

class MaskSdk : public Sdk, public testing::WithParamInterface<FlatFieldRun> {};

INSTANTIATE_TEST_SUITE_P(Runs, MaskSdk,
                         testing::Values(FlatFieldRun{8, false, {kWhole, kCropped, kWide, kHalf}},
                                         FlatFieldRun{16, false, {kWhole, kCropped, kHalf}},
                                         FlatFieldRun{8, true, {kCropped, kWide, kHalf}}));

TEST_P(MaskSdk, FlatFieldOfWholeCroppedAndSubSampledFrames)
{
    ASSERT_EQ(Tavix_SetPreviewWindow(handle_, nullptr, 0, 0, 0, 0), 1);
    const int32_t flipped = Tavix_GetMirrorH(handle_);
    ASSERT_EQ(flipped, Tavix_GetMirrorV(handle_));
    const int32_t bits = GetParam().bits, flip = GetParam().otherFlips ? 1 - flipped : flipped;
    {
        SCOPED_TRACE(testing::Message() << bits << " bits, flipped " << flip);
        ASSERT_EQ(Tavix_SetMirrorH(handle_, flip), 1);
        ASSERT_EQ(Tavix_SetMirrorV(handle_, flip), 1);
        ASSERT_EQ(Tavix_SetColorMode(handle_, bits), 1);
        Use(handle_, kWhole);
        // Dark at 1 ms, white at 20 ms, the frames at 10 ms.
        ASSERT_EQ(Tavix_SetExposureTime(handle_, 10), 1);
        const Frame dark = Snap(handle_, bits, kW, kH);
        ASSERT_EQ(Tavix_UpdateMaskData(handle_, 0), 1);
        ASSERT_EQ(Tavix_SetExposureTime(handle_, 200), 1);
        const Frame white = Snap(handle_, bits, kW, kH);
        ASSERT_EQ(Tavix_UpdateMaskData(handle_, 1), 1);
        ASSERT_EQ(Tavix_SetExposureTime(handle_, 100), 1);
        const Frame whole = Snap(handle_, bits, kW, kH);
        for (const Window& w : GetParam().windows) {
            SCOPED_TRACE(testing::Message() << w.frameWidth << " x " << w.frameHeight);
            Use(handle_, w);
            const Frame raw = Snap(handle_, bits, w.frameWidth, w.frameHeight);
            ASSERT_EQ(Tavix_SetMaskFilter(handle_, 1), 1);
            const Frame corrected = Snap(handle_, bits, w.frameWidth, w.frameHeight);
            ASSERT_EQ(Tavix_SetMaskFilter(handle_, 0), 1);
            int32_t elsewhere = 0, zeros = 0, mismatches = 0, changed = 0;
            const int32_t ox = w.origin[flip][0], oy = w.origin[flip][1];
            for (int32_t j = 0; j < w.frameHeight; ++j)
                for (int32_t i = 0; i < w.frameWidth; ++i) {
                    const int32_t sx = SensorAt(ox, i, w.pairs), sy = SensorAt(oy, j, w.pairs);
                    // The reference pixel is the one that delivered this
                    // sample: the scene's zeros (bars without a colour, the
                    // black bar) lie alike at any exposure.
                    elsewhere += (raw.At(i, j) == 0) != (whole.At(sx, sy) == 0);
                    zeros += raw.At(i, j) == 0;
                    const bool inside = i >= w.margin && j >= w.margin && i < w.frameWidth - w.margin &&
                                        j < w.frameHeight - w.margin;
                    const int32_t p = raw.At(i, j), d = dark.At(sx, sy), wh = white.At(sx, sy);
                    const int32_t want = !inside ? p : bits == 8 ? FlatField8(p, d, wh) : FlatField16(p, d, wh);
                    mismatches += corrected.At(i, j) != want;
                    changed += corrected.At(i, j) != p;
                }
            EXPECT_EQ(elsewhere, 0);
            EXPECT_GT(zeros, 0);
            EXPECT_LT(zeros, w.frameWidth * w.frameHeight / 2);
            EXPECT_EQ(mismatches, 0);
            EXPECT_GT(changed, w.frameWidth * w.frameHeight / 4);
        }
    }
    EXPECT_TRUE(Errors(handle_).empty());
}

TEST_F(Sdk, DotFilterUsesTheDefectFlagsOfTheSensorPixels)
{
    ASSERT_EQ(Tavix_SetPreviewWindow(handle_, nullptr, 0, 0, 0, 0), 1);
    const int32_t flip = Tavix_GetMirrorH(handle_);
    for (const int32_t bits : {8, 16}) {
        SCOPED_TRACE(testing::Message() << bits << " bits");
        ASSERT_EQ(Tavix_SetColorMode(handle_, bits), 1);
        Use(handle_, kWhole);
        // A bright dark reference: hot where it exceeds 192 (8 bits) or,
        // for the camera's 12-bit samples, 12288 >> 4 = 768.
        ASSERT_EQ(Tavix_SetExposureTime(handle_, 200), 1);
        const Frame dark = Snap(handle_, bits, kW, kH);
        ASSERT_EQ(Tavix_UpdateMaskData(handle_, 0), 1);
        const int32_t limit = bits == 8 ? 192 : 768;
        ASSERT_EQ(Tavix_SetExposureTime(handle_, 100), 1);
        Use(handle_, kCropped);
        const Frame raw = Snap(handle_, bits, kCropped.frameWidth, kCropped.frameHeight);
        ASSERT_EQ(Tavix_SetDotFilter(handle_, 1), 1);
        const Frame got = Snap(handle_, bits, kCropped.frameWidth, kCropped.frameHeight);
        ASSERT_EQ(Tavix_SetDotFilter(handle_, 0), 1);
        std::vector<bool> flagged;
        int32_t flags = 0;
        for (int32_t j = 0; j < raw.height; ++j)
            for (int32_t i = 0; i < raw.width; ++i) {
                const int32_t sx = kCropped.origin[flip][0] + i, sy = kCropped.origin[flip][1] + j;
                flagged.push_back(sx >= 2 && sy >= 2 && sx < kW - 2 && sy < kH - 2 && dark.At(sx, sy) > limit);
                flags += flagged.back();
            }
        EXPECT_GT(flags, raw.width * raw.height / 4);
        EXPECT_EQ(got.s, DotFilter(raw.s, flagged, raw.width, raw.height, bits == 8 ? 30 : 480));
        EXPECT_NE(got.s, raw.s);
    }
}

TEST_F(Sdk, MaskFileHoldsTheReferencesAndRefusalsChangeNothing)
{
    ScratchFolder folder;
    const std::string file = folder.File("mask.msk"), again = folder.File("again.msk");
    EXPECT_EQ(Tavix_UpdateMaskData(handle_, 0), 0) << "no frame yet";
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{1}));
    ASSERT_EQ(Tavix_SetPreviewWindow(handle_, nullptr, 0, 0, 0, 0), 1);
    ASSERT_EQ(Tavix_SetColorMode(handle_, 8), 1);
    ASSERT_EQ(Tavix_SetExposureTime(handle_, 10), 1);
    const Frame dark = Snap(handle_, 8, kW, kH);
    ASSERT_EQ(Tavix_UpdateMaskData(handle_, 0), 1);
    ASSERT_EQ(Tavix_SetExposureTime(handle_, 200), 1);
    const Frame white = Snap(handle_, 8, kW, kH);
    ASSERT_EQ(Tavix_UpdateMaskData(handle_, 1), 1);
    ASSERT_EQ(Tavix_SaveMaskFile(handle_, file.c_str()), 1);
    const std::vector<uint8_t> saved = Bytes(file);
    ASSERT_EQ(saved.size(), 30081064u);
    // dark8 and white8 are the snapshots; the 16-bit references still
    // neutral: zeros, then all ones.
    const size_t block8 = 5013504, block16 = 10027008;
    const std::vector<uint8_t> dark8(dark.s.begin(), dark.s.end()), white8(white.s.begin(), white.s.end());
    EXPECT_TRUE(std::equal(dark8.begin(), dark8.end(), saved.begin() + 40));
    EXPECT_TRUE(std::equal(white8.begin(), white8.end(), saved.begin() + 40 + block8));
    EXPECT_EQ(std::count(saved.begin() + 40 + 2 * block8, saved.begin() + 40 + 2 * block8 + block16, 0), block16);
    EXPECT_EQ(std::count(saved.end() - block16, saved.end(), 0xFF), block16);

    std::vector<uint8_t> wide = saved, cut = saved;
    wide[16] = 0x8F; // width 2447
    cut.resize(cut.size() - 1);
    const auto store = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream(folder.File(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return folder.File(name);
    };
    const std::string wideFile = store("wide.msk", wide), cutFile = store("cut.msk", cut);
    std::filesystem::create_directory(folder.File("folder.msk"));
    struct Refusal {
        const char* what;
        std::function<int32_t()> call;
        uint32_t error;
    };
    const Refusal refusals[] = {
        {"kind 2", [&] { return Tavix_UpdateMaskData(handle_, 2); }, 12},
        {"kind -1", [&] { return Tavix_UpdateMaskData(handle_, -1); }, 12},
        {"a cropped frame", [&] { Use(handle_, kCropped); Snap(handle_, 8, 256, 128);
                                  return Tavix_UpdateMaskData(handle_, 1); }, 7},
        {"whole rows, not all of them", [&] { Use(handle_, kBand); Snap(handle_, 8, kW, 1024);
                                              return Tavix_UpdateMaskData(handle_, 0); }, 7},
        {"a sub-sampled frame", [&] { Use(handle_, kHalf); Snap(handle_, 8, 1216, 1024);
                                      return Tavix_UpdateMaskData(handle_, 0); }, 7},
        {"width 2447", [&] { return Tavix_LoadMaskFile(handle_, wideFile.c_str()); }, 14},
        {"a byte short", [&] { return Tavix_LoadMaskFile(handle_, cutFile.c_str()); }, 14},
        {"no such file", [&] { return Tavix_LoadMaskFile(handle_, folder.File("none.msk").c_str()); }, 14},
        {"no name", [&] { return Tavix_LoadMaskFile(handle_, nullptr); }, 14},
        {"a folder", [&] { return Tavix_SaveMaskFile(handle_, folder.File("folder.msk").c_str()); }, 14},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(r.call(), 0);
        EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{r.error}));
    }
    ASSERT_EQ(Tavix_SaveMaskFile(handle_, again.c_str()), 1);
    EXPECT_TRUE(Bytes(again) == saved) << "a refusal changed the references";
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("folder.msk")));

    // Other references, then the file back through the wide forms.
    Use(handle_, kWhole);
    ASSERT_EQ(Tavix_SetExposureTime(handle_, 100), 1);
    Snap(handle_, 8, kW, kH);
    ASSERT_EQ(Tavix_UpdateMaskData(handle_, 0), 1);
    const std::u16string wideName(file.begin(), file.end()), againWide(again.begin(), again.end());
    ASSERT_EQ(Tavix_SaveMaskFileW(handle_, reinterpret_cast<const TavixWideChar*>(againWide.c_str())), 1);
    EXPECT_FALSE(Bytes(again) == saved);
    ASSERT_EQ(Tavix_LoadMaskFileW(handle_, reinterpret_cast<const TavixWideChar*>(wideName.c_str())), 1);
    ASSERT_EQ(Tavix_SaveMaskFile(handle_, again.c_str()), 1);
    EXPECT_TRUE(Bytes(again) == saved);
    EXPECT_TRUE(Errors(handle_).empty());
}

TEST_F(Sdk, MaskFilesLoadAndSaveWhileAPreviewCorrectsEveryFrame)
{
    ScratchFolder folder;
    const std::string file = folder.File("mask.msk");
    ASSERT_EQ(Tavix_SaveMaskFile(handle_, file.c_str()), 1);
    SmallWindow(handle_);
    ASSERT_EQ(Tavix_SetColorMode(handle_, 8), 1);
    ASSERT_EQ(Tavix_SetMaskFilter(handle_, 1), 1);
    ASSERT_EQ(Tavix_SetDotFilter(handle_, 1), 1);
    std::vector<uint8_t> frame(256 * 128);
    ASSERT_EQ(Tavix_CallBackPreview(handle_, trap_.Window(), frame.data(), static_cast<int32_t>(frame.size()), 1), 1);
    trap_.TakeUntil([](const auto& all) { return MessageTrap::Frames(all) >= 1; });
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(Tavix_LoadMaskFile(handle_, file.c_str()), 1);
        EXPECT_EQ(Tavix_SaveMaskFile(handle_, file.c_str()), 1);
        EXPECT_EQ(Tavix_UpdateMaskData(handle_, round % 2), 0); // the window is not the whole sensor
    }
    trap_.TakeUntil([](const auto& all) { return MessageTrap::Frames(all) >= 3; });
    ASSERT_EQ(Tavix_StopPreview(handle_), 1);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{7, 7, 7}));
}
