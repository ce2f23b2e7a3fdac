#include "output/AviWriter.h"

#include <algorithm>
#include <cstring>

#include "output/LittleEndian.h"
#include "platform/FileReplacement.h"

namespace tavix::output {
namespace {

constexpr uint32_t kHdrlListBytes = 200;
constexpr uint32_t kStrlListBytes = 124;
constexpr uint32_t kMainHeaderBytes = 56;
constexpr uint32_t kStreamHeaderBytes = 64;
constexpr uint32_t kFormatBytes = 40;
constexpr uint32_t kMoviTagPosition = 228;
constexpr uint32_t kFlagsHasIndexWasCapture = 0x10010;
constexpr uint32_t kIndexKeyFrame = 16;
constexpr uint32_t kStreamRate = 10000000;

void Tag(uint8_t* p, const char* fourCc) { std::memcpy(p, fourCc, 4); }

bool Put(std::FILE* file, const void* data, size_t bytes) { return std::fwrite(data, 1, bytes, file) == bytes; }

} // namespace

AviWriter::AviWriter(uint64_t fileLimit) : fileLimit_(fileLimit) {}

AviWriter::~AviWriter() = default;

void AviWriter::Reset()
{
    file_.reset();
    chunk_ = {};
    frames_ = 0;
    width_ = height_ = 0;
    frameBytes_ = 0;
}

bool AviWriter::Start(const char* path, int32_t width, int32_t height, uint32_t framesPerSecond)
{
    Reset();
    if (path == nullptr || *path == '\0' || width <= 0 || height <= 0 || framesPerSecond == 0)
        return false;
    const uint64_t frameBytes = 3 * uint64_t(width) * uint64_t(height);
    // Not even one frame and its index entry would fit.
    const uint64_t chunk = kChunkHeaderBytes + frameBytes + (frameBytes & 1);
    if (kHeaderBytes + chunk + kChunkHeaderBytes + kIndexEntryBytes > fileLimit_)
        return false;
    width_ = width;
    height_ = height;
    frameBytes_ = static_cast<uint32_t>(frameBytes);
    chunk_.assign(ChunkBytes(), 0);
    Tag(chunk_.data(), "00db");
    Store32(chunk_.data() + 4, frameBytes_);

    file_ = std::make_unique<platform::FileReplacement>(path);
    std::FILE* stream = file_->Stream();
    // Unbuffered: a frame goes out in one write, and a failed write leaves
    // nothing pending that would spoil the file's finish.
    if (stream == nullptr || std::setvbuf(stream, nullptr, _IONBF, 0) != 0) {
        Reset();
        return false;
    }
    uint8_t header[kHeaderBytes];
    const uint64_t chunkBytes = kChunkHeaderBytes + frameBytes_;
    FillHeader(header, {1000000 / framesPerSecond, kStreamRate / framesPerSecond,
                        static_cast<uint32_t>(std::min<uint64_t>(chunkBytes * framesPerSecond, UINT32_MAX))});
    if (!Put(stream, header, sizeof header)) {
        Reset();
        return false;
    }
    return true;
}

AviWriter::Added AviWriter::AddFrame()
{
    if (!file_)
        return Added::kFailed;
    const uint64_t indexBytes = kChunkHeaderBytes + (uint64_t{frames_} + 1) * kIndexEntryBytes;
    if (EndOfFrames() + ChunkBytes() + indexBytes > fileLimit_)
        return Added::kFull;
    if (!Put(file_->Stream(), chunk_.data(), chunk_.size())) {
        // The file goes on after the last whole frame.
        file_->CutAt(EndOfFrames());
        return Added::kFailed;
    }
    // Frames stream to the disk as they come; the one two frames back,
    // written by now, leaves the cache.
    const uint64_t at = EndOfFrames();
    file_->StartWriteBack(at, ChunkBytes());
    if (frames_ >= 2)
        file_->DropWritten(at - 2 * uint64_t{ChunkBytes()}, ChunkBytes());
    ++frames_;
    return Added::kWritten;
}

void AviWriter::FillHeader(uint8_t* h, const Rate& rate) const
{
    std::memset(h, 0, kHeaderBytes);
    const uint32_t suggested = kChunkHeaderBytes + frameBytes_;
    Tag(h, "RIFF");
    Tag(h + 8, "AVI ");
    Tag(h + 12, "LIST");
    Store32(h + 16, kHdrlListBytes);
    Tag(h + 20, "hdrl");
    Tag(h + 24, "avih");
    Store32(h + 28, kMainHeaderBytes);
    Store32(h + 32, rate.microsecondsPerFrame);
    Store32(h + 36, rate.bytesPerSecond);
    Store32(h + 44, kFlagsHasIndexWasCapture);
    Store32(h + 48, frames_);
    Store32(h + 56, 1);  // streams
    Store32(h + 60, suggested);
    Store32(h + 64, static_cast<uint32_t>(width_));
    Store32(h + 68, static_cast<uint32_t>(height_));
    Tag(h + 88, "LIST");
    Store32(h + 92, kStrlListBytes);
    Tag(h + 96, "strl");
    Tag(h + 100, "strh");
    Store32(h + 104, kStreamHeaderBytes);
    Tag(h + 108, "vids");
    Tag(h + 112, "DIB ");
    Store32(h + 128, rate.scale);
    Store32(h + 132, kStreamRate);
    Store32(h + 140, frames_);
    Store32(h + 144, suggested);
    Tag(h + 172, "strf");
    Store32(h + 176, kFormatBytes);
    Store32(h + 180, kFormatBytes);
    Store32(h + 184, static_cast<uint32_t>(width_));
    Store32(h + 188, static_cast<uint32_t>(height_));
    Store16(h + 192, 1);   // planes
    Store16(h + 194, 24);  // bits per pixel
    Tag(h + 220, "LIST");
    Tag(h + 228, "movi");
}

bool AviWriter::WriteIndexAndHeader(uint32_t framesPer100s)
{
    std::vector<uint8_t> index(kChunkHeaderBytes + size_t{frames_} * kIndexEntryBytes);
    Tag(index.data(), "idx1");
    Store32(index.data() + 4, frames_ * kIndexEntryBytes);
    for (uint32_t k = 0; k < frames_; ++k) {
        uint8_t* e = index.data() + kChunkHeaderBytes + size_t{k} * kIndexEntryBytes;
        Tag(e, "00db");
        Store32(e + 4, kIndexKeyFrame);
        // Offsets count from the "movi" tag, which itself takes 4 bytes.
        Store32(e + 8, 4 + k * ChunkBytes());
        Store32(e + 12, frameBytes_);
    }
    const uint64_t end = EndOfFrames();
    uint8_t header[kHeaderBytes];
    const uint64_t bytesPerSecond = (uint64_t{kChunkHeaderBytes} + frameBytes_) * framesPer100s / 100;
    FillHeader(header, {100000000 / framesPer100s, 1000000000 / framesPer100s,
                        static_cast<uint32_t>(std::min<uint64_t>(bytesPerSecond, UINT32_MAX))});
    Store32(header + 4, static_cast<uint32_t>(end + index.size() - 8));
    Store32(header + 224, static_cast<uint32_t>(end - kMoviTagPosition));
    std::FILE* stream = file_->Stream();
    return Put(stream, index.data(), index.size()) && file_->Seek(0) && Put(stream, header, sizeof header);
}

bool AviWriter::Finish(uint32_t framesPer100s)
{
    if (!file_)
        return false;
    framesPer100s = std::max<uint32_t>(framesPer100s, 1);
    bool finished = false;
    for (;;) {
        if (file_->CutAt(EndOfFrames()) && WriteIndexAndHeader(framesPer100s)) {
            finished = file_->Commit();
            break;
        }
        // No room for the index: the newest frame makes room.
        if (frames_ == 0)
            break;
        --frames_;
    }
    file_.reset();
    return finished;
}

} // namespace tavix::output
