// The settings of the IMX264 driver: capture window, transfer depth,
// exposure in lines and in time, gain, flips and frame rate. Each setter
// keeps its new current value only when the write that decides the outcome
// went through; the other writes of a sequence are best effort.

#include "sensors/CSensorIMX264.h"

#include <algorithm>

#include "platform/Clock.h"
#include "sensors/ImxRegisters.h"

namespace tavix {

namespace {
// Narrower windows switch the sensor's horizontal cropping on (window mode
// bit 0); wider ones read the full width. Bit 1 does the same for any
// height short of the array.
constexpr uint32_t kNarrowWindowWidth = 2033;
// Window registers are written low byte, then bits 8-11: a narrow window at
// the left edge starts up to 2432 pixels from the right edge, beyond 11 bits.
constexpr uint32_t kWindowHighMask = 0x0F;
// The shutter is counted back from the frame end: a long exposure leaves
// this many lines.
constexpr uint32_t kShutterMinimum = 10;
constexpr uint32_t kMaxFrameLength = 65535;
// A frame rate in tenths of frames per second gives the frame period in
// units of 100 us as this divided by the rate.
constexpr double kTenthFpsTo100us = 100000.0;

uint32_t Low(uint32_t value) { return value & 0xFF; }
uint32_t Middle(uint32_t value) { return (value >> 8) & 0xFF; }
uint32_t High(uint32_t value) { return (value >> 16) & 0x0F; }

int Deliver(uint32_t* out, uint32_t value)
{
    if (out == nullptr) {
        return 0;
    }
    *out = value;
    return 1;
}

int Deliver(uint32_t* out, int32_t value) { return Deliver(out, static_cast<uint32_t>(value)); }
} // namespace

int CSensorIMX264::SetWindow(uint32_t x, uint32_t width, uint32_t y, uint32_t height, uint32_t mode)
{
    const SettingsLock settings(settingsLock_);
    const bool half = mode == 1;
    const uint32_t divisor = half ? 2 : 1;
    const uint64_t x4 = (static_cast<uint64_t>(x) + 3) & ~uint64_t{3};
    const uint64_t y4 = (static_cast<uint64_t>(y) + 3) & ~uint64_t{3};
    const uint32_t w = (width / divisor) & ~uint32_t{15};
    const uint32_t h = (height / divisor) & ~uint32_t{3};
    // An empty window would make the camera read frames of no data.
    if (w == 0 || h == 0 || x4 + w > info_.sensorWidth || y4 + h > info_.sensorHeight) {
        return 0;
    }
    const uint32_t frameMin = (height + kFrameOverhead) / divisor;
    uint32_t modeBits = 0;
    if (!half) {
        modeBits = (width < kNarrowWindowWidth ? 1u : 0u) | (height != info_.sensorHeight ? 2u : 0u);
    }
    // The window starts count from the right and bottom edges of the array.
    const auto startH = static_cast<uint32_t>(info_.sensorWidth - w - x4);
    const auto startV = static_cast<uint32_t>(info_.sensorHeight - h - y4);
    WriteWindowRegisters(modeBits, startH, startV, w, h, mode);
    const uint32_t skip = half ? 2 : 1;
    readoutH_ = (modeBits & 1) != 0 ? ReadoutAxis{startH, w} : ReadoutAxis{0, info_.sensorWidth / skip};
    readoutV_ = (modeBits & 2) != 0 ? ReadoutAxis{startV, h} : ReadoutAxis{0, info_.sensorHeight / skip};
    readoutPairs_ = half;

    info_.frameLength = frameMin;
    info_.windowX = static_cast<uint32_t>(x4);
    info_.windowY = static_cast<uint32_t>(y4);
    info_.windowWidth = w;
    info_.windowHeight = h;
    info_.windowMode = mode;
    requestedWidth_ = width;
    requestedHeight_ = height;
    return 1;
}

void CSensorIMX264::WriteWindowRegisters(uint32_t modeBits, uint32_t startH, uint32_t startV, uint32_t width,
                                         uint32_t height, uint32_t mode)
{
    const auto writePair = [this](uint16_t lowRegister, uint32_t value) {
        WriteRegisterWhenIdle(lowRegister, Low(value));
        WriteRegisterWhenIdle(lowRegister + 1u, (value >> 8) & kWindowHighMask);
    };
    WriteRegisterWhenIdle(imx::kWindowMode, modeBits);
    writePair(imx::kWindowStartHLow, startH);
    writePair(imx::kWindowStartVLow, startV);
    writePair(imx::kWindowWidthLow, width);
    writePair(imx::kWindowHeightLow, height);
    WriteRegisterWhenIdle(imx::kSubSampling, mode == 1 ? imx::kSubSamplingHalf : 0);
    WriteRegisterWhenIdle(imx::kWindowTiming0, imx::kWindowTiming0Value);
    WriteRegisterWhenIdle(imx::kWindowTiming1, imx::kWindowTiming1Value);
}

int CSensorIMX264::GetWindow(uint32_t* x, uint32_t* width, uint32_t* y, uint32_t* height, uint32_t* mode)
{
    const SettingsLock settings(settingsLock_);
    Deliver(x, info_.windowX);
    Deliver(width, info_.windowWidth);
    Deliver(y, info_.windowY);
    Deliver(height, info_.windowHeight);
    Deliver(mode, info_.windowMode);
    return 1;
}

bool CSensorIMX264::GetReadout(ReadoutAxis* horizontal, ReadoutAxis* vertical)
{
    const SettingsLock settings(settingsLock_);
    *horizontal = readoutH_;
    *vertical = readoutV_;
    horizontal->flipped = info_.flipH != 0;
    vertical->flipped = info_.flipV != 0;
    horizontal->pairs = vertical->pairs = readoutPairs_;
    return true;
}

int CSensorIMX264::SetTransferDepth(uint32_t sixteenBits)
{
    const SettingsLock settings(settingsLock_);
    info_.transferBits = sixteenBits != 0 ? 16 : 8;
    // The window as requested, not as stored: in 1/2 skip the stored sizes
    // are already halved and would be halved again.
    SetWindow(info_.windowX, requestedWidth_, info_.windowY, requestedHeight_, info_.windowMode);
    return 1;
}

int CSensorIMX264::SetExposureLines(uint32_t lines)
{
    const SettingsLock settings(settingsLock_);
    const uint32_t exposure = std::min(lines, static_cast<uint32_t>(info_.exposureLines.maximum));
    const uint32_t frame = info_.frameLength;
    const uint32_t pause = std::max(1u, static_cast<uint32_t>(info_.exposureTime.current) / 1000000u);

    if (frame >= static_cast<uint64_t>(exposure) + kShutterMinimum) {
        // The exposure fits in the frame: keep the frame, move the shutter.
        WriteRegisterWhenIdle(imx::kFrameLengthHigh, High(frame));
        WriteRegisterWhenIdle(imx::kFrameLengthMiddle, Middle(frame));
        WriteRegisterWhenIdle(imx::kFrameLengthLow, Low(frame));
        const uint32_t shutter = frame - exposure;
        if (WriteRegisterWhenIdle(imx::kShutterLow, Low(shutter)) == 0) {
            return 0;
        }
        // All 20 bits: frames longer than 4096 lines (low frame rates) put
        // the shutter beyond bit 11.
        WriteRegisterWhenIdle(imx::kShutterMiddle, Middle(shutter));
        WriteRegisterWhenIdle(imx::kShutterHigh, High(shutter));
        shutter_ = shutter;
        info_.exposureLines.current = static_cast<int32_t>(exposure);
        return 1;
    }

    if (LengthenFrame(exposure, pause) == 0) {
        return 0;
    }
    // The lengthened frame exposes from the minimum shutter. It is written
    // when the exposure grew, and also when the shutter still holds a value
    // of a longer frame (a window made smaller since): left there, it would
    // reach past the shortened frame and the sensor would barely expose.
    if (exposure >= static_cast<int64_t>(info_.exposureLines.current) + kShutterMinimum ||
        shutter_ != kShutterMinimum) {
        const auto writeAndPause = [this, pause](uint16_t address, uint32_t value) {
            const int written = WriteRegisterWhenIdle(address, value);
            platform::Sleep(pause);
            return written;
        };
        if (writeAndPause(imx::kShutterLow, kShutterMinimum) == 0 || writeAndPause(imx::kShutterMiddle, 0) == 0 ||
            writeAndPause(imx::kShutterHigh, 0) == 0) {
            shutter_ = kShutterUnknown;
            return 0;
        }
        shutter_ = kShutterMinimum;
    }
    info_.exposureLines.current = static_cast<int32_t>(exposure);
    return 1;
}

// Stretches the frame to the exposure. The byte order keeps the frame from
// passing through a length shorter than the exposure on the way.
int CSensorIMX264::LengthenFrame(uint32_t lines, uint32_t pause)
{
    const auto writeAndPause = [this, pause](uint16_t address, uint32_t value) {
        const int written = WriteRegisterWhenIdle(address, value);
        platform::Sleep(pause);
        return written != 0;
    };
    const auto write = [this](uint16_t address, uint32_t value) {
        return WriteRegisterWhenIdle(address, value) != 0;
    };
    bool written;
    if (High(lines) != 0) {
        written = writeAndPause(imx::kFrameLengthHigh, High(lines)) &&
                  writeAndPause(imx::kFrameLengthMiddle, Middle(lines)) &&
                  writeAndPause(imx::kFrameLengthLow, Low(lines));
    } else if (Middle(lines) < Middle(info_.frameLength)) {
        written = writeAndPause(imx::kFrameLengthMiddle, Middle(lines)) && write(imx::kFrameLengthHigh, 0) &&
                  write(imx::kFrameLengthLow, Low(lines));
    } else {
        written = write(imx::kFrameLengthHigh, 0) && write(imx::kFrameLengthMiddle, Middle(lines)) &&
                  write(imx::kFrameLengthLow, Low(lines));
    }
    return written ? 1 : 0;
}

int CSensorIMX264::SetGain(uint32_t gain)
{
    const SettingsLock settings(settingsLock_);
    const uint32_t value = std::min(gain, static_cast<uint32_t>(info_.gain.maximum));
    if (WriteRegisterWhenIdle(imx::kGainLow, Low(value)) == 0) {
        return 0;
    }
    WriteRegisterWhenIdle(imx::kGainHigh, (value & 0x100) != 0 ? 1 : 0);
    info_.gain.current = static_cast<int32_t>(value);
    return 1;
}

int CSensorIMX264::SetExposureTime(uint32_t time)
{
    const SettingsLock settings(settingsLock_);
    const auto minimum = static_cast<uint32_t>(info_.exposureTime.minimum);
    const auto maximum = static_cast<uint32_t>(info_.exposureTime.maximum);
    uint32_t t = std::max(minimum, std::min(time, maximum));
    auto lines = std::max<uint64_t>(1, static_cast<uint64_t>(t / kLineTime));
    const auto maxLines = static_cast<uint64_t>(info_.exposureLines.maximum);
    if (lines > maxLines) {
        lines = maxLines;
        t = static_cast<uint32_t>(static_cast<double>(lines) * kLineTime);
    }
    if (SetExposureLines(static_cast<uint32_t>(lines)) == 0) {
        return 0;
    }
    info_.exposureTime.current = static_cast<int32_t>(t);
    return 1;
}

int CSensorIMX264::SetFlipV(uint32_t on)
{
    const SettingsLock settings(settingsLock_);
    const uint32_t flip = on != 0 ? 1 : 0;
    if (WriteRegisterWhenIdle(imx::kReadoutDirection, flip + (info_.flipH != 0 ? 2 : 0)) == 0) {
        return 0;
    }
    info_.flipV = flip;
    return 1;
}

int CSensorIMX264::SetMirrorH(uint32_t on)
{
    const SettingsLock settings(settingsLock_);
    const uint32_t mirror = on != 0 ? 1 : 0;
    if (WriteRegisterWhenIdle(imx::kReadoutDirection, (info_.flipV != 0 ? 1 : 0) + mirror * 2) == 0) {
        return 0;
    }
    info_.flipH = mirror;
    return 1;
}

// The frame rate, in tenths of frames per second, sets the frame length;
// the exposure in lines is then written again against the new frame.
int CSensorIMX264::SetParameter(uint32_t index, uint32_t* value)
{
    const SettingsLock settings(settingsLock_);
    if (index != 0 || value == nullptr || *value == 0) {
        return 0;
    }
    const double lineTime = info_.windowMode == 1 ? kLineTimeHalf : kLineTime;
    const auto lines = static_cast<uint64_t>(kTenthFpsTo100us / *value / lineTime);
    const uint64_t shortest = static_cast<uint64_t>(info_.windowHeight) + kFrameOverhead;
    const uint32_t previous = info_.frameLength;
    info_.frameLength = static_cast<uint32_t>(std::min<uint64_t>(std::max(lines, shortest), kMaxFrameLength));
    if (SetExposureLines(static_cast<uint32_t>(info_.exposureLines.current)) == 0) {
        info_.frameLength = previous;
        return 0;
    }
    return 1;
}

int CSensorIMX264::GetExposureLines(uint32_t* lines)
{
    const SettingsLock settings(settingsLock_);
    return Deliver(lines, info_.exposureLines.current);
}
int CSensorIMX264::GetGain(uint32_t* gain)
{
    const SettingsLock settings(settingsLock_);
    return Deliver(gain, info_.gain.current);
}
int CSensorIMX264::GetExposureLinesMin(uint32_t* value) { return Deliver(value, info_.exposureLines.minimum); }
int CSensorIMX264::GetExposureLinesMax(uint32_t* value) { return Deliver(value, info_.exposureLines.maximum); }
int CSensorIMX264::GetExposureLinesDefault(uint32_t* value)
{
    return Deliver(value, info_.exposureLines.defaultValue);
}
int CSensorIMX264::GetGainMin(uint32_t* value) { return Deliver(value, info_.gain.minimum); }
int CSensorIMX264::GetGainMax(uint32_t* value) { return Deliver(value, info_.gain.maximum); }
int CSensorIMX264::GetGainDefault(uint32_t* value) { return Deliver(value, info_.gain.defaultValue); }
int CSensorIMX264::GetRange2Min(uint32_t* value) { return Deliver(value, info_.range2.minimum); }
int CSensorIMX264::GetRange2Max(uint32_t* value) { return Deliver(value, info_.range2.maximum); }
int CSensorIMX264::GetRange2Default(uint32_t* value) { return Deliver(value, info_.range2.defaultValue); }
int CSensorIMX264::GetExposureTime(uint32_t* value)
{
    const SettingsLock settings(settingsLock_);
    return Deliver(value, info_.exposureTime.current);
}
int CSensorIMX264::GetExposureTimeMin(uint32_t* value) { return Deliver(value, info_.exposureTime.minimum); }
int CSensorIMX264::GetExposureTimeMax(uint32_t* value) { return Deliver(value, info_.exposureTime.maximum); }
int CSensorIMX264::GetExposureTimeDefault(uint32_t* value)
{
    return Deliver(value, info_.exposureTime.defaultValue);
}
int CSensorIMX264::GetFlipV(uint32_t* on)
{
    const SettingsLock settings(settingsLock_);
    return Deliver(on, info_.flipV);
}
int CSensorIMX264::GetMirrorH(uint32_t* on)
{
    const SettingsLock settings(settingsLock_);
    return Deliver(on, info_.flipH);
}

} // namespace tavix
