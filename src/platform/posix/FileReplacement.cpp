#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "platform/FileReplacementOs.h"

namespace tavix::platform::os {

unsigned ProcessId() { return static_cast<unsigned>(getpid()); }

std::FILE* CreateNewFile(const std::string& path)
{
    // New files get the usual permissions under the user's umask, as a
    // file opened with fopen would.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    std::FILE* stream = fdopen(fd, "wb");
    if (stream == nullptr) {
        close(fd);
        unlink(path.c_str());
    }
    return stream;
}

bool SyncToDisk(std::FILE* stream) { return fsync(fileno(stream)) == 0; }

bool SeekStream(std::FILE* stream, uint64_t position)
{
    return fseeko(stream, static_cast<off_t>(position), SEEK_SET) == 0;
}

bool TruncateStream(std::FILE* stream, uint64_t length)
{
    return ftruncate(fileno(stream), static_cast<off_t>(length)) == 0;
}

// Without these a long stream of writes piles up as dirty cache until the
// kernel throttles the writer to its own write-back pace (a 4 GiB recording
// went at half the disk's speed).
void StartWriteBack(std::FILE* stream, uint64_t offset, uint64_t length)
{
#if defined(__linux__)
    sync_file_range(fileno(stream), static_cast<off_t>(offset), static_cast<off_t>(length),
                    SYNC_FILE_RANGE_WRITE);
#else
    (void)stream, (void)offset, (void)length;
#endif
}

void DropWritten(std::FILE* stream, uint64_t offset, uint64_t length)
{
#if defined(__linux__)
    sync_file_range(fileno(stream), static_cast<off_t>(offset), static_cast<off_t>(length),
                    SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
#endif
    posix_fadvise(fileno(stream), static_cast<off_t>(offset), static_cast<off_t>(length), POSIX_FADV_DONTNEED);
}

bool MoveOver(const std::string& from, const std::string& to) { return rename(from.c_str(), to.c_str()) == 0; }

void RemoveFile(const std::string& path) { unlink(path.c_str()); }

} // namespace tavix::platform::os
