#include "platform/SharedMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// The region is trusted only when it is this user's own and nobody else's:
// /dev/shm is writable by every local user, and a region another user made
// (or opened up) could feed this process a forged device table.
bool Private(const struct stat& info)
{
    return S_ISREG(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

// An open file description lock on the region's first byte: every user
// holds it shared for the region's life; an opener first tries it
// exclusively to learn whether anyone else holds the region. Changing the
// type of a lock of this kind is one atomic step, so two openers can never
// both believe they are alone.
bool LockByte(int fd, short type, bool wait)
{
    struct flock lock{};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 1;
    int result;
    while ((result = fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock)) != 0 && errno == EINTR) {
    }
    return result == 0;
}

// Maps the whole region of an open descriptor; on failure the descriptor is
// closed. A region another process sized smaller is grown when asked (never
// shrunk). The descriptor stays open, with its shared lock, for the
// region's life.
void* MapRegion(int fd, size_t size, bool grow, bool* alone)
{
    *alone = false;
    if (fd < 0)
        return nullptr;
    struct stat info{};
    void* view = nullptr;
    if (fstat(fd, &info) == 0 && Private(info) &&
        (static_cast<size_t>(info.st_size) >= size || (grow && ftruncate(fd, static_cast<off_t>(size)) == 0))) {
        view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (view == MAP_FAILED)
            view = nullptr;
    }
    if (view != nullptr) {
        *alone = LockByte(fd, F_WRLCK, false);
        if (!LockByte(fd, F_RDLCK, true)) {
            munmap(view, size);
            view = nullptr;
        }
    }
    if (view == nullptr)
        close(fd);
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
    // A new region is made with O_EXCL, so that it is surely this process's
    // own; one that exists already is opened and checked like any other.
    const std::string posixName = PosixName(name);
    int fd = shm_open(posixName.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0 && errno == EEXIST)
        fd = shm_open(posixName.c_str(), O_RDWR, 0600);
    bool alone = false;
    void* view = MapRegion(fd, size, true, &alone);
    return Adopt(AsHandle(fd), view, size, alone);
}

SharedMemory::~SharedMemory()
{
    munmap(view_, size_);
    close(AsDescriptor(handle_)); // releases the lock
}

void SharedMemory::Remove(const char* name) { shm_unlink(PosixName(name).c_str()); }

} // namespace tavix::platform
