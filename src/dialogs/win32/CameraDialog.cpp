// The camera format dialog: colour mode, capture size from the stored
// presets or typed in, sub-sampling, wait time and clock. It edits a copy
// of the stored format; OK and "Apply(&A)" hand the copy to the caller.

#include <windows.h>
#include <commctrl.h>

#include <cwchar>
#include <string>

#include "dialogs/DialogIds.h"
#include "dialogs/win32/DialogKit.h"

namespace tavix::dialogs {

namespace {

constexpr size_t kMaxPresets = 100;
constexpr int kHighClockMHz = 48;
// Half-resolution read-out always takes this window of the sensor.
constexpr Preset kSkipPreset{2448, 2048, 2432, 2048, 0, 0, 4};

struct ColourEntry {
    const wchar_t *english, *japanese;
};
constexpr ColourEntry kColourEntries[] = {
    {L"Monochrome 8bit", L"モノクロ 8ビット"}, {L"Monochrome %dbit *", L"モノクロ %dビット *"},
    {L"Color 24bit", L"カラー 24ビット"},      {L"Color 32bit", L"カラー 32ビット"},
    {L"Color 48bit *", L"カラー 48ビット *"},  {L"Color 64bit *", L"カラー 64ビット *"},
};

struct GeometryEdit {
    int id;
    int32_t Preset::*field;
};
constexpr GeometryEdit kGeometry[] = {
    {IDC_HTOTAL, &Preset::hTotal},     {IDC_VTOTAL, &Preset::vTotal}, {IDC_HEFFECTIVE, &Preset::width},
    {IDC_VEFFECTIVE, &Preset::height}, {IDC_HSTART, &Preset::hStart}, {IDC_VSTART, &Preset::vStart},
};

LRESULT Combo(HWND dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return SendDlgItemMessageW(dialog, id, message, wParam, lParam);
}

void AddEntry(HWND dialog, int id, const std::wstring& text, LPARAM data)
{
    const auto index = Combo(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    Combo(dialog, id, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
}

std::wstring SizeText(const Preset& preset)
{
    wchar_t text[48];
    std::swprintf(text, 48, L"%d x %d", preset.width, preset.height);
    return text;
}

class CameraDialog {
public:
    CameraDialog(CameraFormat& format, const std::function<void(const CameraFormat&)>& apply)
        : format_(format), apply_(apply)
    {
        if (format_.presets.empty())
            format_.presets.push_back(Preset{});
    }

    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, GWLP_USERDATA, lParam);
            reinterpret_cast<CameraDialog*>(lParam)->Open(dialog);
            return TRUE;
        }
        if (message == WM_CTLCOLORSTATIC)
            return Label(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        auto* self = reinterpret_cast<CameraDialog*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
        if (self == nullptr || message != WM_COMMAND)
            return FALSE;
        self->Command(dialog, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }

private:
    // Labels lie on the tab control and show its face through them; other
    // controls (the read-only totals) keep their own background.
    static INT_PTR Label(HDC dc, HWND control)
    {
        wchar_t name[16] = {};
        GetClassNameW(control, name, 16);
        if (lstrcmpiW(name, L"Static") != 0)
            return FALSE;
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
    }

    void Open(HWND dialog)
    {
        loading_ = true;
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        std::wstring tab = Text(L"Stream Format", L"ストリーム形式");
        item.pszText = tab.data();
        Combo(dialog, IDC_TAB, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));

        // Colour modes 0..5: 8 and 16 bits raw, 24, 32, 48 and 64 bits colour.
        const bool colour = !format_.monochrome;
        const bool offered[] = {format_.eightBit,           format_.sixteenBit,
                                colour,                     colour && format_.eightBit,
                                colour && format_.sixteenBit, colour && format_.sixteenBit};
        for (int mode = 0; mode < 6; ++mode) {
            if (!offered[mode])
                continue;
            wchar_t text[64];
            std::swprintf(text, 64, Text(kColourEntries[mode].english, kColourEntries[mode].japanese), 16);
            AddEntry(dialog, IDC_COLOR, text, mode);
            if (mode == format_.colorMode)
                Combo(dialog, IDC_COLOR, CB_SETCURSEL, static_cast<WPARAM>(Combo(dialog, IDC_COLOR, CB_GETCOUNT) - 1));
        }
        if (Combo(dialog, IDC_COLOR, CB_GETCURSEL) == CB_ERR)
            Combo(dialog, IDC_COLOR, CB_SETCURSEL, 0);

        FillSizes(dialog);
        AddEntry(dialog, IDC_SUBSAMPLE, L"1/1", 0);
        AddEntry(dialog, IDC_SUBSAMPLE, Text(L"1/2 Skip", L"1/2 間引き"), 1);
        Combo(dialog, IDC_SUBSAMPLE, CB_SETCURSEL, format_.subSample == 1 ? 1 : 0);

        SetDlgItemInt(dialog, IDC_WAITTIME, static_cast<UINT>(format_.waitTime), FALSE);
        wchar_t high[32];
        std::swprintf(high, 32, Text(L"High(%dMHz)", L"高速(%dMHz)"), kHighClockMHz);
        for (const std::wstring& clock : {std::wstring(Text(L"Nomal(24MHz)", L"標準(24MHz)")),
                 std::wstring(Text(L"Half(12MHz)", L"半分(12MHz)")), std::wstring(high)})
            AddEntry(dialog, IDC_CLOCK, clock, 0);
        Combo(dialog, IDC_CLOCK, CB_SETCURSEL, 2);
        EnableItem(dialog, IDC_CLOCK, false);

        const int32_t size = format_.size >= 0 && static_cast<size_t>(format_.size) < format_.presets.size()
                                 ? format_.size : 0;
        Combo(dialog, IDC_CAPTURE_SIZE, CB_SETCURSEL, static_cast<WPARAM>(size));
        ShowPreset(dialog, format_.presets[static_cast<size_t>(size)]);
        EnableGeometry(dialog);
        EnableItem(dialog, IDC_APPLY, false);
        loading_ = false;
    }

    void FillSizes(HWND dialog)
    {
        Combo(dialog, IDC_CAPTURE_SIZE, CB_RESETCONTENT);
        for (const Preset& preset : format_.presets)
            AddEntry(dialog, IDC_CAPTURE_SIZE, SizeText(preset), 0);
        AddEntry(dialog, IDC_CAPTURE_SIZE, Text(L"Custom", L"カスタム"), 0);
    }

    void ShowPreset(HWND dialog, const Preset& preset)
    {
        for (const GeometryEdit& edit : kGeometry)
            SetDlgItemInt(dialog, edit.id, static_cast<UINT>(preset.*edit.field), FALSE);
        buffers_ = preset.buffers;
    }

    bool SubSampled(HWND dialog) const { return Combo(dialog, IDC_SUBSAMPLE, CB_GETCURSEL) == 1; }

    // Geometry is typed in only where the camera can window and while the
    // whole resolution is read out.
    void EnableGeometry(HWND dialog)
    {
        const bool full = !SubSampled(dialog);
        EnableItem(dialog, IDC_CAPTURE_SIZE, full);
        EnableItem(dialog, IDC_HEFFECTIVE, full && format_.windowH);
        EnableItem(dialog, IDC_HSTART, full && format_.windowH);
        EnableItem(dialog, IDC_VEFFECTIVE, full && format_.windowV);
        EnableItem(dialog, IDC_VSTART, full && format_.windowV);
    }

    Preset ShownPreset(HWND dialog) const
    {
        Preset preset;
        for (const GeometryEdit& edit : kGeometry)
            preset.*edit.field = static_cast<int32_t>(GetDlgItemInt(dialog, edit.id, nullptr, FALSE));
        preset.buffers = buffers_;
        return preset;
    }

    // Presets are told apart by the window they read out.
    static bool SameWindow(const Preset& a, const Preset& b)
    {
        return a.width == b.width && a.height == b.height && a.hStart == b.hStart && a.vStart == b.vStart;
    }

    void SelectPreset(HWND dialog, const Preset& wanted)
    {
        size_t index = 0;
        while (index < format_.presets.size() && !SameWindow(format_.presets[index], wanted))
            ++index;
        if (index == format_.presets.size()) {
            // With every place taken the last size gives way, rather than
            // the typed one being lost.
            if (index < kMaxPresets)
                format_.presets.push_back(wanted);
            else
                format_.presets[--index] = wanted;
            FillSizes(dialog);
        }
        Combo(dialog, IDC_CAPTURE_SIZE, CB_SETCURSEL, static_cast<WPARAM>(index));
        ShowPreset(dialog, format_.presets[index]);
    }

    // The first geometry box whose number gives no window inside the
    // sensor (empty, zero, too large), or 0 when the window is sound.
    int BadGeometry(HWND dialog) const
    {
        int32_t value[4] = {};
        const int ids[4] = {IDC_HEFFECTIVE, IDC_VEFFECTIVE, IDC_HSTART, IDC_VSTART};
        for (int k = 0; k < 4; ++k) {
            BOOL valid = FALSE;
            const UINT number = GetDlgItemInt(dialog, ids[k], &valid, FALSE);
            if (!valid || number > static_cast<UINT>(k % 2 == 0 ? format_.sensorWidth : format_.sensorHeight))
                return ids[k];
            value[k] = static_cast<int32_t>(number);
        }
        if (value[0] == 0)
            return IDC_HEFFECTIVE;
        if (value[1] == 0)
            return IDC_VEFFECTIVE;
        if (value[2] + value[0] > format_.sensorWidth)
            return IDC_HSTART;
        if (value[3] + value[1] > format_.sensorHeight)
            return IDC_VSTART;
        return 0;
    }

    void Command(HWND dialog, int id, int code)
    {
        if (loading_)
            return;
        switch (id) {
        case IDOK:
            if (Take(dialog))
                EndDialog(dialog, IDOK);
            return;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return;
        case IDC_APPLY:
            if (Take(dialog))
                EnableItem(dialog, IDC_APPLY, false);
            return;
        case IDC_CAPTURE_SIZE:
            if (code == CBN_SELCHANGE) {
                const auto index = static_cast<size_t>(Combo(dialog, IDC_CAPTURE_SIZE, CB_GETCURSEL));
                loading_ = true;
                if (index < format_.presets.size())
                    ShowPreset(dialog, format_.presets[index]);
                loading_ = false;
            }
            break;
        case IDC_SUBSAMPLE:
            if (code == CBN_SELCHANGE) {
                loading_ = true;
                if (SubSampled(dialog))
                    SelectPreset(dialog, kSkipPreset);
                EnableGeometry(dialog);
                loading_ = false;
            }
            break;
        case IDC_HEFFECTIVE:
        case IDC_VEFFECTIVE:
        case IDC_HSTART:
        case IDC_VSTART:
            if (code == EN_CHANGE) {
                // Typed values that match no preset make a size of their own.
                const auto index = static_cast<size_t>(Combo(dialog, IDC_CAPTURE_SIZE, CB_GETCURSEL));
                if (index >= format_.presets.size() || !SameWindow(format_.presets[index], ShownPreset(dialog)))
                    Combo(dialog, IDC_CAPTURE_SIZE, CB_SETCURSEL, format_.presets.size());
            }
            break;
        default:
            break;
        }
        if (code == CBN_SELCHANGE || code == EN_CHANGE)
            EnableItem(dialog, IDC_APPLY, true);
    }

    // The controls into the format: a size that matches no preset becomes
    // the next one. A window outside the sensor is refused, with the box
    // to mend selected, so that nothing unusable is stored.
    bool Take(HWND dialog)
    {
        if (const int bad = BadGeometry(dialog); bad != 0) {
            MessageBeep(MB_ICONWARNING);
            HWND box = GetDlgItem(dialog, bad);
            SetFocus(box);
            SendMessageW(box, EM_SETSEL, 0, -1);
            return false;
        }
        loading_ = true;
        SelectPreset(dialog, ShownPreset(dialog));
        loading_ = false;
        const auto size = static_cast<size_t>(Combo(dialog, IDC_CAPTURE_SIZE, CB_GETCURSEL));
        format_.size = static_cast<int32_t>(size < format_.presets.size() ? size : 0);
        if (const auto colour = Combo(dialog, IDC_COLOR, CB_GETCURSEL); colour != CB_ERR)
            format_.colorMode =
                static_cast<int32_t>(Combo(dialog, IDC_COLOR, CB_GETITEMDATA, static_cast<WPARAM>(colour)));
        format_.subSample = SubSampled(dialog) ? 1 : 0;
        BOOL valid = FALSE;
        const UINT wait = GetDlgItemInt(dialog, IDC_WAITTIME, &valid, FALSE);
        if (valid && wait <= static_cast<UINT>(INT32_MAX))
            format_.waitTime = static_cast<int32_t>(wait);
        apply_(format_);
        return true;
    }

    CameraFormat& format_;
    const std::function<void(const CameraFormat&)>& apply_;
    int32_t buffers_ = 4;
    bool loading_ = false;
};

} // namespace

int ShowCameraDialog(platform::WindowHandle owner, CameraFormat& format,
                     const std::function<void(const CameraFormat&)>& apply)
{
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);
    CameraDialog dialog(format, apply);
    const INT_PTR result = DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(TemplateId(IDD_CAMERA_EN, IDD_CAMERA_JA)),
                                           static_cast<HWND>(owner), &CameraDialog::Procedure,
                                           reinterpret_cast<LPARAM>(&dialog));
    return result == IDOK || result == IDCANCEL ? static_cast<int>(result) : 0;
}

} // namespace tavix::dialogs
