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

void* MapWhole(int fd, size_t size)
{
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return view == MAP_FAILED ? nullptr : view;
}
} // namespace

std::unique_ptr<SharedMemory> SharedMemory::Open(const char* name, size_t size)
{
    const int fd = shm_open(PosixName(name).c_str(), O_RDWR, 0600);
    if (fd < 0)
        return nullptr;
    struct stat info{};
    void* view = nullptr;
    if (fstat(fd, &info) == 0 && static_cast<size_t>(info.st_size) >= size)
        view = MapWhole(fd, size);
    close(fd);
    if (view == nullptr)
        return nullptr;
    return std::unique_ptr<SharedMemory>(new SharedMemory(nullptr, view, size));
}

std::unique_ptr<SharedMemory> SharedMemory::Create(const char* name, size_t size)
{
    const int fd = shm_open(PosixName(name).c_str(), O_RDWR | O_CREAT, 0600);
    if (fd < 0)
        return nullptr;
    struct stat info{};
    void* view = nullptr;
    // Growing a region that another process already sized is harmless;
    // shrinking it is never done.
    if (fstat(fd, &info) == 0 &&
        (static_cast<size_t>(info.st_size) >= size || ftruncate(fd, static_cast<off_t>(size)) == 0))
        view = MapWhole(fd, size);
    close(fd);
    if (view == nullptr)
        return nullptr;
    return std::unique_ptr<SharedMemory>(new SharedMemory(nullptr, view, size));
}

SharedMemory::~SharedMemory() { munmap(view_, size_); }

void SharedMemory::Remove(const char* name) { shm_unlink(PosixName(name).c_str()); }

} // namespace tavix::platform
