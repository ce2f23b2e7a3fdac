// The analog dialog: gains, exposure, mirrors and Auto Iris, and on
// monochrome cameras the black level, cooling, short exposure and gain
// stage. Ranges are the camera's; what the camera lacks is hidden. Every
// change reaches the camera at once through the model.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "dialogs/DialogIds.h"
#include "dialogs/win32/DialogKit.h"

namespace tavix::dialogs {

namespace {

constexpr int32_t kTicksPerRange = 10;
// The distance of two slider rows, in dialog units.
constexpr int kRowPitch = 17;

struct RowOf {
    SliderRow ids;
    AnalogValue value;
};
constexpr RowOf kColourRows[] = {
    {{IDC_GAIN_BAR, IDC_GAIN_EDIT, IDC_GAIN_SPIN, {}, 0}, AnalogValue::kGlobalGain},
    {{IDC_CGAIN_G1_BAR, IDC_CGAIN_G1_EDIT, IDC_CGAIN_G1_SPIN, {}, 0}, AnalogValue::kColorGainG1},
    {{IDC_CGAIN_R_BAR, IDC_CGAIN_R_EDIT, IDC_CGAIN_R_SPIN, {}, 0}, AnalogValue::kColorGainR},
    {{IDC_CGAIN_B_BAR, IDC_CGAIN_B_EDIT, IDC_CGAIN_B_SPIN, {}, 0}, AnalogValue::kColorGainB},
    {{IDC_CGAIN_G2_BAR, IDC_CGAIN_G2_EDIT, IDC_CGAIN_G2_SPIN, {}, 0}, AnalogValue::kColorGainG2},
    {{IDC_EXPOSURE_BAR, IDC_EXPOSURE_EDIT, IDC_EXPOSURE_SPIN, {}, 0}, AnalogValue::kExposure},
};
constexpr RowOf kMonochromeRows[] = {
    {{IDC_GAIN_BAR, IDC_GAIN_EDIT, IDC_GAIN_SPIN, {}, 0}, AnalogValue::kGlobalGain},
    {{IDC_EXPOSURE_BAR, IDC_EXPOSURE_EDIT, IDC_EXPOSURE_SPIN, {}, 0}, AnalogValue::kExposure},
    {{IDC_BLACK_BAR, IDC_BLACK_EDIT, IDC_BLACK_SPIN, {}, 0}, AnalogValue::kBlackLevel},
};

struct FlagOf {
    int id;
    AnalogFlag flag;
};
constexpr FlagOf kFlags[] = {
    {IDC_MIRROR_V, AnalogFlag::kMirrorV},           {IDC_MIRROR_H, AnalogFlag::kMirrorH},
    {IDC_AUTOIRIS_GAIN, AnalogFlag::kAutoIrisGain}, {IDC_AUTOIRIS_EXPOSURE, AnalogFlag::kAutoIrisExposure},
    {IDC_PELTIER, AnalogFlag::kCooling},            {IDC_SHORT_EXPOSURE, AnalogFlag::kShortExposure},
};

// The extended exposure's units, seconds per unit.
struct Unit {
    const wchar_t* name;
    double perSecond;
    const wchar_t* format;
};
constexpr Unit kUnits[] = {{L"sec", 1.0, L"%.6f"}, {L"msec", 1000.0, L"%.3f"}};

class AnalogPage final : public Page {
public:
    explicit AnalogPage(AnalogModel& model) : model_(model)
    {
        for (const RowOf& row : model.Monochrome() ? std::span<const RowOf>(kMonochromeRows)
                                                    : std::span<const RowOf>(kColourRows)) {
            SliderRow ids = row.ids;
            ids.range = model.RangeOf(row.value);
            ids.ticks = std::max((ids.range.maximum - ids.range.minimum) / kTicksPerRange, 1);
            rows_.push_back(ids);
            values_.push_back(row.value);
        }
    }

