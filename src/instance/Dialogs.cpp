// The property dialogs seen from the instance: the models through which
// the analog and image dialogs edit the settings live, what is kept to be
// restored when they are cancelled, and the camera format dialog's pause
// of acquisition around a change of the stored format.

#include <algorithm>
#include <array>
#include <limits>
#include <mutex>

#include "camera/CTavixU3Q5Base.h"
#include "dialogs/DialogModels.h"
#include "instance/CTavix.h"
#include "instance/CameraFormatStore.h"

namespace tavix {

namespace {

int32_t Clamped(uint32_t value)
{
    return static_cast<int32_t>(std::min<uint32_t>(value, std::numeric_limits<int32_t>::max()));
}

} // namespace

// --- image dialog ------------------------------------------------------------------

class CTavix::ImageDialogModel final : public dialogs::ImageModel {
public:
    static constexpr size_t kValueCount = static_cast<size_t>(dialogs::ImageValue::kGrayOffsetB) + 1;

    explicit ImageDialogModel(CTavix& t) : t_(t) {}

    bool Colour() const override { return t_.cameraValues_.colorMode >= 2; }
    int32_t Get(dialogs::ImageValue value) const override { return Field(value); }
    void Set(dialogs::ImageValue value, int32_t number) override { Field(value) = number; }

    bool WhiteBalanceEveryFrame() const override
    {
        return t_.filter_.bayerGainAuto != 0 && t_.whiteBalanceOnce_ == 0;
    }
    void WhiteBalanceOnce() override
    {
        t_.whiteBalanceOnce_ = 1;
        t_.filter_.bayerGainAuto = 1;
    }
    void WhiteBalanceEveryFrame(bool on) override
    {
        t_.whiteBalanceOnce_ = 0;
        t_.filter_.bayerGainAuto = on ? 1 : 0;
    }
    // The countdown runs from 0xFFFFFFFF for "All frames".
    bool GrayGainEveryFrame() const override { return static_cast<uint32_t>(t_.grayAutoCountdown_.load()) > 1; }
    void GrayGainOnce() override { t_.grayAutoCountdown_ = 1; }
    void GrayGainEveryFrame(bool on) override { t_.grayAutoCountdown_ = on ? -1 : 0; }
    void Opened(platform::WindowHandle dialog) override { t_.dialogWindow_ = dialog; }

    // The block from brightness through the gray countdown.
    struct Kept {
        std::array<int32_t, kValueCount> values{};
        int32_t bayerGainAuto = 0, whiteBalanceOnce = 0, grayCountdown = 0;
    };
    Kept Keep() const
    {
        Kept kept;
        for (size_t k = 0; k < kValueCount; ++k)
            kept.values[k] = Field(static_cast<dialogs::ImageValue>(k));
        kept.bayerGainAuto = t_.filter_.bayerGainAuto;
        kept.whiteBalanceOnce = t_.whiteBalanceOnce_;
        kept.grayCountdown = t_.grayAutoCountdown_;
        return kept;
    }
    void Restore(const Kept& kept)
    {
        // Under the frame lock: a frame being measured meanwhile would write
        // its gains over the restored ones.
        std::lock_guard lock(t_.frameLock_);
        for (size_t k = 0; k < kValueCount; ++k)
            Field(static_cast<dialogs::ImageValue>(k)) = kept.values[k];
        t_.filter_.bayerGainAuto = kept.bayerGainAuto;
        t_.whiteBalanceOnce_ = kept.whiteBalanceOnce;
        t_.grayAutoCountdown_ = kept.grayCountdown;
    }

private:
    settings::Setting& Field(dialogs::ImageValue value) const
    {
        FilterValues& f = t_.filter_;
        settings::Setting* const fields[kValueCount] = {
            &f.brightness, &f.contrast, &f.hue, &f.saturation, &f.sharpness, &f.bayerGainRed, &f.bayerGainGreen,
            &f.bayerGainBlue, &f.gamma, &f.bayerMode, &f.grayMode, &f.grayGainR, &f.grayGainG1, &f.grayGainG2,
            &f.grayGainB, &f.grayOffsetR, &f.grayOffsetG1, &f.grayOffsetG2, &f.grayOffsetB,
        };
        return *fields[static_cast<size_t>(value)];
    }

    CTavix& t_;
};

// --- analog dialog -----------------------------------------------------------------

class CTavix::AnalogDialogModel final : public dialogs::AnalogModel {
public:
    using Value = dialogs::AnalogValue;
    using Flag = dialogs::AnalogFlag;

