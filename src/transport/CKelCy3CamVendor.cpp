// The vendor requests: one 102-byte record each, sent on a control handle
// that lives for that request only (0xC2 excepted, which rides on the
// stream). A read whose answer is shorter than its rule asks for still
// counts as accepted; it only leaves the output as it was.

#include <cstring>

#include "transport/CKelCy3Cam.h"
#include "transport/VendorRequests.h"

namespace tavix {

using platform::DeviceHandle;

int CKelCy3Cam::SendVendorRequestOn(DeviceHandle& handle, uint8_t type, uint8_t code, uint16_t value,
                                    uint16_t index, const uint8_t* payload, uint32_t payloadBytes,
                                    VendorReply* reply)
{
    if (payloadBytes > kVendorDataSize)
        return 0;
    VendorRecord record{};
    record.header.requestType = type;
    record.header.requestCode = code;
    record.header.value = value;
    record.header.index = index;
    record.header.length = kVendorRecordSize;
    record.header.timeout = kVendorTimeoutSeconds;
    record.header.dataOffset = kTransferRecordSize;
    record.header.dataLength = kVendorDataSize;
    if (payloadBytes > 0)
        std::memcpy(record.data, payload, payloadBytes);

    const platform::IoStatus status =
        handle.Control(kIoctlSendEp0Control, &record, kVendorRecordSize, &record, kVendorRecordSize);
    if (!status.accepted)
        return 0;
    if (reply != nullptr) {
        reply->dataCount = DataCountOf(status.bytesReturned);
        std::memcpy(reply->data, record.data, kVendorDataSize);
    }
    return 1;
}

int CKelCy3Cam::SendVendorRequest(uint8_t type, uint8_t code, uint16_t value, uint16_t index,
                                  const uint8_t* payload, uint32_t payloadBytes, VendorReply* reply)
{
    auto handle = OpenControlHandle();
    if (handle == nullptr)
        return 0;
    return SendVendorRequestOn(*handle, type, code, value, index, payload, payloadBytes, reply);
}

int CKelCy3Cam::I2cWrite(uint8_t address, const uint8_t* data, uint8_t count)
{
    if (count > kMaxI2cBytes || (data == nullptr && count > 0))
        return 0;
    return SendVendorRequest(kRequestTypeVendorOut, vendor::kI2cWrite, count, address, data, count, nullptr);
}

int CKelCy3Cam::I2cRead(uint8_t address, uint8_t* data, uint8_t count)
{
    bool whole = false;
    return I2cReadCounted(address, data, count, &whole);
}

int CKelCy3Cam::I2cReadWhole(uint8_t address, uint8_t* data, uint8_t count)
{
    bool whole = false;
    return I2cReadCounted(address, data, count, &whole) && whole ? 1 : 0;
}

int CKelCy3Cam::I2cReadCounted(uint8_t address, uint8_t* data, uint8_t count, bool* whole)
{
    *whole = false;
    if (count > kMaxI2cBytes || (data == nullptr && count > 0))
        return 0;
    VendorReply reply;
    if (!SendVendorRequest(kRequestTypeVendorIn, vendor::kI2cRead, count, address | i2c::kReadBit, nullptr, 0,
                           &reply))
        return 0;
    // A short reply is still an accepted request; the data stays untouched.
    *whole = reply.dataCount >= count;
    if (count > 0 && *whole)
        std::memcpy(data, reply.data, count);
    return 1;
}

int CKelCy3Cam::SendCommandByte(uint8_t value)
{
    return SendVendorRequest(kRequestTypeVendorOut, vendor::kCommandByte, 0, 0, &value, 1, nullptr);
}

int CKelCy3Cam::ReadStatusByte(uint8_t* value)
{
    if (value == nullptr)
        return 0;
    VendorReply reply;
    if (!SendVendorRequest(kRequestTypeVendorIn, vendor::kStatusByte, 0, 0, nullptr, 0, &reply))
        return 0;
    if (reply.dataCount > 0)
        *value = reply.data[0];
    return 1;
}

int CKelCy3Cam::WriteSensorWord(uint16_t address, uint16_t value)
{
    const uint8_t payload[4] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address),
                                static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    return SendVendorRequest(kRequestTypeVendorOut, vendor::kSensorWordWrite, 0, 0, payload, sizeof payload,
                             nullptr);
}

