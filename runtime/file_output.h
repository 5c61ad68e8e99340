// Sequential text output to files named by small numbers of the caller's choosing.
// Every write goes straight to the system; failures record a runtime error and return.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "runtime/text.h"

// Creates the file, or empties an existing one, and registers it under the number. A name
// that is not a file of its own is refused with NotOwnFile.
void OpenForOutput(TextRef name, int16_t number);
// Writes the text's bytes unchanged; empty text writes nothing.
void WriteText(int16_t number, TextRef text);
// Writes 14 - (column mod 14) spaces, so the next item starts in the next 14-column zone.
void NextColumnZone(int16_t number);
// Writes CR LF and starts a new line.
void WriteLineEnd(int16_t number);
// Releases the file; a number that is not open is no error.
void CloseFile(int16_t number);

// Forgets every open file without closing it (start-up).
void ClearOpenFileTable();

// The runtime error number for a Windows error code.
int32_t RuntimeErrorFromWindows(DWORD error);

// How many spaces NextColumnZone writes at this column.
inline uint32_t ZoneFill(uint32_t column) {
    return 14 - column % 14;
}
