#pragma once
// The sensors that share the IMX264's register layout and its driver's
// window, exposure, gain, flip and initialisation: IMX250, IMX252 and
// IMX265. They differ in their constants and in the frame-rate slot: the
// IMX265 computes its frame length from its own line time, the IMX250 and
// IMX252 pass the request on to the aux value, which they do not support.

#include <cstdint>

#include "sensors/CSensorIMX264.h"

namespace tavix {

class CSensorIMX250 final : public CSensorIMX264 {
public:
    CSensorIMX250(CControllerBase* transport, uint8_t busAddress);
    int SetParameter(uint32_t index, uint32_t* value) override;
};

class CSensorIMX252 final : public CSensorIMX264 {
public:
    CSensorIMX252(CControllerBase* transport, uint8_t busAddress);
    int SetParameter(uint32_t index, uint32_t* value) override;
};

class CSensorIMX265 final : public CSensorIMX264 {
public:
    // Lines a frame needs beyond the window's height.
    static constexpr uint32_t kFrameOverhead265 = 40;
    CSensorIMX265(CControllerBase* transport, uint8_t busAddress);
    // The frame rate in tenths of frames per second sets the frame length
    // (at least the window's height + 40 lines); the exposure is written
    // again against it.
    int SetParameter(uint32_t index, uint32_t* value) override;
};

} // namespace tavix
