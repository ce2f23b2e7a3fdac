#include "platform/FileReplacement.h"

#include <atomic>

#include "platform/FileReplacementOs.h"

namespace tavix::platform {

FileReplacement::FileReplacement(const char* target)
{
    if (target == nullptr || *target == '\0')
        return;
    static std::atomic<unsigned> serial{0};
    target_ = target;
    temporary_ = target_ + ".tmp." + std::to_string(os::ProcessId()) + "." + std::to_string(++serial);
    stream_ = os::CreateNewFile(temporary_);
}

FileReplacement::~FileReplacement() { Discard(); }

void FileReplacement::Discard()
{
    if (stream_ == nullptr)
        return;
    std::fclose(stream_);
    stream_ = nullptr;
    os::RemoveFile(temporary_);
}

bool FileReplacement::Seek(uint64_t position)
{
    return stream_ != nullptr && os::SeekStream(stream_, position);
}

bool FileReplacement::CutAt(uint64_t length)
{
    if (stream_ == nullptr)
        return false;
    std::clearerr(stream_);
    return std::fflush(stream_) == 0 && os::TruncateStream(stream_, length) && os::SeekStream(stream_, length);
}

void FileReplacement::StartWriteBack(uint64_t offset, uint64_t length)
{
    if (stream_ != nullptr)
        os::StartWriteBack(stream_, offset, length);
}

void FileReplacement::DropWritten(uint64_t offset, uint64_t length)
{
    if (stream_ != nullptr)
        os::DropWritten(stream_, offset, length);
}

bool FileReplacement::Commit()
{
    if (stream_ == nullptr)
        return false;
    const bool written = std::fflush(stream_) == 0 && !std::ferror(stream_) && os::SyncToDisk(stream_);
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!written || !closed || !os::MoveOver(temporary_, target_)) {
        os::RemoveFile(temporary_);
        return false;
    }
    return true;
}

} // namespace tavix::platform
