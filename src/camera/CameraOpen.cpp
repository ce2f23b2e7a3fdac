// The camera object's life: transport, product identifier, opening a device
// by its per-model number, bringing the camera up, and shutting it down.

#include <cstdio>
#include <cstring>

#include "camera/CTavixU3Q5Base.h"
#include "camera/FpgaRegisters.h"
#include "camera/ProductTraits.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "sensors/SensorFactory.h"
#include "transport/CKelCy3Cam.h"

namespace tavix {

namespace {
// The camera information block (request 0xB0).
constexpr size_t kInfoFirmwareOffset = 24; // u16: controller firmware version
constexpr size_t kInfoGpio25Offset = 52;   // u8: 1 when the FPGA-ready signal is wired
// Controller firmware from which the stream pipe is reset and the FPGA's
// ready signal can be waited for.
constexpr uint16_t kFirmwareResetsPipe = 0x1100;
constexpr uint16_t kFirmwareHasReadySignal = 0x1101;

// Waiting for the FPGA: polls of the ready flag, their spacing, and the
// interval after which the FPGA is nudged with a pulse of register 0x82.
constexpr int kReadyPolls = 400;
constexpr uint32_t kReadyPollPauseMs = 500;
constexpr uint32_t kReadyPulseIntervalMs = 25000;
constexpr uint32_t kReadyPulsePauseMs = 50;

constexpr uint16_t kSromOptionAddress = 0x1080;

uint16_t FirmwareVersion(const uint8_t* block)
{
    return static_cast<uint16_t>(block[kInfoFirmwareOffset] | block[kInfoFirmwareOffset + 1] << 8);
}
} // namespace

CTavixU3Q5Base::CTavixU3Q5Base() = default;

CTavixU3Q5Base::~CTavixU3Q5Base() { Shutdown(); }

int CTavixU3Q5Base::CreateTransport(uint32_t /*flags*/, const platform::Guid* interfaceGuid)
{
    Shutdown();
    try {
        transport_ = std::make_unique<CKelCy3Cam>(interfaceGuid != nullptr ? *interfaceGuid : kCameraInterfaceGuid);
    } catch (...) {
        return 0; // out of memory: the object stays without transport
    }
    return 1;
}

int CTavixU3Q5Base::SetProductId(uint32_t productId)
{
    productId_ = productId;
    ringSize_ = product::HasLongRing(productId) ? 8 : 4;
    readIndex_ = ringSize_ - 1;
    return 1;
}

int CTavixU3Q5Base::UsesAuxEndpoint() { return productId_ == product::kAuxEndpoint ? 1 : 0; }

int CTavixU3Q5Base::IsLiSensorModel()
{
    return product::IsLiSensorModel(productId_) ? 1 : 0;
}

int CTavixU3Q5Base::OpenCamera(int32_t deviceNumber)
{
    if (!transport_ || productId_ == kUnsetProductId || transport_->EnumerateDevices() == 0)
        return 0;
    // Selecting closes the stream and may replace the driver.
    StopCaptureThread();
    if (!CheckDeviceNumber(deviceNumber))
        return 0;
    const int32_t position = transport_->FindDevicePosition(deviceNumber, static_cast<uint16_t>(productId_));
    if (!transport_->SelectDevice(position)) {
        // The old device stays selected: bring it (and its driver) up again.
        needsConfigure_ = 1;
        return InitializeCamera();
    }
    sensor_.reset();
    sensor_ = CreateSensorDriver(productId_, transport_.get());
    if (!sensor_)
        return 0;
    deviceNumber_ = static_cast<uint32_t>(deviceNumber);
    needsConfigure_ = 1;
    return InitializeCamera();
}

int CTavixU3Q5Base::Reopen(int32_t deviceNumber)
{
    StopTransfer(1);
    return OpenCamera(deviceNumber) ? 0 : -1;
}

bool CTavixU3Q5Base::FirmwareNeedsFpgaWait(uint16_t* version, uint8_t* flag)
{
    uint8_t block[kInfoBlockSize] = {};
    const bool read = transport_->ReadInfoBlock(block) != 0;
    *version = read ? FirmwareVersion(block) : 0;
    *flag = read ? block[kInfoGpio25Offset] : 0;
    return read && *version >= kFirmwareHasReadySignal && *flag == 1;
}

void CTavixU3Q5Base::PulseFpgaReady()
{
    platform::TimerResolutionScope resolution;
    uint8_t value = 0;
    transport_->ReadFpgaRegister(fpga::kReadyPulse, &value);
    transport_->WriteFpgaRegister(fpga::kReadyPulse, static_cast<uint8_t>(value & ~1u));
    platform::Sleep(kReadyPulsePauseMs);
    transport_->WriteFpgaRegister(fpga::kReadyPulse, static_cast<uint8_t>(value | 1u));
    platform::Sleep(kReadyPulsePauseMs);
    transport_->WriteFpgaRegister(fpga::kReadyPulse, static_cast<uint8_t>(value & ~1u));
}

int CTavixU3Q5Base::WaitForFpgaReady()
{
    uint32_t since = platform::TickCount();
    for (int poll = 0; poll < kReadyPolls; ++poll) {
        uint8_t flag = 0;
        if (transport_->ReadGpio25Flag(&flag) && flag == 1)
            return 1;
        platform::Sleep(kReadyPollPauseMs);
        if (platform::TickCount() - since >= kReadyPulseIntervalMs) {
            PulseFpgaReady();
            since = platform::TickCount();
        }
    }
    return 0;
}

int CTavixU3Q5Base::InitializeCamera()
{
    if (!transport_ || !transport_->PrepareTransfers())
        return 0;
    transport_->ReadInfoBlock(infoBlock_); // a camera without the block still works
    if (!sensor_)
        return 0;
    if (UsesAuxEndpoint())
        sensor_->SetModeWord(0x10000);

    uint16_t version = 0;
    uint8_t flag = 0;
    if (FirmwareNeedsFpgaWait(&version, &flag)) {
        if (!WaitForFpgaReady())
            return 0;
    } else {
        char trace[128];
        std::snprintf(trace, sizeof trace, "Cypress=0x%X(%s), GPIO25 flag=%d(%s)", version,
                      version >= kFirmwareHasReadySignal ? "OK" : "NG", flag, flag == 1 ? "OK" : "NG");
        platform::Trace(trace);
    }
    if (!sensor_->ProbeSensor())
        return 0;
    return sensor_->InitializeSensor();
}

int CTavixU3Q5Base::Shutdown()
{
    StopTransfer(1);
    if (transport_) {
        transport_->CloseStream();
        transport_.reset();
    }
    std::memset(infoBlock_, 0, sizeof infoBlock_);
    FreeFrameBuffers();
    acquisitionMode_ = 0;
    sensor_.reset();
    {
        std::lock_guard lock(eventLock_);
        frameEvent_.reset();
    }
    threadEndEvent_.reset();
    captureFailed_ = false;
    return 1;
}

int CTavixU3Q5Base::ReadInfoBlock(uint8_t* block)
{
    return block != nullptr && transport_ ? transport_->ReadInfoBlock(block) : 0;
}

int CTavixU3Q5Base::ReadInfoBlockB1(uint8_t* block)
{
    return block != nullptr && transport_ ? transport_->ReadInfoBlockB1(block) : 0;
}

int CTavixU3Q5Base::GetSensorInfo(SensorInfo* buffer)
{
    if (buffer == nullptr || !sensor_)
        return 0;
    return sensor_->CopySensorInfo(buffer);
}

int CTavixU3Q5Base::ResetStream()
{
    if (!transport_)
        return 0;
    if (!UsesAuxEndpoint()) {
        if (FirmwareVersion(infoBlock_) >= kFirmwareResetsPipe)
            transport_->ResetPipe(kEndpointFrameIn);
    } else {
        transport_->ResetPort();
    }
    transport_->SendRequestC0();
    return 1;
}

// --- device numbers --------------------------------------------------------

int CTavixU3Q5Base::CheckDeviceNumber(int32_t deviceNumber)
{
    if (productId_ == kUnsetProductId || !transport_)
        return 0;
    return transport_->CheckDeviceNumber(deviceNumber, static_cast<uint16_t>(productId_));
}

uint32_t CTavixU3Q5Base::CountCameras(uint32_t productId)
{
    return transport_ ? transport_->CountCameras(static_cast<uint16_t>(productId)) : 0;
}

int CTavixU3Q5Base::GetDeviceNameAt(int32_t position, char* name, size_t nameBytes)
{
    if (!transport_ || !transport_->CanOpenDevice(position))
        return 0;
    return transport_->FormatDeviceName(position, name, nameBytes);
}

uint16_t CTavixU3Q5Base::GetEntryVendorId(int32_t position)
{
    return transport_ ? transport_->GetEntryVendorId(position) : 0;
}

uint16_t CTavixU3Q5Base::GetEntryProductId(int32_t position)
{
    return transport_ ? transport_->GetEntryProductId(position) : 0;
}

int32_t CTavixU3Q5Base::GetEntryDeviceNumber(int32_t position)
{
    return transport_ ? transport_->GetEntryDeviceNumber(position) : -1;
}

int CTavixU3Q5Base::ReadFrameCounter()
{
    int ok = 0;
    const uint32_t value = FpgaReadRegister(fpga::kFrameCounter, &ok);
    if (ok) {
        lastFrameNumber_ = value;
        lastCounter_ = static_cast<uint8_t>(value);
    }
    return ok;
}

// --- registers, FPGA, serial memory ------------------------------------------

int CTavixU3Q5Base::WriteRegister(uint32_t /*unused*/, uint32_t address, uint32_t value)
{
    return sensor_ ? sensor_->WriteRegister(address, value) : 0;
}

uint32_t CTavixU3Q5Base::ReadRegister(uint32_t /*unused*/, uint32_t address, int* ok)
{
    uint32_t value = 0;
    const bool read = sensor_ && sensor_->ReadRegister(address, &value);
    if (ok != nullptr)
        *ok = read ? 1 : 0;
    return read ? value : 0;
}

int CTavixU3Q5Base::FpgaWriteRegister(uint32_t reg, uint32_t value)
{
    if (!transport_ || UsesAuxEndpoint())
        return 0;
    return transport_->WriteFpgaRegister(static_cast<uint8_t>(reg), static_cast<uint8_t>(value));
}

uint32_t CTavixU3Q5Base::FpgaReadRegister(uint32_t reg, int* ok)
{
    uint8_t value = 0;
    const bool read =
        transport_ && !UsesAuxEndpoint() && transport_->ReadFpgaRegister(static_cast<uint8_t>(reg), &value);
    if (ok != nullptr)
        *ok = read ? 1 : 0;
    return read ? value : 0;
}

int CTavixU3Q5Base::WriteSromByte(uint16_t address, uint8_t value)
{
    return transport_ ? transport_->WriteSromByte(address, value) : 0;
}

int CTavixU3Q5Base::ReadSromByte(uint16_t address, uint8_t* value)
{
    return transport_ && value != nullptr ? transport_->ReadSromByte(address, value) : 0;
}

int CTavixU3Q5Base::WriteSromOption(uint8_t value) { return WriteSromByte(kSromOptionAddress, value); }

int CTavixU3Q5Base::ReadSromOption(uint8_t* value) { return ReadSromByte(kSromOptionAddress, value); }

int CTavixU3Q5Base::WaitSerialIdle(uint32_t timeoutMs)
{
    if (!transport_)
        return 0;
    const uint32_t start = platform::TickCount();
    for (;;) {
        uint8_t status = 0;
        if (!transport_->ReadFpgaRegister(fpga::kBusStatus, &status))
            return 0;
        if ((status & fpga::kBusBusy) == 0)
            return 1;
        if (platform::TickCount() - start >= timeoutMs)
            return 0;
        platform::Sleep(1);
    }
}

int CTavixU3Q5Base::WriteSerialWhenIdle(uint8_t device, uint16_t reg, uint16_t value)
{
    if (!sensor_ || !transport_ || !WaitSerialIdle(3000))
        return 0;
    const uint8_t bytes[4] = {static_cast<uint8_t>(reg >> 8), static_cast<uint8_t>(reg),
                              static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    return transport_->I2cWrite(static_cast<uint8_t>(device * 2), bytes, 4);
}

int CTavixU3Q5Base::ReadSerialWhenIdle(uint8_t device, uint16_t reg, uint16_t* value)
{
    if (!sensor_ || !transport_ || value == nullptr || !WaitSerialIdle(3000))
        return 0;
    const uint8_t address[2] = {static_cast<uint8_t>(reg >> 8), static_cast<uint8_t>(reg)};
    if (!transport_->I2cWrite(static_cast<uint8_t>(device * 2), address, 2))
        return 0;
    platform::Sleep(1);
    uint8_t bytes[2] = {};
    if (!transport_->I2cRead(static_cast<uint8_t>(device * 2 + 1), bytes, 2))
        return 0;
    *value = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
    return 1;
}

// --- product-specific slots that answer for this product ---------------------

int CTavixU3Q5Base::IsInternalCorrectionAvailable()
{
    if (product::HasInternalCorrection(productId_))
        return 1;
    return sensor_ ? sensor_->IsInternalCorrectionAvailable() : 0;
}

int CTavixU3Q5Base::ReceiveSensorText(char* buffer, uint32_t size)
{
    return productId_ == product::kSensorText && sensor_ ? sensor_->ReceiveText(buffer, size) : 0;
}

int CTavixU3Q5Base::SendSensorText(const char* text)
{
    return productId_ == product::kSensorText && sensor_ ? sensor_->SendText(text) : 0;
}

int CTavixU3Q5Base::GetFpgaTemperature(double* celsius)
{
    if (!IsLiSensorModel() || celsius == nullptr)
        return 0;
    int lowOk = 0;
    int highOk = 0;
    const uint32_t low = FpgaReadRegister(product::kFpgaTemperatureLow, &lowOk);
    const uint32_t high = FpgaReadRegister(product::kFpgaTemperatureHigh, &highOk);
    if (!lowOk || !highOk)
        return 0;
    *celsius = static_cast<double>(high << 8 | low) * 503.975 / 65536.0 - 273.15;
    return 1;
}

int CTavixU3Q5Base::ReadGainStage(uint32_t* stage)
{
    uint32_t value = 0;
    if (!sensor_ || stage == nullptr || !sensor_->ReadGainStage(&value))
        return 0;
    *stage = value;
    return 1;
}

int CTavixU3Q5Base::RestartSensorStreaming()
{
    if (!sensor_)
        return 0;
    sensor_->RestartStreaming();
    return 1;
}

int CTavixU3Q5Base::RearmFpga()
{
    if (!sensor_)
        return 0;
    sensor_->RearmFpga();
    return 1;
}

uint32_t CTavixU3Q5Base::GetChannelGain(uint32_t channel)
{
    uint32_t value = 0;
    if (sensor_)
        sensor_->GetChannelGain(channel, &value);
    return value;
}

uint32_t CTavixU3Q5Base::GetChannelOffset(uint32_t channel)
{
    uint32_t value = 0;
    if (sensor_)
        sensor_->GetChannelOffset(channel, &value);
    return value;
}

uint32_t CTavixU3Q5Base::LocalValue(int (CSensorBase::*getter)(uint32_t*)) const
{
    uint32_t value = 0;
    if (sensor_)
        (sensor_.get()->*getter)(&value);
    return value;
}

uint32_t CTavixU3Q5Base::GivenValue(int (CSensorBase::*getter)(uint32_t*)) const
{
    uint32_t value = 0;
    return sensor_ && (sensor_.get()->*getter)(&value) ? value : 0;
}

int CTavixU3Q5Base::SecondsOf(double (CSensorBase::*getter)(double*), double* seconds) const
{
    return sensor_ ? static_cast<int>((sensor_.get()->*getter)(seconds)) : 0;
}

} // namespace tavix
