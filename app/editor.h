// The editor dialog: its layout, its callback and the characters-left count.
#pragma once

#include <windows.h>
#include <stdint.h>

// Builds the editor, loads the notice and runs the dialog; the result ShowModal stored. Ends
// the program with 255 when the dialog cannot be built.
int32_t ShowEditor(HWND parent);
LRESULT CALLBACK EditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void UpdateCharsLeft();
// Called once the load has filled the message box.
void NoteLoadedMessage();
