#pragma once
// Drives a modal dialog of the library the way a person would, through
// window messages only: the export runs on a thread of its own (with an
// owner window of that thread), the test finds the dialog's window, moves
// trackbars, types into edit boxes, picks combo entries and presses
// buttons, and reads back what the dialog shows. Windows and Wine only.

#ifdef _WIN32

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "TavixSdk.h"

namespace tavix::test {

class DialogDriver {
public:
    // `show` is the export, called with the owner window.
    explicit DialogDriver(std::function<int32_t(TavixWindow)> show)
        : thread_([this, show = std::move(show)] {
              HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPED, 0, 0, 8, 8, nullptr, nullptr,
                                           nullptr, nullptr);
              threadId_ = GetCurrentThreadId();
              result_ = show(owner);
              DestroyWindow(owner);
              done_ = true;
          })
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (sheet_ == nullptr && !done_ && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (threadId_ != 0)
                EnumThreadWindows(threadId_, &DialogDriver::FindSheet, reinterpret_cast<LPARAM>(this));
        }
    }
    ~DialogDriver()
    {
        if (!thread_.joinable())
            return;
        if (!done_ && sheet_ != nullptr)
            PostMessageW(sheet_, WM_COMMAND, IDCANCEL, 0);
        // The thread uses this object to the end: a dialog that never showed
        // and never returns hangs the test into its timeout.
        thread_.join();
    }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    HWND Sheet() const { return sheet_; }

    // Presses a button of the sheet (OK 1, Cancel 2) and waits until the
    // export has returned; its result.
    int32_t Close(int button)
    {
        PostMessageW(sheet_, WM_COMMAND, static_cast<WPARAM>(button), 0);
        thread_.join();
        sheet_ = nullptr;
        return result_;
    }

    // A control of the sheet or of its visible page.
    HWND Control(int id) const
    {
        Search search{id, nullptr, nullptr};
        EnumChildWindows(sheet_, &DialogDriver::FindControl, reinterpret_cast<LPARAM>(&search));
        return search.visible != nullptr ? search.visible : search.any;
    }

    void Slide(int bar, int32_t position) const
    {
        HWND control = Control(bar);
        SendMessageW(control, TBM_SETPOS, TRUE, position);
        SendMessageW(GetParent(control), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 0),
                     reinterpret_cast<LPARAM>(control));
    }
    void Type(int edit, const std::wstring& text) const
    {
        SendMessageW(Control(edit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void Press(int button) const
    {
        HWND control = Control(button);
        SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    }
    void Check(int box, bool on) const
    {
        SendMessageW(Control(box), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
        Press(box);
    }
    void Pick(int combo, int index) const
    {
        HWND control = Control(combo);
        SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(combo, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(control));
    }
    void SelectTab(int tabControl, int index) const
    {
        HWND tab = Control(tabControl);
        SendMessageW(tab, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
        NMHDR header{tab, static_cast<UINT_PTR>(tabControl), static_cast<UINT>(TCN_SELCHANGE)};
        SendMessageW(sheet_, WM_NOTIFY, static_cast<WPARAM>(tabControl), reinterpret_cast<LPARAM>(&header));
    }

    std::wstring TextOf(HWND window) const
    {
        wchar_t text[256] = {};
        SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
        return text;
    }
    std::wstring TextOf(int id) const { return TextOf(Control(id)); }
    std::wstring TabText(int tabControl, int index) const
    {
        wchar_t text[128] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 128;
        SendMessageW(Control(tabControl), TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        return text;
    }
    int TabCount(int tabControl) const
    {
        return static_cast<int>(SendMessageW(Control(tabControl), TCM_GETITEMCOUNT, 0, 0));
    }
    bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
    bool Visible(int id) const { return IsWindowVisible(Control(id)) != FALSE; }
    // Where a control lies on the screen.
    RECT Bounds(int id) const
    {
        RECT r{};
        GetWindowRect(Control(id), &r);
        return r;
    }

    // Waits until the dialog's thread has handled everything sent or posted
    // to it so far (a message sent behind them is answered in order).
    void Settle() const { SendMessageW(sheet_, WM_NULL, 0, 0); }
    // Has the whole sheet painted afresh before it is pictured.
    void Repaint() const
    {
        RedrawWindow(sheet_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        for (int pass = 0; pass < 5; ++pass) {
            Sleep(100);
            Settle();
        }
    }

private:
    struct Search {
        int id;
        HWND visible, any;
    };
    static BOOL CALLBACK FindSheet(HWND window, LPARAM self)
    {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) == L"#32770" && IsWindowVisible(window)) {
            reinterpret_cast<DialogDriver*>(self)->sheet_ = window;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK FindControl(HWND window, LPARAM found)
    {
        auto* search = reinterpret_cast<Search*>(found);
        if (GetDlgCtrlID(window) != search->id)
            return TRUE;
        if (search->any == nullptr)
            search->any = window;
        if (IsWindowVisible(window) && search->visible == nullptr)
            search->visible = window;
        return TRUE;
    }

    std::atomic<DWORD> threadId_{0};
    std::atomic<bool> done_{false};
    std::atomic<HWND> sheet_{nullptr};
    int32_t result_ = -1;
    std::thread thread_;
};

} // namespace tavix::test

#endif // _WIN32
