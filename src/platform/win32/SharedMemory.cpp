#include "platform/SharedMemory.h"

#include <windows.h>

namespace tavix::platform {

namespace {
// Maps the whole region of an open mapping, or closes the mapping.
void* MapWhole(HANDLE mapping, size_t size)
{
    if (mapping == nullptr)
        return nullptr;
    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
    if (view == nullptr)
        CloseHandle(mapping);
    return view;
}
} // namespace

std::unique_ptr<SharedMemory> SharedMemory::Adopt(void* handle, void* view, size_t size, bool openedAlone)
{
    if (view == nullptr)
        return nullptr;
    return std::unique_ptr<SharedMemory>(new SharedMemory(handle, view, size, openedAlone));
}

std::unique_ptr<SharedMemory> SharedMemory::Open(const char* name, size_t size)
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
    return Adopt(mapping, MapWhole(mapping, size), size, false);
}

std::unique_ptr<SharedMemory> SharedMemory::Create(const char* name, size_t size)
{
    const auto high = static_cast<DWORD>(static_cast<unsigned long long>(size) >> 32);
    const auto low = static_cast<DWORD>(size & 0xFFFFFFFFu);
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, high, low, name);
    return Adopt(mapping, MapWhole(mapping, size), size, false);
}

SharedMemory::~SharedMemory()
{
    UnmapViewOfFile(view_);
    CloseHandle(static_cast<HANDLE>(handle_));
}

void SharedMemory::Remove(const char*) {}

} // namespace tavix::platform
