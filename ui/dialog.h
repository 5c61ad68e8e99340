// Dialogs described at run time: building one and running it modally.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "runtime/text.h"
#include "ui/dialog_types.h"

// x or y with this value asks for centring.
constexpr int32_t kCentred = static_cast<int32_t>(0x80000000);

// Builds the dialog hidden; null on failure. A style of 0 selects the default dialog style.
HWND BuildDialog(HWND parent, ByteString title, int32_t x, int32_t y, int32_t width, int32_t height,
                 DWORD style, DWORD exStyle, CoordinateMode mode);
// Shows the dialog and runs its modal loop until the window is gone.
void ShowModal(HWND dialog, DialogCallback callback, int32_t& result);
void EndModal(HWND dialog, int32_t result);

// Start-up of the dialog layer: clears the window table and builds the font table.
void StartDialogLayer();
