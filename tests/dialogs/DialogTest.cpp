// The property dialogs through the exports against one emulated camera,
// driven with window messages under Windows (and Wine): live changes,
// Cancel restoring them, OK keeping them, the stored camera format taken up
// by the instance, the templates of the system's language, and a picture
// of every page for people to look at. Elsewhere the exports only say that
// there are no dialogs.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "../sdk/SdkFixture.h"
#include "DialogDriver.h"
#include "dialogs/DialogIds.h"
#include "dialogs/DialogModels.h"
#include "platform/SettingsStore.h"

#ifdef _WIN32
#include "../support/WindowCapture.h"
#endif

using namespace tavix;
using namespace tavix::test;

namespace {

using DialogExport = int32_t(TAVIX_API*)(uint32_t, TavixWindow);
using Getter = int32_t(TAVIX_API*)(uint32_t, int32_t*);
using Setter = int32_t(TAVIX_API*)(uint32_t, int32_t);
const DialogExport kDialogs[] = {Tavix_SetCameraDlg, Tavix_SetAnalogDlg, Tavix_SetImageDlg};

} // namespace

#ifndef _WIN32

TEST_F(Sdk, DialogsAreNotAvailableHere)
{
    for (const DialogExport show : kDialogs) {
        EXPECT_EQ(show(handle_, nullptr), 0);
        EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{11}));
    }
}

#else

namespace {

constexpr LANGID kJapanese = 0x0411;

bool Japanese() { return GetSystemDefaultLangID() == kJapanese; }
std::string Language() { return Japanese() ? "ja" : "en"; }

uint32_t Stored(const std::string& key, const char* name)
{
    uint32_t value = 0xDEADBEEF;
    const auto opened = platform::SettingsKey::Open(key);
    if (opened != nullptr)
        opened->ReadDword(name, &value);
    return value;
}
const std::string kCamera = "Software\\Kelvor\\Tavix264ROR3Q5Sdk\\Camera_00";

// What the dialog shows, as a PNG in the build tree.
void Picture(DialogDriver& dialog, const std::string& name)
{
    dialog.Repaint();
    const Capture shot = CaptureOnScreen(dialog.Sheet());
    ASSERT_GT(shot.width, 100);
    EXPECT_TRUE(WritePng(std::string(TAVIX_ARTIFACTS_DIR) + "/dialog-" + name + "-" + Language() + ".png", shot));
}

DialogDriver Show(DialogExport show, uint32_t handle)
{
    return DialogDriver([show, handle](TavixWindow owner) { return show(handle, owner); });
}

} // namespace

TEST_F(Sdk, ImageDialogChangesFiltersLiveAndRestoresThemUnlessOk)
{
    struct Row {
        int button;
        int32_t brightness, gamma; // afterwards
    };
    for (const Row& r : {Row{IDCANCEL, 17, 100}, Row{IDOK, -100, 150}}) {
        SCOPED_TRACE(r.button);
        ASSERT_EQ(Tavix_SetBrightness(handle_, 17), 1);
        ASSERT_EQ(Tavix_SetGamma(handle_, 100), 1);
        DialogDriver dialog([this](TavixWindow owner) { return Tavix_SetImageDlg(handle_, owner); });
        ASSERT_NE(dialog.Sheet(), nullptr);
        EXPECT_EQ(dialog.TextOf(IDC_BRIGHTNESS_EDIT), L"17");
        dialog.Slide(IDC_BRIGHTNESS_BAR, -100);
        dialog.Type(IDC_GAMMA_EDIT, L"150");
        dialog.Settle();
        int32_t ok = 0;
        EXPECT_EQ(Tavix_GetBrightness(handle_, &ok), -100);
        EXPECT_EQ(dialog.TextOf(IDC_BRIGHTNESS_EDIT), L"-100");
        EXPECT_EQ(Tavix_GetGamma(handle_, &ok), 150);
        // Beyond the range nothing is stored.
        dialog.Type(IDC_GAMMA_EDIT, L"201");
        dialog.Settle();
        EXPECT_EQ(Tavix_GetGamma(handle_, &ok), 150);
        // A refresh from the frame thread shows what changed elsewhere and
        // leaves a number being typed alone.
        dialog.Type(IDC_BRIGHTNESS_EDIT, L"-");
        ASSERT_EQ(Tavix_SetContrast(handle_, 33), 1);
        PostMessageW(dialog.Sheet(), dialogs::kRefreshMessage, 0, 0);
        dialog.Settle();
        EXPECT_EQ(dialog.TextOf(IDC_BRIGHTNESS_EDIT), L"-");
        EXPECT_EQ(dialog.TextOf(IDC_CONTRAST_EDIT), L"33");
        EXPECT_EQ(Tavix_GetBrightness(handle_, &ok), -100);
        ASSERT_EQ(Tavix_SetContrast(handle_, 0), 1);
        dialog.Type(IDC_GAMMA_EDIT, L"150");
        EXPECT_EQ(dialog.Close(r.button), 1);
        EXPECT_EQ(Tavix_GetBrightness(handle_, &ok), r.brightness);
        EXPECT_EQ(Tavix_GetGamma(handle_, &ok), r.gamma);
    }
}

