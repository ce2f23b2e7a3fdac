// The acquisition states of the camera instance: preparing the camera and
// the bitmaps, the preview loop of the acquisition thread, snapshots and
// the copy of a converted frame into the application's buffer.

#include <algorithm>
#include <cstring>

#include "camera/CTavixU3Q5Base.h"
#include "imaging/ProcessFrame.h"
#include "imaging/RowLayout.h"
#include "instance/CTavix.h"
#include "platform/Clock.h"

namespace tavix {

namespace {
constexpr uint32_t kFrameRateWindowMs = 1000;
} // namespace

int CTavix::PrepareAcquisition()
{
    CTavixU3Q5Base& camera = *camera_;
    if (deviceNumber_ < 0 || !camera.CheckDeviceNumber(static_cast<int32_t>(camera.GetCameraIndex()))) {
        PushError(TAVIX_ERR_DEVICE);
        return 0;
    }
    if (!CaptureWindowValid()) {
        PushError(TAVIX_ERR_CAPTURE_WINDOW);
        return 0;
    }
    const int32_t colorMode = cameraValues_.colorMode;
    const bool sixteenBit = colorMode == 1 || colorMode == 4 || colorMode == 5;
    camera.SetPixelDepth(sixteenBit ? 1 : 0);
    if (!camera.SetCaptureWindow(static_cast<uint32_t>(geometry_.hStart.load()),
                                 static_cast<uint32_t>(geometry_.vStart.load()),
                                 static_cast<uint32_t>(geometry_.width.load()),
                                 static_cast<uint32_t>(geometry_.height.load()),
                                 static_cast<uint32_t>(cameraValues_.subSample.load()))) {
        PushError(TAVIX_ERR_CAPTURE_WINDOW);
        return 0;
    }
    // The bitmaps take the size the camera delivers: its window is the one
    // asked for halved by sub-sampling and cut to whole units of 16 columns
    // and 4 rows (1224 columns become 1216), and a bitmap of the size asked
    // for would hold columns the camera never wrote.
    uint32_t width = 0, height = 0, mode = 0;
    camera.GetCaptureWindow(nullptr, nullptr, &width, &height, &mode);
    {
        std::lock_guard lock(frameLock_);
        if (!images_.SizeForColorMode(static_cast<int32_t>(width), static_cast<int32_t>(height), colorMode)) {
            PushError(TAVIX_ERR_BUFFER);
            return 0;
        }
        // The flat field leaves two pixels along the edges of frames that
        // span the sensor in either direction. The origin follows the
        // sensor's flips, which may change between frames.
        const bool spans = geometry_.width == kSensorWidth || geometry_.height == kSensorHeight;
        maskWindow_ = {0, 0, mode == 1, spans ? 2 : 0};
    }

    camera.SetMirrorV(static_cast<uint32_t>(analog_.mirrorV.load()));
    camera.SetMirrorH(static_cast<uint32_t>(analog_.mirrorH.load()));
    camera.SetCameraMode(0, 1);
    camera.SetGlobalGain(static_cast<uint32_t>(analog_.globalGain.load()));
    camera.SetColorGainGreen1(static_cast<uint32_t>(analog_.colorGainG1.load()));
    camera.SetColorGainRed(static_cast<uint32_t>(analog_.colorGainR.load()));
    camera.SetColorGainBlue(static_cast<uint32_t>(analog_.colorGainB.load()));
    camera.SetColorGainGreen2(static_cast<uint32_t>(analog_.colorGainG2.load()));
    if (camera.IsExposureSecondsSupported())
        camera.SetExposureSeconds(analog_.exposureSeconds);
    else
        camera.SetExposureTime(static_cast<uint32_t>(analog_.exposure.load()));
    realExposure_ = analog_.exposure * 100;
    if (camera.IsInternalCorrectionAvailable())
        camera.SetInternalCorrection(0);
    camera.SetBlackLevel(0);
    if (camera.IsBlackLevelSupported())
        camera.SetBlackLevel(static_cast<uint32_t>(analog_.blackLevel.load()));
    if (camera.IsGainStageSupported())
        camera.SetGainStage(static_cast<uint32_t>(analog_.gainMode.load()));
    camera.RestartSensorStreaming();
    return 1;
}

int CTavix::StartPreview()
{
    if (!camera_ || acqState_ == kCapture) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    if (acqState_ == kPreview)
        return 1;
    if (!PrepareAcquisition())
        return 0;
    if (!camera_->StartTransfer(0)) {
        StopPreview();
        PushError(TAVIX_ERR_REGISTER);
        return 0;
    }
    acqState_ = kPreview;
    runState_ = 1;
    acqDone_ = std::make_unique<platform::Event>(platform::Event::Reset::kManual);
    try {
        acqThread_ = std::thread([this] {
            AcquisitionLoop();
            acqDone_->Set();
        });
    } catch (...) {
        StopPreview();
        PushError(TAVIX_ERR_THREAD);
        return 0;
    }
    return 1;
}

void CTavix::StopTransfer()
{
    if (camera_)
        camera_->StopTransfer(1);
}

int CTavix::StopPreview()
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    runState_ = 0;
    if (acqState_ != kIdle) {
        acqState_ = kIdle;
        // Stopping the transfer first ends a frame wait at once, so the
        // thread sees the stop within one pass.
        StopTransfer();
    }
    if (acqThread_.joinable())
        acqThread_.join();
    acqDone_.reset();
    // A recording ended early is finished with the frames it has.
    StopRecording();
    return 1;
}

