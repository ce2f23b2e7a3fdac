// AVI files read back by a chunk walker of the test's own and by ffprobe and
// ffmpeg: the headers at start and on finish, the index pointing at its
// chunks, frames of odd widths row-exact, the clean end at the file limit and
// after a failed write; and the 24-bit frames made of every bit count.

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <signal.h>
#include <sys/resource.h>
#endif

#include "../support/AviReader.h"
#include "../support/Ffmpeg.h"
#include "../support/ImageReaders.h"
#include "../support/ScratchFolder.h"
#include "output/AviFrame.h"
#include "output/AviWriter.h"

using namespace tavix;
using namespace tavix::test;
using output::AviWriter;

namespace {

constexpr int32_t kWidth = 5, kHeight = 3;       // rows of 15 bytes: a padded row would take 16
constexpr uint32_t kFrameBytes = 3 * kWidth * kHeight;
constexpr uint32_t kChunk = 8 + kFrameBytes;    // the buffer a reader needs
constexpr uint32_t kStep = kChunk + 1;           // RIFF pads the odd-sized chunk

uint8_t Sample(uint32_t frame, size_t k) { return static_cast<uint8_t>(frame * 41 + k * 7 + 3); }

// Writes frames of Sample() bytes; the result of each AddFrame.
std::vector<AviWriter::Added> AddFrames(AviWriter& writer, uint32_t frames)
{
    std::vector<AviWriter::Added> results;
    for (uint32_t f = 0; f < frames; ++f) {
        for (size_t k = 0; k < kFrameBytes; ++k)
            writer.Frame()[k] = Sample(f, k);
        results.push_back(writer.AddFrame());
    }
    return results;
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) { return avi_detail::U32(b, at); }

// Checks a finished file of `frames` frames all the way through; the rate
// is in frames per 100 seconds.
void ExpectFinishedFile(const std::string& path, uint32_t frames, uint32_t framesPer100s)
{
    const std::vector<uint8_t> bytes = FileBytes(path);
    ASSERT_EQ(bytes.size(), 232u + frames * kStep + 8 + 16 * frames);
    const AviFile avi = ReadAvi(bytes);
    ASSERT_EQ(avi.problem, "");
    EXPECT_EQ(U32At(bytes, 16), 200u) << "hdrl list";
    EXPECT_EQ(U32At(bytes, 92), 124u) << "strl list";
    EXPECT_EQ(avi.moviTag, 228u);
    EXPECT_EQ(avi.moviSize, 4 + frames * kStep);
    EXPECT_EQ(avi.microsPerFrame, 100000000 / framesPer100s);
    EXPECT_EQ(avi.scale, 1000000000 / framesPer100s);
    EXPECT_EQ(avi.rate, 10000000u);
    EXPECT_EQ(avi.maxBytesPerSec, uint64_t{kChunk} * framesPer100s / 100);
    EXPECT_EQ(avi.flags, 0x10010u);
    EXPECT_EQ(std::make_tuple(avi.totalFrames, avi.length, avi.streams), std::make_tuple(frames, frames, 1u));
    EXPECT_EQ(std::make_tuple(avi.suggestedBuffer, avi.streamBuffer), std::make_tuple(kChunk, kChunk));
    EXPECT_EQ(std::make_tuple(avi.type, avi.handler), std::make_tuple(std::string("vids"), std::string("DIB ")));
    EXPECT_EQ(std::make_tuple(avi.width, avi.height, avi.formatWidth, avi.formatHeight, avi.planes, avi.bitCount),
              std::make_tuple(5u, 3u, 5, 3, 1u, 24u));
    ASSERT_EQ(avi.frames.size(), frames);
    ASSERT_EQ(avi.index.size(), frames);
    for (uint32_t f = 0; f < frames; ++f) {
        SCOPED_TRACE(f);
        const AviIndexEntry& e = avi.index[f];
        EXPECT_EQ(std::make_tuple(e.id, e.flags, e.size), std::make_tuple(std::string("00db"), 16u, kFrameBytes));
        // Offsets count from the "movi" tag.
        EXPECT_EQ(std::string(bytes.begin() + avi.moviTag + e.offset, bytes.begin() + avi.moviTag + e.offset + 4),
                  "00db");
        EXPECT_EQ(avi.moviTag + e.offset + 8, avi.frames[f]);
        for (size_t k = 0; k < kFrameBytes; ++k)
            ASSERT_EQ(bytes[avi.frames[f] + k], Sample(f, k)) << k;
    }
    if (!HaveFfmpeg() || frames == 0)
        return;
    const auto probe = ProbeVideo(path);
    ASSERT_TRUE(probe.has_value());
    EXPECT_NE(probe->find("width=5\nheight=3\n"), std::string::npos) << *probe;
    EXPECT_NE(probe->find("nb_read_frames=" + std::to_string(frames) + "\n"), std::string::npos) << *probe;
    // The stream's rate over its whole-numbered scale: 10000000 / 333333 for 30.
    const uint32_t scale = 1000000000 / framesPer100s, common = std::gcd(10000000u, scale);
    const std::string rate = std::to_string(10000000 / common) + "/" + std::to_string(scale / common);
    EXPECT_NE(probe->find("avg_frame_rate=" + rate + "\n"), std::string::npos) << *probe;
    // ffmpeg turns the bottom-up rows upright.
    const auto decoded = DecodeBgr(path);
    ASSERT_TRUE(decoded.has_value());
    std::string expected;
    for (uint32_t f = 0; f < frames; ++f)
        for (int32_t row = kHeight - 1; row >= 0; --row)
            for (size_t k = 0; k < 3 * kWidth; ++k)
                expected.push_back(static_cast<char>(Sample(f, row * 3 * kWidth + k)));
    EXPECT_EQ(*decoded == expected, true) << "ffmpeg decodes other pixels";
}

} // namespace

