#pragma once
// The camera's bulk IN pipe 0x81 as a byte stream of transfers. Request 0xC2
// arms a frame; the frame's 64-byte information block and its payload join
// the stream as two transfers. A read takes what it asks for from the front
// transfer, or less when that transfer ends first (a short packet ends a USB
// transfer). Memory read commands put their data into the same stream. Not
// thread-safe.
//
// Timing, when paced. The sensor's frame clock ticks once per frame period
// (frame length × line time); at each tick a frame's read-out begins, and
// its payload becomes available line by line over the read-out time of the
// lines the FPGA sends. A frame is exposed for the exposure time before its
// read-out (global shutter), and the FPGA sends its information block when
// that exposure begins — so a long exposure shows as a long wait for the
// payload, not for the block.
// - A frame armed with the clock stopped (after power-up or a restart)
//   starts the clock: its exposure begins at once, its read-out one
//   exposure later.
// - A frame armed while the clock runs is the one read out at the tick
//   after the previous frame's. The FPGA buffers the frame being read out,
//   so an arm during its read-out still gets it (the lines read so far at
//   once); an arm after its read-out has ended waits for the next frame
//   boundary.
// Unpaced, every frame and its payload are there at once.
//
// Frames start only while the sensor produces (enabled, with a format the
// FPGA knows); not while the stream is stalled or hung. A hung stream
// comes back only with a restart, which drops whatever was in flight.
//
// The trigger input: each pulse exposes a frame at once (read out one
// exposure later) and counts it; the FPGA holds triggered frames until a
// request 0xC2 asks for one, which then delivers the oldest held frame
// instead of starting one of its own.

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

    // Frames the FPGA holds for the trigger input; pulses beyond are lost.
    static constexpr size_t kHeldFrames = 8;

    // Power-up: nothing armed or buffered, frame numbers from 0.
    void PowerUp(TimePoint now);

    // Arms the next frame with the settings the registers give now; a frame
    // already armed stays the one frame.
    void Arm(const FrameSettings& settings, TimePoint now);
    // Disarms and drops every byte not yet read (a pipe reset, a stop).
    void Flush();
    // The sensor restart: as Flush, and held frames are dropped, the frame
    // clock stops and a hung stream runs again.
    void Restart();
    // A trigger pulse with the settings the registers give now; false when
    // the FPGA's store of triggered frames is full.
    bool Trigger(const FrameSettings& settings, TimePoint now);

    // Starts an armed frame when its time has come; `producing` says whether
    // the sensor delivers frames at all. The time the next frame is due, if
    // one is armed and waiting.
    std::optional<TimePoint> Advance(TimePoint now, bool producing);
    bool HasData() const { return !segments_.empty(); }
    // Moves up to `count` bytes of the front transfer into the destination
    // when the transfer can end now: when `count` bytes, or all that is
    // left of it, have arrived. Otherwise returns 0 and, if data is on its
    // way, the time it will have arrived.
    uint32_t Take(uint8_t* destination, uint32_t count, TimePoint now, std::optional<TimePoint>* readyAt);
    // Queues raw bytes (a memory read) as one transfer.
    void Push(std::vector<uint8_t> bytes, TimePoint now);

    void SetPaced(bool paced) { paced_ = paced; }
    bool Paced() const { return paced_; }
    void SetStalled(bool stalled) { stalled_ = stalled; }
    // The stream stops until the next restart (fault injection).
    void Hang() { hung_ = true; }
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
        TimePoint from{};             // the first byte's arrival
        std::chrono::nanoseconds spread{0}; // all bytes have arrived this long after it
    };
    struct Held {
        FrameSettings settings;
        TimePoint readout;
    };

    // Numbers a frame and counts it as started.
    FrameSettings Number(FrameSettings settings);
    void Send(const FrameSettings& settings, TimePoint info, TimePoint readout);
    uint64_t Arrived(const Segment& segment, TimePoint now) const;

    std::deque<Segment> segments_;
    std::deque<Held> held_;
    FrameRenderer renderer_;
    std::deque<FrameSettings> history_;
    bool armed_ = false;
    FrameSettings armedSettings_;
    TimePoint armedAt_{};
    bool clockRunning_ = false;
    TimePoint lastReadout_{};
    TimePoint poweredUp_{};
    bool paced_ = true;
    bool stalled_ = false;
    bool hung_ = false;
    uint32_t excess_ = 0;
    uint32_t started_ = 0;
    uint32_t nextNumber_ = 0;
};

} // namespace tavix::emu
