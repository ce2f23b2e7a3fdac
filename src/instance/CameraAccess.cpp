// Exposure, gain-side switches, mirrors, registers, the I/O port, the
// serial memory and the camera-information record: what the exports reach
// in the camera object, with the error each failure records or only posts.

#include <cstring>

#include "camera/CTavixU3Q5Base.h"
#include "instance/CTavix.h"
#include "platform/Clock.h"

namespace tavix {

namespace {

constexpr uint8_t kIoPortRegister = 7;
constexpr uint16_t kSromAddressMask = 0xFFF;
constexpr int kSromVerifications = 10;
constexpr uint16_t kSerialNumberAddress = 0x1040;
constexpr int kSerialNumberBytes = 32;
constexpr uint32_t kSerialByteGapMs = 10;
constexpr int32_t kAutoIrisModes = 3;
constexpr int32_t kInfoShortBytes = 36;
constexpr int32_t kInfoLongBytes = 56;

int32_t SetFlag(int32_t* ok, int32_t flag)
{
    if (ok != nullptr)
        *ok = flag;
    return flag;
}

void PutU32(uint8_t* at, uint32_t value)
{
    for (int k = 0; k < 4; ++k)
        at[k] = static_cast<uint8_t>(value >> (8 * k));
}

} // namespace

// --- mirrors and exposure ---------------------------------------------------------

int CTavix::SetMirror(bool horizontal, int32_t flag)
{
    if (!camera_) {
        // The vertical form only announces it.
        horizontal ? PushError(TAVIX_ERR_NO_CAMERA) : PostError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    const int32_t on = flag != 0 ? 1 : 0;
    if (horizontal) {
        camera_->SetMirrorH(static_cast<uint32_t>(on));
        analog_.mirrorH = on;
    } else {
        camera_->SetMirrorV(static_cast<uint32_t>(on));
        analog_.mirrorV = on;
    }
    return 1;
}

int32_t CTavix::GetMirror(bool horizontal)
{
    if (!camera_) {
        horizontal ? PushError(TAVIX_ERR_NO_CAMERA) : PostError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    return horizontal ? analog_.mirrorH : analog_.mirrorV;
}

int CTavix::SetExposureSeconds(double seconds)
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    if (!camera_->IsExposureSecondsSupported()) {
        PushError(TAVIX_ERR_NOT_SUPPORTED);
        return 0;
    }
    if (!camera_->SetExposureSeconds(seconds))
        return 0;
    analog_.exposureSeconds = seconds;
    // The integer form keeps the whole seconds only, in its 100 µs units.
    analog_.exposure = static_cast<int32_t>(static_cast<int64_t>(seconds) * 10000);
    return 1;
}

double CTavix::GetExposureSeconds(int32_t* ok)
{
    SetFlag(ok, 0);
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return -1.0;
    }
    if (!camera_->IsExposureSecondsSupported()) {
        PushError(TAVIX_ERR_NOT_SUPPORTED);
        return -1.0;
    }
    double seconds = 0;
    if (!camera_->GetExposureSeconds(&seconds))
        return -1.0;
    analog_.exposureSeconds = seconds;
    SetFlag(ok, 1);
    return seconds;
}

int CTavix::SetRealExposure(int32_t hundredths)
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    const int64_t exposure = hundredths / 100;
    if (exposure < camera_->GetExposureTimeMin() || exposure > camera_->GetExposureTimeMax()) {
        PushError(TAVIX_ERR_ARGUMENT);
        return 0;
    }
    analog_.exposure = static_cast<int32_t>(exposure);
    realExposure_ = hundredths;
    SendExposure(static_cast<uint32_t>(exposure));
    return 1;
}

int32_t CTavix::GetRealExposure(int32_t* ok)
{
    if (!camera_) {
        SetFlag(ok, 0);
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    SetFlag(ok, 1);
    realExposure_ = analog_.exposure * 100;
    return realExposure_;
}

double CTavix::GetTemperature(int32_t* ok)
{
    SetFlag(ok, 0);
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0.0;
    }
    if (!camera_->IsTemperatureAvailable()) {
        PushError(TAVIX_ERR_NOT_SUPPORTED);
        return 0.0;
    }
    double celsius = 0.0;
    if (!camera_->ReadTemperature(&celsius)) {
        PushError(TAVIX_ERR_CONVERSION);
        return 0.0;
    }
    PushError(TAVIX_ERR_NONE);
    SetFlag(ok, 1);
    return celsius;
}

int CTavix::SetAutoIris(int32_t mode)
{
    if (mode < 0 || mode >= kAutoIrisModes) {
        PostError(TAVIX_ERR_ARGUMENT);
        return 0;
    }
    analog_.autoIris = mode;
    return 1;
}

int32_t CTavix::GetAutoIris(int32_t* ok)
{
    SetFlag(ok, 1);
    return analog_.autoIris;
}

