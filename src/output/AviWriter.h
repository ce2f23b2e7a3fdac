#pragma once
// An uncompressed AVI file of 24-bit frames: one RIFF holding the headers,
// a "movi" list of "00db" chunks and an "idx1" index. Every chunk has the
// same size, so the index is written from the frame count at the end.
//
// The file appears only finished: it is written under a temporary name and
// moved over the target by Finish. AVI 1.0 sizes are 32-bit, so a recording
// stops taking frames at the file limit (4 GiB) rather than wrap its sizes;
// the frames before it make a complete file.

#include <cstdint>
#include <memory>
#include <vector>

namespace tavix::platform {
class FileReplacement;
}

namespace tavix::output {

class AviWriter {
public:
    // Largest file whose sizes and index offsets fit in 32 bits.
    static constexpr uint64_t kFileLimit = 0xFFFFFFFFu;
    // Bytes before the first frame chunk.
    static constexpr uint32_t kHeaderBytes = 232;

    enum class Added : uint8_t {
        kWritten,
        kFull,    // the frame would take the file past its limit; not written
        kFailed,  // the write failed; the frames before it are kept
    };

    explicit AviWriter(uint64_t fileLimit = kFileLimit);
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Resets, then opens the file and writes the headers for width × height
    // frames at framesPerSecond (not 0).
    bool Start(const char* path, int32_t width, int32_t height, uint32_t framesPerSecond);
    // Memory for the next frame, FrameBytes() long: rows of 3 × width bytes
    // (blue, green, red), not padded, the picture's bottom row first.
    uint8_t* Frame() { return chunk_.data() + kChunkHeaderBytes; }
    uint32_t FrameBytes() const { return frameBytes_; }
    // Appends Frame() as the next chunk, in one write.
    Added AddFrame();
    // Writes the index and the final sizes with the measured rate in frames
    // per 100 seconds (not 0), and moves the file into place. When the disk
    // has no room left for the index, the newest frames give theirs. False
    // when the file could not be finished; it is then removed.
    bool Finish(uint32_t framesPer100s);
    // Closes and removes an unfinished file; the frame count is 0.
    void Reset();

    bool IsOpen() const { return file_ != nullptr; }
    uint32_t FrameCount() const { return frames_; }

private:
    static constexpr uint32_t kChunkHeaderBytes = 8;
    static constexpr uint32_t kIndexEntryBytes = 16;

    struct Rate {
        uint32_t microsecondsPerFrame;
        uint32_t scale;          // of the stream's rate 10000000
        uint32_t bytesPerSecond;
    };
    void FillHeader(uint8_t* header, const Rate& rate) const;
    uint64_t EndOfFrames() const
    {
        return kHeaderBytes + uint64_t{frames_} * ChunkBytes();
    }
    bool WriteIndexAndHeader(uint32_t framesPer100s);
    // A frame chunk in the file: RIFF pads chunks of odd size to even.
    uint32_t ChunkBytes() const { return kChunkHeaderBytes + frameBytes_ + (frameBytes_ & 1); }

    uint64_t fileLimit_;
    std::unique_ptr<platform::FileReplacement> file_;
    std::vector<uint8_t> chunk_;  // "00db", size, frame
    uint32_t frames_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    uint32_t frameBytes_ = 0;
};

} // namespace tavix::output