    static constexpr size_t kValueCount = static_cast<size_t>(Value::kBlackLevel) + 1;

    explicit AnalogDialogModel(CTavix& t) : t_(t), camera_(*t.camera_) {}

    bool Monochrome() const override { return t_.CameraCapabilities().monochrome; }
    bool Has(Value value) const override
    {
        switch (value) {
        case Value::kColorGainG1:
        case Value::kColorGainR:
        case Value::kColorGainB:
        case Value::kColorGainG2:
            return camera_.GetColorGainMax() > camera_.GetColorGainMin();
        case Value::kBlackLevel:
            return camera_.IsBlackLevelSupported() != 0;
        default:
            return true;
        }
    }
    dialogs::Range RangeOf(Value value) const override
    {
        switch (value) {
        case Value::kGlobalGain:
            return {Clamped(camera_.GetGlobalGainMin()), Clamped(camera_.GetGlobalGainMax())};
        case Value::kExposure:
            return {Clamped(camera_.GetExposureTimeMin()), Clamped(camera_.GetExposureTimeMax())};
        case Value::kBlackLevel:
            return {Clamped(camera_.GetBlackLevelMin()), Clamped(camera_.GetBlackLevelMax())};
        default:
            return {Clamped(camera_.GetColorGainMin()), Clamped(camera_.GetColorGainMax())};
        }
    }
    int32_t DefaultOf(Value value) const override
    {
        switch (value) {
        case Value::kGlobalGain:
            return Clamped(camera_.GetGlobalGainDefault());
        case Value::kExposure:
            return Clamped(camera_.GetExposureTimeDefault());
        case Value::kBlackLevel:
            return Clamped(camera_.GetBlackLevelDefault());
        default:
            return Clamped(camera_.GetColorGainDefault());
        }
    }
    int32_t Get(Value value) const override { return Field(value); }
    void Set(Value value, int32_t number) override
    {
        Field(value) = number;
        Send(value, number);
    }

    bool Has(Flag flag) const override
    {
        switch (flag) {
        case Flag::kCooling:
            return camera_.IsCoolingAvailable() != 0;
        case Flag::kShortExposure:
            return camera_.IsFeatureSupported() != 0;
        default:
            return true;
        }
    }
    bool Get(Flag flag) const override
    {
        const AnalogValues& a = t_.analog_;
        switch (flag) {
        case Flag::kMirrorV:
            return a.mirrorV != 0;
        case Flag::kMirrorH:
            return a.mirrorH != 0;
        case Flag::kAutoIrisGain:
            return a.autoIris == kAutoIrisGain;
        case Flag::kAutoIrisExposure:
            return a.autoIris == kAutoIrisExposure;
        case Flag::kCooling:
            return a.cooling != 0;
        case Flag::kShortExposure:
            return a.shortExposure != 0;
        }
        return false;
    }
    void Set(Flag flag, bool on) override
    {
        AnalogValues& a = t_.analog_;
        switch (flag) {
        case Flag::kMirrorV:
            t_.SetMirror(false, on ? 1 : 0);
            break;
        case Flag::kMirrorH:
            t_.SetMirror(true, on ? 1 : 0);
            break;
        case Flag::kAutoIrisGain:
        case Flag::kAutoIrisExposure: {
            const int32_t mode = flag == Flag::kAutoIrisGain ? kAutoIrisGain : kAutoIrisExposure;
            if (on)
                a.autoIris = mode;
            else if (a.autoIris == mode)
                a.autoIris = 0;
            break;
        }
        case Flag::kCooling:
            a.cooling = on ? 1 : 0;
            camera_.SetCoolingState(on ? 1 : 0);
            break;
        case Flag::kShortExposure:
            if (camera_.SetFeature(on ? 1 : 0))
                a.shortExposure = on ? 1 : 0;
            break;
        }
    }

    bool HasGainMode() const override { return camera_.IsGainStageSupported() != 0; }
    int32_t GainMode() const override { return t_.analog_.gainMode; }
    void SetGainMode(int32_t mode) override
    {
        if (camera_.SetGainStage(static_cast<uint32_t>(mode)))
            t_.analog_.gainMode = mode;
    }

