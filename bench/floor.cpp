// The floor: the editor's visible work done the shortest way with the same system calls, so
// the bench can tell what the editor's own layers cost on top of Windows.
#include <windows.h>

#include "version.h"

namespace {

constexpr WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82;
constexpr int kSave = 1003, kCancel = 1004, kCaptionEdit = 1005, kMessageEdit = 1008, kAbout = 1020,
              kExit = 1021, kClear = 1024, kCharsLeft = 1025;
constexpr int kMessageLimit = 2047;
const char kPolicyKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

struct Item {
    DWORD style, exStyle;
    short x, y, cx, cy;
    WORD id, atom;
    const wchar_t* text;
};

// The editor's layout and creation order (also its tab order).
constexpr Item kItems[] = {
    {0x50000007, 0, 5, 5, 315, 45, 1001, kButton, L"Pre-Logon Caption"},
    {0x50010000, 0, 10, 220, 70, 20, kSave, kButton, L"Save"},
    {0x50010000, 0, 245, 220, 70, 20, kCancel, kButton, L"Cancel"},
    {0x50010000, 0, 130, 220, 70, 20, kClear, kButton, L"Clear"},
    {0x50011084, WS_EX_CLIENTEDGE, 10, 15, 305, 30, kCaptionEdit, kEdit, L""},
    {0x50000007, 0, 5, 60, 315, 145, 1007, kButton, L"Pre-Logon Message"},
    {0x50211044, WS_EX_CLIENTEDGE, 10, 70, 305, 130, kMessageEdit, kEdit, L""},
    {0x50000000, 0, 25, 250, 280, 10, 1022, kStatic,
     L"Quillmark must be Run as Administrator in order to save your changes."},
    {0x50000000, 0, 5, 205, 290, 10, kCharsLeft, kStatic, L"Characters Left:"},
};

// Zero-initialised, so they cost no file bytes.
alignas(4) WORD Template[1024];
// The longest value the editor loads, 16,384 characters, at two bytes each in a double-byte
// code page, and the NUL.
char ValueBytes[2 * 16384 + 1];
wchar_t Wide[32768];

WORD* PutText(WORD* p, const wchar_t* text) {
    do *p++ = *text;
    while (*text++);
    return p;
}

WORD* PutDword(WORD* p, DWORD value) {
    *p++ = LOWORD(value);
    *p++ = HIWORD(value);
    return p;
}

WORD* PutItem(WORD* p, const Item& item) {
    // Each item starts on a 4-byte boundary.
    if ((p - Template) & 1) ++p;
    p = PutDword(p, item.style);
    p = PutDword(p, item.exStyle);
    *p++ = item.x;
    *p++ = item.y;
    *p++ = item.cx;
    *p++ = item.cy;
    *p++ = item.id;
    *p++ = 0xFFFF;
    *p++ = item.atom;
    p = PutText(p, item.text);
    *p++ = 0;  // no creation data
    return p;
}

const DLGTEMPLATE* BuildTemplate() {
    WORD* p = Template;
    // Popup, caption, modal frame, font, 3-D look; hidden until filled.
    p = PutDword(p, 0x80C000D4);
    p = PutDword(p, 0);
    *p++ = sizeof(kItems) / sizeof(kItems[0]);
    *p++ = 70;
    *p++ = 79;
    *p++ = 321;
    *p++ = 277;
    *p++ = 0;  // no menu
    *p++ = 0;  // the system dialog class
    p = PutText(p, L"" QUILLMARK_TITLE);
    *p++ = 8;
    p = PutText(p, L"MS Sans Serif");
    for (const Item& item : kItems) p = PutItem(p, item);
    return reinterpret_cast<const DLGTEMPLATE*>(Template);
}

void LoadValue(HKEY key, const char* name, HWND dialog, int id) {
    DWORD type, size = sizeof(ValueBytes) - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(ValueBytes), &size) !=
        ERROR_SUCCESS)
        size = 0;
    ValueBytes[size] = 0;
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, ValueBytes, -1, Wide, sizeof(Wide) / 2);
    SetDlgItemTextW(dialog, id, Wide);
}

void UpdateCharsLeft(HWND dialog) {
    int n = GetWindowTextW(GetDlgItem(dialog, kMessageEdit), Wide, sizeof(Wide) / 2);
    int left =
        kMessageLimit - WideCharToMultiByte(CP_ACP, 0, Wide, n, nullptr, 0, nullptr, nullptr);
    wchar_t label[32] = L"Characters Left:  ";
    wchar_t* p = label + 17;
    if (left < 0) *p = L'-', left = -left;
    wchar_t digits[12], *d = digits;
    do *d++ = static_cast<wchar_t>(L'0' + left % 10);
    while (left /= 10);
    while (d > digits) *++p = *--d;
    p[1] = 0;
    SetDlgItemTextW(dialog, kCharsLeft, label);
}

INT_PTR CALLBACK FloorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case kMessageEdit:
            if (HIWORD(wParam) == EN_CHANGE) UpdateCharsLeft(dialog);
            break;
        case kClear:
            SetDlgItemTextW(dialog, kCaptionEdit, L"");
            SetDlgItemTextW(dialog, kMessageEdit, L"");
            UpdateCharsLeft(dialog);
            break;
        case kCancel:
        case kExit:
            ExitProcess(0);
    }
    return TRUE;
}

int Run() {
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), BuildTemplate(), nullptr,
                                             FloorProc, 0);
    HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, kExit, L"Exit");
    AppendMenuW(menu, MF_STRING, kAbout, L"About");
    SetMenu(dialog, menu);
    SendDlgItemMessageW(dialog, kMessageEdit, EM_LIMITTEXT, kMessageLimit, 0);

    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        LoadValue(key, "legalnoticecaption", dialog, kCaptionEdit);
        LoadValue(key, "legalnoticetext", dialog, kMessageEdit);
        RegCloseKey(key);
    }
    UpdateCharsLeft(dialog);
    ShowWindow(dialog, SW_SHOW);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

#if defined(__GNUC__) && defined(__i386__)
// The x86 system enters with a 4-byte aligned stack; x64 keeps the 16-byte alignment.
#define ENTRY_ALIGN __attribute__((force_align_arg_pointer))
#else
#define ENTRY_ALIGN
#endif

extern "C" ENTRY_ALIGN void ProcessEntry() {
    ExitProcess(Run());
}