    int Template() const override
    {
        return model_.Monochrome() ? TemplateId(IDD_ANALOG_MONO_EN, IDD_ANALOG_MONO_JA)
                                   : TemplateId(IDD_ANALOG_COLOUR_EN, IDD_ANALOG_COLOUR_JA);
    }
    std::span<const SliderRow> Rows() const override { return rows_; }
    int32_t RowValue(size_t row) const override { return model_.Get(values_[row]); }
    void RowChanged(size_t row, int32_t value) override
    {
        model_.Set(values_[row], value);
        if (values_[row] == AnalogValue::kExposure)
            ShowExposureTime(window);
    }

    void LoadOthers(HWND page) override
    {
        if (!prepared_) {
            HideMissing(page);
            prepared_ = true;
        }
        for (const FlagOf& f : kFlags)
            CheckDlgButton(page, f.id, model_.Has(f.flag) && model_.Get(f.flag) ? BST_CHECKED : BST_UNCHECKED);
        ShowExposureTime(page);
        if (model_.HasGainMode())
            SendDlgItemMessageW(page, IDC_GAIN_MODE, CB_SETCURSEL, static_cast<WPARAM>(model_.GainMode()), 0);
        // Rewritten only when the time changed elsewhere, so that a refresh
        // leaves a time being typed alone.
        if (model_.HasExposureSeconds() && model_.ExposureSeconds() != shownSeconds_)
            ShowExposureSeconds(page);
    }

    void Command(HWND page, int id, int code) override
    {
        for (const FlagOf& f : kFlags)
            if (f.id == id && code == BN_CLICKED) {
                const bool on = IsDlgButtonChecked(page, id) == BST_CHECKED;
                model_.Set(f.flag, on);
                // Auto Iris drives either the gain or the exposure.
                if (on && id == IDC_AUTOIRIS_GAIN)
                    CheckDlgButton(page, IDC_AUTOIRIS_EXPOSURE, BST_UNCHECKED);
                if (on && id == IDC_AUTOIRIS_EXPOSURE)
                    CheckDlgButton(page, IDC_AUTOIRIS_GAIN, BST_UNCHECKED);
            }
        if (id == IDC_GAIN_MODE && code == CBN_SELCHANGE)
            model_.SetGainMode(static_cast<int32_t>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0)));
        if (id == IDC_EXPOSUREEX_UNIT && code == CBN_SELCHANGE)
            ShowExposureSeconds(page);
        if (id == IDC_EXPOSUREEX_EDIT && code == EN_CHANGE)
            ExposureSecondsEdited(page);
    }

