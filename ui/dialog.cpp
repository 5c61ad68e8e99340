// Building a run-time dialog from an in-memory template, and its modal run.
#include "ui/dialog.h"

#include <string.h>

#include "runtime/process.h"
#include "ui/dialog_engine.h"
#include "ui/window_table.h"

namespace {

// The longest an idle pass of the modal loop waits before it polls again.
constexpr DWORD kIdlePassMs = 1;

// The signature that makes a template a DLGTEMPLATEEX.
constexpr uint16_t kExtendedTemplate = 0xFFFF;

// A caption without system menu or close box.
constexpr DWORD kDefaultDialogStyle =
    WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;
constexpr UINT kPlacementFlags = SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOCOPYBITS |
                                 SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;

// Used only when the font table was never built.
constexpr DialogFont kFallbackFont = {
    nullptr, 1, 8.0f, {0, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"MS Sans Serif"}};

// Appends the bytes at `p`; the template's fields are not aligned to their size.
template <class T>
uint8_t* Put(uint8_t* p, T value) {
    memcpy(p, &value, sizeof(T));
    return p + sizeof(T);
}

// Pixels mode: the size given is the client size, and the position counts from the owner's
// client area unless the dialog is centred, a child or absolutely aligned.
void PlaceInPixels(HWND dialog, HWND parent, DWORD style, int32_t x, int32_t y, int32_t width,
                   int32_t height) {
    RECT window, client;
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    width += (window.right - window.left) - (client.right - client.left);
    height += (window.bottom - window.top) - (client.bottom - client.top);
    if (style & DS_CENTER) {
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        int32_t across = work.left + work.right - width;
        int32_t down = work.top + work.bottom - height;
        x = across < 0 ? 0 : across / 2;
        y = down < 0 ? 0 : down / 2;
    } else if (!(style & (WS_CHILD | DS_ABSALIGN))) {
        POINT origin{0, 0};
        ClientToScreen(parent, &origin);
        x += origin.x;
        y += origin.y;
    } else if ((style & (WS_CHILD | DS_CONTROL)) != (WS_CHILD | DS_CONTROL)) {
        if (x < 0) x = 0;
        if (y < 0) y = 0;
    }
    SetWindowPos(dialog, nullptr, x, y, width, height, kPlacementFlags);
}

}  // namespace

DWORD DialogStyle(DWORD style, int32_t x, int32_t y, bool hasParent) {
    if (style == 0) style = kDefaultDialogStyle;
    style |= DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;
    // Always created hidden, and never system-modal.
    style &= ~static_cast<DWORD>(WS_VISIBLE | DS_SYSMODAL);
    if (x == kCentred || y == kCentred) style |= DS_CENTER;
    if (style & WS_CHILD) {
        style &= ~static_cast<DWORD>(WS_POPUP | DS_ABSALIGN);
        // A child needs a parent; without one it becomes a popup.
        if (!hasParent) style ^= WS_CHILD | WS_POPUP;
    }
    return style;
}

uint32_t WriteDialogTemplate(uint8_t (&buffer)[512], DWORD style, DWORD exStyle, int32_t x,
                             int32_t y, int32_t width, int32_t height) {
    const DialogFont* font = FindDialogFont(CurrentThreadBlock()->dialogFont);
    if (!font) font = FindDialogFont(1);
    if (!font) font = &kFallbackFont;

    memset(buffer, 0, sizeof(buffer));
    uint8_t* p = buffer;
    p = Put<uint16_t>(p, 1);                  // dlgVer
    p = Put<uint16_t>(p, kExtendedTemplate);  // signature
    p = Put<uint32_t>(p, 0);                  // helpID
    p = Put<uint32_t>(p, exStyle);
    p = Put<uint32_t>(p, style);
    p = Put<uint16_t>(p, 0);  // cDlgItems: controls come afterwards
    p = Put<uint16_t>(p, static_cast<uint16_t>(x));
    p = Put<uint16_t>(p, static_cast<uint16_t>(y));
    p = Put<uint16_t>(p, static_cast<uint16_t>(width));
    p = Put<uint16_t>(p, static_cast<uint16_t>(height));
    p = Put<uint16_t>(p, 0);  // no menu
    p = Put<uint16_t>(p, 0);  // the system dialog class
    // A one-space title; the real one is set as UTF-16 after creation.
    p = Put<uint16_t>(p, L' ');
    p = Put<uint16_t>(p, 0);
    p = Put<uint16_t>(p, static_cast<uint16_t>(font->pointSize + 0.5f));
    // Bold for any weight, as always written: the system takes FW_NORMAL for template fonts.
    p = Put<uint16_t>(p, font->font.lfWeight ? FW_BOLD : FW_NORMAL);
    p = Put<uint8_t>(p, font->font.lfItalic ? 1 : 0);
    p = Put<uint8_t>(p, font->font.lfCharSet);
    const wchar_t* face = font->font.lfFaceName;
    for (int i = 0; i < LF_FACESIZE && face[i]; ++i) p = Put<uint16_t>(p, face[i]);
    p = Put<uint16_t>(p, 0);
    return static_cast<uint32_t>(p - buffer);
}

