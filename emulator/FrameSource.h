#pragma once
// The camera's bulk IN pipe 0x81 as a byte stream of transfers: request 0xC2
// arms a frame; when the sensor's frame clock allows it starts, and its
// 64-byte information block and its payload join the stream as two
// transfers. A read takes what it asks for from the front transfer, or less
// when that transfer ends first (a short packet ends a USB transfer). Memory
// read commands put their data into the same stream. Not thread-safe.

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "emulator/FrameRenderer.h"
#include "emulator/Scene.h"

namespace tavix::emu {

class FrameSource {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // Power-up: nothing armed or buffered, frame numbers from 0.
    void PowerUp(TimePoint now);

    // Arms the next frame with the settings the registers give now; a frame
    // already armed stays the one frame.
    void Arm(const FrameSettings& settings, TimePoint now);
    // Disarms and drops every byte not yet read.
    void Flush();

    // Starts an armed frame when its time has come. Returns when the next
    // frame is due if it is armed but not yet due.
    std::optional<TimePoint> Advance(TimePoint now);
    bool HasData() const { return !segments_.empty(); }
    // Moves up to `count` bytes of the front transfer into the destination.
    uint32_t Take(uint8_t* destination, uint32_t count);
    // Queues raw bytes (a memory read) as one transfer.
    void Push(std::vector<uint8_t> bytes);

    void SetPaced(bool paced) { paced_ = paced; }
    void SetStalled(bool stalled) { stalled_ = stalled; }
    void SetPayloadExcess(uint32_t bytes) { excess_ = bytes; }
    bool Stalled() const { return stalled_; }

    uint32_t FramesStarted() const { return started_; }
    uint32_t NextFrameNumber() const { return nextNumber_; }
    void SetNextFrameNumber(uint32_t number) { nextNumber_ = number; }
    std::optional<FrameSettings> SettingsOfFrame(uint32_t frameNumber) const;

private:
    struct Segment {
        enum class Kind { kBytes, kPayload } kind = Kind::kBytes;
        std::vector<uint8_t> bytes;   // kBytes
        FrameSettings settings;       // kPayload
        uint64_t size = 0;
        uint64_t taken = 0;
    };

    void Start(TimePoint when);

    std::deque<Segment> segments_;
    FrameRenderer renderer_;
    std::deque<FrameSettings> history_;
    bool armed_ = false;
    FrameSettings armedSettings_;
    TimePoint due_{};
    TimePoint lastStart_{};
    bool everStarted_ = false;
    TimePoint poweredUp_{};
    bool paced_ = true;
    bool stalled_ = false;
    uint32_t excess_ = 0;
    uint32_t started_ = 0;
    uint32_t nextNumber_ = 0;
};

} // namespace tavix::emu
