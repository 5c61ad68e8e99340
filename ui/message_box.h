// The one way the application shows a message: a system message box without owner.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "runtime/text.h"

// Returns MessageBoxW's answer (0 on failure). An empty caption gives a default one.
int32_t ShowMessageBox(ByteString text, UINT flags, ByteString caption);
// The same for a text that is UTF-16 already, such as names read from outside.
int32_t ShowMessageBox(const WideString& text, UINT flags, ByteString caption);

// A text from outside as one line of a message box, in quotes, that the box never breaks, so
// that no part of it can begin a line of its own: every space, control character (CR, LF,
// TAB ...) and bidirectional formatting character a no-break space (U+00A0); where the line
// would be wider than the box gives its text, the middle of the text cut out for U+2026, never
// inside a surrogate pair, so that both its ends show.
WideString QuotedBoxLine(const wchar_t* units, uint32_t count);
// The width, in pixels, that a message box on this screen gives a line of its text, at its
// font and scale; no wider than three quarters of the work area.
int32_t MessageBoxTextWidth();