TEST_F(Sdk, ImageDialogDefaultsAndAutomaticGains)
{
    ASSERT_EQ(Tavix_SetColorMode(handle_, 8), 1);
    const struct {
        Setter set;
        int32_t value, neutral;
    } kRows[] = {{Tavix_SetBrightness, 40, 0}, {Tavix_SetContrast, 20, 0}, {Tavix_SetHue, 90, 0},
                 {Tavix_SetSaturation, 9, 0},  {Tavix_SetSharpness, 3, 0}, {Tavix_SetBayerGainRed, 7, 100},
                 {Tavix_SetBayerGainBlue, 8, 100}, {Tavix_SetGamma, 50, 100}, {Tavix_SetBayerMode, 1, 2},
                 {Tavix_SetGrayGainR, 5, 128}, {Tavix_SetGrayOffsetB, -5, 128}, {Tavix_SetGrayMode, 1, 1}};
    for (const auto& r : kRows)
        ASSERT_EQ(r.set(handle_, r.value), 1);
    DialogDriver dialog([this](TavixWindow owner) { return Tavix_SetImageDlg(handle_, owner); });
    ASSERT_NE(dialog.Sheet(), nullptr);
    // 8 bits: the gray filter page too, and no colour controls.
    EXPECT_EQ(dialog.TabCount(IDC_TAB), 2);
    EXPECT_FALSE(dialog.Enabled(IDC_HUE_BAR));
    EXPECT_TRUE(dialog.Enabled(IDC_GAMMA_BAR));
    dialog.Press(IDC_DEFAULT);
    dialog.Settle();
    int32_t ok = 0;
    const Getter kGetters[] = {Tavix_GetBrightness, Tavix_GetContrast, Tavix_GetHue, Tavix_GetSaturation,
                               Tavix_GetSharpness, Tavix_GetBayerGainRed, Tavix_GetBayerGainBlue, Tavix_GetGamma,
                               Tavix_GetBayerMode, Tavix_GetGrayGainR, Tavix_GetGrayOffsetB, Tavix_GetGrayMode};
    for (size_t k = 0; k < std::size(kRows); ++k)
        EXPECT_EQ(kGetters[k](handle_, &ok), kRows[k].neutral) << k;
    EXPECT_EQ(dialog.TextOf(IDC_GAMMA_EDIT), L"100");

    // White balance once, on every frame, off again; gray gains the same.
    dialog.Press(IDC_ONCE);
    EXPECT_EQ(Tavix_GetBayerGainAuto(handle_, &ok), 1);
    dialog.Check(IDC_ALL_FRAMES, true);
    EXPECT_EQ(Tavix_GetBayerGainAuto(handle_, &ok), 1);
    dialog.Check(IDC_ALL_FRAMES, false);
    EXPECT_EQ(Tavix_GetBayerGainAuto(handle_, &ok), 0);
    dialog.SelectTab(IDC_TAB, 1);
    dialog.Check(IDC_ALL_FRAMES, true);
    EXPECT_EQ(dialog.Close(IDCANCEL), 1);
    // Everything as it was before the dialog.
    for (size_t k = 0; k < std::size(kRows); ++k)
        EXPECT_EQ(kGetters[k](handle_, &ok), kRows[k].value) << k;
}

