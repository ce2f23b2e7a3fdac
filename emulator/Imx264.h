#pragma once
// The IMX264's register file: 16-bit addresses, 8-bit values, the power-on
// values the read-out depends on, and the decoding of the registers into the
// read-out part of a frame's settings. Not thread-safe: the camera
// serialises access.

#include <cstdint>
#include <vector>

#include "emulator/Scene.h"

namespace tavix::emu {

namespace imx264 {
constexpr uint16_t kRegSubsampling = 0x020D; // bit 0 horizontal, bit 4 vertical 1/2 skip
constexpr uint16_t kRegReadoutDirection = 0x020E; // bit 0 vertical flip, bit 1 horizontal mirror
constexpr uint16_t kRegFrameLength = 0x0210; // 0x0210 low, 0x0211 middle, 0x0212 bits 16..19
constexpr uint16_t kRegShutter = 0x028D;     // 0x028D low, 0x028E middle, 0x028F bits 16..19 (lines back from the frame end)
constexpr uint16_t kRegChipIdLow = 0x0348;
constexpr uint16_t kRegChipIdHigh = 0x0349;
constexpr uint16_t kRegGain = 0x0404;        // 0x0404 low, 0x0405 bit 8 (0.1 dB steps)
constexpr uint16_t kRegWindowMode = 0x0500;  // bit 0 horizontal cropping, bit 1 vertical cropping
constexpr uint16_t kRegWindowStartH = 0x0510; // 12-bit values, low byte then bits 8..11
constexpr uint16_t kRegWindowStartV = 0x0512;
constexpr uint16_t kRegWindowWidth = 0x0514;
constexpr uint16_t kRegWindowHeight = 0x0516;
constexpr uint32_t kDefaultFrameLength = 2094;
constexpr uint32_t kDefaultShutter = 2094 - kReferenceExposureLines;
} // namespace imx264

class Imx264 {
public:
    explicit Imx264(uint16_t chipId = 264);
    // Power-on register values (chip id kept).
    void PowerUp();

    uint8_t Read(uint16_t address) const { return regs_[address]; }
    void Write(uint16_t address, uint8_t value) { regs_[address] = value; }
    void SetChipId(uint16_t id);

    // Fills the sensor fields of the settings from the registers.
    void Decode(FrameSettings& settings) const;

private:
    uint32_t Field(uint16_t low, int bytes, uint32_t topMask) const;

    std::vector<uint8_t> regs_;
    uint16_t chipId_;
};

} // namespace tavix::emu
