#include "platform/SettingsStore.h"

#include <windows.h>

namespace tavix::platform {

namespace {

class RegistryKey final : public SettingsKey {
public:
    RegistryKey(HKEY key, bool writable) : key_(key), writable_(writable) {}
    ~RegistryKey() override { RegCloseKey(key_); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool ReadDword(const char* name, uint32_t* value) const override
    {
        DWORD type = 0, data = 0, size = sizeof data;
        if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof data)
            return false;
        *value = data;
        return true;
    }

    bool ReadBinary(const char* name, void* data, size_t size) const override
    {
        // Ask for the size first: a longer value must not be cut to fit.
        DWORD type = 0, stored = 0;
        if (RegQueryValueExA(key_, name, nullptr, &type, nullptr, &stored) != ERROR_SUCCESS || type != REG_BINARY ||
            stored != size)
            return false;
        return RegQueryValueExA(key_, name, nullptr, &type, static_cast<BYTE*>(data), &stored) == ERROR_SUCCESS &&
               stored == size;
    }

    bool WriteDword(const char* name, uint32_t value) override
    {
        const DWORD data = value;
        return writable_ && RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                           sizeof data) == ERROR_SUCCESS;
    }

    bool WriteBinary(const char* name, const void* data, size_t size) override
    {
        return writable_ && size <= MAXDWORD &&
               RegSetValueExA(key_, name, 0, REG_BINARY, static_cast<const BYTE*>(data), static_cast<DWORD>(size)) ==
                   ERROR_SUCCESS;
    }

private:
    HKEY key_;
    bool writable_;
};

} // namespace

std::unique_ptr<SettingsKey> SettingsKey::Open(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<RegistryKey>(key, false);
}

std::unique_ptr<SettingsKey> SettingsKey::Create(const std::string& path)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<RegistryKey>(key, true);
}

bool SettingsKey::RemoveTree(const std::string& path)
{
    // RegDeleteTreeA takes the key itself too; the plain delete covers a key
    // that has neither values nor subkeys.
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
    return Open(path) == nullptr;
}

} // namespace tavix::platform
