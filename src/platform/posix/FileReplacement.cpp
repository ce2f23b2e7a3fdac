#include "platform/FileReplacement.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace tavix::platform {

FileReplacement::FileReplacement(const char* target)
{
    if (target == nullptr || *target == '\0')
        return;
    static std::atomic<unsigned> serial{0};
    target_ = target;
    temporary_ = target_ + ".tmp." + std::to_string(getpid()) + "." + std::to_string(++serial);
    // New files get the usual permissions under the user's umask, as a
    // file opened with fopen would.
    const int fd = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    stream_ = fdopen(fd, "wb");
    if (stream_ == nullptr) {
        close(fd);
        unlink(temporary_.c_str());
    }
}

FileReplacement::~FileReplacement() { Discard(); }

void FileReplacement::Discard()
{
    if (stream_ == nullptr)
        return;
    std::fclose(stream_);
    stream_ = nullptr;
    unlink(temporary_.c_str());
}

bool FileReplacement::Commit()
{
    if (stream_ == nullptr)
        return false;
    const bool written = std::fflush(stream_) == 0 && !std::ferror(stream_) && fsync(fileno(stream_)) == 0;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!written || !closed || rename(temporary_.c_str(), target_.c_str()) != 0) {
        unlink(temporary_.c_str());
        return false;
    }
    return true;
}

} // namespace tavix::platform
