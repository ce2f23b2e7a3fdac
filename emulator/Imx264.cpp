#include "emulator/Imx264.h"

#include <algorithm>

namespace tavix::emu {

namespace {
constexpr uint32_t kAddressSpace = 0x10000;
}

Imx264::Imx264(uint16_t chipId) : regs_(kAddressSpace, 0), chipId_(chipId) { PowerUp(); }

void Imx264::PowerUp()
{
    std::fill(regs_.begin(), regs_.end(), 0);
    auto put = [this](uint16_t low, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            regs_[static_cast<uint16_t>(low + i)] = static_cast<uint8_t>(value >> (8 * i));
    };
    put(imx264::kRegFrameLength, imx264::kDefaultFrameLength, 3);
    put(imx264::kRegShutter, imx264::kDefaultShutter, 2);
    put(imx264::kRegWindowWidth, kArrayWidth, 2);
    put(imx264::kRegWindowHeight, kArrayHeight, 2);
    SetChipId(chipId_);
}

void Imx264::SetChipId(uint16_t id)
{
    chipId_ = id;
    // The id is spread over two registers: bits 0..1 in the top bits of
    // 0x0348, bits 2..8 in the low bits of 0x0349.
    regs_[imx264::kRegChipIdLow] = static_cast<uint8_t>((id & 3) << 6);
    regs_[imx264::kRegChipIdHigh] = static_cast<uint8_t>((id >> 2) & 0x7F);
}

uint32_t Imx264::Field(uint16_t low, int bytes, uint32_t topMask) const
{
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        uint32_t byte = regs_[static_cast<uint16_t>(low + i)];
        if (i == bytes - 1 && bytes > 1)
            byte &= topMask;
        value |= byte << (8 * i);
    }
    return value;
}

void Imx264::Decode(FrameSettings& s) const
{
    const uint8_t mode = regs_[imx264::kRegWindowMode];
    s.cropH = (mode & 1) != 0;
    s.cropV = (mode & 2) != 0;
    s.startH = Field(imx264::kRegWindowStartH, 2, 0xF);
    s.startV = Field(imx264::kRegWindowStartV, 2, 0xF);
    s.windowWidth = Field(imx264::kRegWindowWidth, 2, 0xF);
    s.windowHeight = Field(imx264::kRegWindowHeight, 2, 0xF);
    const uint8_t skip = regs_[imx264::kRegSubsampling];
    s.skipH = (skip & 0x01) != 0;
    s.skipV = (skip & 0x10) != 0;
    const uint8_t direction = regs_[imx264::kRegReadoutDirection];
    s.flipV = (direction & 1) != 0;
    s.mirrorH = (direction & 2) != 0;
    s.frameLength = Field(imx264::kRegFrameLength, 3, 0xF);
    const uint32_t shutter = Field(imx264::kRegShutter, 3, 0xF);
    s.exposureLines = s.frameLength > shutter ? s.frameLength - shutter : 0;
    s.gain = Field(imx264::kRegGain, 2, 0x1);
}

} // namespace tavix::emu
