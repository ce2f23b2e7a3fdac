#include "platform/SettingsStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>

// A key is a directory; its values live in the file ".values" inside it, one
// per line in the registry editor's own notation:
//   "Size"=dword:00000000
//   "ExposureEx"=hex:00,00,00,00,00,00,29,40
// The file is always replaced whole (temporary file, then rename), so a crash
// leaves the old file or the new one, never half of one. What is read is
// bounded and checked: a line that does not parse is a missing value.

namespace tavix::platform {

namespace {

namespace fs = std::filesystem;

constexpr const char* kValuesFile = ".values";
constexpr uintmax_t kMaxValuesBytes = 64 * 1024;
constexpr size_t kMaxBinaryBytes = 4096;

struct Value {
    bool dword = false;
    uint32_t word = 0;
    std::vector<uint8_t> bytes;
};
using Values = std::map<std::string, Value>;

// Read-modify-write of a values file is one step for the whole process.
std::mutex& StoreLock()
{
    static std::mutex lock;
    return lock;
}

std::optional<fs::path> Root()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return fs::path(config) / "tavix";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return fs::path(home) / ".config" / "tavix";
    return std::nullopt;
}

// The directory of a key path; none for a path with an empty component, one
// starting with a dot (".", "..", the values file) or one holding a slash.
std::optional<fs::path> KeyDirectory(const std::string& path)
{
    std::optional<fs::path> directory = Root();
    if (!directory || path.empty())
        return std::nullopt;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('\\', start), path.size());
        const std::string part = path.substr(start, end - start);
        if (part.empty() || part[0] == '.' || part.find('/') != std::string::npos)
            return std::nullopt;
        *directory /= part;
        start = end + 1;
    }
    return directory;
}

bool ValidName(const char* name)
{
    return name != nullptr && name[0] != '\0' && std::strpbrk(name, "\"\n\r") == nullptr;
}

