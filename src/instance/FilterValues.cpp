// The filter values: numbered settings through which the exports reach the
// image processing (kept here, read by the frame thread) and a few camera
// settings (sent to the camera object).

#include "camera/CTavixU3Q5Base.h"
#include "instance/CTavix.h"

namespace tavix {

namespace {

constexpr int32_t kBayerGainsPacked = 6;
constexpr int32_t kBayerGainAuto = 10;
constexpr int32_t kGrayAutoCountdown = 28;
constexpr int32_t kCooling = 100;
constexpr int32_t kTemperature = 101;
constexpr int32_t kBlackLevel = 104;
constexpr int32_t kShortExposure = 105;
constexpr int32_t kGainMode = 106;

// The camera-backed numbers 13 to 18.
enum CameraValue : int32_t {
    kGlobalGain = 13,
    kColorGainRed,
    kColorGainGreen1,
    kColorGainGreen2,
    kColorGainBlue,
    kExposure,
};

} // namespace

CTavix::StoredValue CTavix::Stored(int32_t number)
{
    FilterValues& f = filter_;
    struct Row {
        int32_t number;
        settings::Setting FilterValues::*field;
        int32_t minimum, maximum;
    };
    static constexpr Row kRows[] = {
        {1, &FilterValues::brightness, -255, 255},    {2, &FilterValues::contrast, -127, 127},
        {3, &FilterValues::hue, -360, 360},           {4, &FilterValues::saturation, -255, 255},
        {5, &FilterValues::sharpness, 0, 30},         {7, &FilterValues::bayerGainRed, 0, 400},
        {8, &FilterValues::bayerGainGreen, 0, 400},   {9, &FilterValues::bayerGainBlue, 0, 400},
        {11, &FilterValues::gamma, 0, 200},           {12, &FilterValues::bayerMode, 0, 3},
        {19, &FilterValues::grayMode, 0, 2},          {20, &FilterValues::grayGainR, 0, 255},
        {21, &FilterValues::grayGainG1, 0, 255},      {22, &FilterValues::grayGainG2, 0, 255},
        {23, &FilterValues::grayGainB, 0, 255},       {24, &FilterValues::grayOffsetR, -255, 255},
        {25, &FilterValues::grayOffsetG1, -255, 255}, {26, &FilterValues::grayOffsetG2, -255, 255},
        {27, &FilterValues::grayOffsetB, -255, 255},
    };
    for (const Row& row : kRows)
        if (row.number == number)
            return {&(f.*row.field), row.minimum, row.maximum};
    if (number == 102)
        return {&dotFilter_, 0, 1};
    if (number == 103)
        return {&maskFilter_, 0, 1};
    return {};
}

int32_t CTavix::GetFilterValue(int32_t number, int32_t* ok)
{
    const auto answer = [ok](int32_t flag, int32_t value) {
        if (ok != nullptr)
            *ok = flag;
        return value;
    };
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return answer(0, 0);
    }
    if (const StoredValue stored = Stored(number); stored.field != nullptr)
        return answer(1, *stored.field);
    CTavixU3Q5Base& camera = *camera_;
    switch (number) {
    case kBayerGainsPacked:
        return answer(1, (filter_.bayerGainRed & 0xFF) | (filter_.bayerGainGreen & 0xFF) << 8 |
                             (filter_.bayerGainBlue & 0xFF) << 16);
    case kBayerGainAuto:
        return answer(1, filter_.bayerGainAuto);
    case kGlobalGain:
        return answer(1, static_cast<int32_t>(camera.GetGlobalGain()));
    case kColorGainRed:
        return answer(1, static_cast<int32_t>(camera.GetColorGainRed()));
    case kColorGainGreen1:
        return answer(1, static_cast<int32_t>(camera.GetColorGainGreen1()));
    case kColorGainGreen2:
        return answer(1, static_cast<int32_t>(camera.GetColorGainGreen2()));
    case kColorGainBlue:
        return answer(1, static_cast<int32_t>(camera.GetColorGainBlue()));
    case kExposure:
        return answer(1, static_cast<int32_t>(camera.GetExposureTime()));
    case kCooling: {
        uint32_t on = 0;
        if (!camera.IsCoolingAvailable()) {
            PushError(TAVIX_ERR_NOT_SUPPORTED);
            return answer(1, -1);
        }
        camera.GetCoolingState(&on);
        return answer(1, static_cast<int32_t>(on));
    }
    case kTemperature:
        // Readable only as a double, through the temperature export.
        PushError(TAVIX_ERR_NOT_SUPPORTED);
        return answer(0, -1);
    case kBlackLevel:
        return answer(1, static_cast<int32_t>(camera.GetBlackLevel()));
    case kShortExposure: {
        uint32_t on = 0;
        if (!camera.IsFeatureSupported()) {
            PushError(TAVIX_ERR_NOT_SUPPORTED);
            return answer(1, 0);
        }
        if (!camera.GetFeature(&on)) {
            PushError(TAVIX_ERR_REGISTER);
            return answer(1, 0);
        }
        PushError(TAVIX_ERR_NONE);
        return answer(1, on != 0 ? 1 : 0);
    }
    case kGainMode: {
        uint32_t stage = 0;
        if (!camera.IsGainStageSupported()) {
            PushError(TAVIX_ERR_NOT_SUPPORTED);
            return answer(1, 0);
        }
        if (!camera.ReadGainStage(&stage)) {
            PushError(TAVIX_ERR_REGISTER);
            return answer(1, 0);
        }
        analog_.gainMode = static_cast<int32_t>(stage);
        PushError(TAVIX_ERR_NONE);
        return answer(1, static_cast<int32_t>(stage));
    }
    default: // the gray countdown is write-only; channel gains and offsets, and anything else, unknown
        PushError(TAVIX_ERR_ARGUMENT);
        return answer(0, 0);
    }
}

