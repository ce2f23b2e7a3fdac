#include "instance/CTavix.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "camera/CTavixU3Q5Base.h"
#include "platform/Clock.h"
#include "transport/CFx3Api.h"

namespace tavix {

namespace {

constexpr const char* kDeviceBaseName = "Tavix264ROR-USB3-Q5";
constexpr int kEnumNames = 10;
constexpr int kEnumNameBytes = 256;
constexpr int32_t kDeviceNumbers = 32;
// "Tavix264ROR-USB3-Q5_01" and its terminator.
constexpr int32_t kDeviceNameBytes = 23;

intptr_t SignExtended(uint32_t code) { return static_cast<intptr_t>(static_cast<int32_t>(code)); }

} // namespace

CTavix::CTavix() : recorder_(std::make_unique<output::AviWriter>()), fpsStart_(platform::TickCount()) {}

CTavix::~CTavix()
{
    deviceNumber_ = -1;
    SaveAll();
    Close();
    if (camera_)
        camera_->Shutdown();
    camera_.reset();
}

// --- errors -------------------------------------------------------------------

void CTavix::PushError(uint32_t code)
{
    errors_.Push(code);
    if (notifyWindow_ != nullptr)
        platform::PostWindowMessage(notifyWindow_, TAVIX_WM_ERROR, 0, SignExtended(code));
}

void CTavix::PostError(uint32_t code) const
{
    platform::PostWindowMessage(notifyWindow_, TAVIX_WM_ERROR, 0, SignExtended(code));
}

// --- opening --------------------------------------------------------------------

int CTavix::Initialize(platform::WindowHandle notifyWindow)
{
    if (camera_)
        Close();
    camera_.reset();
    camera_ = std::make_unique<CTavixUSB3Q5SimpleSdk>();
    notifyWindow_ = notifyWindow;
    if (notifyWindow != nullptr && !deviceNotification_.Register(notifyWindow, kCameraInterfaceGuid))
        return 0;

    camera_->SetProductId(kProductId);
    camera_->CreateTransport(0, &kCameraInterfaceGuid);
    if (camera_->CountCameras(kProductId) == 1)
        SetDeviceNumber(0);

    LoadFilterAndGray();
    LoadAnalog();
    settings::LoadGeometryAndCameraValues(SettingsNumber(), CameraCapabilities(), geometry_, cameraValues_);
    return 1;
}

int CTavix::SetDeviceNumber(int32_t number)
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    if (settingsLoaded_ != 0 && number != deviceNumber_)
        SaveAll();
    settingsLoaded_ = 1;
    if (!camera_->CheckDeviceNumber(number)) {
        PushError(TAVIX_ERR_DEVICE);
        return 0;
    }
    if (number == deviceNumber_)
        return 1;
    StopPreview();
    if (!camera_->OpenCamera(number)) {
        PushError(TAVIX_ERR_DEVICE);
        return 0;
    }
    deviceNumber_ = number;
    LoadAnalog();
    LoadFilterAndGray();
    ApplyAnalogAfterOpen();
    return 1;
}

void CTavix::ApplyAnalogAfterOpen()
{
    CTavixU3Q5Base& camera = *camera_;
    camera.SetGlobalGain(static_cast<uint32_t>(analog_.globalGain.load()));
    camera.SetColorGainGreen1(static_cast<uint32_t>(analog_.colorGainG1.load()));
    camera.SetColorGainRed(static_cast<uint32_t>(analog_.colorGainR.load()));
    camera.SetColorGainBlue(static_cast<uint32_t>(analog_.colorGainB.load()));
    camera.SetColorGainGreen2(static_cast<uint32_t>(analog_.colorGainG2.load()));
    if (camera.IsExposureSecondsSupported())
        camera.SetExposureSeconds(analog_.exposureSeconds);
    else
        camera.SetExposureTime(static_cast<uint32_t>(analog_.exposure.load()));
    camera.SetMirrorV(static_cast<uint32_t>(analog_.mirrorV.load()));
    camera.SetMirrorH(static_cast<uint32_t>(analog_.mirrorH.load()));
    // The switches of models that have them: gain mode, cooling on, short
    // exposure off, black level.
    if (camera.IsGainStageSupported())
        camera.SetGainStage(static_cast<uint32_t>(analog_.gainMode.load()));
    if (camera.IsCoolingAvailable())
        camera.SetCoolingState(1);
    if (camera.IsFeatureSupported())
        camera.SetFeature(0);
    if (camera.IsBlackLevelSupported())
        camera.SetBlackLevel(static_cast<uint32_t>(analog_.blackLevel.load()));
}