bool CTavix::ReadRawFrame()
{
    imaging::DibImage* raw = images_.RawImage(cameraValues_.colorMode);
    // The ring's slots and the bitmap are sized from the same window; a
    // frame that would not fit is a failed read, never an overrun.
    if (raw == nullptr || raw->Empty() || camera_->FrameSize() == 0 || camera_->FrameSize() > raw->SizeBytes())
        return false;
    if (camera_->ReadFrame(raw->Bits(), 1) != 0)
        return false;
    return imaging::RelayoutRows(*raw) != 0;
}

void CTavix::ConvertFrame()
{
    imaging::FrameSettings s;
    s.colorMode = cameraValues_.colorMode;
    s.grayMode = filter_.grayMode;
    s.bayerMode = filter_.bayerMode;
    s.mirrorVertical = analog_.mirrorV != 0;
    s.mirrorHorizontal = analog_.mirrorH != 0;
    s.hardwareMirrorVertical = camera_->GetFlipVEnabled() != 0;
    s.hardwareMirrorHorizontal = camera_->GetFlipHEnabled() != 0;
    s.gainRed = filter_.bayerGainRed;
    s.gainGreen = filter_.bayerGainGreen;
    s.gainBlue = filter_.bayerGainBlue;
    s.whiteBalance = filter_.bayerGainAuto != 0;
    s.gray = {filter_.grayGainR, filter_.grayGainG1, filter_.grayGainG2, filter_.grayGainB,
        filter_.grayOffsetR, filter_.grayOffsetG1, filter_.grayOffsetG2, filter_.grayOffsetB};
    s.grayAutoGains = grayAutoCountdown_ != 0;
    s.filters = {filter_.brightness, filter_.contrast, filter_.hue, filter_.saturation, filter_.sharpness,
        filter_.gamma};
    s.autoIris = analog_.autoIris;

    // What the frame measured becomes the instance's settings.
    struct Keeper : imaging::FrameObserver {
        CTavix& t;
        explicit Keeper(CTavix& owner) : t(owner) {}
        void WhiteBalanceMeasured(int32_t red, int32_t green, int32_t blue) override
        {
            t.filter_.bayerGainRed = red;
            t.filter_.bayerGainGreen = green;
            t.filter_.bayerGainBlue = blue;
            if (t.whiteBalanceOnce_.exchange(0) != 0)
                t.filter_.bayerGainAuto = 0;
            t.RefreshDialog();
        }
        void GrayGainsMeasured(const imaging::GrayGains& g) override
        {
            t.filter_.grayGainR = g.gainR;
            t.filter_.grayGainG1 = g.gainG1;
            t.filter_.grayGainG2 = g.gainG2;
            t.filter_.grayGainB = g.gainB;
            // "All frames" counts down from 0xFFFFFFFF. A count switched off
            // while this frame was measured stays off.
            int32_t count = t.grayAutoCountdown_;
            while (count != 0 && !t.grayAutoCountdown_.compare_exchange_weak(
                                     count, static_cast<int32_t>(static_cast<uint32_t>(count) - 1))) {
            }
            t.RefreshDialog();
        }
        void AutoIrisMeasured(int32_t percent) override
        {
            t.ApplyAutoIris(percent);
            t.RefreshDialog();
        }
    } keeper(*this);
    struct Corrector : imaging::RawCorrection {
        CTavix& t;
        explicit Corrector(CTavix& owner) : t(owner) {}
        void Correct(imaging::DibImage& raw) override { t.CorrectRawFrame(raw); }
    } corrector(*this);
    imaging::ProcessFrame(images_, s, &keeper, &corrector);
}

