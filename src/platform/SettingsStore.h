#pragma once
// The current user's settings: keys under HKEY_CURRENT_USER in the Windows
// registry; elsewhere a file tree that mirrors them, one directory per key
// below $XDG_CONFIG_HOME/tavix (or ~/.config/tavix), its values in a file
// ".values" written whole to a temporary file and renamed into place.
//
// Key paths use the registry's backslashes ("Software\\Kelvor\\…"). Only the
// two value types the library stores exist: 32-bit words and byte blocks.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tavix::platform {

class SettingsKey {
public:
    // Opens an existing key for reading; null when it does not exist.
    static std::unique_ptr<SettingsKey> Open(const std::string& path);
    // Opens a key for reading and writing, creating it and its missing
    // parents; null when that fails.
    static std::unique_ptr<SettingsKey> Create(const std::string& path);
    // Deletes a key with all its values and subkeys; true when it is gone.
    static bool RemoveTree(const std::string& path);

    virtual ~SettingsKey() = default;

    // False, with the value untouched, when the value is missing, is of the
    // other type or (for a block) not exactly `size` bytes long.
    virtual bool ReadDword(const char* name, uint32_t* value) const = 0;
    virtual bool ReadBinary(const char* name, void* data, size_t size) const = 0;
    // False on a key opened for reading only, or when the store refuses.
    virtual bool WriteDword(const char* name, uint32_t value) = 0;
    virtual bool WriteBinary(const char* name, const void* data, size_t size) = 0;
    // Several words at once: one replacement of the values file on POSIX
    // rather than one per word.
    struct Word {
        const char* name;
        uint32_t value;
    };
    virtual bool WriteDwords(std::span<const Word> words)
    {
        bool written = true;
        for (const Word& word : words)
            written &= WriteDword(word.name, word.value);
        return written;
    }
};

} // namespace tavix::platform
