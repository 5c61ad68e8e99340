// Child controls by kind: window class, style rules, coordinates, font and completion.
#include "ui/controls.h"

#include <commctrl.h>

#include "runtime/process.h"
#include "ui/window_table.h"

namespace {

// Every kind but the two that take the caller's class makes a visible child.
constexpr DWORD kVisibleChild = WS_CHILD | WS_VISIBLE;
// Window bits no button of a fixed type keeps: popup, size states, clipping, frame, scroll bars.
constexpr DWORD kNotForButtons = WS_POPUP | WS_MINIMIZE | WS_MAXIMIZE | WS_CLIPSIBLINGS |
                                 WS_CLIPCHILDREN | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME |
                                 WS_SYSMENU | WS_VSCROLL | WS_HSCROLL;
// The button bit between the type bits and BS_LEFTTEXT; the headers give it no name.
constexpr DWORD kUnnamedButtonBit = 0x10;

// Check and radio buttons keep their own type and show no image.
constexpr DWORD ButtonTypeCleared(DWORD type) {
    return kNotForButtons | BS_BITMAP | BS_ICON | (BS_TYPEMASK & ~type);
}
// A group box is never a tab stop or a group start, and keeps no button bit but its type.
constexpr DWORD kGroupBoxCleared = kNotForButtons | WS_GROUP | WS_TABSTOP | BS_FLAT | BS_NOTIFY |
                                   BS_PUSHLIKE | BS_BITMAP | BS_ICON | BS_LEFTTEXT |
                                   kUnnamedButtonBit | (BS_TYPEMASK & ~BS_GROUPBOX);
constexpr DWORD kTabControlCleared =
    TCS_MULTILINE | TCS_BUTTONS | TCS_MULTISELECT | TCS_SCROLLOPPOSITE;

// The cleared masks as numbers too, so that no wrong name changes one unseen.
static_assert(ButtonTypeCleared(BS_AUTO3STATE) == 0xA7FC00C9);
static_assert(ButtonTypeCleared(BS_AUTOCHECKBOX) == 0xA7FC00CC);
static_assert(ButtonTypeCleared(BS_AUTORADIOBUTTON) == 0xA7FC00C6);
static_assert(kGroupBoxCleared == 0xA7FFD0F8);
static_assert(kTabControlCleared == 0x305);

struct KindRule {
    ControlKind kind;
    const wchar_t* windowClass;
    DWORD defaultStyle;
    DWORD alwaysSet;
    DWORD alwaysCleared;
};

// Indexed by kind; CustomClass and ActiveXHost take the caller's class and style as they are.
constexpr KindRule kKindRules[] = {
    {ControlKind::CustomClass, nullptr, 0, 0, 0},
    {ControlKind::PushButton, L"BUTTON", kVisibleChild | WS_TABSTOP | BS_PUSHBUTTON, kVisibleChild,
     0},
    {ControlKind::CheckBox3State, L"BUTTON", kVisibleChild | WS_TABSTOP | BS_AUTO3STATE,
     kVisibleChild | BS_AUTO3STATE, ButtonTypeCleared(BS_AUTO3STATE)},
    {ControlKind::CheckBox, L"BUTTON", kVisibleChild | WS_TABSTOP | BS_AUTOCHECKBOX,
     kVisibleChild | BS_AUTOCHECKBOX, ButtonTypeCleared(BS_AUTOCHECKBOX)},
    {ControlKind::GroupBox, L"BUTTON", kVisibleChild | BS_GROUPBOX, kVisibleChild | BS_GROUPBOX,
     kGroupBoxCleared},
    {ControlKind::Label, L"STATIC", kVisibleChild | SS_LEFT, kVisibleChild, 0},
    {ControlKind::EtchedLine, L"STATIC", kVisibleChild | SS_ETCHEDFRAME, kVisibleChild, 0},
    {ControlKind::RadioButton, L"BUTTON", kVisibleChild | WS_TABSTOP | BS_AUTORADIOBUTTON,
     kVisibleChild | BS_AUTORADIOBUTTON, ButtonTypeCleared(BS_AUTORADIOBUTTON)},
    {ControlKind::ScrollBar, L"SCROLLBAR", kVisibleChild | SBS_HORZ, kVisibleChild, 0},
    {ControlKind::EditBox, L"EDIT",
     kVisibleChild | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, kVisibleChild, 0},
    {ControlKind::Image, L"STATIC", kVisibleChild | SS_BITMAP, kVisibleChild | SS_BITMAP, 0},
    {ControlKind::ScaledImage, L"STATIC", kVisibleChild | SS_BITMAP, kVisibleChild | SS_BITMAP, 0},
    {ControlKind::ImageButton, L"BUTTON", kVisibleChild | WS_TABSTOP | BS_BITMAP,
     kVisibleChild | BS_BITMAP, 0},
    {ControlKind::ScaledImageButton, L"BUTTON", kVisibleChild | WS_TABSTOP | BS_BITMAP,
     kVisibleChild | BS_BITMAP, 0},
    {ControlKind::Graphic, L"STATIC", kVisibleChild | WS_TABSTOP | SS_OWNERDRAW,
     kVisibleChild | SS_OWNERDRAW, 0},
    {ControlKind::ScaledGraphic, L"STATIC", kVisibleChild | WS_TABSTOP | SS_OWNERDRAW,
     kVisibleChild | SS_OWNERDRAW, 0},
    {ControlKind::Header, L"SysHeader32", kVisibleChild | HDS_HORZ, kVisibleChild, 0},
    {ControlKind::ListView, L"SysListView32", kVisibleChild | LVS_REPORT | LVS_SHOWSELALWAYS,
     kVisibleChild, 0},
    {ControlKind::TreeView, L"SysTreeView32",
     kVisibleChild | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
         TVS_SHOWSELALWAYS,
     kVisibleChild, 0},
    {ControlKind::ProgressBar, L"msctls_progress32", kVisibleChild | WS_BORDER, kVisibleChild, 0},
    {ControlKind::StatusBar, L"msctls_statusbar32", kVisibleChild | CCS_BOTTOM, kVisibleChild, 0},
    {ControlKind::ToolBar, L"ToolbarWindow32", kVisibleChild | WS_BORDER | TBSTYLE_FLAT | CCS_TOP,
     kVisibleChild, 0},
    {ControlKind::TabControl, L"SysTabControl32",
     kVisibleChild | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP, kVisibleChild,
     kTabControlCleared},
    {ControlKind::ActiveXHost, nullptr, 0, 0, 0},
    {ControlKind::ComboBox, L"COMBOBOX", kVisibleChild | WS_TABSTOP | CBS_DROPDOWN | CBS_SORT,
     kVisibleChild, 0},
    {ControlKind::ListBox, L"LISTBOX",
     kVisibleChild | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT,
     kVisibleChild | LBS_NOTIFY, 0},
};

constexpr int32_t kKindCount = sizeof(kKindRules) / sizeof(kKindRules[0]);
static_assert(kKindCount == static_cast<int32_t>(ControlKind::ListBox) + 1, "a rule per kind");

constexpr bool EachRuleAtItsKind() {
    for (int32_t i = 0; i < kKindCount; ++i)
        if (static_cast<int32_t>(kKindRules[i].kind) != i) return false;
    return true;
}
static_assert(EachRuleAtItsKind(), "the rule of kind k is row k");

bool TakesCallerClass(ControlKind kind) {
    return kind == ControlKind::CustomClass || kind == ControlKind::ActiveXHost;
}

// The image named by the control's text, at the control's size for the scaled kinds; a
// static image falls back to an icon of that name.
void LoadControlImage(WindowRecord& record, HWND control, const WideString& name, int32_t width,
                      int32_t height) {
    bool scaled =
        record.kind == ControlKind::ScaledImage || record.kind == ControlKind::ScaledImageButton;
    bool button =
        record.kind == ControlKind::ImageButton || record.kind == ControlKind::ScaledImageButton;
    int cx = scaled ? width : 0, cy = scaled ? height : 0;
    HANDLE image = LoadImageW(Runtime.module, name.CStr(), IMAGE_BITMAP, cx, cy, 0);
    UINT type = IMAGE_BITMAP;
    if (!image && !button) {
        image = LoadImageW(Runtime.module, name.CStr(), IMAGE_ICON, cx, cy, 0);
        type = IMAGE_ICON;
        if (image) {
            record.style = (record.style & ~static_cast<DWORD>(SS_TYPEMASK)) | SS_ICON;
            SetWindowLongW(control, GWL_STYLE, static_cast<LONG>(record.style));
        }
    }
    if (!image) return;
    record.image = image;
    record.imageType = type;
    SendMessageA(control, button ? BM_SETIMAGE : STM_SETIMAGE, type,
                 reinterpret_cast<LPARAM>(image));
}

// A window-coloured memory bitmap of the control's size that the owner-drawn static shows.
void PrepareGraphic(WindowRecord& record, HWND control, int32_t width, int32_t height) {
    HDC screen = GetDC(control);
    record.memoryDC = CreateCompatibleDC(screen);
    record.memoryBitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(control, screen);
    if (!record.memoryDC || !record.memoryBitmap) return;
    SelectObject(record.memoryDC, record.memoryBitmap);
    RECT all{0, 0, width, height};
    FillRect(record.memoryDC, &all, GetSysColorBrush(COLOR_WINDOW));
}

void AddItems(HWND control, ControlKind kind, const ControlItems& items) {
    for (int32_t i = 0; i < items.count && !items.items[i].Empty(); ++i) {
        const char* text = items.items[i].CStr();
        if (kind == ControlKind::TabControl) {
            TCITEMA tab{};
            tab.mask = TCIF_TEXT;
            tab.pszText = const_cast<char*>(text);
            SendMessageA(control, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&tab));
        } else {
            SendMessageA(control, kind == ControlKind::ComboBox ? CB_ADDSTRING : LB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(text));
        }
    }
}

