// Dialogs described at run time: an in-memory template, the engine's dialog procedure,
// the bookkeeping record of every window the layer creates, and the modal run.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "runtime/text.h"

// The application's handler for a dialog, a control or a menu item; nonzero = handled.
using DialogCallback = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

// Coordinate modes; a mode value with the bit of value 2 selects Pixels.
enum CoordinateMode : int32_t { DialogUnits = 1, Pixels = 2 };

// x or y with this value asks for centring.
constexpr int32_t kCentred = static_cast<int32_t>(0x80000000);

struct WindowRecord {
    WindowRecord* next;
    HWND window;
    HWND parent;
    uint32_t flags;  // bits 0-3 mode, 0x40000000 dialog, 0x20000000 control, 0x10000 shown modally
    uint32_t state;  // bit 0: closing suppressed
    int32_t showCommand;
    HFONT font;
    DialogCallback callback;
    int32_t* result;
    HACCEL accelerators;
    HBRUSH backgroundBrush;
    COLORREF backgroundColour;
    COLORREF textColour;
    int32_t kind;
    WNDPROC previousProc;
    DWORD style;
    DWORD exStyle;
    // Owned by the record and released with it; only the image and graphic kinds use them.
    HANDLE image;
    UINT imageType;  // IMAGE_BITMAP or IMAGE_ICON
    HDC memoryDC;
    HBITMAP memoryBitmap;
};

constexpr uint32_t kRecordDialog = 0x40000000;
constexpr uint32_t kRecordControl = 0x20000000;
constexpr uint32_t kRecordShownModally = 0x00010000;
constexpr uint32_t kRecordModeMask = 0xF;
constexpr COLORREF kColourNotSet = static_cast<COLORREF>(-3);

// Builds the dialog hidden; null on failure. A style of 0 selects the default dialog style.
HWND BuildDialog(HWND parent, ByteString title, int32_t x, int32_t y, int32_t width, int32_t height,
                 DWORD style, DWORD exStyle, int32_t mode);
// Shows the dialog and runs its modal loop until the window is gone.
void ShowModal(HWND dialog, DialogCallback callback, int32_t& result);
void EndModal(HWND dialog, int32_t result);

// The dialog style BuildDialog creates with, for a caller's style, position and parent.
DWORD DialogStyle(DWORD style, int32_t x, int32_t y, bool hasParent);
// Writes the in-memory template into a 512-byte buffer; returns the bytes used.
uint32_t WriteDialogTemplate(uint8_t (&buffer)[512], DWORD style, DWORD exStyle, int32_t x,
                             int32_t y, int32_t width, int32_t height);

// WindowTable: records of every dialog and control the layer created. A record found here
// stays valid while its window exists.
WindowRecord* FindWindowRecord(HWND window);
// A zero-filled copy of the fields joins the table; null when out of memory.
WindowRecord* AddWindowRecord(const WindowRecord& fields);
// Unlinks and frees the records of the dialog's controls and then its own.
void FreeDialogRecords(HWND dialog);
// The next control of the dialog after `after` (null: the first) whose kind is one of the
// two given; null when there is none.
HWND NextControlOfKind(HWND dialog, HWND after, int32_t kind1, int32_t kind2);
int32_t WindowRecordCount();

// Open dialogs and the most recently activated one; kept for the wider layer.
int32_t OpenDialogCount();
HWND ActiveDialog();
void CountOpenDialog(int32_t delta);
void NoteActiveDialog(HWND dialog, bool active);

// The dialog procedure of every dialog built here.
INT_PTR CALLBACK EngineDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// DialogFontTable: built once at start-up; entry 1 is the dialog font.
struct DialogFont {
    DialogFont* next;
    int32_t number;
    float pointSize;
    LOGFONTW font;
};
void BuildDialogFontTable();
const DialogFont* FindDialogFont(int32_t number);

// Start-up of the dialog layer: clears the window table and builds the font table.
void StartDialogLayer();
