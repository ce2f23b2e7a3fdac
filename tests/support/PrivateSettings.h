#pragma once
// Gives a test the settings store to itself for the lifetime of the object:
// on POSIX a temporary configuration directory, on Windows an empty product
// key (the Wine prefix is the build's own), removed again afterwards. They
// nest: the store of the enclosing one comes back.

#include <cstdlib>
#include <random>
#include <string>

#include "instance/Settings.h"
#include "platform/SettingsStore.h"

#ifndef _WIN32
#include <filesystem>
#endif

namespace tavix::test {

class PrivateSettings {
public:
    PrivateSettings()
    {
#ifndef _WIN32
        if (const char* previous = std::getenv("XDG_CONFIG_HOME"))
            previous_ = previous;
        directory_ = std::filesystem::temp_directory_path() / ("tavix-config-" + std::to_string(std::random_device()()));
        std::filesystem::create_directories(directory_);
        setenv("XDG_CONFIG_HOME", directory_.c_str(), 1);
#endif
        platform::SettingsKey::RemoveTree(settings::kProductKey);
    }
    ~PrivateSettings()
    {
        platform::SettingsKey::RemoveTree(settings::kProductKey);
#ifndef _WIN32
        if (previous_.empty())
            unsetenv("XDG_CONFIG_HOME");
        else
            setenv("XDG_CONFIG_HOME", previous_.c_str(), 1);
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
#endif
    }
    PrivateSettings(const PrivateSettings&) = delete;
    PrivateSettings& operator=(const PrivateSettings&) = delete;

private:
#ifndef _WIN32
    std::filesystem::path directory_;
    std::string previous_;
#endif
};

} // namespace tavix::test