TEST(AviWriter, HeadersAtStartAndAFinishedFileEveryReaderAgreesOn)
{
    ScratchFolder folder;
    const std::string path = folder.File("clip.avi");
    AviWriter writer;
    ASSERT_TRUE(writer.Start(path.c_str(), kWidth, kHeight, 30));
    // Until it is finished the file exists only under a temporary name,
    // with the sizes still 0 and the starting rate.
    const std::vector<std::string> names = folder.Names();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_NE(names[0], "clip.avi");
    const std::vector<uint8_t> started = FileBytes(folder.Path() / names[0]);
#if defined(_WIN32)
    EXPECT_TRUE(started.empty()) << "Windows shares the file being written with no one";
#else
    ASSERT_EQ(started.size(), 232u);
    EXPECT_EQ(std::string(started.begin(), started.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(started.begin() + 228, started.end()), "movi");
    EXPECT_EQ(std::make_tuple(U32At(started, 4), U32At(started, 224), U32At(started, 48), U32At(started, 140)),
              std::make_tuple(0u, 0u, 0u, 0u));
    EXPECT_EQ(std::make_tuple(U32At(started, 32), U32At(started, 128)), std::make_tuple(33333u, 333333u));
#endif

    EXPECT_EQ(AddFrames(writer, 4), std::vector<AviWriter::Added>(4, AviWriter::Added::kWritten));
    ASSERT_TRUE(writer.Finish(2500));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"clip.avi"});
    ExpectFinishedFile(path, 4, 2500);

    // Nothing written yet: still a valid file, of no frames. Without a
    // measured rate the finish keeps a rate above zero.
    ASSERT_TRUE(writer.Start(path.c_str(), kWidth, kHeight, 30));
    ASSERT_TRUE(writer.Finish(0));
    ExpectFinishedFile(path, 0, 1);

    // Refused starts leave nothing behind.
    EXPECT_FALSE(writer.Start("", kWidth, kHeight, 30));
    EXPECT_FALSE(writer.Start(path.c_str(), 0, kHeight, 30));
    EXPECT_FALSE(writer.Start(folder.File("none/clip.avi").c_str(), kWidth, kHeight, 30));
    EXPECT_FALSE(writer.Finish(3000));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"clip.avi"});
}

// The file limit stands for the 4 GiB of 32-bit sizes: the frame that would
// cross it is refused and the frames before make a complete file.
TEST(AviWriter, AFileEndsCleanlyAtItsLimit)
{
    ScratchFolder folder;
    const std::string path = folder.File("clip.avi");
    const uint64_t twoFrames = 232 + 2 * kStep + 8 + 2 * 16;
    using A = AviWriter::Added;
    for (const auto& [limit, results, kept] :
         {std::make_tuple(twoFrames, std::vector<A>{A::kWritten, A::kWritten, A::kFull, A::kFull}, 2u),
          std::make_tuple(twoFrames - 1, std::vector<A>{A::kWritten, A::kFull, A::kFull, A::kFull}, 1u)}) {
        SCOPED_TRACE(limit);
        AviWriter writer(limit);
        ASSERT_TRUE(writer.Start(path.c_str(), kWidth, kHeight, 30));
        EXPECT_EQ(AddFrames(writer, 4), results);
        ASSERT_TRUE(writer.Finish(3000));
        ExpectFinishedFile(path, kept, 3000);
    }
    AviWriter tiny(232 + kStep + 8 + 16 - 1);
    EXPECT_FALSE(tiny.Start(path.c_str(), kWidth, kHeight, 30)) << "not even one frame fits";
}

