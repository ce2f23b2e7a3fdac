// Frame and camera-memory reads over the stream handle. Each operation opens
// the stream when it finds it closed and closes it again on the way out
// (ReadFrameInfo and ReadFrameDataAux only when they fail), so that a
// caller that opened the stream itself keeps it across frames.

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Clock.h"
#include "transport/CKelCy3Cam.h"
#include "transport/MemoryCommand.h"
#include "transport/ProductIds.h"
#include "transport/VendorRequests.h"

namespace tavix {

namespace {
constexpr uint32_t kFrameInfoTimeoutMs = 400;
constexpr int kFrameInfoAttempts = 15;
// The FPGA needs this long after a frame restart before a new start request.
constexpr uint32_t kFrameRestartPauseMs = 10;

constexpr uint32_t kFrameDataPieceBytes = 0x80000;     // 512 KiB
constexpr uint32_t kCommandReadPieceBytes = 0x400000;  // 4 MiB
constexpr uint32_t kCommandReadGranuleShift = 14;      // commanded reads move whole 16 KiB blocks
constexpr uint32_t kMemoryPieceBytes = 0x1000000;      // 16 MiB
constexpr uint32_t kMemoryGranuleMask = 0xFFF;         // memory transfers move whole 4 KiB blocks
constexpr uint32_t kMemoryGranuleBytes = 0x1000;
constexpr uint32_t kMemoryReadTimeoutMs = 3000;
// Pause after a refused memory data transfer.
constexpr uint32_t kMemoryRefusalPauseMs = 1;
} // namespace

int CKelCy3Cam::ReadFrameInfo(TransferRequest* request)
{
    if (request == nullptr)
        return 0;
    bool opened = false;
    if (!EnsureStream(&opened))
        return 0;
    uint8_t block[kFrameInfoSize] = {};
    if (!SendStartRequest(streamHandle_.get())) {
        CloseStreamIf(opened);
        return 0;
    }
    for (int attempt = 1;; ++attempt) {
        uint32_t received = 0;
        // A short block is no frame information: the stream is out of step.
        if (TransferDirect(streamHandle_.get(), block, kFrameInfoSize, kEndpointFrameIn, &received,
                           kFrameInfoTimeoutMs) &&
            received == kFrameInfoSize) {
            std::memcpy(request->frameInfo, block, kFrameInfoSize);
            request->frameNumber = FrameInfoWord(block, kFrameInfoFrameNumberOffset);
            return 1;
        }
        if (GetSelectedProductId() == kProductId32D0) {
            SendRequestC0();
            break;
        }
        if (attempt >= kFrameInfoAttempts || streamAborted_)
            break;
        // Restart the frame between attempts.
        WriteFpgaRegister(fpga::kFrameRestart, 1);
        WriteFpgaRegister(fpga::kFrameRestart, 0);
        platform::Sleep(kFrameRestartPauseMs);
        if (!SendStartRequest(streamHandle_.get()))
            break;
    }
    CloseStreamIf(opened);
    return 0;
}

int CKelCy3Cam::ReadFrameData(TransferRequest* request, uint32_t timeoutMs)
{
    if (request == nullptr)
        return 0;
    bool opened = false;
    if (!EnsureStream(&opened))
        return 0;
    const uint32_t payload = PayloadBytes(*request);
    int result = payload <= request->capacity && (request->buffer != nullptr || payload == 0) ? 1 : 0;
    for (uint32_t offset = 0; result && offset < payload;) {
        const uint32_t piece = std::min(payload - offset, kFrameDataPieceBytes);
        uint32_t received = 0;
        // A short piece means the frame ended early; the rest of the buffer
        // would hold another frame's bytes.
        if (!TransferDirect(streamHandle_.get(), request->buffer + offset, piece, kEndpointFrameIn, &received,
                            timeoutMs) ||
            received != piece)
            result = 0;
        offset += piece;
    }
    CloseStreamIf(opened);
    return result;
}

int CKelCy3Cam::ReadFrameDataAux(TransferRequest* request)
{
    if (request == nullptr)
        return 0;
    bool opened = false;
    if (!EnsureStream(&opened))
        return 0;
    const uint32_t expected = request->expectedSize;
    uint32_t received = 0;
    if (expected <= request->capacity && (request->buffer != nullptr || expected == 0) &&
        ReadBulkAfterStart(streamHandle_.get(), request->buffer, expected, kEndpointAuxIn, &received) &&
        received == expected)
        return 1;
    CloseStreamIf(opened);
    return 0;
}

int CKelCy3Cam::ReadFrameByCommand(TransferRequest* request, uint32_t* size, uint32_t timeoutMs)
{
    if (request == nullptr || size == nullptr)
        return 0;
    bool opened = false;
    if (!EnsureStream(&opened))
        return 0;
    // The camera sends whole 16 KiB blocks and always one more than the
    // size's floor.
    uint64_t total = (static_cast<uint64_t>(*size >> kCommandReadGranuleShift) + 1) << kCommandReadGranuleShift;
    const bool commandPerPiece = GetSelectedProductId() == kProductId3310;
    int result = total <= request->capacity && request->buffer != nullptr ? 1 : 0;
    uint32_t got = 0;
    for (bool first = true; result && total > 0; first = false) {
        const auto piece = static_cast<uint32_t>(std::min<uint64_t>(total, kCommandReadPieceBytes));
        if (first || commandPerPiece) {
            MemoryCommand command =
                MakeMemoryCommand(kMemoryReadMagic, 0, commandPerPiece ? piece : static_cast<uint32_t>(total));
            if (!TransferDirectFixed(streamHandle_.get(), reinterpret_cast<uint8_t*>(&command), kMemoryCommandSize,
                                     kEndpointCommandOut, nullptr)) {
                result = 0;
                break;
            }
        }
        uint32_t received = 0;
        if (!TransferDirect(streamHandle_.get(), request->buffer + got, piece, kEndpointFrameIn, &received,
                            timeoutMs) ||
            received != piece) {
            result = 0;
            break;
        }
        got += received;
        total -= received;
    }
    if (result)
        *size = got;
    CloseStreamIf(opened);
    return result;
}

int CKelCy3Cam::WriteMemory(uint64_t address, const uint8_t* data, uint32_t length)
{
    // Written data is only read by the driver.
    return TransferMemory(true, address, const_cast<uint8_t*>(data), length);
}

int CKelCy3Cam::ReadMemory(uint64_t address, uint8_t* data, uint32_t length)
{
    return TransferMemory(false, address, data, length);
}

int CKelCy3Cam::TransferMemory(bool write, uint64_t address, uint8_t* data, uint32_t length)
{
    if (data == nullptr && length > 0)
        return 0;
    bool opened = false;
    if (!EnsureStream(&opened))
        return 0;
    const uint64_t total = (static_cast<uint64_t>(length) & ~uint64_t{kMemoryGranuleMask}) + kMemoryGranuleBytes;
    int result = 1;
    std::vector<uint8_t> bounce;
    for (uint64_t offset = 0; offset < total;) {
        const auto piece = static_cast<uint32_t>(std::min<uint64_t>(total - offset, kMemoryPieceBytes));
        MemoryCommand command = MakeMemoryCommand(write ? kMemoryWriteMagic : kMemoryReadMagic, address, piece);
        if (!TransferDirectFixed(streamHandle_.get(), reinterpret_cast<uint8_t*>(&command), kMemoryCommandSize,
                                 kEndpointCommandOut, nullptr)) {
            result = 0;
            break;
        }
        // The last block reaches past the caller's bytes: it goes through a
        // zero-padded copy instead of reading or writing beyond them.
        const uint64_t inCaller = offset < length ? std::min<uint64_t>(length - offset, piece) : 0;
        uint8_t* window = data != nullptr ? data + offset : nullptr;
        if (inCaller < piece) {
            bounce.assign(piece, 0);
            if (write && inCaller > 0)
                std::memcpy(bounce.data(), window, inCaller);
            window = bounce.data();
        }
        uint32_t moved = 0;
        const int accepted =
            write ? TransferDirectFixed(streamHandle_.get(), window, piece, kEndpointCommandOut, &moved)
                  : TransferDirect(streamHandle_.get(), window, piece, kEndpointFrameIn, &moved, kMemoryReadTimeoutMs);
        if (!accepted)
            platform::Sleep(kMemoryRefusalPauseMs);
        if (accepted && !write && window == bounce.data() && inCaller > 0)
            std::memcpy(data + offset, bounce.data(), std::min<uint64_t>(inCaller, moved));
        if (!accepted || moved != piece) {
            result = 0;
            break;
        }
        address += moved;
        offset += moved;
    }
    CloseStreamIf(opened);
    return result;
}

} // namespace tavix
