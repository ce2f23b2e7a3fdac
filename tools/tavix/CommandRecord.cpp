// tavix record: S seconds of the stream into an AVI file through the
// library's recorder. Ctrl-C ends it early; the file is finished either way.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <CLI/CLI.hpp>

#include "AcquisitionOptions.h"
#include "CameraSession.h"
#include "Commands.h"
#include "ToolErrors.h"

namespace tavix::tool {

namespace {
using namespace std::chrono_literals;

constexpr int kPollMilliseconds = 50;
// The recorder takes its last frame once the duration has passed.
constexpr auto kLastFrameGrace = 500ms;

struct RecordOptions {
    double seconds = 5;
    std::string output;
    AcquisitionOptions acquisition;
};

// The frame count and the measured microseconds per frame of the finished
// file's main header (zeros when unreadable).
struct Recorded {
    uint32_t frames = 0, microsecondsPerFrame = 0;
};
Recorded ReadRecorded(const std::string& path)
{
    std::ifstream file(std::filesystem::path(reinterpret_cast<const char8_t*>(path.c_str())), std::ios::binary);
    uint8_t header[52] = {};
    file.read(reinterpret_cast<char*>(header), sizeof header);
    if (!file)
        return {};
    const auto u32 = [&](int at) {
        return header[at] | uint32_t{header[at + 1]} << 8 | uint32_t{header[at + 2]} << 16 |
               uint32_t{header[at + 3]} << 24;
    };
    return {u32(48), u32(32)};
}

int RunRecord(const GlobalOptions& global, const RecordOptions& options)
{
    CatchInterrupt();
    MessageWindow messages;
    CameraSession session(messages);
    session.Open(global.camera);
    const FrameShape shape = options.acquisition.Apply(session);
    const uint32_t handle = session.Handle();
    session.Check(Tavix_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), "choosing no preview window");
    const auto durationMs = static_cast<int32_t>(options.seconds * 1000);
    session.Check(RecordUtf8(handle, options.output, durationMs, 0), "starting the recording of " + options.output);

    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(durationMs) + kLastFrameGrace;
    bool full = false, cameraStopped = false;
    while (!Interrupted() && !full && !cameraStopped && std::chrono::steady_clock::now() < end)
        for (const PostedMessage& m : messages.Take(kPollMilliseconds)) {
            full |= m.message == TAVIX_WM_FRAME && m.wParam == 0 && m.lParam == TAVIX_EVENT_RECORDING_ENDED;
            cameraStopped |= m.message == TAVIX_WM_ERROR && m.lParam == TAVIX_ERR_CAMERA_STOPPED;
        }
    // Stopping the preview finishes the file of a recording still running.
    Tavix_StopPreview(handle);
    const Recorded recorded = ReadRecorded(options.output);
    if (Interrupted())
        std::printf("interrupted\n");
    std::printf("recorded %u frames of %d x %d at %.1f frames/s into %s\n", recorded.frames, shape.width,
                shape.height, recorded.microsecondsPerFrame ? 1e6 / recorded.microsecondsPerFrame : 0.0,
                options.output.c_str());
    std::fflush(stdout);
    if (full)
        session.Fail("the recording ended early with the frames it had: the file reached its size limit or a "
                     "write failed");
    if (cameraStopped)
        throw CameraFailure("the recording ended early: the camera stopped delivering frames");
    if (recorded.frames == 0)
        throw CameraFailure("the recording holds no frame");
    return kExitOk;
}
} // namespace

void AddRecordCommand(CLI::App& app, const GlobalOptions& global, Commands& commands)
{
    auto options = std::make_shared<RecordOptions>();
    CLI::App* record = Documented(app.add_subcommand(
        "record", "Record the stream into an uncompressed AVI file of 24-bit frames"));
    record->footer("The file appears when it is finished. One file holds up to 4 GiB (285 full-resolution "
                   "frames); a recording that reaches it ends with the frames it has. Ctrl-C stops early and "
                   "the file is still finished.\n" + std::string(kExitCodesHelp));
    record->add_option("--seconds", options->seconds, "How long to record")
        ->check(CLI::Range(0.1, 86400.0))
        ->capture_default_str();
    record->add_option("-o,--output", options->output, "The AVI file")->required();
    options->acquisition.AddTo(*record);
    commands.push_back({record, [&global, options] { return RunRecord(global, *options); }});
}

} // namespace tavix::tool
