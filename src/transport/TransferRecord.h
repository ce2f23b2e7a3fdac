#pragma once
// The camera driver's request records and control codes (the FX3 driver's
// single-transfer interface). Every request other than pipe reset, port
// reset, abort and speed query starts with a 38-byte TransferRecord; a vendor
// request always travels as a whole 102-byte VendorRecord.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace tavix {

static_assert(std::endian::native == std::endian::little, "the driver's records are little-endian");

// Driver control codes.
constexpr uint32_t kIoctlSendEp0Control = 0x220020;   // a vendor request, synchronous
constexpr uint32_t kIoctlSendNonEp0 = 0x220024;       // buffered bulk transfer, overlapped
constexpr uint32_t kIoctlResetPipe = 0x22002C;        // input: one byte, the endpoint address
constexpr uint32_t kIoctlResetParentPort = 0x220030;  // no buffers
constexpr uint32_t kIoctlAbortPipe = 0x220044;        // input: one byte, the endpoint address
constexpr uint32_t kIoctlSendNonEp0Direct = 0x22004B; // METHOD_NEITHER: header in, caller's buffer out
constexpr uint32_t kIoctlGetDeviceSpeed = 0x22004C;   // output: u32 speed

// Link speed reported by kIoctlGetDeviceSpeed for a SuperSpeed link.
constexpr uint32_t kDeviceSpeedSuper = 4;

// Bulk endpoints of the camera.
constexpr uint8_t kEndpointFrameIn = 0x81;   // frame information blocks and payloads
constexpr uint8_t kEndpointAuxIn = 0x83;     // frames of the models with an auxiliary endpoint
constexpr uint8_t kEndpointCommandOut = 0x01; // memory commands and written memory

// Request types (bmRequestType) of the vendor requests.
constexpr uint8_t kRequestTypeVendorOut = 0x40;         // vendor, host to device, device recipient
constexpr uint8_t kRequestTypeVendorIn = 0xC0;          // vendor, device to host, device recipient
constexpr uint8_t kRequestTypeVendorEndpointOut = 0x42; // vendor, host to device, endpoint recipient

#pragma pack(push, 1)
struct TransferRecord {
    uint8_t requestType;
    uint8_t requestCode;
    uint16_t value;
    uint16_t index;
    uint16_t length;     // vendor requests: the size of the whole record, not of its data
    uint32_t timeout;    // seconds
    uint8_t reserved;
    uint8_t endpoint;
    uint32_t ntStatus;   // written by the driver
    uint32_t usbdStatus; // written by the driver
    uint32_t isoPacketOffset;
    uint32_t isoPacketLength;
    uint32_t dataOffset;
    uint32_t dataLength;
};
#pragma pack(pop)

constexpr uint32_t kTransferRecordSize = 38;
static_assert(sizeof(TransferRecord) == kTransferRecordSize);
static_assert(offsetof(TransferRecord, requestType) == 0);
static_assert(offsetof(TransferRecord, requestCode) == 1);
static_assert(offsetof(TransferRecord, value) == 2);
static_assert(offsetof(TransferRecord, index) == 4);
static_assert(offsetof(TransferRecord, length) == 6);
static_assert(offsetof(TransferRecord, timeout) == 8);
static_assert(offsetof(TransferRecord, reserved) == 12);
static_assert(offsetof(TransferRecord, endpoint) == 13);
static_assert(offsetof(TransferRecord, ntStatus) == 14);
static_assert(offsetof(TransferRecord, usbdStatus) == 18);
static_assert(offsetof(TransferRecord, isoPacketOffset) == 22);
static_assert(offsetof(TransferRecord, isoPacketLength) == 26);
static_assert(offsetof(TransferRecord, dataOffset) == 30);
static_assert(offsetof(TransferRecord, dataLength) == 34);

// Data area of a vendor request and the fixed header values it travels with.
constexpr uint32_t kVendorDataSize = 64;
constexpr uint32_t kVendorRecordSize = kTransferRecordSize + kVendorDataSize;
constexpr uint32_t kVendorTimeoutSeconds = 3;

#pragma pack(push, 1)
struct VendorRecord {
    TransferRecord header;
    uint8_t data[kVendorDataSize];
};
#pragma pack(pop)

static_assert(kVendorRecordSize == 102);
static_assert(sizeof(VendorRecord) == kVendorRecordSize);
static_assert(offsetof(VendorRecord, data) == kTransferRecordSize);

// The driver answers a request with the number of record bytes it gave
// back; the data bytes are what follows the header.
constexpr uint32_t DataCountOf(uint32_t bytesReturned)
{
    return bytesReturned >= kTransferRecordSize ? bytesReturned - kTransferRecordSize : bytesReturned;
}

// Largest bulk transfer the driver takes in one request (64 MiB).
constexpr uint32_t kMaxBulkTransferBytes = 0x4000000;

} // namespace tavix
