#pragma once
// Runs the built tavix tool as a process of its own, the way a user does:
// arguments, an environment of its own (emulated cameras or none, still
// frames, a settings folder), stdout and stderr captured, the exit code.
// On POSIX the run can be interrupted with SIGINT after a delay.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "../support/ScratchFolder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace tavix::test {

struct ToolRun {
    int exitCode = -1;
    std::string out, err;
};

struct ToolEnvironment {
    int cameras = 1;                     // TAVIX_CAMEMU; 0 leaves it unset
    std::filesystem::path folder;        // the working folder: (POSIX) the settings go to tavix/ in it
    std::chrono::milliseconds interrupt{0}; // POSIX: SIGINT after this long, 0 never
};

inline std::string FileText(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Text-mode output on Windows ends its lines with CR LF; a lone CR stays.
inline std::string Lines(std::string text)
{
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 1);
    return text;
}

// The tool lies beside the test executable.
inline std::filesystem::path ToolPath()
{
#ifdef _WIN32
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return std::filesystem::path(self).parent_path() / "tavix.exe";
#else
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "tavix";
#endif
}

inline ToolRun RunTool(const std::vector<std::string>& arguments, const ToolEnvironment& environment)
{
    // The captures live apart from the outputs, under names of their own:
    // under Wine a helper process that the tool's first window starts may
    // inherit its stderr and hold the file open long after the tool ended.
    static const ScratchFolder captures;
    static int runs = 0;
    ++runs;
    const std::filesystem::path out = captures.Path() / ("out-" + std::to_string(runs)),
                                err = captures.Path() / ("err-" + std::to_string(runs));
    const std::string cameras = std::to_string(environment.cameras);
    ToolRun run;
#ifdef _WIN32
    SetEnvironmentVariableA("TAVIX_CAMEMU", environment.cameras > 0 ? cameras.c_str() : nullptr);
    SetEnvironmentVariableA("TAVIX_CAMEMU_STILL", "1");
    std::wstring line = L"\"" + ToolPath().wstring() + L"\"";
    for (const std::string& argument : arguments)
        line += L" \"" + std::filesystem::path(argument).wstring() + L"\"";
    const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outFile = CreateFileW(out.c_str(), GENERIC_WRITE, kShareAll, &inherit, CREATE_ALWAYS, 0, nullptr);
    HANDLE errFile = CreateFileW(err.c_str(), GENERIC_WRITE, kShareAll, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = outFile;
    startup.hStdError = errFile;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, 120000);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        run.exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(outFile);
    CloseHandle(errFile);
#else
    if (environment.cameras > 0)
        setenv("TAVIX_CAMEMU", cameras.c_str(), 1);
    else
        unsetenv("TAVIX_CAMEMU");
    setenv("TAVIX_CAMEMU_STILL", "1", 1);
    setenv("XDG_CONFIG_HOME", environment.folder.c_str(), 1);
    const std::string tool = ToolPath().string();
    std::vector<char*> argv{const_cast<char*>(tool.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    if (posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        if (environment.interrupt.count() > 0) {
            std::this_thread::sleep_for(environment.interrupt);
            kill(pid, SIGINT);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
#endif
    run.out = Lines(FileText(out));
    run.err = Lines(FileText(err));
    std::error_code held; // see above: removed with the folder otherwise
    std::filesystem::remove(out, held);
    std::filesystem::remove(err, held);
    return run;
}

} // namespace tavix::test
