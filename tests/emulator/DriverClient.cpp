#include "DriverClient.h"

#include <algorithm>

namespace tavix::test {

platform::IoStatus DriverClient::Send(uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize)
{
    auto handle = port_.Open(path_, false);
    if (!handle)
        return {false, platform::kErrorFileNotFound, 0};
    return handle->Control(code, in, inSize, out, outSize);
}

bool DriverClient::ReadAt(uint8_t device, uint16_t address, uint8_t& value)
{
    if (!I2cWrite(device, {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)}))
        return false;
    auto record = VendorRecord(kIn, 0x31, 1, static_cast<uint16_t>(device | 1));
    const platform::IoStatus status = Send(codes::kEp0, record.data(), 102, record.data(), 102);
    if (!status.accepted || status.bytesReturned < 39u) // the header and the byte
        return false;
    value = record[38];
    return true;
}

bool DriverClient::SetFormat(uint32_t width, uint32_t height, bool sixteenBit)
{
    return WriteFpga(0x44, width) && WriteFpga(0x45, width >> 8) && WriteFpga(0x40, height) &&
           WriteFpga(0x41, height >> 8) && WriteFpga(0x3C, sixteenBit ? 2 : 1) && WriteFpga(0x48, 11) &&
           WriteFpga(96, 1);
}

bool DriverClient::SetWindow(uint32_t x, uint32_t width, uint32_t y, uint32_t height, int mode, bool sixteenBit)
{
    const uint32_t div = mode == 1 ? 2 : 1;
    const uint32_t w = width / div / 16 * 16;
    const uint32_t h = height / div / 4 * 4;
    const uint32_t startH = 2448 - w - (x + 3) / 4 * 4;
    const uint32_t startV = 2048 - h - (y + 3) / 4 * 4;
    const uint32_t cropping = mode == 1 ? 0 : (width < 2033 ? 1 : 0) | (height != 2048 ? 2 : 0);
    // Eleven-bit fields: the low byte, then three bits.
    return WriteSensor(0x0500, cropping) && WriteSensor(0x0510, startH) && WriteSensor(0x0511, (startH >> 8) & 7) &&
           WriteSensor(0x0512, startV) && WriteSensor(0x0513, (startV >> 8) & 7) && WriteSensor(0x0514, w) &&
           WriteSensor(0x0515, (w >> 8) & 7) && WriteSensor(0x0516, h) && WriteSensor(0x0517, (h >> 8) & 7) &&
           WriteSensor(0x020D, mode == 1 ? 0x11 : 0) && SetFormat(w, h, sixteenBit);
}

bool DriverClient::ReadDirect(uint8_t endpoint, uint8_t* data, uint32_t length, uint32_t timeoutMs, uint32_t* count,
                              std::array<uint8_t, 38>* headerOut)
{
    if (Stream() == nullptr)
        return false;
    std::array<uint8_t, 38> header = DirectHeader(endpoint);
    std::unique_ptr<platform::PendingIo> pending;
    platform::IoStatus status = Stream()->ControlOverlapped(codes::kDirect, header.data(), 38, data, length, pending);
    if (!status.accepted && status.error == platform::kErrorIoPending) {
        if (!pending->Wait(timeoutMs)) {
            // Abort the frame pipe; the read completes before its buffers go.
            uint8_t frames = 0x81;
            std::unique_ptr<platform::PendingIo> abort;
            Stream()->ControlOverlapped(codes::kAbortPipe, &frames, 1, nullptr, 0, abort);
            if (abort)
                abort->Wait(platform::PendingIo::kInfinite);
            pending->Wait(platform::PendingIo::kInfinite);
            return false;
        }
        status = pending->Result();
    }
    if (headerOut != nullptr)
        *headerOut = header;
    if (count != nullptr)
        *count = status.bytesReturned;
    return status.accepted && U32(&header[14]) == 0 && U32(&header[18]) == 0;
}

bool DriverClient::ReadFrame(std::vector<uint8_t>& info, std::vector<uint8_t>& payload, uint32_t piece)
{
    info.assign(64, 0);
    uint32_t count = 0;
    if (!Arm() || !ReadDirect(0x81, info.data(), 64, 3000, &count) || count != 64)
        return false;
    payload.resize(U32(&info[16]));
    for (uint32_t offset = 0; offset < payload.size(); offset += count) {
        const uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(payload.size()) - offset, piece);
        if (!ReadDirect(0x81, payload.data() + offset, n, 3000, &count) || count != n)
            return false;
    }
    return true;
}

} // namespace tavix::test
