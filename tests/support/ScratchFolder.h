#pragma once
// A folder of the test's own under the system's temporary folder, removed
// with everything in it afterwards.

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace tavix::test {

class ScratchFolder {
public:
    ScratchFolder()
        : path_(std::filesystem::temp_directory_path() / ("tavix-scratch-" + std::to_string(std::random_device()())))
    {
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // A file name in the folder, as the exports take it.
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    // The names of everything in the folder.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    std::filesystem::path path_;
};

} // namespace tavix::test