int CKelCy3Cam::ReadSensorWord(uint16_t address, uint32_t* value)
{
    if (value == nullptr)
        return 0;
    VendorReply reply;
    if (!SendVendorRequest(kRequestTypeVendorIn, vendor::kSensorWordRead, address, 0, nullptr, 0, &reply))
        return 0;
    if (reply.dataCount > 0)
        *value = static_cast<uint32_t>(reply.data[0] | (reply.data[1] << 8));
    return 1;
}

int CKelCy3Cam::ReadInfoBlock(uint8_t* block)
{
    if (block == nullptr)
        return 0;
    VendorReply reply;
    if (!SendVendorRequest(kRequestTypeVendorIn, vendor::kInfoBlock, 0, 0, nullptr, 0, &reply))
        return 0;
    if (reply.dataCount == kVendorDataSize)
        std::memcpy(block, reply.data, kVendorDataSize);
    return 1;
}

int CKelCy3Cam::ReadInfoBlockB1(uint8_t* block)
{
    if (block == nullptr)
        return 0;
    VendorReply reply;
    if (!SendVendorRequest(kRequestTypeVendorIn, vendor::kInfoBlockB1, 0, 0, nullptr, 0, &reply))
        return 0;
    if (reply.dataCount == kVendorDataSize)
        std::memcpy(block, reply.data, kVendorDataSize);
    return 1;
}

int CKelCy3Cam::SendRequestC0()
{
    return SendVendorRequest(kRequestTypeVendorOut, vendor::kResetStream, 0, 0, nullptr, 0, nullptr);
}

int CKelCy3Cam::SendStartRequest(DeviceHandle* handle)
{
    if (handle == nullptr)
        handle = streamHandle_.get();
    if (handle == nullptr)
        return 0;
    return SendVendorRequestOn(*handle, kRequestTypeVendorEndpointOut, vendor::kStartFrame, 0, 0, nullptr, 0,
                               nullptr);
}

int CKelCy3Cam::ReadGpio25Flag(uint8_t* flag)
{
    if (flag == nullptr)
        return 0;
    VendorReply reply;
    if (!SendVendorRequest(kRequestTypeVendorIn, vendor::kGpio25Flag, 0, 0, nullptr, 0, &reply))
        return 0;
    if (reply.dataCount == kVendorDataSize)
        *flag = reply.data[0];
    return 1;
}

int CKelCy3Cam::SendEndpointRequestCC()
{
    return SendVendorRequest(kRequestTypeVendorEndpointOut, vendor::kEndpointRequestCC, 0, 0, nullptr, 0, nullptr);
}

int CKelCy3Cam::WriteRegister32(uint16_t address, uint32_t value)
{
    uint8_t payload[sizeof value];
    std::memcpy(payload, &value, sizeof value); // little-endian on the wire, like the host
    const auto high = static_cast<uint16_t>(address >> 15);
    const auto low = static_cast<uint16_t>(address & 0x7FFF);
    return SendVendorRequest(kRequestTypeVendorOut, vendor::kRegister32Write, high, low, payload, sizeof payload,
                             nullptr);
}

int CKelCy3Cam::ReadRegister16(uint16_t address, uint32_t* value)
{
    if (value == nullptr)
        return 0;
    VendorReply reply;
    if (!SendVendorRequest(kRequestTypeVendorIn, vendor::kRegister16Read, 0, address, nullptr, 0, &reply))
        return 0;
    // Cleared as soon as the request is accepted, whatever came back.
    *value = 0;
    if (reply.dataCount >= kVendorDataSize)
        *value = static_cast<uint32_t>(reply.data[0] | (reply.data[1] << 8));
    return 1;
}

} // namespace tavix
