#pragma once
// The camera driver's interface as the emulated driver decodes it: the
// control codes, the 38-byte request header that precedes every transfer
// (the single-transfer record of the FX3 driver interface) and the status
// words the driver writes back into it. Everything is little-endian and
// packed; the header is decoded field by field, never cast.

#include <cstddef>
#include <cstdint>

namespace tavix::emu::driver {

// Control codes (METHOD_BUFFERED except the direct transfer).
constexpr uint32_t kSendEp0ControlTransfer = 0x220020;
constexpr uint32_t kSendNonEp0Transfer = 0x220024;
constexpr uint32_t kResetPipe = 0x22002C;
constexpr uint32_t kResetParentPort = 0x220030;
constexpr uint32_t kAbortPipe = 0x220044;
constexpr uint32_t kSendNonEp0Direct = 0x22004B; // METHOD_NEITHER
constexpr uint32_t kGetDeviceSpeed = 0x22004C;

// GET_DEVICE_SPEED answers.
constexpr uint32_t kSpeedHigh = 3;  // USB 2 high speed
constexpr uint32_t kSpeedSuper = 4; // USB 3 SuperSpeed

// Bulk endpoints of the camera's streaming interface.
constexpr uint8_t kEndpointFrames = 0x81;   // frame information blocks and payloads
constexpr uint8_t kEndpointAux = 0x83;      // auxiliary input (no data on this model)
constexpr uint8_t kEndpointCommands = 0x01; // memory commands and memory writes

// The request header (TransferRecord): field offsets.
constexpr size_t kHeaderSize = 38;
constexpr size_t kOffRequestType = 0;
constexpr size_t kOffRequest = 1;
constexpr size_t kOffValue = 2;
constexpr size_t kOffIndex = 4;
constexpr size_t kOffLength = 6;
constexpr size_t kOffTimeout = 8;
constexpr size_t kOffReserved = 12;
constexpr size_t kOffEndpoint = 13;
constexpr size_t kOffNtStatus = 14;
constexpr size_t kOffUsbdStatus = 18;
constexpr size_t kOffIsoPacketOffset = 22;
constexpr size_t kOffIsoPacketLength = 26;
constexpr size_t kOffDataOffset = 30;
constexpr size_t kOffDataLength = 34;

// A vendor request always travels as one record of header + 64 data bytes,
// whose length field holds the size of the whole record.
constexpr size_t kVendorDataSize = 64;
constexpr size_t kVendorRecordSize = kHeaderSize + kVendorDataSize; // 102
constexpr uint32_t kVendorTimeoutSeconds = 3;

// Request types of the vendor requests.
constexpr uint8_t kTypeVendorOut = 0x40;         // host to device, device recipient
constexpr uint8_t kTypeVendorIn = 0xC0;          // device to host, device recipient
constexpr uint8_t kTypeVendorOutEndpoint = 0x42; // host to device, endpoint recipient

// Status words the driver writes into a header when a transfer fails.
constexpr uint32_t kNtStatusSuccess = 0;
constexpr uint32_t kNtStatusUnsuccessful = 0xC0000001;
constexpr uint32_t kNtStatusDeviceNotConnected = 0xC000009D;
constexpr uint32_t kNtStatusCancelled = 0xC0000120;
constexpr uint32_t kUsbdStatusSuccess = 0;
constexpr uint32_t kUsbdStatusStallPid = 0xC0000004;
constexpr uint32_t kUsbdStatusDevNotResponding = 0xC0000005;
constexpr uint32_t kUsbdStatusCanceled = 0xC0010000;

// Windows error codes the driver reports beyond those of platform/DeviceIo.h.
constexpr uint32_t kErrorInvalidFunction = 1;

struct TransferHeader {
    uint8_t requestType = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    uint16_t length = 0;
    uint32_t timeout = 0;
    uint8_t reserved = 0;
    uint8_t endpoint = 0;
    uint32_t ntStatus = 0;
    uint32_t usbdStatus = 0;
    uint32_t isoPacketOffset = 0;
    uint32_t isoPacketLength = 0;
    uint32_t dataOffset = 0;
    uint32_t dataLength = 0;
};

// Reads the header from the first kHeaderSize bytes of a record.
TransferHeader DecodeHeader(const uint8_t* record);
// Writes the header into the first kHeaderSize bytes of a record.
void EncodeHeader(const TransferHeader& header, uint8_t* record);
// Writes only the two status words, as the driver does on completion.
void WriteStatus(uint8_t* record, uint32_t ntStatus, uint32_t usbdStatus);

uint16_t LoadU16(const uint8_t* bytes);
uint32_t LoadU32(const uint8_t* bytes);
void StoreU16(uint8_t* bytes, uint16_t value);
void StoreU32(uint8_t* bytes, uint32_t value);

} // namespace tavix::emu::driver
