#pragma once
// The tool's commands. Each Add function makes its subcommand (or, for the
// register families, its get and set leaves) on the application and says
// what runs it once the command line has been parsed into its options.

#include <functional>
#include <vector>

namespace CLI {
class App;
}

namespace tavix::tool {

struct GlobalOptions {
    int camera = 0;
};

struct Command {
    CLI::App* app;
    std::function<int()> run;
};
using Commands = std::vector<Command>;

// Exit codes in the help of every command; the help of the application.
CLI::App* Documented(CLI::App* command);

void AddListCommand(CLI::App& app, const GlobalOptions& global, Commands& commands);
void AddInfoCommand(CLI::App& app, const GlobalOptions& global, Commands& commands);
void AddSnapCommand(CLI::App& app, const GlobalOptions& global, Commands& commands);
void AddStreamCommand(CLI::App& app, const GlobalOptions& global, Commands& commands);
void AddRecordCommand(CLI::App& app, const GlobalOptions& global, Commands& commands);
void AddRegisterCommands(CLI::App& app, const GlobalOptions& global, Commands& commands);

} // namespace tavix::tool
