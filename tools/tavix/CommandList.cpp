// tavix list: every camera with its number, name and serial number.

#include <cstdio>

#include <CLI/CLI.hpp>

#include "CameraSession.h"
#include "Commands.h"
#include "ToolErrors.h"

namespace tavix::tool {

namespace {
constexpr int kCameraNumbers = 32;
constexpr int kNameBytes = 23;   // "Tavix264ROR-USB3-Q5_01" and its terminator
constexpr int kSerialBytes = 32; // as the EEPROM holds it, terminator included

int RunList()
{
    MessageWindow messages;
    CameraSession session(messages);
    const int count = session.CameraCount();
    if (count == 0)
        throw CameraFailure("no camera found (TAVIX_CAMEMU=1 in the environment gives an emulated one)");
    std::printf("%-6s  %-22s  %s\n", "number", "name", "serial number");
    int listed = 0;
    for (int number = 0; number < kCameraNumbers && listed < count; ++number) {
        char name[kNameBytes + 1] = {};
        if (Tavix_GetDeviceName(session.Handle(), number, name, sizeof name) != 1)
            continue;
        ++listed;
        char serial[kSerialBytes] = {};
        const bool opened = Tavix_SetDeviceNumber(session.Handle(), number) == 1;
        const bool read = opened && Tavix_ReadSerialNumberA(session.Handle(), serial, sizeof serial) == 1;
        std::printf("%-6d  %-22s  %s\n", number, name,
                    !opened ? "(cannot be opened)" : !read ? "(unreadable)" : serial[0] == '\0' ? "(none)" : serial);
    }
    session.TakeErrors();
    return kExitOk;
}
} // namespace

void AddListCommand(CLI::App& app, const GlobalOptions&, Commands& commands)
{
    CLI::App* list = Documented(app.add_subcommand("list", "List the cameras: number, name, serial number"));
    commands.push_back({list, RunList});
}

} // namespace tavix::tool