TEST_F(Sdk, AnalogDialogSendsTheGainToTheSensorAndTakesItBack)
{
    emu::EmulatedCamera& camera = port_.Camera(0);
    for (const int button : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(button);
        ASSERT_EQ(Tavix_SetGlobalGain(handle_, 100), 1);
        ASSERT_EQ(Tavix_SetExposureTime(handle_, 500), 1);
        DialogDriver dialog([this](TavixWindow owner) { return Tavix_SetAnalogDlg(handle_, owner); });
        ASSERT_NE(dialog.Sheet(), nullptr);
        // This sensor has no colour gains: those rows are hidden.
        EXPECT_TRUE(dialog.Visible(IDC_GAIN_BAR));
        EXPECT_FALSE(dialog.Visible(IDC_CGAIN_R_BAR));
        // ... and leave no empty band: the exposure row follows the gain row.
        const RECT gain = dialog.Bounds(IDC_GAIN_BAR), exposure = dialog.Bounds(IDC_EXPOSURE_BAR);
        EXPECT_GT(exposure.top, gain.top);
        EXPECT_LT(exposure.top - gain.top, 2 * (gain.bottom - gain.top));
        EXPECT_EQ(dialog.TextOf(IDC_EXPOSURE_MS), L"=50.00ms");
        // Gain 300: bits 0-7 in 0x0404, bit 8 in 0x0405, at once.
        dialog.Slide(IDC_GAIN_BAR, 300);
        dialog.Type(IDC_EXPOSURE_EDIT, L"1000");
        dialog.Settle();
        EXPECT_EQ(camera.SensorRegister(0x0404), 300 & 0xFF);
        EXPECT_EQ(camera.SensorRegister(0x0405), 1);
        EXPECT_EQ(dialog.TextOf(IDC_EXPOSURE_MS), L"=100.00ms");
        dialog.Check(IDC_MIRROR_H, true);
        int32_t ok = 0;
        EXPECT_EQ(Tavix_GetMirrorH(handle_), 1);
        EXPECT_EQ(dialog.Close(button), 1);
        const bool kept = button == IDOK;
        EXPECT_EQ(camera.SensorRegister(0x0404), kept ? 300 & 0xFF : 100);
        EXPECT_EQ(camera.SensorRegister(0x0405), kept ? 1 : 0);
        EXPECT_EQ(Tavix_GetGlobalGain(handle_, &ok), kept ? 300 : 100);
        EXPECT_EQ(Tavix_GetExposureTime(handle_, &ok), kept ? 1000 : 500);
        EXPECT_EQ(Tavix_GetMirrorH(handle_), kept ? 1 : 0);
        ASSERT_EQ(Tavix_SetMirrorH(handle_, 0), 1);
    }
}

