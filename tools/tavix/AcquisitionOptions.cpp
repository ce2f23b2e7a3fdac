#include "AcquisitionOptions.h"

#include <cmath>

#include <CLI/CLI.hpp>

#include "CameraSession.h"
#include "FilterNames.h"
#include "Numbers.h"
#include "ToolErrors.h"

namespace tavix::tool {

namespace {
constexpr double kStepsPerMillisecond = 10.0; // exposure steps of 100 us

std::string Milliseconds(uint32_t steps) { return CLI::detail::to_string(steps / kStepsPerMillisecond); }
} // namespace

void AcquisitionOptions::AddTo(CLI::App& command)
{
    command.add_option("--bits", bits, "Bits per pixel: 8 or 16 raw (undemosaiced), 24, 32, 48, 64 colour")
        ->check(CLI::IsMember({8, 16, 24, 32, 48, 64}))
        ->capture_default_str();
    command.add_option("--exposure", exposureMs, "Exposure in milliseconds (0.1 ms steps; see 'tavix info')");
    command.add_option("--gain", gain, "Global gain in the sensor's units (see 'tavix info')");
    command.add_option("--roi", roi, "Capture window x,y,w,h on the sensor (default: all of it)");
    command.add_flag("--subsample", subsample, "Half resolution in both directions");
    command.add_option("--filter", filters, "Image setting name=value, repeatable; names: " + FilterNameList())
        ->take_all();
}

FrameShape AcquisitionOptions::Apply(CameraSession& session) const
{
    const uint32_t handle = session.Handle();
    const TavixCameraInfo info = session.Info();
    const auto sensorWidth = static_cast<int32_t>(info.sensorWidth);
    const auto sensorHeight = static_cast<int32_t>(info.sensorHeight);

    Rectangle window{0, 0, sensorWidth, sensorHeight};
    if (!roi.empty()) {
        window = ParseRectangle(roi);
        if (window.x + window.width > sensorWidth || window.y + window.height > sensorHeight)
            throw UsageError("--roi " + roi + " does not lie inside the " + std::to_string(sensorWidth) + " x " +
                             std::to_string(sensorHeight) + " sensor");
    }
    session.Check(Tavix_SetCaptureWindowEx(handle, sensorWidth, window.x, window.width, sensorHeight, window.y,
                                           window.height),
                  "setting the capture window");
    session.Check(Tavix_SetColorMode(handle, bits), "setting " + std::to_string(bits) + " bits per pixel");
    session.Check(Tavix_SetSubSample(handle, subsample ? 1 : 0), "setting the sub-sampling");
    // Frames are only fetched, never drawn.
    session.Check(Tavix_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), "switching the preview window off");

    if (exposureMs) {
        const double steps = std::round(*exposureMs * kStepsPerMillisecond);
        if (!(steps >= info.exposureMin && steps <= info.exposureMax))
            throw UsageError("--exposure must lie from " + Milliseconds(info.exposureMin) + " to " +
                             Milliseconds(info.exposureMax) + " ms on this camera");
        session.Check(Tavix_SetExposureTime(handle, static_cast<int32_t>(steps)), "setting the exposure");
    }
    if (gain) {
        if (*gain < static_cast<int64_t>(info.gainMin) || *gain > static_cast<int64_t>(info.gainMax))
            throw UsageError("--gain must lie from " + std::to_string(info.gainMin) + " to " +
                             std::to_string(info.gainMax) + " on this camera");
        session.Check(Tavix_SetGlobalGain(handle, *gain), "setting the gain");
    }
    for (const std::string& filter : filters) {
        const size_t equals = filter.find('=');
        if (equals == std::string::npos)
            throw UsageError("--filter takes name=value, not '" + filter + "'");
        const std::string name = filter.substr(0, equals);
        const int32_t number = FilterNumber(name);
        const auto value = static_cast<int32_t>(
            ParseNumber(filter.substr(equals + 1), INT32_MIN, INT32_MAX, "the value of --filter " + name));
        session.Check(Tavix_SetFilterValue(handle, number, value), "setting " + filter);
    }
    session.TakeErrors();

    // An upper bound of the delivered size: the camera halves the window
    // for sub-sampling, then cuts the width to a multiple of 16 and the
    // height to one of 4.
    const int32_t shift = subsample ? 1 : 0;
    return {window.width >> shift, window.height >> shift, bits};
}

} // namespace tavix::tool