// The window's text in a value of its length; `units` receives how many the window gave,
// which is the length unless the text changed in between.
WideString ReadWindowText(HWND window, int& units) {
    units = 0;
    int n = GetWindowTextLengthW(window);
    // The value holds n units and a terminator, the n + 1 that GetWindowTextW may write.
    WideString text = n > 0 ? WideString::Allocate(static_cast<uint32_t>(n), false) : WideString();
    if (!text.Empty()) units = GetWindowTextW(window, text.Units16(), n + 1);
    return text;
}

}  // namespace

void CreateControl(HWND dialog, ControlKind kind, int32_t id, ByteString text, int32_t x, int32_t y,
                   int32_t width, int32_t height, DWORD style, DWORD exStyle,
                   DialogCallback callback, ControlItems items, ByteString className) {
    WindowRecord* owner = FindWindowRecord(dialog);
    int32_t index = static_cast<int32_t>(kind);
    if (!owner || index < 0 || index >= kKindCount) return;
    uint32_t mode = owner->flags & kRecordModeMask;
    HFONT font = owner->font;

    if (!(mode & ModeFlags(CoordinateMode::Pixels))) {
        // Edges, not sizes, are converted, so neighbours in dialog units stay neighbours.
        RECT r{x, y, x + width, y + height};
        MapDialogRect(dialog, &r);
        x = r.left;
        y = r.top;
        width = r.right - r.left;
        height = r.bottom - r.top;
    }

    const KindRule& rule = kKindRules[index];
    WideString windowClass;
    if (TakesCallerClass(kind)) {
        windowClass = ToWide(className);
    } else {
        if (style == 0) {
            style = rule.defaultStyle;
            if (kind == ControlKind::ScrollBar && width < height) style |= SBS_VERT;
            if ((kind == ControlKind::EditBox || kind == ControlKind::ComboBox ||
                 kind == ControlKind::ListBox) &&
                (style & WS_BORDER)) {
                style &= ~static_cast<DWORD>(WS_BORDER);
                exStyle |= WS_EX_CLIENTEDGE;
            }
        }
        style |= rule.alwaysSet;
        style &= ~rule.alwaysCleared;
    }

    bool imageKind = kind >= ControlKind::Image && kind <= ControlKind::ScaledImageButton;
    WideString wideText = ToWide(text);
    // Tree-view check boxes only take when switched on after creation.
    DWORD creationStyle =
        kind == ControlKind::TreeView ? style & ~static_cast<DWORD>(TVS_CHECKBOXES) : style;
    HWND control = CreateWindowExW(
        exStyle, TakesCallerClass(kind) ? windowClass.CStr() : rule.windowClass,
        imageKind ? nullptr : wideText.CStr(), creationStyle, x, y, width, height, dialog,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Runtime.module, nullptr);
    if (!control) return;
    // The dialog's own font: when the dialog moves to a display of another scale, Windows
    // replaces it with the rescaled one in every control that has it.
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);

    WindowRecord fields{};
    fields.window = control;
    fields.parent = dialog;
    fields.flags = mode | kRecordControl;
    fields.font = font;
    fields.callback = callback;
    fields.backgroundColour = kColourNotSet;
    fields.textColour = kColourNotSet;
    fields.kind = kind;
    fields.style = style;
    fields.exStyle = exStyle;
    WindowRecord* record = AddWindowRecord(fields);

    switch (kind) {
        case ControlKind::PushButton:
            if (style & BS_DEFPUSHBUTTON) SendMessageA(dialog, DM_SETDEFID, id, 0);
            break;
        case ControlKind::ScrollBar: {
            SCROLLINFO info{sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 10, 0, 0};
            SendMessageA(control, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&info));
            break;
        }
        case ControlKind::Image:
        case ControlKind::ScaledImage:
        case ControlKind::ImageButton:
        case ControlKind::ScaledImageButton:
            if (record && !text.Empty())
                LoadControlImage(*record, control, wideText, width, height);
            break;
        case ControlKind::Graphic:
        case ControlKind::ScaledGraphic:
            if (record) PrepareGraphic(*record, control, width, height);
            break;
        case ControlKind::ComboBox:
        case ControlKind::ListBox:
            AddItems(control, kind, items);
            break;
        default:
            break;
    }
    if (kind >= ControlKind::Header && kind <= ControlKind::TabControl) {
        SendMessageA(control, CCM_SETUNICODEFORMAT, TRUE, 0);
        if (kind == ControlKind::ToolBar)
            SendMessageA(control, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        if (kind == ControlKind::TreeView && (style & TVS_CHECKBOXES))
            SetWindowLongW(control, GWL_STYLE, static_cast<LONG>(style));
        if (kind == ControlKind::TabControl) AddItems(control, kind, items);
    }
}

