#include "dialogs/win32/DialogKit.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "dialogs/DialogIds.h"

namespace tavix::dialogs {

namespace {

constexpr LANGID kJapanese = 0x0411;

void InitControls()
{
    static const bool done = [] {
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_TAB_CLASSES};
        return InitCommonControlsEx(&classes) != FALSE;
    }();
    (void)done;
}

} // namespace

HINSTANCE ResourceModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ResourceModule), &module);
    return module;
}

bool Japanese() { return GetSystemDefaultLangID() == kJapanese; }

std::wstring ItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    std::wstring text(static_cast<size_t>(std::max(GetWindowTextLengthW(item), 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(std::max(GetWindowTextW(item, text.data(), static_cast<int>(text.size())), 0)));
    return text;
}

void SetItemText(HWND dialog, int id, const std::wstring& text) { SetDlgItemTextW(dialog, id, text.c_str()); }
void ShowItem(HWND dialog, int id, bool shown) { ShowWindow(GetDlgItem(dialog, id), shown ? SW_SHOW : SW_HIDE); }
void EnableItem(HWND dialog, int id, bool enabled) { EnableWindow(GetDlgItem(dialog, id), enabled ? TRUE : FALSE); }

// --- pages -----------------------------------------------------------------------------

void Page::Prepare(HWND page)
{
    for (const SliderRow& row : Rows()) {
        HWND bar = GetDlgItem(page, row.bar);
        SendMessageW(bar, TBM_SETRANGEMIN, FALSE, row.range.minimum);
        SendMessageW(bar, TBM_SETRANGEMAX, FALSE, row.range.maximum);
        SendMessageW(bar, TBM_SETTICFREQ, static_cast<WPARAM>(std::max(row.ticks, 1)), 0);
        SendMessageW(bar, TBM_SETPAGESIZE, 0, std::max(row.ticks, 1));
        // The up-down took the edit box before it as its buddy when it was
        // made (binding it again would narrow the box once more).
        SendDlgItemMessageW(page, row.spin, UDM_SETRANGE32, static_cast<WPARAM>(row.range.minimum),
                            row.range.maximum);
    }
}

void Page::SetRow(HWND page, size_t row, int32_t value)
{
    const SliderRow& r = Rows()[row];
    shown_.resize(Rows().size());
    shown_[row] = value;
    SendDlgItemMessageW(page, r.bar, TBM_SETPOS, TRUE, value);
    // The number is rewritten only when it shows another value, so that a
    // refresh does not move the caret of someone typing.
    BOOL valid = FALSE;
    const auto shown = static_cast<int32_t>(GetDlgItemInt(page, r.edit, &valid, TRUE));
    if (!valid || shown != value)
        SetDlgItemInt(page, r.edit, static_cast<UINT>(value), TRUE);
}

void Page::Load(HWND page)
{
    loading_ = true;
    for (size_t k = 0; k < Rows().size(); ++k)
        SetRow(page, k, RowValue(k));
    LoadOthers(page);
    loading_ = false;
}

void Page::Refresh(HWND page)
{
    loading_ = true;
    shown_.resize(Rows().size());
    for (size_t k = 0; k < Rows().size(); ++k)
        if (const int32_t value = RowValue(k); value != shown_[k])
            SetRow(page, k, value);
    LoadOthers(page);
    loading_ = false;
}

void Page::Scrolled(HWND page, HWND bar)
{
    const std::span<const SliderRow> rows = Rows();
    for (const SliderRow& row : rows)
        if (GetDlgItem(page, row.bar) == bar) {
            const auto position = static_cast<int32_t>(SendMessageW(bar, TBM_GETPOS, 0, 0));
            // The number's change stores the value.
            SetDlgItemInt(page, row.edit, static_cast<UINT>(position), TRUE);
        }
}

void Page::Edited(HWND page, size_t row)
{
    const SliderRow& r = Rows()[row];
    BOOL valid = FALSE;
    const auto value = static_cast<int32_t>(GetDlgItemInt(page, r.edit, &valid, TRUE));
    // A number being typed ("-", or beyond the range) is not stored.
    if (!valid || value < r.range.minimum || value > r.range.maximum)
        return;
    SendDlgItemMessageW(page, r.bar, TBM_SETPOS, TRUE, value);
    if (!loading_) {
        shown_.resize(Rows().size());
        shown_[row] = value;
        RowChanged(row, value);
    }
}

INT_PTR CALLBACK Page::Procedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Page*>(lParam);
        SetWindowLongPtrW(page, GWLP_USERDATA, lParam);
        self->window = page;
        self->Prepare(page);
        self->Load(page);
        return TRUE;
    }
    auto* self = reinterpret_cast<Page*>(GetWindowLongPtrW(page, GWLP_USERDATA));
    if (self == nullptr)
        return FALSE;
    switch (message) {
    case WM_HSCROLL:
        if (lParam != 0)
            self->Scrolled(page, reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        const std::span<const SliderRow> rows = self->Rows();
        for (size_t k = 0; k < rows.size(); ++k)
            if (rows[k].edit == id) {
                if (code == EN_CHANGE)
                    self->Edited(page, k);
                return TRUE;
            }
        if (!self->loading_)
            self->Command(page, id, code);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

// --- sheets ------------------------------------------------------------------------------

namespace {

struct Sheet {
    std::vector<Page*> pages;
    OpenDialog* model = nullptr;

    void Select(HWND sheet)
    {
        const auto selected = static_cast<size_t>(SendDlgItemMessageW(sheet, IDC_TAB, TCM_GETCURSEL, 0, 0));
        for (size_t k = 0; k < pages.size(); ++k)
            ShowWindow(pages[k]->window, k == selected ? SW_SHOW : SW_HIDE);
    }

    bool Open(HWND sheet)
    {
        HWND tab = GetDlgItem(sheet, IDC_TAB);
        int index = 0;
        for (Page* page : pages) {
            HWND window = CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(page->Template()), sheet,
                                             &Page::Procedure, reinterpret_cast<LPARAM>(page));
            if (window == nullptr)
                return false;
            wchar_t caption[128] = {};
            GetWindowTextW(window, caption, 128);
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = caption;
            SendMessageW(tab, TCM_INSERTITEMW, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&item));
        }
        // The pages fill the tab control below its row of tabs.
        RECT area{};
        GetWindowRect(tab, &area);
        MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&area), 2);
        SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
        for (Page* page : pages)
            SetWindowPos(page->window, HWND_TOP, area.left, area.top, 0, 0, SWP_NOSIZE);
        SendMessageW(tab, TCM_SETCURSEL, 0, 0);
        Select(sheet);
        model->Opened(sheet);
        return true;
    }

    void Refresh()
    {
        for (Page* page : pages)
            page->Refresh(page->window);
    }

    static INT_PTR CALLBACK Procedure(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(sheet, GWLP_USERDATA, lParam);
            if (!reinterpret_cast<Sheet*>(lParam)->Open(sheet))
                EndDialog(sheet, 0);
            return TRUE;
        }
        auto* self = reinterpret_cast<Sheet*>(GetWindowLongPtrW(sheet, GWLP_USERDATA));
        if (self == nullptr)
            return FALSE;
        switch (message) {
        case WM_NOTIFY:
            if (reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(TCN_SELCHANGE))
                self->Select(sheet);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
            case IDOK:
                self->Refresh();
                EndDialog(sheet, IDOK);
                return TRUE;
            case IDCANCEL:
                EndDialog(sheet, IDCANCEL);
                return TRUE;
            case IDC_DEFAULT:
                for (Page* page : self->pages) {
                    page->Default();
                    page->Load(page->window);
                }
                return TRUE;
            default:
                return FALSE;
            }
        case kRefreshMessage:
            self->Refresh();
            return TRUE;
        case WM_DESTROY:
            self->model->Opened(nullptr);
            return FALSE;
        default:
            return FALSE;
        }
    }
};

} // namespace

int RunSheet(HWND owner, int container, std::vector<Page*> pages, OpenDialog& model)
{
    InitControls();
    Sheet sheet{std::move(pages), &model};
    const INT_PTR result = DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(container), owner, &Sheet::Procedure,
                                           reinterpret_cast<LPARAM>(&sheet));
    return result == IDOK || result == IDCANCEL ? static_cast<int>(result) : 0;
}

} // namespace tavix::dialogs
