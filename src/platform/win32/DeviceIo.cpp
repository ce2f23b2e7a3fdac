#include "platform/DeviceIo.h"

#include <windows.h>

#include <setupapi.h>

#include <cstring>

namespace tavix::platform {

namespace {

// Member indices tried per enumeration; far more than a device table holds.
constexpr DWORD kMaxInterfaces = 256;

GUID ToGuid(const Guid& g)
{
    GUID guid;
    guid.Data1 = g.data1;
    guid.Data2 = g.data2;
    guid.Data3 = g.data3;
    std::memcpy(guid.Data4, g.data4, sizeof guid.Data4);
    return guid;
}

// The open handle, shared by the device handle and its pending requests so
// that a request never outlives the handle it runs on.
struct OwnedHandle {
    explicit OwnedHandle(HANDLE h) : handle(h) {}
    ~OwnedHandle() { CloseHandle(handle); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    HANDLE handle;
};

class Win32PendingIo final : public PendingIo {
public:
    explicit Win32PendingIo(std::shared_ptr<OwnedHandle> handle) : handle_(std::move(handle))
    {
        std::memset(&overlapped_, 0, sizeof overlapped_);
        // Manual reset: the event stays signalled once the request is done,
        // so Wait may be asked again and GetOverlappedResult sees it too.
        overlapped_.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }

    ~Win32PendingIo() override
    {
        if (started_) {
            if (!HasOverlappedIoCompleted(&overlapped_))
                CancelIoEx(handle_->handle, &overlapped_);
            DWORD bytes = 0;
            GetOverlappedResult(handle_->handle, &overlapped_, &bytes, TRUE);
        }
        if (overlapped_.hEvent != nullptr)
            CloseHandle(overlapped_.hEvent);
    }

    bool Usable() const { return overlapped_.hEvent != nullptr; }
    OVERLAPPED* Overlapped() { return &overlapped_; }
    void MarkStarted() { started_ = true; }

    bool Wait(uint32_t timeoutMs) override
    {
        return WaitForSingleObject(overlapped_.hEvent, timeoutMs == kInfinite ? INFINITE : timeoutMs) == WAIT_OBJECT_0;
    }

    IoStatus Result() override
    {
        DWORD bytes = 0;
        if (GetOverlappedResult(handle_->handle, &overlapped_, &bytes, FALSE))
            return {true, kErrorSuccess, bytes};
        const DWORD error = GetLastError();
        if (error == ERROR_IO_INCOMPLETE || error == ERROR_IO_PENDING)
            return {false, kErrorIoPending, 0};
        return {false, error, 0};
    }

private:
    std::shared_ptr<OwnedHandle> handle_;
    OVERLAPPED overlapped_;
    bool started_ = false;
};

class Win32DeviceHandle final : public DeviceHandle {
public:
    Win32DeviceHandle(HANDLE handle, bool overlapped)
        : handle_(std::make_shared<OwnedHandle>(handle)), overlapped_(overlapped)
    {
    }

    IoStatus Control(uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize) override
    {
        if (!overlapped_) {
            DWORD bytes = 0;
            if (DeviceIoControl(handle_->handle, code, in, inSize, out, outSize, &bytes, nullptr))
                return {true, kErrorSuccess, bytes};
            return {false, GetLastError(), 0};
        }
        // A handle opened for overlapped I/O needs an OVERLAPPED on every
        // request; a synchronous one waits for it here.
        Win32PendingIo request(handle_);
        if (!request.Usable())
            return {false, GetLastError(), 0};
        if (!DeviceIoControl(handle_->handle, code, in, inSize, out, outSize, nullptr, request.Overlapped())) {
            const DWORD error = GetLastError();
            if (error != ERROR_IO_PENDING)
                return {false, error, 0};
        }
        request.MarkStarted();
        DWORD bytes = 0;
        if (GetOverlappedResult(handle_->handle, request.Overlapped(), &bytes, TRUE))
            return {true, kErrorSuccess, bytes};
        return {false, GetLastError(), 0};
    }

    IoStatus ControlOverlapped(uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
                               std::unique_ptr<PendingIo>& pending) override
    {
        pending.reset();
        if (!overlapped_)
            return {false, kErrorInvalidParameter, 0};
        std::unique_ptr<Win32PendingIo> request;
        try {
            request = std::make_unique<Win32PendingIo>(handle_);
        } catch (...) {
            return {false, ERROR_NOT_ENOUGH_MEMORY, 0};
        }
        if (!request->Usable())
            return {false, GetLastError(), 0};
        if (DeviceIoControl(handle_->handle, code, in, inSize, out, outSize, nullptr, request->Overlapped())) {
            request->MarkStarted();
            return request->Result();
        }
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING)
            return {false, error, 0};
        request->MarkStarted();
        pending = std::move(request);
        return {false, kErrorIoPending, 0};
    }

private:
    std::shared_ptr<OwnedHandle> handle_;
    bool overlapped_;
};

class Win32DevicePort final : public DevicePort {
public:
    std::vector<std::string> ListInterfaces(const Guid& interfaceClass) override
    {
        std::vector<std::string> paths;
        GUID guid = ToGuid(interfaceClass);
        HDEVINFO set = SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (set == INVALID_HANDLE_VALUE)
            return paths;
        try {
            Collect(set, guid, paths);
        } catch (...) {
            paths.clear();
        }
        SetupDiDestroyDeviceInfoList(set);
        return paths;
    }

    std::unique_ptr<DeviceHandle> Open(const std::string& path, bool overlapped) override
    {
        HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
            return nullptr;
        try {
            return std::make_unique<Win32DeviceHandle>(handle, overlapped);
        } catch (...) {
            CloseHandle(handle);
            return nullptr;
        }
    }

private:
    static void Collect(HDEVINFO set, GUID& guid, std::vector<std::string>& paths)
    {
        for (DWORD index = 0; index < kMaxInterfaces; ++index) {
            SP_DEVICE_INTERFACE_DATA data;
            std::memset(&data, 0, sizeof data);
            data.cbSize = sizeof data;
            if (!SetupDiEnumDeviceInterfaces(set, nullptr, &guid, index, &data)) {
                if (GetLastError() == ERROR_NO_MORE_ITEMS)
                    break;
                continue;
            }
            DWORD required = 0;
            SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr);
            if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
                continue;
            std::vector<char> buffer(required, 0);
            auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
            detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
            if (SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr))
                paths.emplace_back(detail->DevicePath);
        }
    }
};

} // namespace

DevicePort& SystemDevicePort()
{
    static Win32DevicePort port;
    return port;
}

} // namespace tavix::platform
