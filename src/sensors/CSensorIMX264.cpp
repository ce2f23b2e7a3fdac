// Construction, register access and the power-up sequence of the IMX264
// driver. The settings (window, exposure, gain, flips, frame rate) are in
// CSensorIMX264Settings.cpp.

#include "sensors/CSensorIMX264.h"

#include "platform/Clock.h"
#include "sensors/ImxBus.h"
#include "sensors/ImxRegisters.h"
#include "transport/CControllerBase.h"

namespace tavix {

namespace {
// A value no register holds, so that a read that reports success without
// delivering shows up.
constexpr uint32_t kUnreadRegister = 0x0A0A;

constexpr int kReadyAttempts = 300;
constexpr uint32_t kReadyPollMs = 10;
constexpr int kStatusWordAttempts = 10;
constexpr uint32_t kStatusWordPollMs = 100;
constexpr uint32_t kLockPulseMs = 100;
constexpr uint32_t kLockWaitMs = 5000;
constexpr uint32_t kLockPollMs = 100;
} // namespace

CSensorIMX264::CSensorIMX264(CControllerBase* transport, uint8_t busAddress)
    : CSensorBase(transport, busAddress)
{
    info_ = SensorInfo{};
    info_.sensorWidth = 2448;
    info_.sensorHeight = 2048;
    info_.originX = 0;
    info_.originY = 0;
    info_.effectiveWidth = 2448;
    info_.effectiveHeight = 2048;
    info_.windowFlagH = 1;
    info_.windowFlagV = 1;
    info_.windowX = 0;
    info_.windowY = 0;
    info_.windowWidth = 2448;
    info_.windowHeight = 2048;
    info_.windowMode = 0;
    info_.lineLength = 2656;
    info_.frameLength = 2094;
    info_.sensorFlags = 1;
    info_.gain = SensorRange{0, 480, 0, 0, 1};
    info_.exposureLines = SensorRange{0, 0xFFFFF, 1582, 1582, 1};
    info_.exposureTime = SensorRange{1, 20000, 100, 200, 0};
    info_.flipVEnabled = 1;
    info_.flipHEnabled = 1;
    info_.sensorClock = 74250;
    info_.outputFormat = 4;
    modelCode_ = kModelCode;
    requestedWidth_ = info_.effectiveWidth;
    requestedHeight_ = info_.effectiveHeight;
}

CSensorIMX264::CSensorIMX264(CControllerBase* transport, uint8_t busAddress, const SensorConstants& layoutSibling)
    : CSensorIMX264(transport, busAddress)
{
    const SensorInfo sibling = CatalogueSensorInfo(layoutSibling);
    info_.sensorWidth = sibling.sensorWidth;
    info_.sensorHeight = sibling.sensorHeight;
    info_.effectiveWidth = sibling.effectiveWidth;
    info_.effectiveHeight = sibling.effectiveHeight;
    info_.windowWidth = sibling.windowWidth;
    info_.windowHeight = sibling.windowHeight;
    info_.lineLength = sibling.lineLength;
    info_.frameLength = sibling.frameLength;
    info_.gain.maximum = sibling.gain.maximum;
    info_.exposureTime.maximum = sibling.exposureTime.maximum;
    info_.sensorClock = sibling.sensorClock;
    info_.outputFormat = sibling.outputFormat;
    modelCode_ = static_cast<uint32_t>(layoutSibling.modelCode);
    requestedWidth_ = info_.effectiveWidth;
    requestedHeight_ = info_.effectiveHeight;
}

CSensorIMX264::~CSensorIMX264() = default;

int CSensorIMX264::CopySensorInfo(SensorInfo* destination)
{
    const SettingsLock settings(settingsLock_);
    return CSensorBase::CopySensorInfo(destination);
}

int CSensorIMX264::WriteRegister(uint32_t address, uint32_t value)
{
    return imx::WriteRegister(transport_, busAddress_, registerLock_, address, value);
}

int CSensorIMX264::ReadRegister(uint32_t address, uint32_t* value)
{
    return imx::ReadRegister(transport_, busAddress_, registerLock_, address, value);
}

int CSensorIMX264::WriteRegisterWhenIdle(uint32_t address, uint32_t value)
{
    return imx::WhenBusIdle(transport_, imx::kWriteIdlePollMs, [&] { return WriteRegister(address, value); });
}

int CSensorIMX264::ReadRegisterWhenIdle(uint32_t address, uint32_t* value)
{
    if (value == nullptr) {
        return 0;
    }
    return imx::WhenBusIdle(transport_, imx::kReadIdlePollMs, [&] {
        uint32_t read = kUnreadRegister;
        if (ReadRegister(address, &read) == 0) {
            return 0;
        }
        *value = read;
        return 1;
    });
}

int CSensorIMX264::InitializeSensor()
{
    const SettingsLock settings(settingsLock_);
    // Without a transport nothing below can reach the sensor: report it
    // rather than claim an initialised sensor.
    if (transport_ == nullptr || WaitSensorReady() == 0) {
        return 0;
    }
    transport_->WriteFpgaRegister(imx::kFpgaSensorEnable, 1);

    WriteRegisterWhenIdle(imx::kInitRegister0412, imx::kInitValue0412);
    WriteRegisterWhenIdle(imx::kBlackLevelLow, imx::kBlackLevelInitLow);
    WriteRegisterWhenIdle(imx::kBlackLevelHigh, 0);

    // The same board carries IMX250, IMX252, IMX264 or IMX265; the model code
    // follows the chip. An unreadable identification keeps the model the
    // product identifier named.
    uint32_t low = 0;
    uint32_t high = 0;
    if (ReadRegisterWhenIdle(imx::kChipIdLow, &low) != 0 && ReadRegisterWhenIdle(imx::kChipIdHigh, &high) != 0) {
        const uint32_t chip = (high & 0x7F) * 4 + ((low >> 6) & 3);
        if (chip == imx::kChipImx250 || chip == imx::kChipImx252) {
            modelCode_ = kModelCodeImx250;
        } else if (chip == imx::kChipImx264) {
            modelCode_ = kModelCode;
        } else {
            modelCode_ = kModelCodeOther;
        }
    }

    // Initialisation applies the defaults, never the values set before.
    SetGain(static_cast<uint32_t>(info_.gain.defaultValue));
    SetExposureLines(static_cast<uint32_t>(info_.exposureLines.defaultValue));
    SetMirrorH(info_.flipHAux);
    SetFlipV(info_.flipVAux);
    SetWindow(info_.originX, info_.effectiveWidth, info_.originY, info_.effectiveHeight, 0);

    if (statusWord_ == 0) {
        int attempt = 0;
        for (; attempt < kStatusWordAttempts; ++attempt) {
            uint16_t word = 0;
            if (transport_->ReadFpgaWord(&word) != 0) {
                statusWord_ = word;
                break;
            }
            platform::Sleep(kStatusWordPollMs);
        }
        if (attempt == kStatusWordAttempts) {
            return 1;
        }
    }
    if (statusWord_ < imx::kStatusWordSelfLocking) {
        WaitFpgaLock();
    }
    return 1;
}

// The sensor head answers on the ready device once powered, and the FPGA
// clears its not-ready bits once it has seen the sensor.
int CSensorIMX264::WaitSensorReady()
{
    int ready = 0;
    for (int attempt = 0; attempt < kReadyAttempts && ready == 0; ++attempt) {
        uint8_t bytes[2] = {0xFF, 0xFF};
        if (transport_->I2cRead(imx::kReadyDevice, bytes, 2) != 0 && bytes[0] == 0) {
            ready = 1;
        } else {
            platform::Sleep(kReadyPollMs);
        }
    }
    if (ready == 0) {
        return 0;
    }
    for (int attempt = 0; attempt < kReadyAttempts; ++attempt) {
        uint8_t status = 0xFF;
        if (transport_->ReadFpgaRegister(imx::kFpgaBusStatus, &status) != 0 &&
            (status & imx::kFpgaSensorNotReadyMask) == 0) {
            return 1;
        }
        platform::Sleep(kReadyPollMs);
    }
    return 0;
}

// Older FPGAs do not lock onto the sensor's clock by themselves: a pulse on
// the lock register starts it. Whether it locks in time is not decisive.
void CSensorIMX264::WaitFpgaLock()
{
    uint8_t lock = 0;
    if (transport_->ReadFpgaRegister(imx::kFpgaLock, &lock) != 0 && (lock & imx::kFpgaLockedBit) != 0) {
        return;
    }
    platform::TimerResolutionScope fine;
    transport_->WriteFpgaRegister(imx::kFpgaLock, 1);
    platform::Sleep(kLockPulseMs);
    transport_->WriteFpgaRegister(imx::kFpgaLock, 0);
    platform::Sleep(kLockPulseMs);
    const uint32_t start = platform::TickCount();
    for (;;) {
        lock = 0;
        if (transport_->ReadFpgaRegister(imx::kFpgaLock, &lock) != 0 && (lock & imx::kFpgaLockedBit) != 0) {
            return;
        }
        if (platform::TickCount() - start >= kLockWaitMs) {
            return;
        }
        platform::Sleep(kLockPollMs);
    }
}

} // namespace tavix
