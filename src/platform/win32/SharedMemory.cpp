#include "platform/SharedMemory.h"

#include <windows.h>

namespace tavix::platform {

namespace {
void* MapWhole(HANDLE mapping, size_t size)
{
    return MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
}
} // namespace

std::unique_ptr<SharedMemory> SharedMemory::Open(const char* name, size_t size)
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
    if (mapping == nullptr)
        return nullptr;
    void* view = MapWhole(mapping, size);
    if (view == nullptr) {
        CloseHandle(mapping);
        return nullptr;
    }
    return std::unique_ptr<SharedMemory>(new SharedMemory(mapping, view, size));
}

std::unique_ptr<SharedMemory> SharedMemory::Create(const char* name, size_t size)
{
    const auto high = static_cast<DWORD>(static_cast<unsigned long long>(size) >> 32);
    const auto low = static_cast<DWORD>(size & 0xFFFFFFFFu);
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, high, low, name);
    if (mapping == nullptr)
        return nullptr;
    void* view = MapWhole(mapping, size);
    if (view == nullptr) {
        CloseHandle(mapping);
        return nullptr;
    }
    return std::unique_ptr<SharedMemory>(new SharedMemory(mapping, view, size));
}

SharedMemory::~SharedMemory()
{
    UnmapViewOfFile(view_);
    CloseHandle(static_cast<HANDLE>(handle_));
}

void SharedMemory::Remove(const char*) {}

} // namespace tavix::platform