    bool HasExposureSeconds() const override { return camera_.IsExposureSecondsSupported() != 0; }
    double ExposureSeconds() const override { return t_.analog_.exposureSeconds; }
    double ExposureSecondsMin() const override
    {
        double seconds = 0;
        camera_.GetExposureSecondsMin(&seconds);
        return seconds;
    }
    double ExposureSecondsMax() const override
    {
        double seconds = 0;
        camera_.GetExposureSecondsMax(&seconds);
        return seconds;
    }
    void SetExposureSeconds(double seconds) override { t_.SetExposureSeconds(seconds); }
    void Opened(platform::WindowHandle dialog) override { t_.dialogWindow_ = dialog; }

    // What the camera has now becomes the instance's.
    void RefreshFromCamera()
    {
        AnalogValues& a = t_.analog_;
        a.globalGain = Clamped(camera_.GetGlobalGain());
        a.colorGainG1 = Clamped(camera_.GetColorGainGreen1());
        a.colorGainR = Clamped(camera_.GetColorGainRed());
        a.colorGainB = Clamped(camera_.GetColorGainBlue());
        a.colorGainG2 = Clamped(camera_.GetColorGainGreen2());
        a.exposure = Clamped(camera_.GetExposureTime());
        double seconds = 0;
        if (HasExposureSeconds() && camera_.GetExposureSeconds(&seconds))
            a.exposureSeconds = seconds;
        a.mirrorV = Clamped(camera_.GetMirrorV());
        a.mirrorH = Clamped(camera_.GetMirrorH());
    }

    struct Kept {
        std::array<int32_t, kValueCount> values{};
        double exposureSeconds = 0;
        int32_t mirrorV = 0, mirrorH = 0, autoIris = 0, gainMode = 0, cooling = 0, shortExposure = 0;
        int32_t bayerMode = 0;
    };
    Kept Keep() const
    {
        const AnalogValues& a = t_.analog_;
        Kept kept;
        for (size_t k = 0; k < kValueCount; ++k)
            kept.values[k] = Field(static_cast<Value>(k));
        kept.exposureSeconds = a.exposureSeconds;
        kept.mirrorV = a.mirrorV;
        kept.mirrorH = a.mirrorH;
        kept.autoIris = a.autoIris;
        kept.gainMode = a.gainMode;
        kept.cooling = a.cooling;
        kept.shortExposure = a.shortExposure;
        kept.bayerMode = t_.filter_.bayerMode;
        return kept;
    }
    // The kept settings, and the camera set back to them.
    void Restore(const Kept& kept)
    {
        AnalogValues& a = t_.analog_;
        {
            // Auto Iris is held off until the end, and a frame applying it
            // now has finished, so it cannot undo what is put back here.
            std::lock_guard lock(t_.frameLock_);
            a.autoIris = 0;
        }
        for (size_t k = 0; k < kValueCount; ++k) {
            const auto value = static_cast<Value>(k);
            Field(value) = kept.values[k];
            // The seconds form below sets the exposure where there is one.
            if (Has(value) && !(value == Value::kExposure && HasExposureSeconds()))
                Send(value, kept.values[k]);
        }
        if (HasExposureSeconds()) {
            camera_.SetExposureSeconds(kept.exposureSeconds);
            a.exposureSeconds = kept.exposureSeconds;
        }
        t_.SetMirror(false, kept.mirrorV);
        t_.SetMirror(true, kept.mirrorH);
        if (HasGainMode() && kept.gainMode != a.gainMode)
            SetGainMode(kept.gainMode);
        if (Has(Flag::kCooling) && kept.cooling != a.cooling)
            Set(Flag::kCooling, kept.cooling != 0);
        if (Has(Flag::kShortExposure) && kept.shortExposure != a.shortExposure)
            Set(Flag::kShortExposure, kept.shortExposure != 0);
        t_.filter_.bayerMode = kept.bayerMode;
        a.autoIris = kept.autoIris;
    }

private:
    static constexpr int32_t kAutoIrisExposure = 1;
    static constexpr int32_t kAutoIrisGain = 2;

    settings::Setting& Field(Value value) const
    {
        AnalogValues& a = t_.analog_;
        settings::Setting* const fields[kValueCount] = {
            &a.globalGain, &a.colorGainG1, &a.colorGainR, &a.colorGainB, &a.colorGainG2, &a.exposure, &a.blackLevel,
        };
        return *fields[static_cast<size_t>(value)];
    }