TEST_F(Sdk, CameraDialogStoresTheFormatAndTheCaptureTakesItUp)
{
    ASSERT_EQ(Tavix_Capture(handle_), 1);
    struct Row {
        int button;
        uint32_t size; // the preset in use afterwards
    };
    for (const Row& r : {Row{IDCANCEL, 0}, Row{IDOK, 1}}) {
        SCOPED_TRACE(r.button);
        DialogDriver dialog([this](TavixWindow owner) { return Tavix_SetCameraDlg(handle_, owner); });
        ASSERT_NE(dialog.Sheet(), nullptr);
        EXPECT_EQ(dialog.TextOf(IDC_HEFFECTIVE), L"2448");
        EXPECT_FALSE(dialog.Enabled(IDC_APPLY));
        EXPECT_FALSE(dialog.Enabled(IDC_CLOCK));
        dialog.Type(IDC_HEFFECTIVE, L"1024");
        dialog.Type(IDC_VEFFECTIVE, L"512");
        dialog.Type(IDC_HSTART, L"16");
        dialog.Type(IDC_VSTART, L"8");
        dialog.Type(IDC_WAITTIME, L"7");
        dialog.Pick(IDC_COLOR, 0); // "Monochrome 8bit"
        dialog.Settle();
        EXPECT_TRUE(dialog.Enabled(IDC_APPLY));
        EXPECT_EQ(dialog.Close(r.button), 1);
        EXPECT_EQ(Stored(kCamera, "Size"), r.size);
    }
    const std::string preset = kCamera + "\\Size_01";
    const std::pair<const char*, uint32_t> kPreset[] = {{"TH", 2448}, {"TV", 2048}, {"EH", 1024}, {"EV", 512},
                                                        {"EHS", 16},  {"EVS", 8},   {"Buf", 4}};
    for (const auto& [name, value] : kPreset)
        EXPECT_EQ(Stored(preset, name), value) << name;
    EXPECT_EQ(Stored(kCamera, "Color"), 0u);
    EXPECT_EQ(Stored(kCamera, "WaitTime"), 7u);
    int32_t h[6] = {};
    Tavix_GetCaptureWindowEx(handle_, &h[0], &h[1], &h[2], &h[3], &h[4], &h[5]);
    EXPECT_EQ(std::vector<int32_t>(h, h + 6), (std::vector<int32_t>{2448, 16, 1024, 2048, 8, 512}));
    EXPECT_EQ(Tavix_GetColorMode(handle_), 8);
    EXPECT_EQ(Tavix_GetWaitTime(handle_), 7);
    // The capture runs again, with frames of the new format: 1024 x 512 at
    // one byte fill this buffer exactly.
    std::vector<uint8_t> frame(1024 * 512);
    EXPECT_EQ(Tavix_SnapShot(handle_, frame.data(), static_cast<int32_t>(frame.size()), 1), 1);
    EXPECT_EQ(Tavix_SnapShot(handle_, frame.data(), static_cast<int32_t>(frame.size()) - 1, 1), 0);
    Errors(handle_);

    // Half resolution always reads the 2432 x 2048 window, stored as a size
    // of its own.
    DialogDriver dialog([this](TavixWindow owner) { return Tavix_SetCameraDlg(handle_, owner); });
    ASSERT_NE(dialog.Sheet(), nullptr);
    EXPECT_EQ(dialog.TextOf(IDC_HEFFECTIVE), L"1024");
    dialog.Pick(IDC_SUBSAMPLE, 1);
    dialog.Settle();
    EXPECT_FALSE(dialog.Enabled(IDC_HEFFECTIVE));
    EXPECT_FALSE(dialog.Enabled(IDC_CAPTURE_SIZE));
    EXPECT_EQ(dialog.TextOf(IDC_HEFFECTIVE), L"2432");
    EXPECT_EQ(dialog.Close(IDOK), 1);
    EXPECT_EQ(Stored(kCamera, "Size"), 2u);
    EXPECT_EQ(Stored(kCamera + "\\Size_02", "EH"), 2432u);
    EXPECT_EQ(Tavix_GetSubSample(handle_), 1);

    // A window that is empty or leaves the sensor is not stored; the dialog
    // stays open until it is mended.
    DialogDriver again([this](TavixWindow owner) { return Tavix_SetCameraDlg(handle_, owner); });
    ASSERT_NE(again.Sheet(), nullptr);
    again.Pick(IDC_SUBSAMPLE, 0);
    const struct {
        int edit;
        const wchar_t* text;
    } kBad[] = {{IDC_HEFFECTIVE, L"0"}, {IDC_VEFFECTIVE, L""}, {IDC_HEFFECTIVE, L"2449"},
                {IDC_HSTART, L"1425"}, {IDC_VSTART, L"1537"}, {IDC_VEFFECTIVE, L"99999999999"}};
    for (const auto& b : kBad) {
        SCOPED_TRACE(b.edit);
        again.Type(IDC_HEFFECTIVE, L"1024");
        again.Type(IDC_VEFFECTIVE, L"512");
        again.Type(IDC_HSTART, L"1424");
        again.Type(IDC_VSTART, L"1536");
        again.Type(b.edit, b.text);
        again.Press(IDOK);
        again.Press(IDC_APPLY);
        again.Settle();
        EXPECT_TRUE(IsWindowVisible(again.Sheet()));
        EXPECT_EQ(Stored(kCamera, "Size"), 2u);
    }
    // At the sensor's corner it is accepted, as a size of its own.
    again.Type(IDC_VEFFECTIVE, L"512");
    again.Type(IDC_VSTART, L"1536");
    EXPECT_EQ(again.Close(IDOK), 1);
    EXPECT_EQ(Stored(kCamera, "Size"), 3u);
    EXPECT_EQ(Stored(kCamera + "\\Size_03", "EHS"), 1424u);
}

