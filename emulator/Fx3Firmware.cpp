#include "emulator/Fx3Firmware.h"

#include <cstdio>

#include "emulator/DriverInterface.h"
#include "emulator/VendorRequests.h"

namespace tavix::emu {

namespace {

VendorOutcome Refused(std::string problem)
{
    VendorOutcome outcome;
    outcome.problem = std::move(problem);
    return outcome;
}

VendorOutcome Accepted(uint32_t replyBytes = 0)
{
    VendorOutcome outcome;
    outcome.accepted = true;
    outcome.replyBytes = replyBytes;
    return outcome;
}

std::string Text(const char* format, unsigned a, unsigned b = 0)
{
    char text[160];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// The data area beyond a request's payload must be zero: the driver's
// callers clear the whole record before filling it.
bool ZeroFrom(const uint8_t* data, size_t from)
{
    for (size_t i = from; i < driver::kVendorDataSize; ++i)
        if (data[i] != 0)
            return false;
    return true;
}

struct Rule {
    uint8_t request;
    uint8_t type;
    size_t payloadBytes; // data bytes an OUT request carries (SIZE_MAX: given by value)
};

constexpr size_t kByValue = static_cast<size_t>(-1);
constexpr Rule kRules[] = {
    {fx3::kI2cWrite, driver::kTypeVendorOut, kByValue},
    {fx3::kI2cRead, driver::kTypeVendorIn, 0},
    {fx3::kCommandByte, driver::kTypeVendorOut, 1},
    {fx3::kStatusByte, driver::kTypeVendorIn, 0},
    {fx3::kWriteSensorWord, driver::kTypeVendorOut, 4},
    {fx3::kReadSensorWord, driver::kTypeVendorIn, 0},
    {fx3::kInfoBlock, driver::kTypeVendorIn, 0},
    {fx3::kInfoBlockB1, driver::kTypeVendorIn, 0},
    {fx3::kStopFrames, driver::kTypeVendorOut, 0},
    {fx3::kArmFrame, driver::kTypeVendorOutEndpoint, 0},
    {fx3::kGpio25, driver::kTypeVendorIn, 0},
    {fx3::kEndpointRequestCC, driver::kTypeVendorOutEndpoint, 0},
    {fx3::kWriteRegister32, driver::kTypeVendorOut, 4},
    {fx3::kReadRegister16, driver::kTypeVendorIn, 0},
};

} // namespace

Fx3Firmware::Fx3Firmware(const CameraOptions& options, FrameSource& frames)
    : sensor_(options.chipId), bus_(fpga_, sensor_, eeprom_), frames_(frames)
{
    driver::StoreU16(infoBlock.data() + fx3::kInfoVendorId, options.vendorId);
    driver::StoreU16(infoBlock.data() + fx3::kInfoProductId, options.productId);
    driver::StoreU16(infoBlock.data() + fx3::kInfoFirmwareVersion, options.firmwareVersion);
    infoBlock[fx3::kInfoGpio25Flag] = options.gpio25Flag;
    driver::StoreU16(infoBlockB1.data(), fpga::kDefaultStatusWord);
    still = options.still;
    noiseAmplitude = options.noiseAmplitude;
    noiseSeed = options.noiseSeed;
    PowerUp();
}

void Fx3Firmware::PowerUp()
{
    fpga_.PowerUp();
    sensor_.PowerUp();
    bus_.PowerUp();
    bus_.ClearHistory();
    gpio25Polls_ = 0;
    commandByte = 0;
    sensorWords.clear();
    controllerRegisters.clear();
}

void Fx3Firmware::SetReadiness(const Readiness& readiness)
{
    readiness_ = readiness;
    fpga_.SetReadiness(readiness.fpgaAfterPolls, readiness.busBusyPolls, static_cast<int>(readiness.lock));
    bus_.SetReadyDeviceAfterPolls(readiness.readyDeviceAfterPolls);
    gpio25Polls_ = 0;
}

FrameSettings Fx3Firmware::CurrentFrameSettings() const
{
    FrameSettings s;
    s.width = fpga_.Peek(fpga::kRegWidthLow) | (fpga_.Peek(fpga::kRegWidthHigh) << 8);
    s.height = fpga_.Peek(fpga::kRegHeightLow) | (fpga_.Peek(fpga::kRegHeightHigh) << 8);
    s.sixteenBit = fpga_.Peek(fpga::kRegPixelDepth) == fpga::kDepth16;
    sensor_.Decode(s);
    s.frameNumber = frames_.NextFrameNumber();
    s.still = still;
    s.noiseAmplitude = noiseAmplitude;
    s.noiseSeed = noiseSeed;
    return s;
}

VendorOutcome Fx3Firmware::Handle(const driver::TransferHeader& h, const uint8_t* data, uint8_t* reply,
                                  std::chrono::steady_clock::time_point now)
{
    const Rule* rule = nullptr;
    for (const Rule& r : kRules)
        if (r.request == h.request)
            rule = &r;
    if (rule == nullptr)
        return Refused(Text("unknown vendor request 0x%02X", h.request));
    if (h.requestType != rule->type)
        return Refused(Text("vendor request 0x%02X with request type 0x%02X", h.request, h.requestType));
    const size_t payload = rule->payloadBytes == kByValue ? h.value : rule->payloadBytes;
    if (payload <= driver::kVendorDataSize && !ZeroFrom(data, payload))
        return Refused(Text("vendor request 0x%02X with stray bytes after its %u data bytes", h.request,
                            static_cast<unsigned>(payload)));

    VendorOutcome outcome;
    switch (h.request) {
    case fx3::kI2cWrite:
        outcome = I2cWrite(h, data);
        break;
    case fx3::kI2cRead:
        outcome = I2cRead(h, reply);
        break;
    default:
        // Every other request has its own value and index rule below.
        if (h.request != fx3::kReadSensorWord && h.request != fx3::kWriteRegister32 &&
            h.request != fx3::kReadRegister16 && (h.value != 0 || h.index != 0))
            return Refused(Text("vendor request 0x%02X with value 0x%04X or index not 0", h.request, h.value));
        switch (h.request) {
        case fx3::kCommandByte:
            commandByte = data[0];
            outcome = Accepted();
            break;
        case fx3::kStatusByte:
            reply[0] = commandByte;
            outcome = Accepted(1);
            break;
        case fx3::kWriteSensorWord:
            sensorWords[static_cast<uint16_t>((data[0] << 8) | data[1])] = static_cast<uint16_t>((data[2] << 8) | data[3]);
            outcome = Accepted();
            break;
        case fx3::kReadSensorWord: {
            if (h.index != 0)
                return Refused(Text("sensor word read with index 0x%04X (must be 0)", h.index));
            const auto it = sensorWords.find(h.value);
            driver::StoreU16(reply, it == sensorWords.end() ? 0 : it->second);
            outcome = Accepted(2);
            break;
        }
        case fx3::kInfoBlock:
            std::copy(infoBlock.begin(), infoBlock.end(), reply);
            outcome = Accepted(fx3::kInfoBlockSize);
            break;
        case fx3::kInfoBlockB1:
            std::copy(infoBlockB1.begin(), infoBlockB1.end(), reply);
            outcome = Accepted(fx3::kInfoBlockSize);
            break;
        case fx3::kStopFrames:
            frames_.Flush();
            outcome = Accepted();
            break;
        case fx3::kArmFrame:
            frames_.Arm(CurrentFrameSettings(), now);
            outcome = Accepted();
            break;
        case fx3::kGpio25: {
            ++gpio25Polls_;
            const int after = readiness_.gpio25AfterPolls;
            reply[0] = (after != kNever && gpio25Polls_ > after) ? 1 : 0;
            outcome = Accepted(driver::kVendorDataSize);
            break;
        }
        case fx3::kEndpointRequestCC:
            outcome = Accepted();
            break;
        case fx3::kWriteRegister32:
            if (h.value > 1 || h.index >= 0x8000)
                return Refused(Text("register write with value 0x%04X, index 0x%04X (address split wrongly)", h.value,
                                    h.index));
            controllerRegisters[static_cast<uint16_t>((h.value << 15) | h.index)] = driver::LoadU32(data);
            outcome = Accepted();
            break;
        case fx3::kReadRegister16: {
            if (h.value != 0)
                return Refused(Text("register read with value 0x%04X (must be 0)", h.value));
            const auto it = controllerRegisters.find(h.index);
            driver::StoreU16(reply, static_cast<uint16_t>(it == controllerRegisters.end() ? 0 : it->second));
            outcome = Accepted(driver::kVendorDataSize);
            break;
        }
        default:
            return Refused(Text("unknown vendor request 0x%02X", h.request));
        }
    }
    if (outcome.accepted && rule->type == driver::kTypeVendorIn) {
        const auto shortened = shortReplies_.find(h.request);
        if (shortened != shortReplies_.end()) {
            if (shortened->second < outcome.replyBytes)
                outcome.replyBytes = shortened->second;
            shortReplies_.erase(shortened);
        }
    }
    return outcome;
}

VendorOutcome Fx3Firmware::I2cWrite(const driver::TransferHeader& h, const uint8_t* data)
{
    if (h.value < 1 || h.value > fx3::kMaxI2cBytes)
        return Refused(Text("I2C write of %u bytes (1 to 64)", h.value));
    if (h.index > 0xFF || (h.index & 1) != 0)
        return Refused(Text("I2C write to device index 0x%04X (an even 8-bit address)", h.index));
    std::string problem;
    if (!bus_.Write(static_cast<uint8_t>(h.index), data, h.value, problem))
        return Refused(problem);
    if (fpga_.TakeRestartPulse())
        frames_.Restart();
    return Accepted();
}

VendorOutcome Fx3Firmware::I2cRead(const driver::TransferHeader& h, uint8_t* reply)
{
    if (h.value < 1 || h.value > fx3::kMaxI2cBytes)
        return Refused(Text("I2C read of %u bytes (1 to 64)", h.value));
    if (h.index > 0xFF || (h.index & 1) == 0)
        return Refused(Text("I2C read from device index 0x%04X (the address with bit 0 set)", h.index));
    std::string problem;
    if (!bus_.Read(static_cast<uint8_t>(h.index), reply, h.value, problem))
        return Refused(problem);
    return Accepted(h.value);
}

} // namespace tavix::emu