HWND GetControlWindow(HWND dialog, int32_t id) {
    return GetDlgItem(dialog, id);
}

ByteString GetControlText(HWND window) {
    int units = 0;
    WideString text = ReadWindowText(window, units);
    return ToBytes(text.CStr(), units > 0 ? static_cast<uint32_t>(units) : 0);
}

void SetControlText(HWND window, TextRef text) {
    SetControlTextW(window, ToWide(text));
}

WideString GetControlTextW(HWND window) {
    int units = 0;
    WideString text = ReadWindowText(window, units);
    if (units <= 0) return WideString();
    if (static_cast<uint32_t>(units) == text.Units()) return text;
    return WideString::FromUnits(text.CStr(), static_cast<uint32_t>(units));
}

void SetControlTextW(HWND window, const WideString& text) {
    SetWindowTextW(window, text.CStr());
}

LRESULT SendControlMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(window, message, wParam, lParam);
}

void SetControlColours(HWND window, COLORREF text, COLORREF background) {
    WindowRecord* record = FindWindowRecord(window);
    if (!record) return;
    HBRUSH old = record->backgroundBrush;
    record->backgroundBrush = background == kColourNotSet ? nullptr : CreateSolidBrush(background);
    record->textColour = text;
    record->backgroundColour = background;
    if (old) DeleteObject(old);
    InvalidateRect(window, nullptr, TRUE);
}

HDC GraphicSurface(HWND control) {
    WindowRecord* record = FindWindowRecord(control);
    return record ? record->memoryDC : nullptr;
}