// --- settings persistence ---------------------------------------------------------

int32_t CTavix::SettingsNumber() const
{
    // The camera's own number keys its settings; before any camera is open
    // that is the first one. (The instance's deviceNumber is -1 while it is
    // being destroyed, but what it saves then belongs to the camera it had.)
    return camera_ ? static_cast<int32_t>(camera_->GetCameraIndex()) : 0;
}

settings::Capabilities CTavix::CameraCapabilities() const
{
    if (!camera_)
        return {};
    return {camera_->CanOutputMode0() != 0, camera_->CanOutputMode1() != 0, camera_->CanOutputMode2() == 0};
}

void CTavix::LoadAnalog()
{
    const settings::Entry entries[] = {
        {"Global", &analog_.globalGain}, {"ColorG1", &analog_.colorGainG1}, {"ColorR", &analog_.colorGainR},
        {"ColorB", &analog_.colorGainB}, {"ColorG2", &analog_.colorGainG2}, {"Exposure", &analog_.exposure},
        {"V_Mirror", &analog_.mirrorV},  {"H_Mirror", &analog_.mirrorH},   {"AutoIris", &analog_.autoIris},
        {"GainMode", &analog_.gainMode}, {"BlackLevel", &analog_.blackLevel},
    };
    const int32_t number = SettingsNumber();
    if (settings::ReadGroup(settings::GroupKey(number, "Gain"), entries)) {
        // A value that is missing keeps what the instance holds for it.
        double seconds = 0;
        if (settings::ReadExposureSeconds(number, &seconds))
            analog_.exposureSeconds = seconds;
        return;
    }
    if (!camera_)
        return;
    // Nothing stored: take what the camera has now.
    CTavixU3Q5Base& camera = *camera_;
    analog_.globalGain = static_cast<int32_t>(camera.GetGlobalGain());
    analog_.colorGainG1 = static_cast<int32_t>(camera.GetColorGainGreen1());
    analog_.colorGainR = static_cast<int32_t>(camera.GetColorGainRed());
    analog_.colorGainB = static_cast<int32_t>(camera.GetColorGainBlue());
    analog_.colorGainG2 = static_cast<int32_t>(camera.GetColorGainGreen2());
    analog_.exposure = static_cast<int32_t>(camera.GetExposureTime());
    analog_.mirrorV = static_cast<int32_t>(camera.GetMirrorV());
    analog_.mirrorH = static_cast<int32_t>(camera.GetMirrorH());
    analog_.blackLevel = static_cast<int32_t>(camera.GetBlackLevel());
    double seconds = 0;
    if (camera.IsExposureSecondsSupported() && camera.GetExposureSeconds(&seconds))
        analog_.exposureSeconds = seconds;
    analog_.autoIris = 0;
    analog_.gainMode = 0;
}

void CTavix::SaveAnalog()
{
    const settings::Entry entries[] = {
        {"Global", &analog_.globalGain}, {"ColorG1", &analog_.colorGainG1}, {"ColorR", &analog_.colorGainR},
        {"ColorB", &analog_.colorGainB}, {"ColorG2", &analog_.colorGainG2}, {"Exposure", &analog_.exposure},
        {"V_Mirror", &analog_.mirrorV},  {"H_Mirror", &analog_.mirrorH},   {"AutoIris", &analog_.autoIris},
        {"GainMode", &analog_.gainMode}, {"BlackLevel", &analog_.blackLevel},
    };
    const int32_t number = SettingsNumber();
    settings::WriteGroup(settings::GroupKey(number, "Gain"), entries);
    settings::WriteExposureSeconds(number, analog_.exposureSeconds);
}

void CTavix::LoadFilterAndGray()
{
    FilterValues& f = filter_;
    const settings::Entry filter[] = {
        {"Brightness", &f.brightness},   {"Contrast", &f.contrast}, {"Hue", &f.hue},
        {"Saturation", &f.saturation},   {"Sharpness", &f.sharpness}, {"R_Gain", &f.bayerGainRed},
        {"G_Gain", &f.bayerGainGreen},   {"B_Gain", &f.bayerGainBlue}, {"Gamma", &f.gamma},
        {"BayerMode", &f.bayerMode},
    };
    const settings::Entry gray[] = {
        {"Mode", &f.grayMode},         {"GainR1", &f.grayGainR},     {"GainG1", &f.grayGainG1},
        {"GainG2", &f.grayGainG2},     {"GainB1", &f.grayGainB},     {"OffsetR1", &f.grayOffsetR},
        {"OffsetG1", &f.grayOffsetG1}, {"OffsetG2", &f.grayOffsetG2}, {"OffsetB1", &f.grayOffsetB},
    };
    const int32_t number = SettingsNumber();
    if (!settings::ReadGroup(settings::GroupKey(number, "Filter"), filter)) {
        for (settings::Setting* neutral : {&f.brightness, &f.contrast, &f.hue, &f.saturation, &f.sharpness})
            *neutral = 0;
        for (settings::Setting* unity : {&f.bayerGainRed, &f.bayerGainGreen, &f.bayerGainBlue, &f.gamma})
            *unity = 100;
        f.bayerMode = 2;
        f.bayerGainAuto = 0;
    }
    if (!settings::ReadGroup(settings::GroupKey(number, "Gray"), gray)) {
        f.grayMode = 0;
        for (size_t k = 1; k < std::size(gray); ++k)
            *gray[k].field = 128;
    }
}

