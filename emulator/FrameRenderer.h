#pragma once
// Writes any byte range of a frame's payload, fast enough that the emulator
// never limits the SDK: the static part of the picture is rendered once per
// set of read-out settings into a payload-ordered cache, and each range is a
// copy of it with the moving square, the frame number and the noise laid
// over the rows they touch. The result equals ExpectedPayloadSample for
// every sample. Not thread-safe.

#include <cstdint>
#include <vector>

#include "emulator/Scene.h"

namespace tavix::emu {

class FrameRenderer {
public:
    // Writes payload bytes [offset, offset + count) of the frame.
    void Render(const FrameSettings& settings, uint64_t offset, uint32_t count, uint8_t* destination);

private:
    void Prepare(const FrameSettings& settings);
    void RenderRow(const FrameSettings& settings, uint32_t row, uint32_t firstColumn, uint32_t columns,
                   uint8_t* destination) const;

    bool prepared_ = false;
    FrameSettings key_;
    uint32_t columns_ = 0;         // samples per payload row
    std::vector<int32_t> columnX_; // payload column -> upright array x
    std::vector<int32_t> rowY_;    // payload row -> upright array y
    std::vector<uint8_t> background_; // static picture, payload order and format
};

} // namespace tavix::emu