bool ParseHexByte(const std::string& text, size_t at, uint8_t* byte)
{
    unsigned value = 0;
    for (size_t k = at; k < at + 2; ++k) {
        const char c = text[k];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    *byte = static_cast<uint8_t>(value);
    return true;
}

// One line into (name, value); false for anything not written by Save.
bool ParseLine(const std::string& line, std::string* name, Value* value)
{
    if (line.size() < 3 || line[0] != '"')
        return false;
    const size_t close = line.find('"', 1);
    if (close == std::string::npos || close == 1 || line.compare(close, 2, "\"=") != 0)
        return false;
    *name = line.substr(1, close - 1);
    const std::string data = line.substr(close + 2);
    if (data.rfind("dword:", 0) == 0) {
        if (data.size() != 14)
            return false;
        uint32_t word = 0;
        for (size_t k = 6; k < 14; k += 2) {
            uint8_t byte = 0;
            if (!ParseHexByte(data, k, &byte))
                return false;
            word = word << 8 | byte;
        }
        value->dword = true;
        value->word = word;
        return true;
    }
    if (data.rfind("hex:", 0) != 0 || data.back() == ',')
        return false;
    value->dword = false;
    value->bytes.clear();
    for (size_t k = 4; k < data.size(); k += 3) {
        uint8_t byte = 0;
        if (k + 2 > data.size() || !ParseHexByte(data, k, &byte) || (k + 2 < data.size() && data[k + 2] != ',') ||
            value->bytes.size() == kMaxBinaryBytes)
            return false;
        value->bytes.push_back(byte);
    }
    return true;
}

Values Load(const fs::path& directory)
{
    Values values;
    const fs::path file = directory / kValuesFile;
    std::error_code error;
    const uintmax_t size = fs::file_size(file, error);
    if (error || size > kMaxValuesBytes)
        return values; // missing, or not one this library wrote
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        std::string name;
        Value value;
        if (ParseLine(line, &name, &value))
            values[name] = std::move(value);
    }
    return values;
}

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool Save(const fs::path& directory, const Values& values)
{
    std::ostringstream text;
    text << "# Tavix SDK settings\n";
    char hex[16];
    for (const auto& [name, value] : values) {
        text << '"' << name << "\"=";
        if (value.dword) {
            std::snprintf(hex, sizeof hex, "dword:%08x", static_cast<unsigned>(value.word));
            text << hex;
        } else {
            text << "hex:";
            for (size_t k = 0; k < value.bytes.size(); ++k) {
                std::snprintf(hex, sizeof hex, k == 0 ? "%02x" : ",%02x", value.bytes[k]);
                text << hex;
            }
        }
        text << '\n';
    }
    static std::atomic<unsigned> serial{0};
    const fs::path temporary =
        directory / (std::string(kValuesFile) + ".tmp." + std::to_string(getpid()) + "." + std::to_string(++serial));
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, text.str()) && fsync(fd) == 0;
    if (close(fd) != 0 || !written || rename(temporary.c_str(), (directory / kValuesFile).c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

class FileKey final : public SettingsKey {
public:
    FileKey(fs::path directory, bool writable) : directory_(std::move(directory)), writable_(writable) {}

    bool ReadDword(const char* name, uint32_t* value) const override
    {
        const std::optional<Value> found = Find(name);
        if (!found || !found->dword)
            return false;
        *value = found->word;
        return true;
    }

    bool ReadBinary(const char* name, void* data, size_t size) const override
    {
        const std::optional<Value> found = Find(name);
        if (!found || found->dword || found->bytes.size() != size)
            return false;
        std::memcpy(data, found->bytes.data(), size);
        return true;
    }

    bool WriteDword(const char* name, uint32_t value) override
    {
        Value v;
        v.dword = true;
        v.word = value;
        return Store(name, std::move(v));
    }

    bool WriteBinary(const char* name, const void* data, size_t size) override
    {
        if (size > kMaxBinaryBytes)
            return false;
        Value v;
        const auto* bytes = static_cast<const uint8_t*>(data);
        v.bytes.assign(bytes, bytes + size);
        return Store(name, std::move(v));
    }

    bool WriteDwords(std::span<const Word> words) override
    {
        if (!writable_)
            return false;
        std::lock_guard lock(StoreLock());
        Values values = Load(directory_);
        for (const Word& word : words) {
            if (!ValidName(word.name))
                return false;
            Value& v = values[word.name];
            v.dword = true;
            v.word = word.value;
            v.bytes.clear();
        }
        return Save(directory_, values);
    }

private:
    std::optional<Value> Find(const char* name) const
    {
        if (!ValidName(name))
            return std::nullopt;
        std::lock_guard lock(StoreLock());
        Values values = Load(directory_);
        const auto it = values.find(name);
        if (it == values.end())
            return std::nullopt;
        return std::move(it->second);
    }

    bool Store(const char* name, Value value)
    {
        if (!writable_ || !ValidName(name))
            return false;
        std::lock_guard lock(StoreLock());
        Values values = Load(directory_);
        values[name] = std::move(value);
        return Save(directory_, values);
    }

    fs::path directory_;
    bool writable_;
};

bool IsDirectory(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

} // namespace

std::unique_ptr<SettingsKey> SettingsKey::Open(const std::string& path)
{
    const std::optional<fs::path> directory = KeyDirectory(path);
    if (!directory || !IsDirectory(*directory))
        return nullptr;
    return std::make_unique<FileKey>(*directory, false);
}

std::unique_ptr<SettingsKey> SettingsKey::Create(const std::string& path)
{
    const std::optional<fs::path> directory = KeyDirectory(path);
    if (!directory)
        return nullptr;
    // Every directory of the tree is the user's alone.
    fs::path partial;
    for (const fs::path& part : *directory) {
        partial /= part;
        if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return nullptr;
    }
    if (!IsDirectory(*directory))
        return nullptr;
    return std::make_unique<FileKey>(*directory, true);
}

bool SettingsKey::RemoveTree(const std::string& path)
{
    const std::optional<fs::path> directory = KeyDirectory(path);
    if (!directory)
        return false;
    std::error_code error;
    fs::remove_all(*directory, error);
    return !IsDirectory(*directory);
}

} // namespace tavix::platform
