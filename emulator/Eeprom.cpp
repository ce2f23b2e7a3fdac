#include "emulator/Eeprom.h"

namespace tavix::emu {

Eeprom::Eeprom() : cells_(eeprom::kSize, eeprom::kErased), stuck_(eeprom::kSize, 0) {}

void Eeprom::Write(uint16_t address, uint8_t value)
{
    if (stuck_[address] == 0)
        cells_[address] = value;
}

void Eeprom::SetSerialNumber(const std::string& text)
{
    for (uint32_t i = 0; i < eeprom::kSerialNumberSize; ++i) {
        uint8_t value = eeprom::kErased;
        if (!text.empty())
            value = i < text.size() ? static_cast<uint8_t>(text[i]) : 0;
        cells_[eeprom::kSerialNumber + i] = value;
    }
}

std::string Eeprom::SerialNumber() const
{
    std::string text;
    for (uint32_t i = 0; i < eeprom::kSerialNumberSize; ++i) {
        const uint8_t value = cells_[eeprom::kSerialNumber + i];
        if (value == 0 || value == eeprom::kErased)
            break;
        text.push_back(static_cast<char>(value));
    }
    return text;
}

} // namespace tavix::emu
