#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/FileReplacementOs.h"

namespace tavix::platform::os {

unsigned ProcessId() { return static_cast<unsigned>(GetCurrentProcessId()); }

std::FILE* CreateNewFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY | _O_WRONLY);
    if (fd < 0) {
        CloseHandle(file);
        DeleteFileA(path.c_str());
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, "wb");
    if (stream == nullptr) {
        _close(fd);
        DeleteFileA(path.c_str());
    }
    return stream;
}

bool SyncToDisk(std::FILE* stream) { return _commit(_fileno(stream)) == 0; }

bool SeekStream(std::FILE* stream, uint64_t position)
{
    return _fseeki64(stream, static_cast<__int64>(position), SEEK_SET) == 0;
}

bool TruncateStream(std::FILE* stream, uint64_t length)
{
    return _chsize_s(_fileno(stream), static_cast<__int64>(length)) == 0;
}

// The cache manager writes behind on its own.
void StartWriteBack(std::FILE*, uint64_t, uint64_t) {}
void DropWritten(std::FILE*, uint64_t, uint64_t) {}

bool MoveOver(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

} // namespace tavix::platform::os
