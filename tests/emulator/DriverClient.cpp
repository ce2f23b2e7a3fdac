#include "DriverClient.h"

#include <cstring>

namespace tavix::test {

DriverClient::DriverClient(platform::DevicePort& port, std::string path) : port_(port), path_(std::move(path)) {}

platform::IoStatus DriverClient::Send(uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize)
{
    auto handle = port_.Open(path_, false);
    if (!handle)
        return {false, platform::kErrorFileNotFound, 0};
    return handle->Control(code, in, inSize, out, outSize);
}

platform::IoStatus DriverClient::Vendor(uint8_t type, uint8_t request, uint16_t value, uint16_t index,
                                        const std::vector<uint8_t>& payload, std::vector<uint8_t>* record)
{
    auto bytes = VendorRecord(type, request, value, index, payload);
    const platform::IoStatus status = Send(codes::kEp0, bytes.data(), 102, bytes.data(), 102);
    if (record != nullptr)
        record->assign(bytes.begin(), bytes.end());
    return status;
}

bool DriverClient::I2cWrite(uint8_t address, const std::vector<uint8_t>& bytes)
{
    return Vendor(kOut, 0x30, static_cast<uint16_t>(bytes.size()), address, bytes).accepted;
}

bool DriverClient::I2cRead(uint8_t address, uint8_t count, std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> record;
    const platform::IoStatus status = Vendor(kIn, 0x31, count, static_cast<uint16_t>(address | 1), {}, &record);
    if (!status.accepted || status.bytesReturned < 38u + count)
        return false;
    bytes.assign(record.begin() + 38, record.begin() + 38 + count);
    return true;
}

bool DriverClient::WriteFpga(uint8_t reg, uint8_t value) { return I2cWrite(0x40, {reg, 0, value}); }

bool DriverClient::ReadFpga(uint8_t reg, uint8_t& value)
{
    std::vector<uint8_t> bytes;
    if (!I2cWrite(0x40, {reg}) || !I2cRead(0x41, 2, bytes))
        return false;
    value = bytes[1];
    return true;
}

bool DriverClient::WriteSensor(uint16_t address, uint8_t value)
{
    return I2cWrite(0x48, {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address), value});
}

bool DriverClient::ReadSensor(uint16_t address, uint8_t& value)
{
    std::vector<uint8_t> bytes;
    if (!I2cWrite(0x48, {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)}) ||
        !I2cRead(0x48, 1, bytes))
        return false;
    value = bytes[0];
    return true;
}

bool DriverClient::WriteEeprom(uint16_t address, uint8_t value)
{
    return I2cWrite(0xA2, {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address), value});
}

bool DriverClient::ReadEeprom(uint16_t address, uint8_t& value)
{
    std::vector<uint8_t> bytes;
    if (!I2cWrite(0xA2, {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)}) ||
        !I2cRead(0xA2, 1, bytes))
        return false;
    value = bytes[0];
    return true;
}

bool DriverClient::SetFormat(uint32_t width, uint32_t height, bool sixteenBit)
{
    return WriteFpga(0x44, static_cast<uint8_t>(width)) && WriteFpga(0x45, static_cast<uint8_t>(width >> 8)) &&
           WriteFpga(0x40, static_cast<uint8_t>(height)) && WriteFpga(0x41, static_cast<uint8_t>(height >> 8)) &&
           WriteFpga(0x3C, sixteenBit ? 2 : 1) && WriteFpga(0x48, 11) && WriteFpga(96, 1);
}

