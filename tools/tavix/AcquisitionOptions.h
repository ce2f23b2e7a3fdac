#pragma once
// The options that shape frames, shared by snap and stream (and record):
// colour depth, exposure, gain, capture window, sub-sampling and filters.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace tavix::tool {

class CameraSession;

struct FrameShape {
    int32_t width = 0, height = 0, bitsPerPixel = 0;
    // Bytes of one delivered image, rows padded to 4 bytes; never smaller
    // than what the library delivers for the window asked.
    int64_t BufferBytes() const { return (int64_t{width} * bitsPerPixel / 8 + 3) / 4 * 4 * height; }
};

struct AcquisitionOptions {
    int bits = 24;
    std::optional<double> exposureMs;
    std::optional<int> gain;
    std::string roi;
    bool subsample = false;
    std::vector<std::string> filters;

    void AddTo(CLI::App& command);
    // Sets everything on the open camera. The capture window, depth and
    // sub-sampling are always set, as the library keeps them per camera
    // from one run to the next.
    FrameShape Apply(CameraSession& session) const;
};

} // namespace tavix::tool
