// The dialog engine's internals, shared by its own files and its tests; not for the
// application.
#pragma once

#include <windows.h>
#include <stdint.h>

// The dialog procedure of every dialog built here.
INT_PTR CALLBACK EngineDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The dialog style BuildDialog creates with, for a caller's style, position and parent.
DWORD DialogStyle(DWORD style, int32_t x, int32_t y, bool hasParent);
// Writes the in-memory template into a 512-byte buffer; returns the bytes used.
uint32_t WriteDialogTemplate(uint8_t (&buffer)[512], DWORD style, DWORD exStyle, int32_t x,
                             int32_t y, int32_t width, int32_t height);