void CTavix::SaveFilterAndGray()
{
    FilterValues& f = filter_;
    const settings::Entry filter[] = {
        {"Brightness", &f.brightness},   {"Contrast", &f.contrast}, {"Hue", &f.hue},
        {"Saturation", &f.saturation},   {"Sharpness", &f.sharpness}, {"R_Gain", &f.bayerGainRed},
        {"G_Gain", &f.bayerGainGreen},   {"B_Gain", &f.bayerGainBlue}, {"Gamma", &f.gamma},
        {"BayerMode", &f.bayerMode},
    };
    const settings::Entry gray[] = {
        {"Mode", &f.grayMode},         {"GainR1", &f.grayGainR},     {"GainG1", &f.grayGainG1},
        {"GainG2", &f.grayGainG2},     {"GainB1", &f.grayGainB},     {"OffsetR1", &f.grayOffsetR},
        {"OffsetG1", &f.grayOffsetG1}, {"OffsetG2", &f.grayOffsetG2}, {"OffsetB1", &f.grayOffsetB},
    };
    const int32_t number = SettingsNumber();
    settings::WriteGroup(settings::GroupKey(number, "Filter"), filter);
    settings::WriteGroup(settings::GroupKey(number, "Gray"), gray);
}

void CTavix::SaveAll()
{
    if (!camera_)
        return;
    SaveAnalog();
    SaveFilterAndGray();
}

int CTavix::LoadConfigFile(const char* path)
{
    if (path == nullptr)
        return 0;
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file)
        return 0;
    const std::streamoff size = file.tellg();
    if (size < 0 || static_cast<uint64_t>(size) > kMaxConfigFileBytes)
        return 0; // not a configuration file this library could have been given
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(bytes.data()), size))
        return 0;
    const auto word = [&](size_t at) {
        return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                     static_cast<uint32_t>(bytes[at + 3]) << 24);
    };
    std::lock_guard lock(configLock_);
    configList_.clear();
    for (size_t at = 0; at + 8 <= bytes.size(); at += 8)
        configList_.emplace_back(word(at), word(at + 4));
    return 1;
}

size_t CTavix::ConfigCount()
{
    std::lock_guard lock(configLock_);
    return configList_.size();
}

// --- devices --------------------------------------------------------------------

int CTavix::EnumDevice(char (*names)[256])
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    int written = 0;
    const auto count = static_cast<int32_t>(camera_->CountCameras(kProductId));
    for (int32_t position = 0; position < count && written < kEnumNames; ++position) {
        if (!camera_->CheckDeviceNumber(position))
            continue;
        std::snprintf(names[written], kEnumNameBytes, "%s_%02d", kDeviceBaseName, written + 1);
        ++written;
    }
    for (int k = written; k < kEnumNames; ++k)
        names[k][0] = '\0';
    return written;
}

int CTavix::GetDeviceName(int32_t index, char* text, int32_t length)
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    // The name takes 23 bytes with its terminator: a shorter buffer is
    // refused rather than written past its end.
    if (text == nullptr || length < kDeviceNameBytes) {
        PushError(TAVIX_ERR_ARGUMENT);
        return 0;
    }
    if (index < 0 || index >= kDeviceNumbers || !camera_->CheckDeviceNumber(index)) {
        PushError(TAVIX_ERR_DEVICE);
        return 0;
    }
    std::snprintf(text, static_cast<size_t>(length), "%s_%02d", kDeviceBaseName, static_cast<int>(index + 1));
    return 1;
}

// --- format ---------------------------------------------------------------------