void CTavix::ApplyAutoIris(int32_t percent)
{
    CTavixU3Q5Base& camera = *camera_;
    const auto within = [](int64_t value, uint32_t minimum, uint32_t maximum) {
        return static_cast<uint32_t>(std::clamp<int64_t>(value, minimum, std::max(minimum, maximum)));
    };
    if (analog_.autoIris == 1) {
        // The exposure register takes 16 bits: a longer exposure stays at
        // the longest rather than wrapping to a short one.
        const int64_t exposure = std::clamp<int64_t>(int64_t{analog_.exposure} * percent / 100, 1, 0xFFFF);
        const uint32_t value = within(exposure, camera.GetExposureTimeMin(), camera.GetExposureTimeMax());
        SendExposure(value);
        analog_.exposure = static_cast<int32_t>(value);
    } else if (analog_.autoIris == 2) {
        int64_t gain = std::max<int64_t>(analog_.globalGain, 4) * percent / 100;
        if (percent > 100)
            gain = std::max<int64_t>(gain, 4);
        const uint32_t value = within(gain, camera.GetGlobalGainMin(), camera.GetGlobalGainMax());
        camera.SetGlobalGain(value);
        for (settings::Setting* kept : {&analog_.globalGain, &analog_.colorGainG1, &analog_.colorGainR,
                 &analog_.colorGainB, &analog_.colorGainG2})
            *kept = static_cast<int32_t>(value);
    }
}

void CTavix::PostFrameEvent(uintptr_t wParam, intptr_t lParam) const
{
    platform::WindowHandle window = callbackWindow_;
    if (window != nullptr)
        platform::PostWindowMessage(window, TAVIX_WM_FRAME, wParam, lParam);
}

void CTavix::AcquisitionLoop()
{
    while (runState_ != 0) {
        platform::Sleep(static_cast<uint32_t>(cameraValues_.waitTime.load()));
        const int wait = camera_->WaitFrame(kFrameWaitMs);
        if (wait == CTavixU3Q5Base::kWaitCaptureFailed) {
            // A stop asked for meanwhile is not the camera's failure.
            if (runState_.exchange(0) != 0) {
                PostFrameEvent(0, kEventCameraStopped);
                PushError(TAVIX_ERR_CAMERA_STOPPED);
            }
            return;
        }
        if (wait != CTavixU3Q5Base::kWaitFrameReady)
            continue;

        std::unique_lock lock(frameLock_);
        if (!ReadRawFrame()) {
            lock.unlock();
            PostFrameEvent(0, kEventReadFailed);
            PushError(TAVIX_ERR_TRANSFER);
            continue;
        }
        const imaging::DibImage& raw = *images_.RawImage(cameraValues_.colorMode);
        frameInfo_.width = static_cast<uint32_t>(raw.Width());
        frameInfo_.height = static_cast<uint32_t>(raw.Height());
        frameInfo_.buffer = userBuffer_;
        frameInfo_.bitsPerPixel = static_cast<uint32_t>(imaging::ColorModeBits(cameraValues_.colorMode));
        ++fpsCount_;
        const uint32_t now = platform::TickCount();
        if (now - fpsStart_ > kFrameRateWindowMs) {
            fps10_ = static_cast<int32_t>(uint64_t{fpsCount_} * 10000 / (now - fpsStart_));
            fpsCount_ = 0;
            fpsStart_ = now;
        }
        frameInfo_.frameRate10 = static_cast<uint32_t>(fps10_.load());

        ConvertFrame();
        newFrame_ = 1;
        imageReady_ = 1;
        DrawFrame();
        if (userBuffer_ != nullptr && userBufferSize_ != 0) {
            const imaging::DibImage* result = images_.ResultImage(cameraValues_.colorMode);
            if (!CopyToBuffer(*result, userRowOrder_, userBuffer_, userBufferSize_))
                continue;
        }
        lock.unlock();
        if (runState_ == 1)
            PostFrameEvent(reinterpret_cast<uintptr_t>(&frameInfo_), 0);
    }
}

