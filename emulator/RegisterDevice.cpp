#include "emulator/RegisterDevice.h"

#include <algorithm>

namespace tavix::emu {

RegisterDevice::RegisterDevice(uint8_t busAddress, int addressBytes, int valueBytes)
    : busAddress_(busAddress), addressBytes_(addressBytes == 1 ? 1 : 2), valueBytes_(valueBytes == 1 ? 1 : 2),
      mask_(addressBytes_ == 1 ? 0xFF : 0xFFFF), valueMask_(valueBytes_ == 1 ? 0xFF : 0xFFFF),
      regs_(static_cast<size_t>(mask_) + 1)
{
}

void RegisterDevice::PowerUp()
{
    std::fill(regs_.begin(), regs_.end(), uint16_t{0});
    pointer_ = 0;
}

bool RegisterDevice::Write(const uint8_t* data, size_t count)
{
    if (count < addressBytes_ || (count - addressBytes_) % valueBytes_ != 0) {
        return false;
    }
    pointer_ = addressBytes_ == 1 ? data[0] : static_cast<uint16_t>(data[0] << 8 | data[1]);
    for (size_t i = addressBytes_; i < count; i += valueBytes_) {
        regs_[pointer_] = valueBytes_ == 1 ? data[i] : static_cast<uint16_t>(data[i] << 8 | data[i + 1]);
        pointer_ = static_cast<uint16_t>((pointer_ + 1) & mask_);
    }
    return true;
}

void RegisterDevice::Read(uint8_t* data, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const size_t byte = i % valueBytes_;
        const uint16_t value = regs_[pointer_];
        data[i] = static_cast<uint8_t>(byte + 1 == valueBytes_ ? value : value >> 8);
        if (byte + 1 == valueBytes_) {
            pointer_ = static_cast<uint16_t>((pointer_ + 1) & mask_);
        }
    }
}

} // namespace tavix::emu
