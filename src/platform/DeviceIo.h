#pragma once
// The device I/O port: the seam between the transport and the camera's
// kernel driver. It works at the driver's level — device-interface paths,
// control codes and the driver's own request records as plain byte buffers —
// so that whatever sits behind it (the Windows driver through
// DeviceIoControl, or the emulated camera) sees byte-exact requests.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavix::platform {

// A device-interface class GUID in its Windows layout.
struct Guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

// System error codes the port reports (the Windows values on every platform).
constexpr uint32_t kErrorSuccess = 0;
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorGenFailure = 31;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorOperationAborted = 995;
constexpr uint32_t kErrorIoPending = 997;
constexpr uint32_t kErrorDeviceNotConnected = 1167;

// The outcome of submitting one control request.
struct IoStatus {
    bool accepted = false;       // the request completed successfully at once
    uint32_t error = 0;          // 0 when accepted; kErrorIoPending while running; else why it was refused
    uint32_t bytesReturned = 0;  // valid when accepted
};

// An overlapped request that is still running. The buffers given at
// submission must stay valid until it has completed. Destroying a request
// that has not completed cancels it and waits for it.
class PendingIo {
public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFFu;
    virtual ~PendingIo() = default;
    // True once the request has completed (successfully or not) within the
    // time-out; kInfinite waits without limit.
    virtual bool Wait(uint32_t timeoutMs) = 0;
    // The completed request's outcome without waiting (GetOverlappedResult
    // with bWait = FALSE): accepted and the byte count, or the error
    // (kErrorIoPending while it still runs).
    virtual IoStatus Result() = 0;
};

// An open device-interface path (a CreateFileA handle).
class DeviceHandle {
public:
    virtual ~DeviceHandle() = default;

    // A synchronous request (DeviceIoControl without OVERLAPPED). For
    // METHOD_NEITHER codes the driver may write into the input buffer too.
    // On a handle opened for overlapped I/O the request still runs to its
    // end before this returns (without a time-out).
    virtual IoStatus Control(uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize) = 0;

    // An overlapped request that returns at once: accepted (completed),
    // refused with an error, or running (error kErrorIoPending, pending set;
    // pending is null otherwise). Needs a handle opened for overlapped I/O:
    // on any other handle it is refused with kErrorInvalidParameter.
    virtual IoStatus ControlOverlapped(uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
                                       std::unique_ptr<PendingIo>& pending) = 0;
};

class DevicePort {
public:
    virtual ~DevicePort() = default;
    // The paths of the present device interfaces of a class, in the order
    // of their member index (SetupDiEnumDeviceInterfaces).
    virtual std::vector<std::string> ListInterfaces(const Guid& interfaceClass) = 0;
    // Opens a path with GENERIC_WRITE, FILE_SHARE_WRITE, OPEN_EXISTING and,
    // when asked, FILE_FLAG_OVERLAPPED. Null when it does not open.
    virtual std::unique_ptr<DeviceHandle> Open(const std::string& path, bool overlapped) = 0;
};

// The operating system's driver access (setupapi + DeviceIoControl on
// Windows; on other platforms a port without devices, until a USB access
// layer exists).
DevicePort& SystemDevicePort();

// The port the transport uses: the one installed with SetDevicePort, else
// the one the emulated camera registered when TAVIX_CAMEMU asks for it,
// else the system port.
DevicePort& CurrentDevicePort();
// Installs a port for the whole process (tests); nullptr restores the default.
void SetDevicePort(DevicePort* port);

// The emulated camera registers its port factory here (it lives outside
// src/ and plugs in at load time). The factory is asked once, with the
// camera count of TAVIX_CAMEMU, the first time a port is needed.
using EmulatedPortFactory = DevicePort* (*)(int cameraCount);
void RegisterEmulatedPortFactory(EmulatedPortFactory factory);

} // namespace tavix::platform