TEST_F(Sdk, AnOpenImageDialogFollowsTheWhiteBalanceOfThePreview)
{
    SmallWindow(handle_);
    ASSERT_EQ(Tavix_SetColorMode(handle_, 24), 1);
    ASSERT_EQ(Tavix_Preview(handle_), 1);
    DialogDriver dialog([this](TavixWindow owner) { return Tavix_SetImageDlg(handle_, owner); });
    ASSERT_NE(dialog.Sheet(), nullptr);
    dialog.Slide(IDC_RGAIN_BAR, 7);
    dialog.Press(IDC_ONCE);
    // The frame thread measures once, switches the measurement off and
    // tells the dialog, which shows the new gains.
    int32_t ok = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end &&
           (Tavix_GetBayerGainAuto(handle_, &ok) != 0 ||
            dialog.TextOf(IDC_RGAIN_EDIT) != std::to_wstring(Tavix_GetBayerGainRed(handle_, &ok))))
        Sleep(20);
    EXPECT_EQ(Tavix_GetBayerGainAuto(handle_, &ok), 0);
    EXPECT_NE(Tavix_GetBayerGainRed(handle_, &ok), 7);
    EXPECT_EQ(dialog.TextOf(IDC_RGAIN_EDIT), std::to_wstring(Tavix_GetBayerGainRed(handle_, &ok)));
    EXPECT_EQ(dialog.TextOf(IDC_BGAIN_EDIT), std::to_wstring(Tavix_GetBayerGainBlue(handle_, &ok)));
    EXPECT_EQ(dialog.Close(IDOK), 1);
    EXPECT_EQ(Tavix_StopPreview(handle_), 1);
}

TEST_F(Sdk, DialogsNeedAnOpenCameraAndOpenOneAtATime)
{
    for (const DialogExport show : kDialogs)
        EXPECT_EQ(show(0xFFFFFFF0u, nullptr), 0);
    DialogDriver dialog([this](TavixWindow owner) { return Tavix_SetImageDlg(handle_, owner); });
    ASSERT_NE(dialog.Sheet(), nullptr);
    for (const DialogExport show : kDialogs) {
        EXPECT_EQ(show(handle_, nullptr), 0);
        EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{1}));
    }
    EXPECT_EQ(dialog.Close(IDCANCEL), 1);
}