    void Send(Value value, int32_t number)
    {
        const auto word = static_cast<uint32_t>(number);
        switch (value) {
        case Value::kGlobalGain:
            camera_.SetGlobalGain(word);
            break;
        case Value::kColorGainG1:
            camera_.SetColorGainGreen1(word);
            break;
        case Value::kColorGainR:
            camera_.SetColorGainRed(word);
            break;
        case Value::kColorGainB:
            camera_.SetColorGainBlue(word);
            break;
        case Value::kColorGainG2:
            camera_.SetColorGainGreen2(word);
            break;
        case Value::kExposure:
            t_.SendExposure(word);
            t_.realExposure_ = number * 100;
            break;
        case Value::kBlackLevel:
            camera_.SetBlackLevel(word);
            break;
        }
    }

    CTavix& t_;
    CTavixU3Q5Base& camera_;
};

// --- the operations ------------------------------------------------------------------

bool CTavix::BeginDialog()
{
    if (!camera_ || deviceNumber_ < 0) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return false;
    }
    if (!dialogs::kAvailable) {
        PushError(TAVIX_ERR_NOT_SUPPORTED);
        return false;
    }
    if (dialogOpen_.exchange(1) != 0) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return false;
    }
    return true;
}

void CTavix::RefreshDialog() const
{
    if (platform::WindowHandle dialog = dialogWindow_.load())
        platform::PostWindowMessage(dialog, dialogs::kRefreshMessage, 0, 0);
}

namespace {

// The dialog's answer as the export's: 1 once it has closed.
int Closed(CTavix& t, int result)
{
    if (result == dialogs::kClosedOk || result == dialogs::kClosedCancel)
        return 1;
    t.PushError(TAVIX_ERR_WINDOW); // the template could not be shown
    return 0;
}

} // namespace

int CTavix::SetImageDlg(platform::WindowHandle owner)
{
    if (!BeginDialog())
        return 0;
    ImageDialogModel model(*this);
    const ImageDialogModel::Kept kept = model.Keep();
    const int result = dialogs::ShowImageDialog(owner, model);
    dialogWindow_ = nullptr;
    if (result != dialogs::kClosedOk)
        model.Restore(kept);
    dialogOpen_ = 0;
    return Closed(*this, result);
}

int CTavix::SetAnalogDlg(platform::WindowHandle owner)
{
    if (!BeginDialog())
        return 0;
    AnalogDialogModel model(*this);
    model.RefreshFromCamera();
    const AnalogDialogModel::Kept kept = model.Keep();
    const int result = dialogs::ShowAnalogDialog(owner, model);
    dialogWindow_ = nullptr;
    if (result != dialogs::kClosedOk)
        model.Restore(kept);
    dialogOpen_ = 0;
    return Closed(*this, result);
}

int CTavix::SetCameraDlg(platform::WindowHandle owner)
{
    if (!BeginDialog())
        return 0;
    // The format cannot change under a running transfer.
    const int32_t state = acqState_;
    if (state != kIdle)
        StopPreview();
    const int32_t number = SettingsNumber();
    settings::LoadGeometryAndCameraValues(number, CameraCapabilities(), geometry_, cameraValues_);
    dialogs::CameraFormat format;
    settings::ReadCameraFormat(number, format);
    // The mode the instance works in: a stored one that this camera cannot
    // deliver was corrected when it was read.
    format.colorMode = cameraValues_.colorMode;
    format.sensorWidth = kSensorWidth;
    format.sensorHeight = kSensorHeight;
    const settings::Capabilities capabilities = CameraCapabilities();
    format.eightBit = capabilities.eightBit;
    format.sixteenBit = capabilities.sixteenBit;
    format.monochrome = capabilities.monochrome;
    format.windowH = camera_->GetWindowFlagH() != 0;
    format.windowV = camera_->GetWindowFlagV() != 0;

    bool written = false;
    const int result = dialogs::ShowCameraDialog(owner, format, [&](const dialogs::CameraFormat& edited) {
        settings::WriteCameraFormat(number, edited);
        written = true;
    });
    // What was written is what the instance works with from now on, also
    // when "Apply(&A)" was followed by Cancel.
    if (written)
        settings::LoadGeometryAndCameraValues(number, capabilities, geometry_, cameraValues_);
    if (state == kPreview)
        StartPreview();
    else if (state == kCapture)
        Capture();
    dialogOpen_ = 0;
    return Closed(*this, result);
}

} // namespace tavix
