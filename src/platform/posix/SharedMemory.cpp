#include "platform/SharedMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace tavix::platform {

namespace {
// Windows names live in the per-logon namespace; the nearest POSIX
// equivalent is a name private to the user.
std::string PosixName(const char* name)
{
    std::string posixName("/");
    posixName.append(name).append(".").append(std::to_string(static_cast<unsigned long>(getuid())));
    return posixName;
}

// Maps the whole region of an open descriptor and closes the descriptor.
// A region another process sized smaller is grown when asked (never shrunk).
void* MapRegion(int fd, size_t size, bool grow)
{
    if (fd < 0)
        return nullptr;
    struct stat info{};
    void* view = nullptr;
    if (fstat(fd, &info) == 0 &&
        (static_cast<size_t>(info.st_size) >= size || (grow && ftruncate(fd, static_cast<off_t>(size)) == 0))) {
        view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (view == MAP_FAILED)
            view = nullptr;
    }
    close(fd);
    return view;
}
} // namespace

std::unique_ptr<SharedMemory> SharedMemory::Map(void* view, size_t size)
{
    if (view == nullptr)
        return nullptr;
    return std::unique_ptr<SharedMemory>(new SharedMemory(nullptr, view, size));
}

std::unique_ptr<SharedMemory> SharedMemory::Open(const char* name, size_t size)
{
    return Map(MapRegion(shm_open(PosixName(name).c_str(), O_RDWR, 0600), size, false), size);
}

std::unique_ptr<SharedMemory> SharedMemory::Create(const char* name, size_t size)
{
    return Map(MapRegion(shm_open(PosixName(name).c_str(), O_RDWR | O_CREAT, 0600), size, true), size);
}

SharedMemory::~SharedMemory() { munmap(view_, size_); }

void SharedMemory::Remove(const char* name) { shm_unlink(PosixName(name).c_str()); }

} // namespace tavix::platform
