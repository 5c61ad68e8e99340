// The bookkeeping record of every window the dialog layer creates, the dialog font table and
// the dialog counters.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "ui/dialog_types.h"

struct WindowRecord {
    WindowRecord* next;
    HWND window;
    HWND parent;
    uint32_t flags;  // the coordinate mode (kRecordModeMask) and the kRecord... bits
    uint32_t state;  // kRecordClosingSuppressed
    int32_t showCommand;
    HFONT font;
    DialogCallback callback;
    int32_t* result;
    HACCEL accelerators;
    HBRUSH backgroundBrush;
    COLORREF backgroundColour;
    COLORREF textColour;
    ControlKind kind;  // CustomClass for a dialog
    WNDPROC previousProc;
    DWORD style;
    DWORD exStyle;
    // Owned by the record and released with it; only the image and graphic kinds use them.
    HANDLE image;
    UINT imageType;  // IMAGE_BITMAP or IMAGE_ICON
    HDC memoryDC;
    HBITMAP memoryBitmap;
};

// WindowRecord::flags
constexpr uint32_t kRecordDialog = 0x40000000;
constexpr uint32_t kRecordControl = 0x20000000;
constexpr uint32_t kRecordShownModally = 0x00010000;
// A control named for screen readers, or a dialog with such a control: cleared at destroy.
constexpr uint32_t kRecordNamed = 0x00020000;
constexpr uint32_t kRecordModeMask = 0xF;
// WindowRecord::state: EndModal clears it; nothing here sets it.
constexpr uint32_t kRecordClosingSuppressed = 0x1;

// The mode's bits as the flags hold them.
constexpr uint32_t ModeFlags(CoordinateMode mode) {
    return static_cast<uint32_t>(mode);
}

// WindowTable: records of every dialog and control the layer created. A record found here
// stays valid while its window exists.
WindowRecord* FindWindowRecord(HWND window);
// A zero-filled copy of the fields joins the table; null when out of memory.
WindowRecord* AddWindowRecord(const WindowRecord& fields);
// Unlinks and frees the records of the dialog's controls and then its own.
void FreeDialogRecords(HWND dialog);
// The next control of the dialog after `after` (null: the first) whose kind is one of the
// two given; null when there is none.
HWND NextControlOfKind(HWND dialog, HWND after, ControlKind kind1, ControlKind kind2);
int32_t WindowRecordCount();

// Open dialogs and the most recently activated one; kept for the wider layer.
int32_t OpenDialogCount();
HWND ActiveDialog();
void CountOpenDialog(int32_t delta);
void NoteActiveDialog(HWND dialog, bool active);

// DialogFontTable: built once at start-up; entry 1 is the dialog font.
struct DialogFont {
    DialogFont* next;
    int32_t number;
    float pointSize;
    LOGFONTW font;
};
void BuildDialogFontTable();
const DialogFont* FindDialogFont(int32_t number);

// Empties the window table and resets the counters (start-up).
void ClearWindowTable();
