// Bulk transfers: direct (the driver moves the bytes straight between the
// pipe and the caller's buffer) and buffered (staged through the transfer
// buffer behind a TransferRecord), and the pipe abort that ends them.

#include <cstring>

#include "platform/Clock.h"
#include "transport/CKelCy3Cam.h"

namespace tavix {

using platform::DeviceHandle;
using platform::IoStatus;
using platform::PendingIo;

namespace {
constexpr uint32_t kFixedTimeoutMs = 3000;
constexpr uint32_t kStartedReadTimeoutMs = 5000;
constexpr uint32_t kBufferedTimeoutMs = 3000;
// How long an aborted transfer gets to finish before it is aborted again.
constexpr uint32_t kAbortGraceMs = 50;
// Pause after a transfer the device finished with an error status.
constexpr uint32_t kStatusErrorPauseMs = 1;

bool AcceptedAtOnce(const IoStatus& status) { return status.accepted || status.error == platform::kErrorSuccess; }
} // namespace

void CKelCy3Cam::AbortPipe(DeviceHandle& handle)
{
    uint8_t endpoint = kEndpointFrameIn;
    std::unique_ptr<PendingIo> pending;
    const IoStatus status = handle.ControlOverlapped(kIoctlAbortPipe, &endpoint, sizeof endpoint, nullptr, 0, pending);
    if (!status.accepted && status.error == platform::kErrorIoPending && pending != nullptr)
        pending->Wait(PendingIo::kInfinite);
}

int CKelCy3Cam::AbortStream()
{
    // Whoever aborts the stream wants its reads to end: a frame read then
    // gives up instead of restarting the frame, until the stream is reopened.
    streamAborted_ = true;
    AbortStreamPipe();
    return 1;
}

void CKelCy3Cam::AbortStreamPipe()
{
    // The endpoint is always 0x81: an abort there ends the frame reads,
    // which are the transfers that can stall.
    std::lock_guard lock(streamLock_);
    if (streamHandle_ != nullptr)
        AbortPipe(*streamHandle_);
}

void CKelCy3Cam::EndStalledTransfer(std::unique_ptr<PendingIo>& pending, DeviceHandle* handle, bool onStream)
{
    auto abort = [&] {
        if (onStream)
            AbortStreamPipe();
        else
            AbortPipe(*handle);
    };
    abort();
    // A request the driver refused outright has nothing left to wait for.
    if (pending == nullptr || pending->Wait(kAbortGraceMs))
        return;
    abort();
    // Whatever the aborts of pipe 0x81 did not end (a transfer on another
    // pipe) is cancelled and waited for here.
    pending.reset();
}

int CKelCy3Cam::TransferDirect(DeviceHandle* handle, uint8_t* data, uint32_t length, uint8_t endpoint,
                               uint32_t* count, uint32_t timeoutMs)
{
    if (length > kMaxBulkTransferBytes || handle == nullptr || transferBuffer_ == nullptr ||
        (data == nullptr && length > 0))
        return 0;

    // The driver writes the transfer's NT and USBD status into the header,
    // so it must outlive the request.
    TransferRecord header{};
    header.endpoint = endpoint;
    std::unique_ptr<PendingIo> pending;
    const IoStatus submitted =
        handle->ControlOverlapped(kIoctlSendNonEp0Direct, &header, kTransferRecordSize, data, length, pending);
    const bool atOnce = AcceptedAtOnce(submitted);
    SetLastDirectError(atOnce ? platform::kErrorSuccess : submitted.error);

    bool finished = atOnce;
    if (!atOnce && submitted.error == platform::kErrorIoPending && pending != nullptr)
        finished = pending->Wait(timeoutMs);
    if (!finished) {
        EndStalledTransfer(pending, handle, true);
        if (count != nullptr)
            *count = 0;
        return 0;
    }

    const IoStatus outcome = pending != nullptr ? pending->Result() : submitted;
    const uint32_t moved = outcome.accepted ? outcome.bytesReturned : 0;
    const bool succeeded = outcome.accepted && header.ntStatus == 0 && header.usbdStatus == 0;
    if (!succeeded)
        platform::Sleep(kStatusErrorPauseMs);
    if (count != nullptr)
        *count = moved;
    return succeeded ? 1 : 0;
}

int CKelCy3Cam::TransferDirectFixed(DeviceHandle* handle, uint8_t* data, uint32_t length, uint8_t endpoint,
                                    uint32_t* count)
{
    return TransferDirect(handle, data, length, endpoint, count, kFixedTimeoutMs);
}

int CKelCy3Cam::ReadBulkAfterStart(DeviceHandle* handle, uint8_t* data, uint32_t length, uint8_t endpoint,
                                   uint32_t* count)
{
    if (handle == nullptr || !SendStartRequest(handle))
        return 0;
    return TransferDirect(handle, data, length, endpoint, count, kStartedReadTimeoutMs);
}

int CKelCy3Cam::TransferBuffered(DeviceHandle* handle, uint8_t* destination, uint32_t length, uint8_t endpoint,
                                 uint32_t* count)
{
    if (length > kMaxBulkTransferBytes || handle == nullptr || transferBuffer_ == nullptr ||
        (destination == nullptr && length > 0))
        return 0;

    uint8_t* staging = transferBuffer_.get();
    const uint32_t recordBytes = length + kTransferRecordSize;
    std::memset(staging, 0, recordBytes);
    TransferRecord header{};
    header.endpoint = endpoint;
    header.dataOffset = kTransferRecordSize;
    header.dataLength = length;
    std::memcpy(staging, &header, sizeof header);

    std::unique_ptr<PendingIo> pending;
    const IoStatus submitted =
        handle->ControlOverlapped(kIoctlSendNonEp0, staging, recordBytes, staging, recordBytes, pending);
    IoStatus outcome = submitted;
    if (!AcceptedAtOnce(submitted)) {
        if (submitted.error != platform::kErrorIoPending || pending == nullptr)
            return 0;
        if (!pending->Wait(kBufferedTimeoutMs)) {
            EndStalledTransfer(pending, handle, false);
            return 0;
        }
        outcome = pending->Result();
        if (!outcome.accepted)
            return 0;
    }

    const uint32_t received = DataCountOf(outcome.bytesReturned);
    if (received > 0 && length >= received)
        std::memcpy(destination, staging + kTransferRecordSize, received);
    if (count != nullptr)
        *count = received;
    return 1;
}

} // namespace tavix