    void Default() override
    {
        for (const AnalogValue value : values_)
            if (model_.Has(value))
                model_.Set(value, model_.DefaultOf(value));
        for (const AnalogFlag flag : {AnalogFlag::kMirrorV, AnalogFlag::kMirrorH, AnalogFlag::kAutoIrisGain,
                 AnalogFlag::kAutoIrisExposure})
            model_.Set(flag, false);
    }

private:
    // The top of a control in the page's client coordinates.
    static int TopOf(HWND page, HWND control)
    {
        RECT r{};
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
        return r.top;
    }
    // Whatever lies below a hidden row moves up by a row for each hidden
    // row above it, so that the page shows no empty bands. The row's own
    // controls start within half a row of its trackbar's top.
    static void CloseGaps(HWND page, const std::vector<int>& hiddenTops)
    {
        if (hiddenTops.empty())
            return;
        RECT pitch{0, 0, 0, kRowPitch};
        MapDialogRect(page, &pitch);
        for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT r{};
            GetWindowRect(child, &r);
            MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
            const auto above = std::count_if(hiddenTops.begin(), hiddenTops.end(),
                                             [&](int top) { return top + pitch.bottom / 2 < r.top; });
            if (above != 0)
                SetWindowPos(child, nullptr, r.left, r.top - static_cast<int>(above) * pitch.bottom, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }

    void HideMissing(HWND page)
    {
        std::vector<int> hiddenTops;
        for (size_t k = 0; k < rows_.size(); ++k) {
            if (model_.Has(values_[k]))
                continue;
            // The row's label is the control just before its trackbar.
            HWND bar = GetDlgItem(page, rows_[k].bar);
            ShowWindow(GetWindow(bar, GW_HWNDPREV), SW_HIDE);
            for (const int id : {rows_[k].bar, rows_[k].edit, rows_[k].spin})
                ShowItem(page, id, false);
            hiddenTops.push_back(TopOf(page, bar));
        }
        CloseGaps(page, hiddenTops);
        for (const FlagOf& f : kFlags)
            ShowItem(page, f.id, model_.Has(f.flag));
        ShowItem(page, IDC_GAIN_MODE, model_.HasGainMode());
        if (model_.HasGainMode()) {
            SendDlgItemMessageW(page, IDC_GAIN_MODE, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(Text(L"High Gain", L"高ゲイン")));
            SendDlgItemMessageW(page, IDC_GAIN_MODE, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(Text(L"Low Gain", L"低ゲイン")));
        }
        const bool seconds = model_.HasExposureSeconds();
        for (const int id : {IDC_EXPOSUREEX_LABEL, IDC_EXPOSUREEX_EDIT, IDC_EXPOSUREEX_UNIT, IDC_EXPOSUREEX_RANGE})
            ShowItem(page, id, seconds);
        if (seconds) {
            for (const Unit& unit : kUnits)
                SendDlgItemMessageW(page, IDC_EXPOSUREEX_UNIT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(unit.name));
            SendDlgItemMessageW(page, IDC_EXPOSUREEX_UNIT, CB_SETCURSEL, 1, 0);
        }
    }

    // The exposure counts steps of 100 µs.
    void ShowExposureTime(HWND page)
    {
        wchar_t text[64];
        std::swprintf(text, 64, L"=%.2fms", model_.Get(AnalogValue::kExposure) / 10.0);
        SetItemText(page, IDC_EXPOSURE_MS, text);
    }

    const Unit& SelectedUnit(HWND page) const
    {
        const auto selected = SendDlgItemMessageW(page, IDC_EXPOSUREEX_UNIT, CB_GETCURSEL, 0, 0);
        return kUnits[selected == 0 ? 0 : 1];
    }

    void ShowExposureSeconds(HWND page)
    {
        const Unit& unit = SelectedUnit(page);
        shownSeconds_ = model_.ExposureSeconds();
        wchar_t text[96];
        std::swprintf(text, 96, unit.format, shownSeconds_ * unit.perSecond);
        const bool wasLoading = loading_;
        loading_ = true;
        SetItemText(page, IDC_EXPOSUREEX_EDIT, text);
        loading_ = wasLoading;
        std::swprintf(text, 96, L"range: %d%ls - %d%ls", static_cast<int>(model_.ExposureSecondsMin() * unit.perSecond),
                      unit.name, static_cast<int>(model_.ExposureSecondsMax() * unit.perSecond), unit.name);
        SetItemText(page, IDC_EXPOSUREEX_RANGE, text);
    }

    void ExposureSecondsEdited(HWND page)
    {
        const std::wstring text = ItemText(page, IDC_EXPOSUREEX_EDIT);
        wchar_t* end = nullptr;
        const double value = std::wcstod(text.c_str(), &end);
        if (end == text.c_str() || *end != L'\0')
            return;
        const double seconds = value / SelectedUnit(page).perSecond;
        if (seconds < model_.ExposureSecondsMin() || seconds > model_.ExposureSecondsMax())
            return;
        model_.SetExposureSeconds(seconds);
        shownSeconds_ = model_.ExposureSeconds();
        // The integer exposure follows; the text being typed stays.
        loading_ = true;
        for (size_t k = 0; k < rows_.size(); ++k)
            SetRow(page, k, RowValue(k));
        loading_ = false;
        ShowExposureTime(page);
    }

    AnalogModel& model_;
    std::vector<SliderRow> rows_;
    std::vector<AnalogValue> values_;
    bool prepared_ = false;
    double shownSeconds_ = -1.0;
};

} // namespace

int ShowAnalogDialog(platform::WindowHandle owner, AnalogModel& model)
{
    AnalogPage page(model);
    return RunSheet(static_cast<HWND>(owner), TemplateId(IDD_ANALOG_EN, IDD_ANALOG_JA), {&page}, model);
}

} // namespace tavix::dialogs