HWND BuildDialog(HWND parent, ByteString title, int32_t x, int32_t y, int32_t width, int32_t height,
                 DWORD style, DWORD exStyle, CoordinateMode mode) {
    style = DialogStyle(style, x, y, parent != nullptr);
    alignas(4) uint8_t buffer[512];
    WriteDialogTemplate(buffer, style, exStyle, x, y, width, height);
    HWND dialog = CreateDialogIndirectParamW(
        Runtime.module, reinterpret_cast<LPCDLGTEMPLATEW>(buffer), parent, EngineDialogProc, 0);
    if (!dialog) return nullptr;

    bool pixels = (ModeFlags(mode) & ModeFlags(CoordinateMode::Pixels)) != 0;
    CoordinateMode coordinates = pixels ? CoordinateMode::Pixels : CoordinateMode::DialogUnits;
    if (pixels) PlaceInPixels(dialog, parent, style, x, y, width, height);
    SetWindowTextW(dialog, ToWide(title).CStr());

    WindowRecord fields{};
    fields.window = dialog;
    fields.parent = parent;
    fields.flags = kRecordDialog | ModeFlags(coordinates);
    fields.showCommand = (style & WS_MAXIMIZE)   ? SW_MAXIMIZE
                         : (style & WS_MINIMIZE) ? SW_MINIMIZE
                                                 : SW_SHOW;
    fields.backgroundColour = kColourNotSet;
    fields.textColour = kColourNotSet;
    fields.style = style;
    fields.font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (!AddWindowRecord(fields)) {
        DestroyWindow(dialog);
        return nullptr;
    }
    return dialog;
}

void ShowModal(HWND dialog, DialogCallback callback, int32_t& result) {
    SetForegroundWindow(dialog);
    WindowRecord* record = FindWindowRecord(dialog);
    if (callback) {
        // The system's own WM_INITDIALOG came before any callback was attached.
        callback(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(dialog), 0);
        int32_t show = record ? record->showCommand : SW_SHOW;
        RECT client{};
        GetClientRect(dialog, &client);
        WPARAM sizing = show == SW_MAXIMIZE   ? SIZE_MAXIMIZED
                        : show == SW_MINIMIZE ? SIZE_MINIMIZED
                                              : SIZE_RESTORED;
        callback(dialog, WM_SIZE, sizing, MAKELPARAM(client.right, client.bottom));
        record = FindWindowRecord(dialog);
    }
    if (!record) return;
    record->callback = callback;
    record->flags |= kRecordShownModally;
    record->result = &result;

    HWND owner = record->parent;
    bool idleMessages = !(record->style & DS_NOIDLEMSG);
    if (owner) {
        SendMessageA(owner, WM_CANCELMODE, 0, 0);
        EnableWindow(owner, FALSE);
    }
    ShowWindow(dialog, record->showCommand);

    // The loop polls, so that idle notifications go out while nothing happens.
    for (;;) {
        MSG message;
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsWindow(dialog)) break;
            if (owner && idleMessages)
                SendMessageA(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(dialog));
            // An idle pass lasts 1 ms at most, but a message that arrives meanwhile ends it at
            // once: a plain Sleep(1) would hold every keystroke back by up to a millisecond.
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kIdlePassMs, QS_ALLINPUT);
            continue;
        }
        bool handled = false;
        if (IsWindow(dialog)) {
            HACCEL accelerators = record->accelerators;
            if (accelerators) handled = TranslateAcceleratorW(dialog, accelerators, &message);
            if (!handled) handled = IsDialogMessageW(dialog, &message);
        }
        if (!handled) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (!IsWindow(dialog)) break;
    }
    if (owner) {
        // Also when the dialog went some other way than EndModal, which re-enables it.
        EnableWindow(owner, TRUE);
        SetFocus(owner);
    }
}

void EndModal(HWND dialog, int32_t result) {
    WindowRecord* record = FindWindowRecord(dialog);
    if (!record) return;
    if (record->result) *record->result = result;
    record->state &= ~kRecordClosingSuppressed;
    // The record may be gone once the dialog has seen WM_CLOSE.
    HWND owner = record->parent;
    HACCEL accelerators = record->accelerators;
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    if (owner) EnableWindow(owner, TRUE);
    if (accelerators) DestroyAcceleratorTable(accelerators);
    DestroyWindow(dialog);
}

void StartDialogLayer() {
    ClearWindowTable();
    BuildDialogFontTable();
}
