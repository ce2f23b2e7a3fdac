// tavix stream: frames delivered into a buffer for S seconds, with a live
// status line and a summary; Ctrl-C ends it early, the summary still comes.

#include <cstdio>
#include <vector>

#include <CLI/CLI.hpp>

#include "AcquisitionOptions.h"
#include "CameraSession.h"
#include "Commands.h"
#include "StreamStatistics.h"
#include "ToolErrors.h"

namespace tavix::tool {

namespace {
using namespace std::chrono_literals;

constexpr auto kTerminalStatusPeriod = 250ms;
constexpr auto kPlainStatusPeriod = 1s;
constexpr int kPollMilliseconds = 50;

struct StreamOptions {
    double seconds = 5;
    AcquisitionOptions acquisition;
};

int RunStream(const GlobalOptions& global, const StreamOptions& options)
{
    CatchInterrupt();
    MessageWindow messages;
    CameraSession session(messages);
    session.Open(global.camera);
    const FrameShape shape = options.acquisition.Apply(session);
    std::vector<uint8_t> buffer(static_cast<size_t>(shape.BufferBytes()));
    const uint32_t handle = session.Handle();
    session.Check(Tavix_CallBackPreview(handle, messages.Window(), buffer.data(), static_cast<int32_t>(buffer.size()), 0),
                  "starting the stream");

    const bool terminal = IsTerminal(stdout);
    const auto period = terminal ? std::chrono::steady_clock::duration(kTerminalStatusPeriod)
                                 : std::chrono::steady_clock::duration(kPlainStatusPeriod);
    const auto start = StreamStatistics::Clock::now();
    const auto end = start + std::chrono::duration_cast<StreamStatistics::Clock::duration>(
                                 std::chrono::duration<double>(options.seconds));
    StreamStatistics statistics(start);
    auto nextStatus = start + period;
    auto now = start;
    while (!Interrupted() && !statistics.CameraStopped() && now < end) {
        for (const PostedMessage& m : messages.Take(kPollMilliseconds))
            statistics.Add(m);
        now = StreamStatistics::Clock::now();
        if (now >= nextStatus) {
            std::printf(terminal ? "\r%s" : "%s\n", statistics.StatusLine(now).c_str());
            std::fflush(stdout);
            nextStatus += period;
        }
    }
    const auto stopped = StreamStatistics::Clock::now();
    Tavix_StopPreview(handle);
    for (const PostedMessage& m : messages.Take(0))
        statistics.Add(m);
    if (terminal)
        std::printf("\n");
    if (Interrupted())
        std::printf("interrupted\n");
    std::printf("%s", statistics.Summary(stopped).c_str());
    std::fflush(stdout);

    if (statistics.CameraStopped())
        throw CameraFailure("the stream ended early: the camera stopped delivering frames");
    if (statistics.Frames() == 0)
        throw CameraFailure("the stream delivered no frame");
    return kExitOk;
}
} // namespace

void AddStreamCommand(CLI::App& app, const GlobalOptions& global, Commands& commands)
{
    auto options = std::make_shared<StreamOptions>();
    CLI::App* stream = Documented(app.add_subcommand(
        "stream", "Stream frames into a buffer and show frames/s, MiB/s, frames lost, errors"));
    stream->footer("Frames lost are those the library could not read or hand over. A terminal gets a live status "
                   "line, other output a line a second; Ctrl-C stops early and the summary still follows.\n" +
                   std::string(kExitCodesHelp));
    stream->add_option("--seconds", options->seconds, "How long to stream")
        ->check(CLI::Range(0.1, 86400.0))
        ->capture_default_str();
    options->acquisition.AddTo(*stream);
    commands.push_back({stream, [&global, options] { return RunStream(global, *options); }});
}

} // namespace tavix::tool
