// The one way the application shows a message: a system message box without owner.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "runtime/text.h"

// Returns MessageBoxW's answer (0 on failure). An empty caption gives a default one.
int32_t ShowMessageBox(ByteString text, UINT flags, ByteString caption);
// The same for a text that is UTF-16 already, such as names read from outside.
int32_t ShowMessageBox(const WideString& text, UINT flags, ByteString caption);
