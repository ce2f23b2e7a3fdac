#include "emulator/DriverInterface.h"

namespace tavix::emu::driver {

uint16_t LoadU16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)); }

uint32_t LoadU32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

void StoreU16(uint8_t* bytes, uint16_t value)
{
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
}

void StoreU32(uint8_t* bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

TransferHeader DecodeHeader(const uint8_t* record)
{
    TransferHeader h;
    h.requestType = record[kOffRequestType];
    h.request = record[kOffRequest];
    h.value = LoadU16(record + kOffValue);
    h.index = LoadU16(record + kOffIndex);
    h.length = LoadU16(record + kOffLength);
    h.timeout = LoadU32(record + kOffTimeout);
    h.reserved = record[kOffReserved];
    h.endpoint = record[kOffEndpoint];
    h.ntStatus = LoadU32(record + kOffNtStatus);
    h.usbdStatus = LoadU32(record + kOffUsbdStatus);
    h.isoPacketOffset = LoadU32(record + kOffIsoPacketOffset);
    h.isoPacketLength = LoadU32(record + kOffIsoPacketLength);
    h.dataOffset = LoadU32(record + kOffDataOffset);
    h.dataLength = LoadU32(record + kOffDataLength);
    return h;
}

void EncodeHeader(const TransferHeader& h, uint8_t* record)
{
    record[kOffRequestType] = h.requestType;
    record[kOffRequest] = h.request;
    StoreU16(record + kOffValue, h.value);
    StoreU16(record + kOffIndex, h.index);
    StoreU16(record + kOffLength, h.length);
    StoreU32(record + kOffTimeout, h.timeout);
    record[kOffReserved] = h.reserved;
    record[kOffEndpoint] = h.endpoint;
    StoreU32(record + kOffNtStatus, h.ntStatus);
    StoreU32(record + kOffUsbdStatus, h.usbdStatus);
    StoreU32(record + kOffIsoPacketOffset, h.isoPacketOffset);
    StoreU32(record + kOffIsoPacketLength, h.isoPacketLength);
    StoreU32(record + kOffDataOffset, h.dataOffset);
    StoreU32(record + kOffDataLength, h.dataLength);
}

void WriteStatus(uint8_t* record, uint32_t ntStatus, uint32_t usbdStatus)
{
    StoreU32(record + kOffNtStatus, ntStatus);
    StoreU32(record + kOffUsbdStatus, usbdStatus);
}

} // namespace tavix::emu::driver
