// The tavix tool end to end: a process of its own against emulated cameras
// (or none), judged by its exit code, its messages and the files it leaves,
// which the image libraries' own decoders must read.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "../support/AviReader.h"
#include "../support/ImageReaders.h"
#include "../support/ScratchFolder.h"
#include "ToolRunner.h"

using namespace tavix::test;

namespace {

// `@` in an argument stands for the scratch folder.
std::vector<std::string> InFolder(std::vector<std::string> arguments, const ScratchFolder& folder)
{
    for (std::string& argument : arguments)
        if (const size_t at = argument.find('@'); at != std::string::npos)
            argument.replace(at, 1, folder.File(""));
    return arguments;
}

uint32_t Le32(const std::vector<uint8_t>& bytes, size_t offset)
{
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

// A 24-bit BMP as a Picture: red first, top row first whatever the row order.
Picture ReadBmp24(const std::string& path)
{
    Picture picture;
    const std::vector<uint8_t> bytes = FileBytes(path);
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M' || (Le32(bytes, 28) & 0xFFFF) != 24)
        return picture;
    const auto height = static_cast<int32_t>(Le32(bytes, 22));
    picture.width = Le32(bytes, 18);
    picture.height = static_cast<uint32_t>(height < 0 ? -height : height);
    picture.channels = 3;
    picture.bitsPerSample = 8;
    const size_t stride = (picture.width * 3 + 3) / 4 * 4, offset = Le32(bytes, 10);
    if (bytes.size() != offset + stride * picture.height || Le32(bytes, 2) != bytes.size())
        return picture;
    for (uint32_t y = 0; y < picture.height; ++y) {
        const size_t row = offset + stride * (height < 0 ? y : picture.height - 1 - y);
        for (uint32_t x = 0; x < picture.width; ++x)
            for (int c = 2; c >= 0; --c)
                picture.samples.push_back(bytes[row + x * 3 + static_cast<size_t>(c)]);
    }
    picture.read = true;
    return picture;
}

// The files a run left, not counting the settings folder the library keeps.
long Outputs(const ScratchFolder& folder)
{
    const std::vector<std::string> names = folder.Names();
    return std::count_if(names.begin(), names.end(), [](const std::string& name) { return name != "tavix"; });
}

constexpr const char* kExitCodes = "Exit codes: 0 ok, 1 camera or SDK failure (also: no camera found), 2 usage error.";

} // namespace

TEST(Tool, ExitCodesAndMessages)
{
    struct Case {
        std::vector<std::string> arguments;
        int cameras, exitCode;
        const char* text; // in stdout or stderr
    };
    const Case cases[] = {
        {{"--version"}, 1, 0, "(library 0x020C0521)"},
        {{"list"}, 0, 1, "no camera found"},
        {{"snap", "-o", "@f.png"}, 0, 1, "no camera found"},
        {{"list"}, 2, 0, "1       Tavix264ROR-USB3-Q5_02"},
        {{"info"}, 1, 0, "2448 x 2048 pixels"},
        {{"info"}, 1, 0, "link speed               not available"},
        {{"--camera", "1", "info"}, 1, 1, "SDK error 2 (TAVIX_ERR_DEVICE)"},
        {{"snap", "--bogus"}, 1, 2, "--bogus"},
        {{"snap", "--format", "gif"}, 1, 2, "gif not in {bmp,raw,jpg,png,tif}"},
        {{"snap", "-o", "@f.gif"}, 1, 2, "--format"},
        {{"snap", "-n", "2", "-o", "@f.png"}, 1, 2, "needs a #"},
        {{"snap", "--roi", "2440,0,16,16"}, 1, 2, "does not lie inside the 2448 x 2048 sensor"},
        {{"snap", "--roi", "0,0,16"}, 1, 2, "x,y,w,h"},
        {{"snap", "--exposure", "2000.1"}, 1, 2, "from 0.1 to 2000 ms"},
        {{"snap", "--filter", "gamma=201", "-o", "@f.png"}, 1, 1, "setting gamma=201 failed: SDK error 9 (TAVIX_ERR_ARGUMENT)"},
        {{"snap", "--filter", "fog=1"}, 1, 2, "unknown filter 'fog'"},
        {{"snap", "--roi", "0,0,64,16", "-o", "@none/f.png"}, 1, 1, "failed: SDK error 14 (TAVIX_ERR_FILE)"},
        {{"stream", "--seconds", "0"}, 1, 2, "--seconds"},
        {{"record", "--seconds", "0.4", "--roi", "0,0,256,128", "-o", "@c.avi"}, 1, 0, "frames of 256 x 128"},
        {{"record", "--seconds", "0.4", "-o", "@none/c.avi"}, 1, 1, "SDK error 12 (TAVIX_ERR_CONVERSION)"},
        {{"record", "--seconds", "0.4"}, 1, 2, "--output is required"},
        {{"regs", "get", "0x10000"}, 1, 2, "from 0 to 65535"},
        {{"regs", "set", "0x3000", "256"}, 1, 2, "from 0 to 255"},
        {{"regs", "set", "0x3000", "0x11"}, 1, 0, "wrote sensor register 0x3000 = 0x11"},
        {{"fpga", "get", "7"}, 1, 0, "FPGA register 0x07 = "},
        {{"fpga", "set", "7", "0x1FF"}, 1, 2, "from 0 to 255"},
        {{"eeprom", "read", "0xFFE", "--count", "3"}, 1, 2, "reads past 0xFFF"},
        {{"eeprom", "write", "0x10", "0x55"}, 1, 2, "--yes"},
        {{"eeprom", "write", "0x10", "0x55", "--yes"}, 1, 0, "wrote eeprom 0x010 = 0x55"},
        {{"regs"}, 1, 2, "A subcommand is required"},
    };
    for (const Case& c : cases) {
        ScratchFolder folder;
        const std::vector<std::string> arguments = InFolder(c.arguments, folder);
        const ToolRun run = RunTool(arguments, {c.cameras, folder.Path()});
        SCOPED_TRACE(testing::PrintToString(arguments) + "\nout: " + run.out + "\nerr: " + run.err);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_NE((run.out + run.err).find(c.text), std::string::npos) << c.text;
        if (c.exitCode != 0) {
            EXPECT_EQ(Outputs(folder), 0) << "a failed command leaves no file";
        }
        if (c.exitCode == 0 && c.arguments[0] == "record") {
            const AviFile avi = ReadAvi(FileBytes(folder.Path() / "c.avi"));
            EXPECT_EQ(avi.problem, "");
            EXPECT_GE(avi.frames.size(), 2u);
            EXPECT_NE((run.out).find("recorded " + std::to_string(avi.frames.size()) + " frames"), std::string::npos);
        }
    }
}

TEST(Tool, EveryCommandHasHelpWithTheExitCodes)
{
    const std::vector<std::string> commands[] = {
        {},          {"list"},          {"info"},          {"snap"},        {"stream"},
        {"record"},  {"regs"},          {"regs", "get"},   {"regs", "set"}, {"fpga", "get"},
        {"fpga", "set"}, {"eeprom", "read"}, {"eeprom", "write"},
    };
    ScratchFolder folder;
    for (std::vector<std::string> command : commands) {
        std::string usage = "Usage: tavix";
        for (const std::string& word : command)
            usage += " " + word;
        command.push_back("--help");
        const ToolRun run = RunTool(command, {1, folder.Path()});
        SCOPED_TRACE(usage);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_NE(run.out.find(usage), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(kExitCodes), std::string::npos) << run.out;
    }
}

// One still frame per depth and format, read back by the decoders; the
// delivered size follows the camera's rule: the window divided by the
// sub-sampling, the width cut to a multiple of 16, the height to one of 4.
TEST(Tool, SnapshotsInEveryFormatAreReadable)
{
    struct Case {
        const char* bits;
        const char* file;
        bool subsample;
        uint32_t channels, bitsPerSample;
    };
    const Case cases[] = {
        {"24", "c.png", false, 3, 8}, {"24", "c.tif", false, 3, 8},  {"24", "c.jpg", false, 3, 8},
        {"24", "c.bmp", false, 3, 8}, {"24", "c.raw", false, 3, 8},  {"48", "d.png", false, 3, 16},
        {"48", "d.tif", false, 3, 16}, {"32", "a.png", false, 4, 8}, {"8", "g.png", false, 1, 8},
        {"16", "g.tif", false, 1, 16}, {"24", "s.png", true, 3, 8},  {"64", "q.tif", true, 4, 16},
    };
    const uint32_t windowWidth = 250, windowHeight = 130;
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.bits) + " bits, " + c.file);
        const uint32_t divisor = c.subsample ? 2 : 1;
        const uint32_t width = windowWidth / divisor / 16 * 16, height = windowHeight / divisor / 4 * 4;
        std::vector<std::string> arguments{"snap", "--roi", "400,200,250,130", "--bits", c.bits, "-o",
                                           folder.File(c.file)};
        if (c.subsample)
            arguments.push_back("--subsample");
        const ToolRun run = RunTool(arguments, {1, folder.Path()});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, folder.File(c.file) + "\n");
        const std::string path = folder.File(c.file), ext = path.substr(path.size() - 3);
        if (ext == "raw") {
            EXPECT_EQ(FileBytes(path).size(), size_t{(width * 3 + 3) / 4 * 4} * height);
            continue;
        }
        const Picture picture = ext == "png" ? ReadPng(path) : ext == "tif" ? ReadTiff(path)
                                : ext == "jpg" ? ReadJpeg(path) : ReadBmp24(path);
        ASSERT_TRUE(picture.read);
        EXPECT_EQ(std::make_tuple(picture.width, picture.height, picture.channels, picture.bitsPerSample),
                  std::make_tuple(width, height, c.channels, c.bitsPerSample));
    }
    // The still camera gives one picture: the lossless 24-bit files agree.
    const Picture png = ReadPng(folder.File("c.png"));
    EXPECT_EQ(ReadTiff(folder.File("c.tif")).samples, png.samples);
    EXPECT_EQ(ReadBmp24(folder.File("c.bmp")).samples, png.samples);

    // Several frames: # counts them from 1.
    const ToolRun run = RunTool({"snap", "-n", "3", "--roi", "0,0,64,16", "-o", folder.File("n-#.jpg")}, {1, folder.Path()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* name : {"n-1.jpg", "n-2.jpg", "n-3.jpg"})
        EXPECT_TRUE(ReadJpeg(folder.File(name)).read) << name;
    EXPECT_FALSE(std::filesystem::exists(folder.File("n-4.jpg")));
}

