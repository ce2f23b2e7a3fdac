#include "platform/SharedMemory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
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

// Maps the whole region of an open descriptor; on failure the descriptor is
// closed. A region another process sized smaller is grown when asked (never
// shrunk). The descriptor stays open with a shared lock for the region's
// life; before taking it, an exclusive probe tells whether anyone else holds
// the region.
void* MapRegion(int fd, size_t size, bool grow, bool* alone)
{
    *alone = false;
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
    if (view == nullptr) {
        close(fd);
        return nullptr;
    }
    *alone = flock(fd, LOCK_EX | LOCK_NB) == 0;
    flock(fd, LOCK_SH);
    return view;
}

void* AsHandle(int fd) { return reinterpret_cast<void*>(static_cast<intptr_t>(fd)); }
int AsDescriptor(void* handle) { return static_cast<int>(reinterpret_cast<intptr_t>(handle)); }
} // namespace

std::unique_ptr<SharedMemory> SharedMemory::Adopt(void* handle, void* view, size_t size, bool openedAlone)
{
    if (view == nullptr)
        return nullptr;
    return std::unique_ptr<SharedMemory>(new SharedMemory(handle, view, size, openedAlone));
}

std::unique_ptr<SharedMemory> SharedMemory::Open(const char* name, size_t size)
{
    const int fd = shm_open(PosixName(name).c_str(), O_RDWR, 0600);
    bool alone = false;
    void* view = MapRegion(fd, size, false, &alone);
    return Adopt(AsHandle(fd), view, size, alone);
}

std::unique_ptr<SharedMemory> SharedMemory::Create(const char* name, size_t size)
{
    const int fd = shm_open(PosixName(name).c_str(), O_RDWR | O_CREAT, 0600);
    bool alone = false;
    void* view = MapRegion(fd, size, true, &alone);
    return Adopt(AsHandle(fd), view, size, alone);
}

SharedMemory::~SharedMemory()
{
    munmap(view_, size_);
    close(AsDescriptor(handle_)); // releases the shared lock
}

void SharedMemory::Remove(const char* name) { shm_unlink(PosixName(name).c_str()); }

} // namespace tavix::platform
