#pragma once
// The caller's record of one frame transfer: the information block the
// camera sends ahead of every frame, and where the payload goes.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tavix {

// The frame information block.
constexpr uint32_t kFrameInfoSize = 64;
constexpr size_t kFrameInfoPayloadBytesOffset = 16; // u32: payload byte count of the frame
constexpr size_t kFrameInfoFrameNumberOffset = 32;  // u32: frame number

struct TransferRequest {
    uint8_t frameInfo[kFrameInfoSize]; // filled by ReadFrameInfo
    uint32_t frameNumber;              // copy of the block's frame number
    uint8_t* buffer;                   // destination of the payload
    uint32_t capacity;                 // bytes the buffer holds
    uint32_t expectedSize;             // payload size of a read from the auxiliary endpoint
};

static_assert(offsetof(TransferRequest, frameInfo) == 0);
static_assert(offsetof(TransferRequest, frameNumber) == kFrameInfoSize);
static_assert(sizeof(void*) != 8 || (offsetof(TransferRequest, buffer) == 72 &&
                                     offsetof(TransferRequest, capacity) == 80 &&
                                     offsetof(TransferRequest, expectedSize) == 84 &&
                                     sizeof(TransferRequest) == 88));

inline uint32_t FrameInfoWord(const uint8_t* block, size_t offset)
{
    uint32_t word;
    std::memcpy(&word, block + offset, sizeof word); // little-endian like the host (TransferRecord.h)
    return word;
}

inline uint32_t PayloadBytes(const TransferRequest& request)
{
    return FrameInfoWord(request.frameInfo, kFrameInfoPayloadBytesOffset);
}

} // namespace tavix
