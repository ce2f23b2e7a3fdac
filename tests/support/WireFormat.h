#pragma once
// The driver's wire format as tests write it: control codes, the 102-byte
// vendor record, the direct-transfer header and the memory command, built
// byte by byte from their documented layout rather than taken from the
// transport or the emulator, so that a wrong constant in either fails.

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace tavix::test {

namespace codes {
constexpr uint32_t kEp0 = 0x220020;
constexpr uint32_t kBuffered = 0x220024;
constexpr uint32_t kResetPipe = 0x22002C;
constexpr uint32_t kResetPort = 0x220030;
constexpr uint32_t kAbortPipe = 0x220044;
constexpr uint32_t kDirect = 0x22004B;
constexpr uint32_t kSpeed = 0x22004C;
} // namespace codes

// Request types of vendor requests.
constexpr uint8_t kOut = 0x40;
constexpr uint8_t kIn = 0xC0;
constexpr uint8_t kOutEndpoint = 0x42;

inline void PutU16(uint8_t* bytes, uint16_t value)
{
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
}

inline void PutU32(uint8_t* bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline uint32_t U32(const uint8_t* b)
{
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
}

// A vendor record: the header as the driver expects it (length 102, time-out
// 3 s, data at 38, 64 bytes), the payload in the data area.
inline std::array<uint8_t, 102> VendorRecord(uint8_t type, uint8_t request, uint16_t value, uint16_t index,
                                             const std::vector<uint8_t>& payload = {})
{
    std::array<uint8_t, 102> record{};
    record[0] = type;
    record[1] = request;
    PutU16(&record[2], value);
    PutU16(&record[4], index);
    PutU16(&record[6], 102);
    PutU32(&record[8], 3);
    PutU32(&record[30], 38);
    PutU32(&record[34], 64);
    std::copy_n(payload.begin(), std::min<size_t>(payload.size(), 64), record.begin() + 38);
    return record;
}

// The 38-byte header of a direct transfer: all zero but the endpoint.
inline std::array<uint8_t, 38> DirectHeader(uint8_t endpoint)
{
    std::array<uint8_t, 38> header{};
    header[13] = endpoint;
    return header;
}

// A 32-byte camera memory command ("AU3W" or "AU3R", version 2).
inline std::array<uint8_t, 32> MemoryCommandBytes(const char* magic, uint64_t address, uint32_t count)
{
    std::array<uint8_t, 32> command{};
    std::copy(magic, magic + 4, command.begin());
    PutU32(&command[4], 2);
    PutU32(&command[8], static_cast<uint32_t>(address));
    PutU32(&command[12], static_cast<uint32_t>(address >> 32));
    PutU32(&command[16], count);
    return command;
}

// A record or header as a vector, for tests that spoil or resize it.
template <size_t N>
std::vector<uint8_t> Bytes(const std::array<uint8_t, N>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

} // namespace tavix::test