bool DriverClient::SetWindow(uint32_t x, uint32_t width, uint32_t y, uint32_t height, int mode, bool sixteenBit)
{
    const uint32_t div = mode == 1 ? 2 : 1;
    const uint32_t x4 = (x + 3) / 4 * 4;
    const uint32_t y4 = (y + 3) / 4 * 4;
    const uint32_t w = width / div / 16 * 16;
    const uint32_t h = height / div / 4 * 4;
    const uint8_t bits = mode == 1 ? 0 : static_cast<uint8_t>((width < 2033 ? 1 : 0) | (height != 2048 ? 2 : 0));
    const uint32_t startH = 2448 - w - x4;
    const uint32_t startV = 2048 - h - y4;
    return WriteSensor(0x0500, bits) && WriteSensor(0x0510, static_cast<uint8_t>(startH)) &&
           WriteSensor(0x0511, static_cast<uint8_t>((startH >> 8) & 7)) &&
           WriteSensor(0x0512, static_cast<uint8_t>(startV)) &&
           WriteSensor(0x0513, static_cast<uint8_t>((startV >> 8) & 7)) && WriteSensor(0x0514, static_cast<uint8_t>(w)) &&
           WriteSensor(0x0515, static_cast<uint8_t>((w >> 8) & 7)) && WriteSensor(0x0516, static_cast<uint8_t>(h)) &&
           WriteSensor(0x0517, static_cast<uint8_t>((h >> 8) & 7)) && WriteSensor(0x020D, mode == 1 ? 0x11 : 0) &&
           SetFormat(w, h, sixteenBit);
}

platform::DeviceHandle* DriverClient::Stream()
{
    if (!stream_)
        stream_ = port_.Open(path_, true);
    return stream_.get();
}

bool DriverClient::Arm()
{
    if (Stream() == nullptr)
        return false;
    auto record = VendorRecord(kOutEndpoint, 0xC2, 0, 0);
    return Stream()->Control(codes::kEp0, record.data(), 102, record.data(), 102).accepted;
}

bool DriverClient::ReadDirect(uint8_t endpoint, uint8_t* data, uint32_t length, uint32_t timeoutMs, uint32_t* count,
                              std::array<uint8_t, 38>* headerOut)
{
    if (Stream() == nullptr)
        return false;
    std::array<uint8_t, 38> header = DirectHeader(endpoint);
    std::unique_ptr<platform::PendingIo> pending;
    platform::IoStatus status = Stream()->ControlOverlapped(codes::kDirect, header.data(), 38, data, length, pending);
    if (!status.accepted) {
        if (status.error != platform::kErrorIoPending)
            return false;
        if (!pending->Wait(timeoutMs)) {
            AbortFrames();
            pending->Wait(platform::PendingIo::kInfinite);
            pending.reset();
            return false;
        }
        status = pending->Result();
        pending.reset();
    }
    if (headerOut != nullptr)
        *headerOut = header;
    if (count != nullptr)
        *count = status.bytesReturned;
    return status.accepted && U32(&header[14]) == 0 && U32(&header[18]) == 0;
}

bool DriverClient::AbortFrames()
{
    uint8_t endpoint = 0x81;
    std::unique_ptr<platform::PendingIo> pending;
    const platform::IoStatus status = Stream()->ControlOverlapped(codes::kAbortPipe, &endpoint, 1, nullptr, 0, pending);
    if (pending)
        pending->Wait(platform::PendingIo::kInfinite);
    return status.accepted || status.error == platform::kErrorIoPending;
}

bool DriverClient::ReadFrame(std::vector<uint8_t>& info, std::vector<uint8_t>& payload, uint32_t piece,
                             uint32_t timeoutMs)
{
    info.assign(64, 0);
    uint32_t count = 0;
    if (!Arm() || !ReadDirect(0x81, info.data(), 64, timeoutMs, &count) || count != 64)
        return false;
    const uint32_t size = U32(&info[16]);
    payload.resize(size);
    for (uint32_t offset = 0; offset < size;) {
        const uint32_t n = size - offset < piece ? size - offset : piece;
        if (!ReadDirect(0x81, payload.data() + offset, n, timeoutMs, &count) || count != n)
            return false;
        offset += n;
    }
    return true;
}

} // namespace tavix::test
