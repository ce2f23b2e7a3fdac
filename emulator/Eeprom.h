#pragma once
// The camera's serial EEPROM: 64 KiB behind 16-bit addresses, erased cells
// reading 0xFF, the serial number text at 0x1040 and cells that can be made
// to forget what is written to them. Not thread-safe.

#include <cstdint>
#include <string>
#include <vector>

namespace tavix::emu {

namespace eeprom {
constexpr uint32_t kSize = 0x10000;
constexpr uint16_t kSerialNumber = 0x1040; // up to 32 bytes, ended by 0 or 0xFF
constexpr uint32_t kSerialNumberSize = 32;
constexpr uint16_t kOptionByte = 0x1080;
constexpr uint8_t kErased = 0xFF;
} // namespace eeprom

class Eeprom {
public:
    Eeprom();
    uint8_t Read(uint16_t address) const { return cells_[address]; }
    // A write as the bus gives it; a stuck cell keeps its old value.
    void Write(uint16_t address, uint8_t value);
    // Sets a cell regardless of faults (tests).
    void Poke(uint16_t address, uint8_t value) { cells_[address] = value; }
    void SetStuck(uint16_t address, bool stuck) { stuck_[address] = stuck ? 1 : 0; }

    void SetSerialNumber(const std::string& text);
    std::string SerialNumber() const;

private:
    std::vector<uint8_t> cells_;
    std::vector<uint8_t> stuck_;
};

} // namespace tavix::emu