// A write that fails part way through a frame (the file-size limit of the
// process stands in for a full disk) keeps the frames before it; when even
// the index finds no room, the newest frame gives its place.
TEST(AviWriter, AFailedWriteKeepsTheWholeFramesBeforeIt)
{
#if defined(_WIN32)
    GTEST_SKIP() << "needs the process file-size limit of POSIX";
#else
    ScratchFolder folder;
    const std::string path = folder.File("clip.avi");
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlim_t partThroughThird = 232 + 2 * kStep + 20;
    for (const auto& [limitDuringFinish, kept] : {std::make_pair(false, 2u), std::make_pair(true, 1u)}) {
        SCOPED_TRACE(limitDuringFinish);
        AviWriter writer;
        ASSERT_TRUE(writer.Start(path.c_str(), kWidth, kHeight, 30));
        rlimit low = saved;
        low.rlim_cur = partThroughThird;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
        const std::vector<AviWriter::Added> results = AddFrames(writer, 3);
        if (!limitDuringFinish)
            setrlimit(RLIMIT_FSIZE, &saved);
        const bool finished = writer.Finish(3000);
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(results, (std::vector<AviWriter::Added>{AviWriter::Added::kWritten, AviWriter::Added::kWritten,
                                                          AviWriter::Added::kFailed}));
        ASSERT_TRUE(finished);
        ExpectFinishedFile(path, kept, 3000);
    }
    signal(SIGXFSZ, SIG_DFL);
#endif
}

// The 24-bit frame of each bit count, bottom row first: row 1 of each 2 × 2
// image comes out before row 0.
TEST(AviFrame, EveryBitCountBecomesBlueGreenRedRows)
{
    struct Case {
        int32_t bits;
        std::vector<uint8_t> row0, row1;  // the image's memory rows, two pixels each
        std::vector<uint8_t> expected;    // the frame: row 1 then row 0
    };
    const std::vector<Case> cases = {
        // Through the palette: entry 7 is (blue 1, green 2, red 3), the others gray.
        {8, {7, 9}, {0, 255}, {0, 0, 0, 255, 255, 255, 1, 2, 3, 9, 9, 9}},
        // 12-bit samples 4095, 2048 | 16, 15: their top eight bits.
        {16, {0xFF, 0x0F, 0x00, 0x08}, {0x10, 0x00, 0x0F, 0x00}, {1, 1, 1, 0, 0, 0, 255, 255, 255, 128, 128, 128}},
        {24, {1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}, {7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}},
        {32, {1, 2, 3, 4, 5, 6, 7, 8}, {9, 10, 11, 12, 13, 14, 15, 16}, {9, 10, 11, 13, 14, 15, 1, 2, 3, 5, 6, 7}},
        {48, {0x01, 0xA1, 0x02, 0xA2, 0x03, 0xA3, 0x04, 0xA4, 0x05, 0xA5, 0x06, 0xA6},
         {0x07, 0xB1, 0x08, 0xB2, 0x09, 0xB3, 0x0A, 0xB4, 0x0B, 0xB5, 0x0C, 0xB6},
         {0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6}},
        {64, {0x01, 0xA1, 0x02, 0xA2, 0x03, 0xA3, 0x04, 0xA4, 0x05, 0xA5, 0x06, 0xA6, 0x07, 0xA7, 0x08, 0xA8},
         {0x09, 0xB1, 0x0A, 0xB2, 0x0B, 0xB3, 0x0C, 0xB4, 0x0D, 0xB5, 0x0E, 0xB6, 0x0F, 0xB7, 0x10, 0xB8},
         {0xB1, 0xB2, 0xB3, 0xB5, 0xB6, 0xB7, 0xA1, 0xA2, 0xA3, 0xA5, 0xA6, 0xA7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        imaging::DibImage image;
        ASSERT_EQ(image.Create(2, 2, c.bits), 1);
        const imaging::RgbQuad entry{1, 2, 3, 0};
        image.SetPalette(imaging::DibImage::kPaletteUser, 7, 1, &entry);
        std::memcpy(image.Row(0), c.row0.data(), c.row0.size());
        std::memcpy(image.Row(1), c.row1.data(), c.row1.size());
        std::vector<uint8_t> frame(12, 0xEE);
        ASSERT_TRUE(output::ToAviFrame(image, frame.data()));
        EXPECT_EQ(frame, c.expected);
    }
    imaging::DibImage empty;
    uint8_t frame[3];
    EXPECT_FALSE(output::ToAviFrame(empty, frame));
}
