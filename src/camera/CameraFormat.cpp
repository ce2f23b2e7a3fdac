// Exposure, pixel depth, capture window, frame format, camera mode and
// clock: what the camera object adds to the sensor driver's settings.

#include "camera/CTavixU3Q5Base.h"
#include "camera/FpgaRegisters.h"
#include "transport/CKelCy3Cam.h"

namespace tavix {

namespace {
// Exposures up to 5 s get the standard transfer time-out; longer ones twice
// the exposure, so that a frame is never cut off while it is exposed.
constexpr uint32_t kLongExposure = 50000; // in 100 µs
constexpr double kLongExposureSeconds = 2.0;

constexpr uint32_t kClockModeSuperSpeedOnly = 2;
} // namespace

int CTavixU3Q5Base::SetTransferTimeout(uint32_t milliseconds)
{
    transferTimeout_ = milliseconds;
    return 1;
}

int CTavixU3Q5Base::SetExposureTime(uint32_t time)
{
    if (!sensor_)
        return 0;
    SetTransferTimeout(time <= kLongExposure ? kDefaultTransferTimeoutMs : time / 5);
    return sensor_->SetExposureTime(time);
}

int CTavixU3Q5Base::SetExposureSeconds(double seconds)
{
    if (!sensor_)
        return 0;
    if (seconds > kLongExposureSeconds)
        SetTransferTimeout(static_cast<uint32_t>((seconds + 1.0) * 1000.0));
    return sensor_->SetExposureSeconds(seconds);
}

int CTavixU3Q5Base::SetPixelDepth(uint32_t depth)
{
    if (!transport_)
        return 0;
    if (sensor_)
        sensor_->SetTransferDepth(depth);
    const bool sixteen = depth == 1;
    if (!transport_->WriteFpgaRegister(fpga::kPixelDepth, sixteen ? fpga::kPixelDepth16 : fpga::kPixelDepth8))
        return 0;
    const uint32_t newMode = sixteen ? 1 : depth;
    if (bitMode_ == newMode)
        return 1;
    bitMode_ = newMode;
    return ApplyCaptureFormat(0);
}

int CTavixU3Q5Base::SetCaptureWindow(uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t mode)
{
    if (!sensor_)
        return 0;
    const SensorInfo& info = sensor_->Info();
    const bool unchanged = info.windowX == x && info.windowY == y && info.windowWidth == width &&
                           info.windowHeight == height && info.windowMode == mode;
    if (unchanged && !IsLiSensorModel())
        return 1;
    // The driver takes the window as x, width, y, height, and keeps in its
    // SensorInfo what it applied, which may be adjusted.
    if (!sensor_->SetWindow(x, width, y, height, mode))
        return 0;
    needsConfigure_ = 1;
    return 1;
}

int CTavixU3Q5Base::GetCaptureWindow(uint32_t* x, uint32_t* y, uint32_t* width, uint32_t* height, uint32_t* mode)
{
    if (!sensor_)
        return 0;
    const SensorInfo& info = sensor_->Info();
    if (x != nullptr)
        *x = info.windowX;
    if (y != nullptr)
        *y = info.windowY;
    if (width != nullptr)
        *width = info.windowWidth;
    if (height != nullptr)
        *height = info.windowHeight;
    if (mode != nullptr)
        *mode = info.windowMode;
    return 1;
}

int CTavixU3Q5Base::ApplyCaptureFormat(uint32_t /*mode*/)
{
    // The buffers are about to be replaced: the capture thread must not be
    // writing into them.
    StopCaptureThread();
    if (!AllocateFrameBuffers())
        return 0;
    if (UsesAuxEndpoint())
        return 0;
    // The frame the slots were just made for, in pixels.
    const auto width = static_cast<uint32_t>(slotLayout_.rowBytes / slotLayout_.bytesPerPixel);
    const auto height = static_cast<uint32_t>(slotLayout_.rows);
    // The results of the format writes are not looked at: a camera that
    // missed one shows it in its next frame's size, which the read checks.
    transport_->WriteFpgaRegister(fpga::kWidthLow, static_cast<uint8_t>(width));
    transport_->WriteFpgaRegister(fpga::kWidthHigh, static_cast<uint8_t>(width >> 8));
    transport_->WriteFpgaRegister(fpga::kHeightLow, static_cast<uint8_t>(height));
    transport_->WriteFpgaRegister(fpga::kHeightHigh, static_cast<uint8_t>(height >> 8));
    transport_->WriteFpgaRegister(fpga::kOutputFormat, fpga::kOutputFormatCode);
    transport_->WriteFpgaRegister(fpga::kFormat49, 0);
    transport_->WriteFpgaRegister(fpga::kFormat4C, 0);
    transport_->WriteFpgaRegister(fpga::kFormat4D, 0);
    needsConfigure_ = 0;
    return 1;
}

int CTavixU3Q5Base::SetCameraMode(int32_t mode, int force)
{
    if (!sensor_)
        return 0;
    if (!force && mode == cameraMode_)
        return 1;
    StopTransfer(0);
    EnsureFrameEvent();
    sensor_->SetTriggerMode(mode);
    if (mode >= 1 && mode <= 3)
        ReadFrameCounter();
    cameraMode_ = mode;
    return 1;
}

int CTavixU3Q5Base::SetClockMode(uint32_t mode)
{
    if (!UsesAuxEndpoint() && mode == kClockModeSuperSpeedOnly && transport_) {
        uint32_t speed = kDeviceSpeedSuper;
        if (transport_->GetDeviceSpeed(&speed) && speed != kDeviceSpeedSuper)
            mode = 0;
    }
    return sensor_ ? sensor_->SetClockMode(mode) : 0;
}

int CTavixU3Q5Base::SetSensorParameter(uint32_t /*sensorIndex*/, uint32_t parameter, uint32_t* value)
{
    // This product carries one sensor; the index is always 0.
    return sensor_ ? sensor_->SetParameter(parameter, value) : 0;
}

} // namespace tavix