// Run once as it is and once with a Japanese locale (TAVIX_EXPECT_JAPANESE
// is set for that run, so that a missing locale cannot pass for English).
TEST_F(Sdk, TemplatesFollowTheSystemLanguageAndArePictured)
{
    if (std::getenv("TAVIX_EXPECT_JAPANESE") != nullptr) {
        ASSERT_TRUE(Japanese()) << GetSystemDefaultLangID();
    }
    const bool ja = Japanese();
    struct Sheet {
        DialogExport show;
        int32_t colorBits;
        std::vector<std::string> pages;
        std::vector<std::wstring> tabs; // English, Japanese in turn
    };
    const Sheet kSheets[] = {
        {Tavix_SetCameraDlg, 24, {"camera"}, {L"Stream Format", L"ストリーム形式"}},
        {Tavix_SetAnalogDlg, 24, {"analog-colour"}, {L"Analog", L"アナログ"}},
        {Tavix_SetImageDlg, 8, {"image-filter", "gray-filter"},
         {L"Image Filter", L"画像フィルター", L"Gray Filter", L"グレーフィルター"}},
    };
    for (const Sheet& s : kSheets) {
        SCOPED_TRACE(s.pages[0]);
        ASSERT_EQ(Tavix_SetColorMode(handle_, s.colorBits), 1);
        DialogDriver dialog(Show(s.show, handle_));
        ASSERT_NE(dialog.Sheet(), nullptr);
        EXPECT_EQ(dialog.TextOf(dialog.Sheet()), ja ? L"プロパティ" : L"Property");
        ASSERT_EQ(dialog.TabCount(IDC_TAB), static_cast<int>(s.pages.size()));
        for (size_t page = 0; page < s.pages.size(); ++page) {
            EXPECT_EQ(dialog.TabText(IDC_TAB, static_cast<int>(page)), s.tabs[page * 2 + (ja ? 1 : 0)]);
            dialog.SelectTab(IDC_TAB, static_cast<int>(page));
            Picture(dialog, s.pages[page]);
        }
        EXPECT_EQ(dialog.Close(IDCANCEL), 1);
    }
}

// The emulated camera is a colour one: the monochrome analog page is shown
// here for a model of a monochrome camera with every optional setting.
struct MonochromeCamera final : dialogs::AnalogModel {
    using Value = dialogs::AnalogValue;
    using Flag = dialogs::AnalogFlag;
    int32_t values[7] = {4, 0, 0, 0, 0, 100, 16};
    bool flags[6] = {};
    int32_t gainMode = 0;
    double seconds = 0.01;

    bool Monochrome() const override { return true; }
    bool Has(Value) const override { return true; }
    dialogs::Range RangeOf(Value value) const override
    {
        return value == Value::kBlackLevel ? dialogs::Range{0, 255} : dialogs::Range{1, 1000};
    }
    int32_t DefaultOf(Value) const override { return 10; }
    int32_t Get(Value value) const override { return values[static_cast<int>(value)]; }
    void Set(Value value, int32_t number) override { values[static_cast<int>(value)] = number; }
    bool Has(Flag) const override { return true; }
    bool Get(Flag flag) const override { return flags[static_cast<int>(flag)]; }
    void Set(Flag flag, bool on) override { flags[static_cast<int>(flag)] = on; }
    bool HasGainMode() const override { return true; }
    int32_t GainMode() const override { return gainMode; }
    void SetGainMode(int32_t mode) override { gainMode = mode; }
    bool HasExposureSeconds() const override { return true; }
    double ExposureSeconds() const override { return seconds; }
    double ExposureSecondsMin() const override { return 0.001; }
    double ExposureSecondsMax() const override { return 2.0; }
    void SetExposureSeconds(double s) override { seconds = s; }
    void Opened(platform::WindowHandle) override {}
};

