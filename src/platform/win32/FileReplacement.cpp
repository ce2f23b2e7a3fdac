#include "platform/FileReplacement.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdio>

namespace tavix::platform {

FileReplacement::FileReplacement(const char* target)
{
    if (target == nullptr || *target == '\0')
        return;
    static std::atomic<unsigned> serial{0};
    target_ = target;
    temporary_ = target_ + ".tmp." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++serial);
    // Names are in the thread's code page, as the exports take them.
    HANDLE file = CreateFileA(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY | _O_WRONLY);
    if (fd < 0) {
        CloseHandle(file);
        DeleteFileA(temporary_.c_str());
        return;
    }
    stream_ = _fdopen(fd, "wb");
    if (stream_ == nullptr) {
        _close(fd);
        DeleteFileA(temporary_.c_str());
    }
}

FileReplacement::~FileReplacement() { Discard(); }

void FileReplacement::Discard()
{
    if (stream_ == nullptr)
        return;
    std::fclose(stream_);
    stream_ = nullptr;
    DeleteFileA(temporary_.c_str());
}

bool FileReplacement::Commit()
{
    if (stream_ == nullptr)
        return false;
    const bool written = std::fflush(stream_) == 0 && !std::ferror(stream_) && _commit(_fileno(stream_)) == 0;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!written || !closed ||
        !MoveFileExA(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary_.c_str());
        return false;
    }
    return true;
}

} // namespace tavix::platform
