// Child controls of a run-time dialog, created by kind, and the text operations on them.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "runtime/text.h"
#include "ui/dialog_types.h"

// An optional item list for list and combo boxes; adding stops at the first empty item.
struct ControlItems {
    const TextRef* items = nullptr;
    int32_t count = 0;
};

// Creates the control in the dialog's coordinate mode; the application finds it by id.
void CreateControl(HWND dialog, ControlKind kind, int32_t id, ByteString text, int32_t x, int32_t y,
                   int32_t width, int32_t height, DWORD style, DWORD exStyle,
                   DialogCallback callback = nullptr, ControlItems items = {},
                   ByteString className = ByteString());

HWND GetControlWindow(HWND dialog, int32_t id);
// Texts in the ANSI code page, converted at the window.
ByteString GetControlText(HWND window);
void SetControlText(HWND window, TextRef text);
// Texts as the window holds them, in UTF-16.
WideString GetControlTextW(HWND window);
void SetControlTextW(HWND window, const WideString& text);
LRESULT SendControlMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Colours a control draws with; kColourNotSet for either leaves the system's. The record owns
// the background brush.
void SetControlColours(HWND control, COLORREF text, COLORREF background);
// The memory DC a graphic control shows; draw into it, then invalidate the control.
HDC GraphicSurface(HWND control);