TEST(Dialogs, MonochromeAnalogPageTemplates)
{
    MonochromeCamera camera;
    DialogDriver dialog([&](TavixWindow owner) { return dialogs::ShowAnalogDialog(owner, camera); });
    ASSERT_NE(dialog.Sheet(), nullptr);
    EXPECT_TRUE(dialog.Visible(IDC_BLACK_BAR));
    EXPECT_EQ(dialog.TextOf(IDC_BLACK_EDIT), L"16");
    EXPECT_EQ(dialog.TextOf(IDC_EXPOSUREEX_EDIT), L"10.000"); // 0.01 s in the unit "msec"
    EXPECT_EQ(dialog.TextOf(IDC_EXPOSUREEX_RANGE), L"range: 1msec - 2000msec");
    Picture(dialog, "analog-mono");
    dialog.Slide(IDC_BLACK_BAR, 40);
    dialog.Type(IDC_EXPOSUREEX_EDIT, L"12.5");
    dialog.Pick(IDC_GAIN_MODE, 1); // "Low Gain"
    dialog.Check(IDC_PELTIER, true);
    dialog.Check(IDC_AUTOIRIS_GAIN, true);
    dialog.Check(IDC_AUTOIRIS_EXPOSURE, true); // takes the place of the gain
    dialog.Settle();
    EXPECT_EQ(camera.values[static_cast<int>(dialogs::AnalogValue::kBlackLevel)], 40);
    EXPECT_DOUBLE_EQ(camera.seconds, 0.0125);
    EXPECT_EQ(camera.gainMode, 1);
    EXPECT_TRUE(camera.flags[static_cast<int>(dialogs::AnalogFlag::kCooling)]);
    EXPECT_FALSE(dialog.TextOf(IDC_AUTOIRIS_GAIN).empty());
    EXPECT_EQ(SendMessageW(dialog.Control(IDC_AUTOIRIS_GAIN), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    // "Default(&D)": the camera's defaults, mirrors and Auto Iris off.
    dialog.Press(IDC_DEFAULT);
    dialog.Settle();
    EXPECT_EQ(camera.values[static_cast<int>(dialogs::AnalogValue::kGlobalGain)], 10);
    EXPECT_FALSE(camera.flags[static_cast<int>(dialogs::AnalogFlag::kAutoIrisExposure)]);
    EXPECT_EQ(dialog.Close(IDOK), 1);
}

TEST(Dialogs, CameraFormatOffersTheColourModesTheCameraCanDeliver)
{
    struct Row {
        bool monochrome, eightBit, sixteenBit;
        std::vector<std::wstring> entries;
    };
    const Row kRows[] = {
        {false, true, true, {L"Monochrome 8bit", L"Monochrome 16bit *", L"Color 24bit", L"Color 32bit",
                             L"Color 48bit *", L"Color 64bit *"}},
        {true, true, true, {L"Monochrome 8bit", L"Monochrome 16bit *"}},
        {true, false, true, {L"Monochrome 16bit *"}},
        {false, false, true, {L"Monochrome 16bit *", L"Color 24bit", L"Color 48bit *", L"Color 64bit *"}},
    };
    if (Japanese())
        GTEST_SKIP() << "the entries are compared in English";
    for (const Row& r : kRows) {
        dialogs::CameraFormat format;
        format.monochrome = r.monochrome;
        format.eightBit = r.eightBit;
        format.sixteenBit = r.sixteenBit;
        const std::function<void(const dialogs::CameraFormat&)> apply = [](const dialogs::CameraFormat&) {};
        DialogDriver dialog([&](TavixWindow owner) { return dialogs::ShowCameraDialog(owner, format, apply); });
        ASSERT_NE(dialog.Sheet(), nullptr);
        HWND combo = dialog.Control(IDC_COLOR);
        std::vector<std::wstring> shown;
        for (LRESULT k = 0; k < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++k) {
            wchar_t text[64] = {};
            SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(k), reinterpret_cast<LPARAM>(text));
            shown.emplace_back(text);
        }
        EXPECT_EQ(shown, r.entries);
        EXPECT_EQ(dialog.Close(IDCANCEL), 2);
    }
}

#endif // _WIN32
