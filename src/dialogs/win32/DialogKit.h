#pragma once
// What every property dialog shares: the module that holds the templates,
// the language, the slider rows (trackbar, number, up-down) and the sheet
// that shows pages under a tab control.

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dialogs/DialogModels.h"

namespace tavix::dialogs {

// The templates lie in the module that holds this code, whatever its file
// is called (the DLL, or a program that links the library in).
HINSTANCE ResourceModule();
// The Japanese templates are used where the system's language is Japanese.
bool Japanese();
inline int TemplateId(int english, int japanese) { return Japanese() ? japanese : english; }
inline const wchar_t* Text(const wchar_t* english, const wchar_t* japanese) { return Japanese() ? japanese : english; }

std::wstring ItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const std::wstring& text);
void ShowItem(HWND dialog, int id, bool shown);
void EnableItem(HWND dialog, int id, bool enabled);

struct SliderRow {
    int bar, edit, spin;
    Range range;
    int32_t ticks;
};

// One page of a sheet. Rows are kept in step by the page itself: moving
// the trackbar writes the number, and every change of the number (typed,
// from the up-down or from the trackbar) moves the trackbar and is stored
// through RowChanged.
class Page {
public:
    virtual ~Page() = default;
    virtual int Template() const = 0;
    virtual std::span<const SliderRow> Rows() const = 0;
    virtual int32_t RowValue(size_t row) const = 0;
    virtual void RowChanged(size_t row, int32_t value) = 0;
    // Everything else the page shows, from its model.
    virtual void LoadOthers(HWND page) = 0;
    virtual void Command(HWND page, int id, int code) = 0;
    virtual void Default() {}

    // Shows the model's values; nothing is stored meanwhile.
    void Load(HWND page);
    // Shows what changed in the model since the page last showed or stored
    // it, leaving alone a number someone is typing.
    void Refresh(HWND page);
    HWND window = nullptr;

    static INT_PTR CALLBACK Procedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    void SetRow(HWND page, size_t row, int32_t value);
    bool loading_ = false;
    // The value each row last showed or stored.
    std::vector<int32_t> shown_;

private:
    void Prepare(HWND page);
    void Scrolled(HWND page, HWND bar);
    void Edited(HWND page, size_t row);
};

// A modal sheet of pages under the tab control of `container`; "Default(&D)"
// asks each page for its defaults. The model learns the sheet's window
// while it is open and refreshes arrive as kRefreshMessage. Returns the
// button that closed it (IDOK, IDCANCEL) or 0 when it could not be shown.
int RunSheet(HWND owner, int container, std::vector<Page*> pages, OpenDialog& model);

} // namespace tavix::dialogs
