#pragma once
// The inside of one emulated camera, shared by its EmulatedCamera, its open
// handles and their pending requests: the driver's decoding and validation
// of every control code, the bulk transfers with their completion, abort and
// failure statuses, plugging, and the request log. One mutex guards it all;
// a pending read completes in whichever thread waits for it or asks for its
// result, once the frame source has its data.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/DriverInterface.h"
#include "emulator/EmulatedCamera.h"
#include "emulator/FrameSource.h"
#include "emulator/Fx3Firmware.h"
#include "emulator/RequestLog.h"
#include "platform/DeviceIo.h"

namespace tavix::emu {

// One bulk IN transfer waiting for data.
struct Transfer {
    uint64_t logSequence = 0;
    uint64_t handleId = 0;
    uint8_t endpoint = 0;
    bool buffered = false;      // data follows the header in the record
    uint8_t* header = nullptr;  // where the status words go
    uint8_t* data = nullptr;
    uint32_t length = 0;
    bool logged = false;        // logSequence names its log entry
    bool done = false;
    uint32_t error = 0;
    uint32_t bytes = 0;         // bytes returned to the caller
    std::string problem;
};

class CameraCore {
public:
    using Clock = std::chrono::steady_clock;

    CameraCore(const CameraOptions& options, int port);

    // --- Handles ------------------------------------------------------------
    std::string Path() const;
    // A new handle id when the path is the camera's present path; 0 otherwise.
    uint64_t OpenHandle(const std::string& path, bool overlapped, uint64_t& generation);
    void CloseHandle(uint64_t handleId);

    platform::IoStatus Control(uint64_t handleId, uint64_t generation, bool overlappedHandle, uint32_t code,
                               void* in, uint32_t inSize, void* out, uint32_t outSize, bool overlapped,
                               std::shared_ptr<Transfer>& pending);
    bool Wait(const std::shared_ptr<Transfer>& transfer, uint32_t timeoutMs);
    platform::IoStatus Result(const std::shared_ptr<Transfer>& transfer);
    // Cancels a transfer that has not completed; afterwards nothing touches its buffers.
    void Cancel(const std::shared_ptr<Transfer>& transfer);

    // --- Test access (each locks) ------------------------------------------
    // Runs `fn` under the camera's lock.
    template <class Fn>
    auto Locked(Fn&& fn)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return fn();
    }
    template <class Fn>
    auto Locked(Fn&& fn) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return fn();
    }
    // Wakes the waiters after a change that may let transfers progress.
    void Notify() { changed_.notify_all(); }

    void Unplug();
    void Replug(int port);
    bool Plugged() const;
    // A pulse on the trigger input (see EmulatedCamera::FireTrigger).
    bool Trigger();

    // Members below are guarded by the lock (use Locked()).
    CameraOptions options;
    FrameSource frames;
    Fx3Firmware firmware;
    RequestLog log;
    int openHandles = 0;
    uint64_t handlesOpened = 0;
    int failTransfers = 0;
    uint32_t failNtStatus = 0;
    uint32_t failUsbdStatus = 0;
    int refuseRequests = 0;
    uint32_t refuseError = 0;
    uint32_t linkSpeed = driver::kSpeedSuper;
    std::vector<uint8_t> memory; // camera memory of "AU3W"/"AU3R"

private:
    platform::IoStatus Refuse(LoggedRequest& entry, uint32_t error, const std::string& problem);
    platform::IoStatus Accept(LoggedRequest& entry, uint32_t bytes);
    platform::IoStatus VendorRequest(LoggedRequest& entry, uint8_t* in, uint32_t inSize, uint8_t* out,
                                     uint32_t outSize);
    platform::IoStatus BulkTransfer(std::unique_lock<std::mutex>& lock, LoggedRequest& entry, uint8_t* in,
                                    uint32_t inSize, uint8_t* out, uint32_t outSize, bool buffered, bool overlapped,
                                    std::shared_ptr<Transfer>& pending);
    platform::IoStatus PipeRequest(LoggedRequest& entry, const uint8_t* in, uint32_t inSize, uint8_t* out,
                                   uint32_t outSize);
    bool BulkOut(uint8_t endpoint, const uint8_t* data, uint32_t length, std::string& problem);
    bool CheckBulkHeader(const driver::TransferHeader& header, bool buffered, uint32_t inSize, uint32_t outSize,
                         std::string& problem) const;

    // Completes what the frame source can serve; the time the next frame is due.
    std::optional<Clock::time_point> Progress();
    void Finish(Transfer& transfer, uint32_t error, uint32_t bytes, uint32_t ntStatus, uint32_t usbdStatus,
                const std::string& problem);
    void CompleteAll(uint8_t endpoint, uint64_t handleId, uint32_t error, uint32_t ntStatus, uint32_t usbdStatus,
                     const std::string& problem);
    void PowerUp();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Transfer>> queue_; // pending IN transfers, in submission order
    int port_;
    bool plugged_ = true;
    uint64_t generation_ = 1;
    uint64_t nextHandle_ = 1;
    // Memory write in progress ("AU3W" announced, data not yet all received).
    uint64_t writeAddress_ = 0;
    uint64_t writeRemaining_ = 0;
};

} // namespace tavix::emu
