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

    // POSIX regions outlive their users until removed; Windows mappings end
    // with their last handle, so this does nothing there.
    static void Remove(const char* name);

private:
    // Wraps a platform object (a Windows mapping handle; a POSIX view) into
    // a mapped region; null when there is none.
    static std::unique_ptr<SharedMemory> Map(void* object, size_t size);
    SharedMemory(void* handle, void* view, size_t size) : handle_(handle), view_(view), size_(size) {}
    void* handle_;
    void* view_;
    size_t size_;
};

} // namespace tavix::platform
