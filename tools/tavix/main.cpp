// tavix: the command-line face of the Tavix SDK, built on its public C API
// alone. main parses the command line and turns every way a command can end
// into the documented exit code.

#include <cstdio>

#include <CLI/CLI.hpp>

#include "Commands.h"
#include "ToolErrors.h"
#include "ToolPlatform.h"

namespace tavix::tool {

CLI::App* Documented(CLI::App* command)
{
    command->footer(kExitCodesHelp);
    return command;
}

namespace {
std::string Version()
{
    char text[96];
    std::snprintf(text, sizeof text, "tavix %s (library 0x%08X)", TAVIX_TOOL_VERSION, Tavix_GetDllVersion());
    return text;
}

int Run(const std::vector<std::string>& arguments)
{
    CLI::App app{"The Tavix264ROR-USB3-Q5 camera from the command line.", "tavix"};
    Documented(&app);
    app.set_version_flag("--version", Version());
    app.require_subcommand(1);
    // Global options may also follow the command ("tavix snap --camera 1").
    app.fallthrough();
    GlobalOptions global;
    app.add_option("--camera", global.camera, "Camera number (see 'tavix list')")
        ->check(CLI::Range(0, 31))
        ->capture_default_str();

    Commands commands;
    AddListCommand(app, global, commands);
    AddInfoCommand(app, global, commands);
    AddSnapCommand(app, global, commands);
    AddStreamCommand(app, global, commands);
    AddRecordCommand(app, global, commands);
    AddRegisterCommands(app, global, commands);

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend() - 1);
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e); // prints help, version or the message
        return code == 0 ? kExitOk : kExitUsage;
    }
    std::string name = "tavix";
    try {
        for (const Command& command : commands)
            if (command.app->parsed()) {
                const CLI::App* parent = command.app->get_parent();
                name = (parent != &app ? parent->get_name() + " " : "") + command.app->get_name();
                return command.run();
            }
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tavix %s: %s\nRun with --help for more information.\n", name.c_str(), e.what());
        return kExitUsage;
    } catch (const CameraFailure& e) {
        std::fprintf(stderr, "tavix %s: %s\n", name.c_str(), e.what());
        return kExitFailure;
    }
    return kExitUsage;
}
} // namespace

} // namespace tavix::tool

int main(int argc, char** argv)
{
    try {
        return tavix::tool::Run(tavix::tool::Utf8Arguments(argc, argv));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavix: %s\n", e.what());
        return tavix::tool::kExitFailure;
    }
}