int CTavix::CopyToBuffer(const imaging::DibImage& image, int32_t rowOrder, uint8_t* buffer, int32_t size)
{
    // In 64 bits: a negative size, or one the product would overflow, fails.
    const int64_t need = int64_t{image.Stride()} * image.Height();
    if (buffer == nullptr || size < 0 || image.Empty() || need > size) {
        PostFrameEvent(0, kEventBufferTooSmall);
        PushError(TAVIX_ERR_BUFFER);
        return 0;
    }
    const auto stride = static_cast<size_t>(image.Stride());
    const int32_t rows = image.Height();
    if (rowOrder != 0) {
        std::memcpy(buffer, image.Bits(), static_cast<size_t>(need));
    } else {
        for (int32_t r = 0; r < rows; ++r)
            std::memcpy(buffer + static_cast<size_t>(r) * stride, image.Row(rows - 1 - r), stride);
    }
    return 1;
}

int CTavix::CallBackPreview(platform::WindowHandle callbackWindow, uint8_t* buffer, int32_t size, int32_t rowOrder)
{
    if (acqState_ == kPreview) // the thread reads these fields
        return StartPreview();
    callbackWindow_ = callbackWindow;
    userBuffer_ = buffer;
    userBufferSize_ = size;
    userRowOrder_ = rowOrder;
    if (!OpenPreviewWindow())
        return 0;
    if (!StartPreview()) {
        Close();
        PushError(TAVIX_ERR_TRANSFER);
        return 0;
    }
    return 1;
}

int CTavix::Preview() { return CallBackPreview(nullptr, nullptr, 0, 0); }

int CTavix::Capture()
{
    if (!camera_ || acqState_ == kPreview) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    if (acqState_ == kCapture)
        return 1;
    if (!PrepareAcquisition())
        return 0;
    acqState_ = kCapture;
    return 1;
}

int CTavix::SnapShot(uint8_t* buffer, int32_t size, int32_t rowOrder)
{
    if (!camera_ || acqState_ == kPreview) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    if (acqState_ == kIdle && !PrepareAcquisition())
        return 0;
    const bool keepRunning = acqState_ == kCapture;
    std::lock_guard lock(frameLock_);
    const bool started = camera_->StartTransfer(1) != 0;
    const bool signalled = started && camera_->WaitFrame(snapTimeout_) == CTavixU3Q5Base::kWaitFrameReady;
    if (!signalled || !ReadRawFrame()) {
        if (signalled)
            PostFrameEvent(0, kEventReadFailed);
        if (!keepRunning)
            StopTransfer();
        PushError(TAVIX_ERR_TRANSFER);
        return 0;
    }
    ConvertFrame();
    if (buffer != nullptr && size != 0 &&
        !CopyToBuffer(*images_.ResultImage(cameraValues_.colorMode), rowOrder, buffer, size)) {
        if (!keepRunning)
            StopTransfer();
        PushError(TAVIX_ERR_BUFFER);
        return 0;
    }
    if (!keepRunning)
        StopTransfer();
    imageReady_ = 1;
    return 1;
}

int CTavix::GetImage(uint8_t* buffer, int32_t size, int32_t rowOrder)
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    std::lock_guard lock(frameLock_);
    const imaging::DibImage* result = images_.ResultImage(cameraValues_.colorMode);
    if (result == nullptr) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    if (result->Empty() || buffer == nullptr) {
        PushError(TAVIX_ERR_BUFFER);
        return 0;
    }
    if (!CopyToBuffer(*result, rowOrder, buffer, size)) {
        PushError(TAVIX_ERR_BUFFER);
        return 0;
    }
    return 1;
}

int CTavix::Close()
{
    if (camera_) {
        StopPreview();
        imageReady_ = 0;
        StopTransfer();
    }
    ClosePreviewWindow(); // now that nothing draws into it
    return 1;
}

} // namespace tavix