int32_t CTavix::GetInternalCorrection(int32_t* ok)
{
    if (!camera_) {
        PostError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    if (!camera_->IsInternalCorrectionAvailable()) {
        PostError(TAVIX_ERR_NOT_SUPPORTED);
        return 0;
    }
    SetFlag(ok, 1);
    return camera_->GetInternalCorrection();
}

int CTavix::SetInternalCorrection(int32_t on)
{
    if (!camera_) {
        PostError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    if (!camera_->IsInternalCorrectionAvailable()) {
        PostError(TAVIX_ERR_NOT_SUPPORTED);
        return 0;
    }
    return camera_->SetInternalCorrection(static_cast<uint32_t>(on));
}

int CTavix::SetSamplingRate(uint32_t value)
{
    return camera_ ? camera_->SetSensorParameter(0, 0, &value) : 0;
}

int CTavix::GetCameraInfo(uint8_t* record)
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    if (record == nullptr) {
        PushError(TAVIX_ERR_ARGUMENT);
        return 0;
    }
    uint32_t size = 0;
    std::memcpy(&size, record, sizeof size); // little-endian, set by the caller
    if (size < kInfoShortBytes) {
        PushError(TAVIX_ERR_BUFFER);
        return 0;
    }
    CTavixU3Q5Base& camera = *camera_;
    const uint32_t fields[] = {camera.GetSensorWidth(),     camera.GetSensorHeight(),    camera.GetGlobalGainMin(),
                               camera.GetGlobalGainMax(),   camera.GetColorGainMin(),    camera.GetColorGainMax(),
                               camera.GetExposureTimeMin(), camera.GetExposureTimeMax()};
    for (size_t k = 0; k < std::size(fields); ++k)
        PutU32(record + 4 + 4 * k, fields[k]);
    if (size >= kInfoLongBytes) {
        double range[2] = {0.0, 0.0};
        camera.GetExposureSecondsMin(&range[0]);
        camera.GetExposureSecondsMax(&range[1]);
        std::memcpy(record + 40, range, sizeof range);
    }
    return 1;
}

// --- registers, I/O port, serial memory --------------------------------------------

uint32_t CTavix::ReadSensorRegister(uint32_t address, int32_t* ok)
{
    if (!camera_) {
        SetFlag(ok, 0);
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    int read = 0;
    const uint32_t value = camera_->ReadRegister(0, address, &read);
    if (SetFlag(ok, read != 0 ? 1 : 0) == 0) {
        PushError(TAVIX_ERR_REGISTER);
        return 0;
    }
    return value;
}

int CTavix::WriteSensorRegister(uint32_t address, uint32_t value)
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    if (!camera_->WriteRegister(0, address, value)) {
        PushError(TAVIX_ERR_REGISTER);
        return 0;
    }
    return 1;
}

uint32_t CTavix::ReadFpgaRegister(uint8_t reg, int32_t* ok)
{
    if (!camera_) {
        SetFlag(ok, 0);
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    int read = 0;
    const uint32_t value = camera_->FpgaReadRegister(reg, &read);
    if (SetFlag(ok, read != 0 ? 1 : 0) == 0) {
        PushError(TAVIX_ERR_REGISTER);
        return 0;
    }
    return value & 0xFFFF;
}

int CTavix::WriteFpgaRegister(uint8_t reg, uint16_t value)
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    if (!camera_->FpgaWriteRegister(reg, value)) {
        PushError(TAVIX_ERR_REGISTER);
        return 0;
    }
    return 1;
}

int CTavix::GetIoPort(uint8_t* value)
{
    if (!camera_) {
        PostError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    int read = 0;
    const uint32_t port = value != nullptr ? camera_->FpgaReadRegister(kIoPortRegister, &read) : 0;
    if (read == 0) {
        PostError(TAVIX_ERR_ARGUMENT);
        return 0;
    }
    *value = static_cast<uint8_t>(port);
    return 1;
}

int CTavix::SetIoPort(uint8_t value)
{
    if (!camera_) {
        PostError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    return camera_->FpgaWriteRegister(kIoPortRegister, value);
}

uint32_t CTavix::ReadSrom(uint32_t address, int32_t* ok)
{
    uint8_t byte = 0;
    if (!camera_ || !camera_->ReadSromByte(static_cast<uint16_t>(address & kSromAddressMask), &byte)) {
        SetFlag(ok, 0);
        PostError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    SetFlag(ok, 1);
    return byte;
}

int CTavix::WriteSrom(uint32_t address, uint32_t value)
{
    const auto cell = static_cast<uint16_t>(address & kSromAddressMask);
    const auto byte = static_cast<uint8_t>(value);
    if (!camera_ || !camera_->WriteSromByte(cell, byte)) {
        PostError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    // A cell that does not keep the byte is written again, ten times at
    // most; the answer is 1 either way.
    for (int attempt = 0; attempt < kSromVerifications; ++attempt) {
        uint8_t stored = 0;
        if (!camera_->ReadSromByte(cell, &stored)) {
            PostError(TAVIX_ERR_NO_CAMERA);
            stored = 0;
        }
        if (stored == byte)
            break;
        camera_->WriteSromByte(cell, byte);
    }
    return 1;
}

int CTavix::ReadSerialNumber(char* text, int32_t size)
{
    if (text == nullptr || size < kSerialNumberBytes) {
        PushError(TAVIX_ERR_ARGUMENT);
        return 0;
    }
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    char serial[kSerialNumberBytes + 1] = {};
    int read = 0;
    bool firstErased = false;
    for (int i = 0; i < kSerialNumberBytes; ++i) {
        uint8_t byte = 0;
        if (!camera_->ReadSromByte(static_cast<uint16_t>(kSerialNumberAddress + i), &byte))
            break;
        ++read;
        if (byte == 0xFF) {
            firstErased = i == 0;
            break;
        }
        serial[i] = static_cast<char>(byte);
        platform::Sleep(kSerialByteGapMs);
    }
    if (serial[0] != '\0') {
        // Thirty-two characters without an end: the last gives way to the
        // terminator.
        serial[kSerialNumberBytes - 1] = '\0';
        std::memcpy(text, serial, std::strlen(serial) + 1);
        return 1;
    }
    return read > 0 || firstErased ? 1 : 0;
}

} // namespace tavix