// The summary's figures agree with each other: MiB are frames times the
// delivered image of 240 x 128 x 3 bytes; nothing lost on a healthy camera.
TEST(Tool, StreamReportsFramesThroughputAndASummary)
{
    ScratchFolder folder;
    const ToolRun run = RunTool({"stream", "--seconds", "1.5", "--roi", "0,0,250,130"}, {1, folder.Path()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::smatch m;
    const std::regex summary(
        R"(summary: (\d+) frames in ([0-9.]+) s, ([0-9.]+) frames/s, ([0-9.]+) MiB/s \(([0-9.]+) MiB\), 0 lost, 0 errors)");
    ASSERT_TRUE(std::regex_search(run.out, m, summary)) << run.out;
    const double frames = std::stod(m[1]), seconds = std::stod(m[2]), mib = std::stod(m[5]);
    EXPECT_GT(frames, 10);
    EXPECT_NEAR(seconds, 1.5, 0.2);
    EXPECT_NEAR(std::stod(m[3]), frames / seconds, 0.1 + frames / seconds * 0.02);
    EXPECT_NEAR(mib, frames * 240 * 3 * 128 / 1048576.0, 0.051);
    // Not a terminal: whole lines, no carriage return rewriting one.
    EXPECT_EQ(std::regex_search(run.out, std::regex("\r[^\n]")), false);
    EXPECT_NE(run.out.find(" frames/s "), run.out.find("summary")) << "a status line before the summary";
}

#ifndef _WIN32
// Ctrl-C ends a long stream within a moment, with its summary and exit 0.
TEST(Tool, InterruptedStreamStopsCleanlyWithItsSummary)
{
    ScratchFolder folder;
    const auto start = std::chrono::steady_clock::now();
    ToolEnvironment environment{1, folder.Path(), std::chrono::milliseconds(1500)};
    const ToolRun run = RunTool({"stream", "--seconds", "60", "--roi", "0,0,256,128"}, environment);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("interrupted\nsummary: "), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("summary: 0 frames"), std::string::npos) << run.out;
}
#endif