int CTavix::SetFilterValue(int32_t number, int32_t value)
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    const auto refuse = [this] {
        PushError(TAVIX_ERR_ARGUMENT);
        return 0;
    };
    if (const StoredValue stored = Stored(number); stored.field != nullptr) {
        if (value < stored.minimum || value > stored.maximum)
            return refuse();
        *stored.field = value;
        return 1;
    }
    CTavixU3Q5Base& camera = *camera_;
    // The camera's own range decides; the value is kept and sent.
    const auto sendInRange = [&](uint32_t minimum, uint32_t maximum, settings::Setting& kept, auto send) {
        if (value < 0 || static_cast<uint32_t>(value) < minimum || static_cast<uint32_t>(value) > maximum)
            return refuse();
        kept = value;
        send(static_cast<uint32_t>(value));
        return 1;
    };
    switch (number) {
    case kBayerGainsPacked:
        filter_.bayerGainRed = value & 0xFF;
        filter_.bayerGainGreen = (value >> 8) & 0xFF;
        filter_.bayerGainBlue = (value >> 16) & 0xFF;
        return 1;
    case kBayerGainAuto:
        filter_.bayerGainAuto = value != 0 ? 1 : 0;
        return 1;
    case kGrayAutoCountdown:
        if (value != 0 && value != 1)
            return refuse();
        grayAutoCountdown_ = value;
        return 1;
    case kGlobalGain:
        return sendInRange(camera.GetGlobalGainMin(), camera.GetGlobalGainMax(), analog_.globalGain,
                           [&](uint32_t v) { camera.SetGlobalGain(v); });
    case kColorGainRed:
        return sendInRange(camera.GetColorGainMin(), camera.GetColorGainMax(), analog_.colorGainR,
                           [&](uint32_t v) { camera.SetColorGainRed(v); });
    case kColorGainGreen1:
        return sendInRange(camera.GetColorGainMin(), camera.GetColorGainMax(), analog_.colorGainG1,
                           [&](uint32_t v) { camera.SetColorGainGreen1(v); });
    case kColorGainGreen2:
        return sendInRange(camera.GetColorGainMin(), camera.GetColorGainMax(), analog_.colorGainG2,
                           [&](uint32_t v) { camera.SetColorGainGreen2(v); });
    case kColorGainBlue:
        return sendInRange(camera.GetColorGainMin(), camera.GetColorGainMax(), analog_.colorGainB,
                           [&](uint32_t v) { camera.SetColorGainBlue(v); });
    case kExposure:
        return sendInRange(camera.GetExposureTimeMin(), camera.GetExposureTimeMax(), analog_.exposure,
                           [&](uint32_t v) { SendExposure(v); });
    case kCooling:
        if (!camera.IsCoolingAvailable()) {
            PushError(TAVIX_ERR_NOT_SUPPORTED);
            return 0;
        }
        analog_.cooling = value;
        return camera.SetCoolingState(static_cast<uint32_t>(value));
    case kBlackLevel:
        analog_.blackLevel = value;
        return camera.SetBlackLevel(static_cast<uint32_t>(value));
    case kShortExposure:
        if (!camera.IsFeatureSupported()) {
            PushError(TAVIX_ERR_NOT_SUPPORTED);
            return 0;
        }
        if (!camera.SetFeature(value >= 1 ? 1 : 0)) {
            PushError(TAVIX_ERR_REGISTER);
            return 0;
        }
        analog_.shortExposure = value >= 1 ? 1 : 0;
        return 1;
    case kGainMode:
        if (!camera.IsGainStageSupported()) {
            PushError(TAVIX_ERR_NOT_SUPPORTED);
            return 0;
        }
        if (!camera.SetGainStage(static_cast<uint32_t>(value))) {
            PushError(TAVIX_ERR_REGISTER);
            return 0;
        }
        analog_.gainMode = value;
        PushError(TAVIX_ERR_NONE);
        return 1;
    default: // the temperature cannot be set; channel values and unknown numbers
        return refuse();
    }
}

void CTavix::SendExposure(uint32_t exposure)
{
    camera_->SetExposureTime(exposure);
    double seconds = 0;
    if (camera_->IsExposureSecondsSupported() && camera_->GetExposureSeconds(&seconds))
        analog_.exposureSeconds = seconds;
}

} // namespace tavix
