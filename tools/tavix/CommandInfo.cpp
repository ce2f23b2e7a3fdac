// tavix info: what the SDK tells about the open camera.

#include <cstdio>
#include <cstring>

#include <CLI/CLI.hpp>

#include "CameraSession.h"
#include "Commands.h"
#include "ErrorTable.h"
#include "ToolErrors.h"

namespace tavix::tool {

namespace {
constexpr int kNameBytes = 23;
constexpr int kSerialBytes = 32;
constexpr double kStepsPerMillisecond = 10.0;

void Row(const char* label, const std::string& value) { std::printf("%-24s %s\n", label, value.c_str()); }

std::string Range(uint32_t minimum, uint32_t maximum)
{
    return std::to_string(minimum) + " to " + std::to_string(maximum);
}

// A value the camera may not offer: the value, or why there is none.
std::string Offered(CameraSession& session, bool ok, const std::string& value)
{
    const std::vector<uint32_t> codes = session.TakeErrors();
    if (ok)
        return value;
    return "not available (" + (codes.empty() ? std::string("no error code") : DescribeError(codes.back())) + ")";
}

int RunInfo(const GlobalOptions& global)
{
    MessageWindow messages;
    CameraSession session(messages);
    session.Open(global.camera);
    const uint32_t handle = session.Handle();

    char name[kNameBytes + 1] = {};
    Tavix_GetDeviceName(handle, global.camera, name, sizeof name);
    char serial[kSerialBytes] = {};
    const bool serialRead = Tavix_ReadSerialNumberA(handle, serial, sizeof serial) == 1;
    session.TakeErrors();
    const TavixCameraInfo info = session.Info();

    char text[128];
    Row("camera", std::to_string(global.camera) + " " + name);
    Row("serial number", !serialRead ? "(unreadable)" : serial[0] == '\0' ? "(none)" : serial);
    Row("sensor", std::to_string(info.sensorWidth) + " x " + std::to_string(info.sensorHeight) + " pixels");
    Row("global gain", Range(info.gainMin, info.gainMax));
    Row("colour gain", Range(info.colorGainMin, info.colorGainMax));
    std::snprintf(text, sizeof text, "%u to %u steps of 100 us (%.1f to %.1f ms)", info.exposureMin,
                  info.exposureMax, info.exposureMin / kStepsPerMillisecond, info.exposureMax / kStepsPerMillisecond);
    Row("exposure", text);
    std::snprintf(text, sizeof text, "%.9g to %.9g s", info.exposureSecondsMin, info.exposureSecondsMax);
    Row("exposure (seconds form)", text);

    int32_t ok = 0;
    const int32_t exposure = Tavix_GetExposureTime(handle, &ok);
    std::snprintf(text, sizeof text, "%d steps (%.1f ms)", exposure, exposure / kStepsPerMillisecond);
    Row("current exposure", Offered(session, ok == 1, text));
    const int32_t gain = Tavix_GetGlobalGain(handle, &ok);
    Row("current gain", Offered(session, ok == 1, std::to_string(gain)));
    const double celsius = Tavix_GetTemperatureEx(handle, &ok);
    std::snprintf(text, sizeof text, "%.1f C", celsius);
    Row("sensor temperature", Offered(session, ok == 1, text));
    // The library reads both when it opens the camera but exports neither.
    Row("controller firmware", "not available: the SDK exports no function that reports it");
    Row("link speed", "not available: the SDK exports no function that reports it");
    std::snprintf(text, sizeof text, "0x%08X", Tavix_GetDllVersion());
    Row("library version", text);

    std::printf("camera-information record (%zu bytes):\n", sizeof info);
    unsigned char bytes[sizeof info];
    std::memcpy(bytes, &info, sizeof info);
    for (size_t i = 0; i < sizeof info; ++i)
        std::printf("%s%02X%s", i % 16 == 0 ? "  " : " ", bytes[i], i % 16 == 15 || i + 1 == sizeof info ? "\n" : "");
    return kExitOk;
}
} // namespace

void AddInfoCommand(CLI::App& app, const GlobalOptions& global, Commands& commands)
{
    CLI::App* info = Documented(app.add_subcommand(
        "info", "Sensor size, gain and exposure ranges, serial number and the camera-information record"));
    commands.push_back({info, [&global] { return RunInfo(global); }});
}

} // namespace tavix::tool
