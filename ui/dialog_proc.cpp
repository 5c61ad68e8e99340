// The engine's dialog procedure: routes messages to control, menu-item and dialog callbacks,
// then applies the layer's defaults.
#include "ui/dialog_engine.h"

#include "ui/accessible.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/menu_bar.h"
#include "ui/window_table.h"

namespace {

// The low four bits of a system command are the system's own.
constexpr WPARAM kSystemCommandMask = 0xFFF0;

DialogCallback ControlCallback(HWND control) {
    WindowRecord* record = FindWindowRecord(control);
    return record ? record->callback : nullptr;
}

// The callback a menu item carries in its item data, for a command no control owns.
DialogCallback MenuItemCallback(HWND dialog, UINT id) {
    if (GetWindowLongW(dialog, GWL_STYLE) & WS_CHILD) return nullptr;  // GetMenu is the id
    HMENU menu = GetMenu(dialog);
    if (!menu) return nullptr;
    MENUITEMINFOW item{};
    item.cbSize = kMenuItemInfoSize;
    item.fMask = MIIM_DATA;
    if (!GetMenuItemInfoW(menu, id, FALSE, &item)) return nullptr;
    return reinterpret_cast<DialogCallback>(item.dwItemData);
}

INT_PTR Handled(HWND dialog, LRESULT result) {
    // A result the callback placed itself wins.
    if (GetWindowLongPtrW(dialog, DWLP_MSGRESULT) == 0)
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return result;
}

INT_PTR ColourOverride(UINT message, HWND window, HDC dc) {
    WindowRecord* record = FindWindowRecord(window);
    if (!record || record->textColour == kColourNotSet) return FALSE;
    COLORREF text = record->textColour;
    COLORREF background = record->backgroundColour;
    HBRUSH brush = record->backgroundBrush;
    SetTextColor(dc, text);
    if (background != kColourNotSet) SetBkColor(dc, background);
    if (!brush) {
        bool field = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
        brush = GetSysColorBrush(field ? COLOR_WINDOW : COLOR_BTNFACE);
    }
    return reinterpret_cast<INT_PTR>(brush);
}

INT_PTR DrawGraphic(const DRAWITEMSTRUCT* item) {
    WindowRecord* record = FindWindowRecord(item->hwndItem);
    if (!record || !record->memoryDC) return FALSE;
    HDC source = record->memoryDC;
    const RECT& r = item->rcItem;
    BitBlt(item->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0, SRCCOPY);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK EngineDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            CountOpenDialog(1);
            return FALSE;
        case WM_DESTROY:
            CountOpenDialog(-1);
            ClearAccessibleNames(dialog);
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_ACTIVE || LOWORD(wParam) == WA_CLICKACTIVE) {
                NoteActiveDialog(dialog, true);
                return FALSE;
            }
            if (LOWORD(wParam) == WA_INACTIVE) {
                NoteActiveDialog(dialog, false);
                return FALSE;
            }
            break;
        default:
            break;
    }

    DialogCallback first = nullptr;
    switch (message) {
        case WM_COMMAND:
            if (GetDlgItem(dialog, LOWORD(wParam)))
                first = ControlCallback(reinterpret_cast<HWND>(lParam));
            else
                first = MenuItemCallback(dialog, LOWORD(wParam));
            break;
        case WM_HSCROLL:
        case WM_VSCROLL:
            first = ControlCallback(reinterpret_cast<HWND>(lParam));
            break;
        case WM_NOTIFY:
            if (lParam) first = ControlCallback(reinterpret_cast<const NMHDR*>(lParam)->hwndFrom);
            break;
        default:
            break;
    }
    if (first) {
        LRESULT result = first(dialog, message, wParam, lParam);
        if (result) return Handled(dialog, result);
    }

    WindowRecord* record = FindWindowRecord(dialog);
    DialogCallback callback = record ? record->callback : nullptr;
    if (callback) {
        LRESULT result = callback(dialog, message, wParam, lParam);
        if (result) {
            // Records must not outlive their windows, whoever handled the message.
            if (message == WM_NCDESTROY) FreeDialogRecords(dialog);
            return Handled(dialog, result);
        }
    }

    switch (message) {
        case WM_NCDESTROY:
            FreeDialogRecords(dialog);
            return TRUE;
        case WM_SYSCOMMAND:
            if ((wParam & kSystemCommandMask) != SC_CLOSE) return FALSE;
            // The record is looked up again: the callback may have ended the dialog.
            record = FindWindowRecord(dialog);
            if (record && !(record->state & kRecordClosingSuppressed)) EndModal(dialog, 0);
            return TRUE;
        case WM_SIZE: {
            // Status and tool bars follow the dialog's size themselves when told.
            constexpr ControlKind status = ControlKind::StatusBar, tool = ControlKind::ToolBar;
            for (HWND bar = NextControlOfKind(dialog, nullptr, status, tool); bar;
                 bar = NextControlOfKind(dialog, bar, status, tool))
                SendMessageA(bar, WM_SIZE, wParam, lParam);
            return FALSE;
        }
        case WM_DRAWITEM:
            return DrawGraphic(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        default:
            if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
                return ColourOverride(message, reinterpret_cast<HWND>(lParam),
                                      reinterpret_cast<HDC>(wParam));
            return FALSE;
    }
}
