#include "platform/SharedMemory.h"

#include <windows.h>

namespace tavix::platform {

// Maps the whole region of an open mapping, or closes the mapping.
std::unique_ptr<SharedMemory> SharedMemory::Map(void* mapping, size_t size)
{
    if (mapping == nullptr)
        return nullptr;
    void* view = MapViewOfFile(static_cast<HANDLE>(mapping), FILE_MAP_ALL_ACCESS, 0, 0, size);
    if (view == nullptr) {
        CloseHandle(static_cast<HANDLE>(mapping));
        return nullptr;
    }
    return std::unique_ptr<SharedMemory>(new SharedMemory(mapping, view, size));
}

std::unique_ptr<SharedMemory> SharedMemory::Open(const char* name, size_t size)
{
    return Map(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name), size);
}

std::unique_ptr<SharedMemory> SharedMemory::Create(const char* name, size_t size)
{
    const auto high = static_cast<DWORD>(static_cast<unsigned long long>(size) >> 32);
    const auto low = static_cast<DWORD>(size & 0xFFFFFFFFu);
    return Map(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, high, low, name), size);
}

SharedMemory::~SharedMemory()
{
    UnmapViewOfFile(view_);
    CloseHandle(static_cast<HANDLE>(handle_));
}

void SharedMemory::Remove(const char*) {}

} // namespace tavix::platform
