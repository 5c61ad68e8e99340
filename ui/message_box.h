// The one way the application shows a message: a system message box without owner.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "runtime/text.h"

// Returns MessageBoxW's answer (0 on failure). An empty caption gives a default one.
int32_t ShowMessageBox(ByteString text, UINT flags, ByteString caption);
// The same for a text that is UTF-16 already, such as names read from outside.
int32_t ShowMessageBox(const WideString& text, UINT flags, ByteString caption);
// How many of the units fit on one line of a message box on this screen, in its font, at most
// three quarters of the work area wide: room for the icon and the frame, so that a text it
// cannot break between words never makes the box wider than the screen.
uint32_t UnitsOnOneLine(const wchar_t* units, uint32_t count);
