// tavix snap: N frames, each saved as a still image file.

#include <cstdio>

#include <CLI/CLI.hpp>

#include "AcquisitionOptions.h"
#include "CameraSession.h"
#include "Commands.h"
#include "ToolErrors.h"

namespace tavix::tool {

namespace {
struct SnapOptions {
    int count = 1;
    std::string format;
    int quality = 100;
    std::string output = "frame-#.png";
    AcquisitionOptions acquisition;
};

// The format named, or the one the file name's extension names.
int32_t ImageFormat(const SnapOptions& options)
{
    std::string format = options.format;
    if (format.empty()) {
        const size_t dot = options.output.find_last_of('.');
        const size_t slash = options.output.find_last_of("/\\");
        if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
            format = CLI::detail::to_lower(options.output.substr(dot + 1));
    }
    if (format == "bmp")
        return TAVIX_IMAGE_BMP;
    if (format == "raw")
        return TAVIX_IMAGE_RAW;
    if (format == "jpg" || format == "jpeg")
        return options.quality == 100 ? TAVIX_IMAGE_JPEG100 : options.quality == 70 ? TAVIX_IMAGE_JPEG70
                                                                                      : TAVIX_IMAGE_JPEG20;
    if (format == "png")
        return TAVIX_IMAGE_PNG;
    if (format == "tif" || format == "tiff")
        return TAVIX_IMAGE_TIFF;
    throw UsageError("cannot tell the file format of '" + options.output +
                     "': name it with --format bmp|raw|jpg|png|tif");
}

// `#` becomes the frame number, counted from 1.
std::string FrameFileName(const std::string& pattern, int number)
{
    std::string name;
    for (char c : pattern)
        name += c == '#' ? std::to_string(number) : std::string(1, c);
    return name;
}

int RunSnap(const GlobalOptions& global, const SnapOptions& options)
{
    const int32_t format = ImageFormat(options);
    if (options.count > 1 && options.output.find('#') == std::string::npos)
        throw UsageError("-n " + std::to_string(options.count) + " needs a # in the file name for the frame number");

    MessageWindow messages;
    CameraSession session(messages);
    session.Open(global.camera);
    options.acquisition.Apply(session);
    const uint32_t handle = session.Handle();
    // Several frames keep the transfer running between them.
    if (options.count > 1)
        session.Check(Tavix_Capture(handle), "starting the capture");
    for (int number = 1; number <= options.count; ++number) {
        session.Check(Tavix_SnapShot(handle, nullptr, 0, 0), "taking frame " + std::to_string(number));
        const std::string file = FrameFileName(options.output, number);
        session.Check(SaveImageUtf8(handle, file, format), "saving " + file);
        std::printf("%s\n", file.c_str());
    }
    Tavix_StopPreview(handle);
    return kExitOk;
}
} // namespace

void AddSnapCommand(CLI::App& app, const GlobalOptions& global, Commands& commands)
{
    auto options = std::make_shared<SnapOptions>();
    CLI::App* snap = Documented(app.add_subcommand("snap", "Take frames and save each as an image file"));
    snap->add_option("-n", options->count, "Number of frames")->check(CLI::Range(1, 100000))->capture_default_str();
    snap->add_option("--format", options->format, "File format (default: from the file name)")
        ->check(CLI::IsMember({"bmp", "raw", "jpg", "png", "tif"}));
    snap->add_option("--quality", options->quality, "JPEG quality")
        ->check(CLI::IsMember({100, 70, 20}))
        ->capture_default_str();
    snap->add_option("-o,--output", options->output, "File name; # becomes the frame number, from 1")
        ->capture_default_str();
    options->acquisition.AddTo(*snap);
    commands.push_back({snap, [&global, options] { return RunSnap(global, *options); }});
}

} // namespace tavix::tool
