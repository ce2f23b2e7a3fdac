#pragma once
// A named memory region shared between processes: a page-file-backed file
// mapping on Windows, POSIX shared memory elsewhere.

#include <cstddef>
#include <memory>

namespace tavix::platform {

class SharedMemory {
public:
    // Opens an existing region of that name; null when there is none.
    static std::unique_ptr<SharedMemory> Open(const char* name, size_t size);
    // Opens the region, creating it (zero-filled) when it does not exist.
    static std::unique_ptr<SharedMemory> Create(const char* name, size_t size);

    ~SharedMemory();
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    void* Data() const { return view_; }
    size_t Size() const { return size_; }

    // True when nobody else, in this process or another, held the region
    // when this one opened it. POSIX regions outlive a process that died
    // holding them, so every user keeps a shared lock that an opener probes;
    // a Windows mapping ends with its last handle, and this is false there.
    bool OpenedAlone() const { return openedAlone_; }

    // POSIX regions outlive their users until removed; Windows mappings end
    // with their last handle, so this does nothing there.
    static void Remove(const char* name);

private:
    // Takes over an open platform object (a Windows mapping handle; a POSIX
    // descriptor) and its view.
    static std::unique_ptr<SharedMemory> Adopt(void* handle, void* view, size_t size, bool openedAlone);
    SharedMemory(void* handle, void* view, size_t size, bool openedAlone)
        : handle_(handle), view_(view), size_(size), openedAlone_(openedAlone)
    {
    }
    void* handle_;
    void* view_;
    size_t size_;
    bool openedAlone_;
};

} // namespace tavix::platform
