// Menu bars built from code for run-time dialogs.
#pragma once

#include <windows.h>
#include <stddef.h>
#include <stdint.h>

#include "runtime/text.h"
#include "ui/dialog_types.h"

// The size every menu call here gives for a MENUITEMINFOW. x86: 44 bytes, the structure without
// the item bitmap, which is never given. x64: the whole structure (80 bytes), the one size
// that both Windows and Wine take there; 44 is the x86 size only.
inline constexpr UINT kMenuItemInfoSize = static_cast<UINT>(
    sizeof(void*) == 4 ? offsetof(MENUITEMINFOW, hbmpItem) : sizeof(MENUITEMINFOW));

// CreateMenu for a bar, CreatePopupMenu for a popup.
HMENU CreateMenuBar(bool popup);
// Inserts one item; "-" makes a separator. Position counts from 1 (0, -1 or past the end
// append) unless byCommand, when it is the command id of the item to insert before.
void AppendMenuItem(HMENU menu, ByteString text, int32_t id, UINT state, int32_t position,
                    DialogCallback callback, bool byCommand, HMENU submenu);
void AttachMenu(HWND window, HMENU menu);
