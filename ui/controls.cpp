// Child controls by kind: window class, style rules, coordinates, font and completion.
#include "ui/controls.h"

#include <commctrl.h>

#include "runtime/process.h"

namespace {

struct KindRule {
    const wchar_t* windowClass;
    DWORD defaultStyle;
    DWORD alwaysSet;
    DWORD alwaysCleared;
};

constexpr int32_t kLastKind = ListBox;

// Indexed by kind; CustomClass and ActiveXHost take the caller's class and style as they are.
constexpr KindRule kKindRules[kLastKind + 1] = {
    {nullptr, 0, 0, 0},
    {L"BUTTON", 0x50010000, 0x50000000, 0},
    {L"BUTTON", 0x50010006, 0x50000006, 0xA7FC00C9},
    {L"BUTTON", 0x50010003, 0x50000003, 0xA7FC00CC},
    {L"BUTTON", 0x50000007, 0x50000007, 0xA7FFD0F8},
    {L"STATIC", 0x50000000, 0x50000000, 0},
    {L"STATIC", 0x50000012, 0x50000000, 0},
    {L"BUTTON", 0x50010009, 0x50000009, 0xA7FC00C6},
    {L"SCROLLBAR", 0x50000000, 0x50000000, 0},
    {L"EDIT", 0x50810080, 0x50000000, 0},
    {L"STATIC", 0x5000000E, 0x5000000E, 0},
    {L"STATIC", 0x5000000E, 0x5000000E, 0},
    {L"BUTTON", 0x50010080, 0x50000080, 0},
    {L"BUTTON", 0x50010080, 0x50000080, 0},
    {L"STATIC", 0x5001000D, 0x5000000D, 0},
    {L"STATIC", 0x5001000D, 0x5000000D, 0},
    {L"SysHeader32", 0x50000000, 0x50000000, 0},
    {L"SysListView32", 0x50000009, 0x50000000, 0},
    {L"SysTreeView32", 0x50010027, 0x50000000, 0},
    {L"msctls_progress32", 0x50800000, 0x50000000, 0},
    {L"msctls_statusbar32", 0x50000003, 0x50000000, 0},
    {L"ToolbarWindow32", 0x50800801, 0x50000000, 0},
    {L"SysTabControl32", 0x56010000, 0x50000000, 0x305},
    {nullptr, 0, 0, 0},
    {L"COMBOBOX", 0x50010102, 0x50000000, 0},
    {L"LISTBOX", 0x50A10003, 0x50000001, 0},
};

bool TakesCallerClass(int32_t kind) {
    return kind == CustomClass || kind == ActiveXHost;
}

// The image named by the control's text, at the control's size for the scaled kinds; a
// static image falls back to an icon of that name.
void LoadControlImage(WindowRecord& record, HWND control, const WideString& name, int32_t width,
                      int32_t height) {
    bool scaled = record.kind == ScaledImage || record.kind == ScaledImageButton;
    bool button = record.kind == ImageButton || record.kind == ScaledImageButton;
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

void AddItems(HWND control, int32_t kind, const ControlItems& items) {
    for (int32_t i = 0; i < items.count && !items.items[i].Empty(); ++i) {
        const char* text = items.items[i].CStr();
        if (kind == TabControl) {
            TCITEMA tab{};
            tab.mask = TCIF_TEXT;
            tab.pszText = const_cast<char*>(text);
            SendMessageA(control, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&tab));
        } else {
            SendMessageA(control, kind == ComboBox ? CB_ADDSTRING : LB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(text));
        }
    }
}

}  // namespace

void CreateControl(HWND dialog, ControlKind kind, int32_t id, ByteString text, int32_t x, int32_t y,
                   int32_t width, int32_t height, DWORD style, DWORD exStyle,
                   DialogCallback callback, ControlItems items, ByteString className) {
    WindowRecord* owner = FindWindowRecord(dialog);
    if (!owner || kind < 0 || kind > kLastKind) return;
    uint32_t mode = owner->flags & kRecordModeMask;
    HFONT font = owner->font;

    if (!(mode & Pixels)) {
        // Edges, not sizes, are converted, so neighbours in dialog units stay neighbours.
        RECT r{x, y, x + width, y + height};
        MapDialogRect(dialog, &r);
        x = r.left;
        y = r.top;
        width = r.right - r.left;
        height = r.bottom - r.top;
    }

    const KindRule& rule = kKindRules[kind];
    WideString windowClass;
    if (TakesCallerClass(kind)) {
        windowClass = ToWide(className);
    } else {
        if (style == 0) {
            style = rule.defaultStyle;
            if (kind == ScrollBar && width < height) style |= SBS_VERT;
            if ((kind == EditBox || kind == ComboBox || kind == ListBox) && (style & WS_BORDER)) {
                style &= ~static_cast<DWORD>(WS_BORDER);
                exStyle |= WS_EX_CLIENTEDGE;
            }
        }
        style |= rule.alwaysSet;
        style &= ~rule.alwaysCleared;
    }

    bool imageKind = kind >= Image && kind <= ScaledImageButton;
    WideString wideText = ToWide(text);
    // Tree-view check boxes only take when switched on after creation.
    DWORD creationStyle = kind == TreeView ? style & ~static_cast<DWORD>(TVS_CHECKBOXES) : style;
    HWND control = CreateWindowExW(
        exStyle, TakesCallerClass(kind) ? windowClass.CStr() : rule.windowClass,
        imageKind ? nullptr : wideText.CStr(), creationStyle, x, y, width, height, dialog,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Runtime.module, nullptr);
    if (!control) return;
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
        case PushButton:
            if (style & BS_DEFPUSHBUTTON) SendMessageA(dialog, DM_SETDEFID, id, 0);
            break;
        case ScrollBar: {
            SCROLLINFO info{sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 10, 0, 0};
            SendMessageA(control, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&info));
            break;
        }
        case Image:
        case ScaledImage:
        case ImageButton:
        case ScaledImageButton:
            if (record && !text.Empty())
                LoadControlImage(*record, control, wideText, width, height);
            break;
        case Graphic:
        case ScaledGraphic:
            if (record) PrepareGraphic(*record, control, width, height);
            break;
        case ComboBox:
        case ListBox:
            AddItems(control, kind, items);
            break;
        default:
            break;
    }
    if (kind >= Header && kind <= TabControl) {
        SendMessageA(control, CCM_SETUNICODEFORMAT, TRUE, 0);
        if (kind == ToolBar) SendMessageA(control, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        if (kind == TreeView && (style & TVS_CHECKBOXES))
            SetWindowLongW(control, GWL_STYLE, static_cast<LONG>(style));
        if (kind == TabControl) AddItems(control, kind, items);
    }
}

HWND GetControlWindow(HWND dialog, int32_t id) {
    return GetDlgItem(dialog, id);
}

ByteString GetControlText(HWND window) {
    return ToBytes(GetControlTextW(window));
}

void SetControlText(HWND window, TextRef text) {
    SetControlTextW(window, ToWide(text));
}

WideString GetControlTextW(HWND window) {
    int n = GetWindowTextLengthW(window);
    if (n < 0) n = 0;
    WideString buffer = WideString::Allocate(n + 1, false);
    if (buffer.Empty()) return WideString();
    int m = GetWindowTextW(window, buffer.Units16(), n + 1);
    if (m <= 0) return WideString();
    return WideString::FromUnits(buffer.CStr(), static_cast<uint32_t>(m));
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