int CTavix::SetColorMode(int32_t bits)
{
    const int32_t mode = imaging::ColorModeFromBits(bits);
    bool refused = mode < 0;
    if (!refused && camera_) {
        const settings::Capabilities camera = CameraCapabilities();
        refused = (!camera.eightBit && (bits == 8 || bits == 32)) || (camera.monochrome && bits >= 24);
    }
    if (refused) {
        PushError(TAVIX_ERR_ARGUMENT);
        return 0;
    }
    cameraValues_.colorMode = mode;
    return 1;
}

int32_t CTavix::GetColorMode() const
{
    const int32_t bits = imaging::ColorModeBits(cameraValues_.colorMode);
    return bits == 0 ? -1 : bits;
}

int CTavix::SetSubSample(int32_t mode)
{
    if (mode != 0 && mode != 1)
        return 0;
    cameraValues_.subSample = mode;
    return 1;
}

int CTavix::SetWaitTime(int32_t milliseconds)
{
    if (milliseconds < 0)
        return 0;
    cameraValues_.waitTime = milliseconds;
    return 1;
}

int CTavix::SetCaptureWindow(int32_t width, int32_t height)
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    if (!settings::FindCapturePreset(width, height, geometry_)) {
        PushError(TAVIX_ERR_WINDOW);
        return 0;
    }
    // A stored size the sensor cannot take selects the whole sensor; the
    // call still succeeds, with the error on the stack.
    if (!CaptureWindowValid()) {
        PushError(TAVIX_ERR_CAPTURE_WINDOW);
        geometry_.hTotal = geometry_.width = kSensorWidth;
        geometry_.vTotal = geometry_.height = kSensorHeight;
        geometry_.hStart = geometry_.vStart = 0;
    }
    camera_->SetCaptureWindow(static_cast<uint32_t>(geometry_.hStart.load()),
                              static_cast<uint32_t>(geometry_.vStart.load()),
                              static_cast<uint32_t>(geometry_.width.load()),
                              static_cast<uint32_t>(geometry_.height.load()),
                              static_cast<uint32_t>(cameraValues_.subSample.load()));
    return 1;
}

int CTavix::SetCaptureWindowEx(int32_t hTotal, int32_t hStart, int32_t hEffective, int32_t vTotal, int32_t vStart,
                               int32_t vEffective)
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    if ((camera_->GetWindowFlagH() == 0 && hEffective != kSensorWidth) ||
        (camera_->GetWindowFlagV() == 0 && vEffective != kSensorHeight)) {
        PushError(TAVIX_ERR_ARGUMENT);
        return 0;
    }
    geometry_.hTotal = hTotal;
    geometry_.hStart = hStart;
    geometry_.width = hEffective;
    geometry_.vTotal = vTotal;
    geometry_.vStart = vStart;
    geometry_.height = vEffective;
    if (!CaptureWindowValid()) {
        PushError(TAVIX_ERR_CAPTURE_WINDOW);
        return 0;
    }
    camera_->SetCaptureWindow(static_cast<uint32_t>(hStart), static_cast<uint32_t>(vStart),
                              static_cast<uint32_t>(hEffective), static_cast<uint32_t>(vEffective),
                              static_cast<uint32_t>(cameraValues_.subSample.load()));
    return 1;
}

void CTavix::GetCaptureWindowEx(int32_t* hTotal, int32_t* hStart, int32_t* hEffective, int32_t* vTotal,
                                int32_t* vStart, int32_t* vEffective) const
{
    const std::pair<int32_t*, const settings::Setting*> values[] = {
        {hTotal, &geometry_.hTotal}, {hStart, &geometry_.hStart}, {hEffective, &geometry_.width},
        {vTotal, &geometry_.vTotal}, {vStart, &geometry_.vStart}, {vEffective, &geometry_.height},
    };
    for (const auto& [out, value] : values)
        if (out != nullptr)
            *out = *value;
}

int CTavix::SetPreviewWindow(platform::WindowHandle parent, int32_t left, int32_t top, int32_t right,
                             int32_t bottom)
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    previewParent_ = parent;
    previewRect_ = {left, top, right, bottom};
    return 1;
}

bool CTavix::CaptureWindowValid() const
{
    const int32_t w = geometry_.width, h = geometry_.height, x = geometry_.hStart, y = geometry_.vStart;
    const int32_t sub = cameraValues_.subSample;
    if (w < 0 || h < 0 || x < 0 || y < 0 || w > kSensorWidth || h > kSensorHeight || x > kSensorWidth ||
        y > kSensorHeight)
        return false;
    // Compared in 64 bits: stored values may be anything.
    if (int64_t{x} + w > kSensorWidth || int64_t{y} + h > kSensorHeight)
        return false;
    return sub != 2 && sub != 3 && sub != 17 && sub != 18 && sub != 19;
}

} // namespace tavix
