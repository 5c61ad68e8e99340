// Sequential text output to files named by small numbers of the caller's choosing.
// Every write goes straight to the system; failures record a runtime error and return.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "runtime/text.h"

// Which file it is, whatever name reaches it: its volume and its index there; all zero when
// unknown.
struct FileIdentity {
    uint32_t volume;
    uint32_t indexHigh;
    uint32_t indexLow;
};

// Creates a new file and registers it under the number. A name that exists already, whatever
// it is, is never opened: the open fails with the system's "file exists".
void OpenForOutput(TextRef name, int16_t number);
// Writes the text's bytes unchanged; empty text writes nothing.
void WriteText(int16_t number, TextRef text);
// Writes 14 - (column mod 14) spaces, so the next item starts in the next 14-column zone.
void NextColumnZone(int16_t number);
// Writes CR LF and starts a new line.
void WriteLineEnd(int16_t number);
// Releases the file; a number that is not open is no error.
void CloseFile(int16_t number);
// The file the open under the number created; all zero when none is open or it is no disk file.
FileIdentity OpenFileIdentity(int16_t number);

// Puts the file `from` in the place of the name `to`, whatever that name was: only the name
// changes hands, so what a link there pointed at is never touched.
void ReplaceName(TextRef from, TextRef to);
// Removes the file of that name only while it is still the one created: a name taken over by
// something else in the meantime is left alone.
void RemoveCreatedFile(TextRef name, FileIdentity created);

// Forgets every open file without closing it (start-up).
void ClearOpenFileTable();

// The runtime error number for a Windows error code.
int32_t RuntimeErrorFromWindows(DWORD error);

// How many spaces NextColumnZone writes at this column.
inline uint32_t ZoneFill(uint32_t column) {
    return 14 - column % 14;
}
