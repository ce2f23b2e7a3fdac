// tavix record: an AVI file of S seconds of the stream. The library's
// recorder is reached through Tavix_Record / Tavix_RecordW, which this build
// of the library does not export yet: the command takes its options and
// says so, and calls the export as soon as it exists.

#include <CLI/CLI.hpp>

#include "AcquisitionOptions.h"
#include "Commands.h"
#include "ToolErrors.h"

namespace tavix::tool {

namespace {
struct RecordOptions {
    double seconds = 5;
    std::string output;
    AcquisitionOptions acquisition;
};

int RunRecord(const GlobalOptions&, const RecordOptions&)
{
    throw CameraFailure("recording is not available yet: this library does not export Tavix_Record/Tavix_RecordW");
}
} // namespace

void AddRecordCommand(CLI::App& app, const GlobalOptions& global, Commands& commands)
{
    auto options = std::make_shared<RecordOptions>();
    CLI::App* record = Documented(app.add_subcommand(
        "record", "Record the stream into an AVI file (not available yet: needs the library's Tavix_Record)"));
    record->add_option("--seconds", options->seconds, "How long to record")
        ->check(CLI::Range(0.1, 86400.0))
        ->capture_default_str();
    record->add_option("-o,--output", options->output, "The AVI file")->required();
    options->acquisition.AddTo(*record);
    commands.push_back({record, [&global, options] { return RunRecord(global, *options); }});
}

} // namespace tavix::tool
