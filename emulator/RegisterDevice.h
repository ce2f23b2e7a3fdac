#pragma once
// A plain register device on the I2C bus, for the family's sensors that the
// emulator carries no model of: a register file of 8- or 16-bit values
// behind an address of one or two bytes, each sent high byte first. A write
// sets the address and stores the values after it at consecutive
// registers; a read answers from the address on. A write that ends inside a
// value is not acknowledged, so that a driver's framing fault shows. Not
// thread-safe.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavix::emu {

class RegisterDevice {
public:
    // addressBytes and valueBytes: 1 or 2.
    RegisterDevice(uint8_t busAddress, int addressBytes, int valueBytes);
    // Power-up: registers 0, address pointer 0.
    void PowerUp();

    uint8_t BusAddress() const { return busAddress_; }
    // False, nothing stored, for a write without a whole address and values.
    bool Write(const uint8_t* data, size_t count);
    void Read(uint8_t* data, size_t count);

    uint16_t Peek(uint16_t address) const { return regs_[address & mask_]; }
    void Poke(uint16_t address, uint16_t value) { regs_[address & mask_] = value & valueMask_; }

private:
    uint8_t busAddress_;
    size_t addressBytes_;
    size_t valueBytes_;
    uint16_t mask_;
    uint16_t valueMask_;
    uint16_t pointer_ = 0;
    std::vector<uint16_t> regs_;
};

} // namespace tavix::emu
