#pragma once
// The 32-byte command the camera expects on bulk endpoint 0x01 ahead of a
// read from or a write into its memory.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tavix {

#pragma pack(push, 1)
struct MemoryCommand {
    char magic[4];
    uint32_t version;
    uint32_t addressLow;
    uint32_t addressHigh;
    uint32_t byteCount; // of the piece that follows
    uint8_t reserved[12];
};
#pragma pack(pop)

constexpr uint32_t kMemoryCommandSize = 32;
constexpr uint32_t kMemoryCommandVersion = 2;
constexpr char kMemoryReadMagic[4] = {'A', 'U', '3', 'R'};
constexpr char kMemoryWriteMagic[4] = {'A', 'U', '3', 'W'};

static_assert(sizeof(MemoryCommand) == kMemoryCommandSize);
static_assert(offsetof(MemoryCommand, magic) == 0);
static_assert(offsetof(MemoryCommand, version) == 4);
static_assert(offsetof(MemoryCommand, addressLow) == 8);
static_assert(offsetof(MemoryCommand, addressHigh) == 12);
static_assert(offsetof(MemoryCommand, byteCount) == 16);
static_assert(offsetof(MemoryCommand, reserved) == 20);

inline MemoryCommand MakeMemoryCommand(const char (&magic)[4], uint64_t address, uint32_t byteCount)
{
    MemoryCommand command{};
    std::memcpy(command.magic, magic, sizeof command.magic);
    command.version = kMemoryCommandVersion;
    command.addressLow = static_cast<uint32_t>(address);
    command.addressHigh = static_cast<uint32_t>(address >> 32);
    command.byteCount = byteCount;
    return command;
}

} // namespace tavix
