// The runtime error convention: a failing service records its number for the calling
// routine and returns; the caller goes on. Numbers of 241 and above end the process at once
// with exit code 255, without a message or the shutdown steps.
#pragma once

#include <stdint.h>

// Records the number, and the Windows error code it was translated from (0: none).
void RaiseRuntimeError(int32_t number, uint32_t windowsError = 0);
// The number last recorded on this thread, 0 when none since the last clear.
int32_t LastRuntimeError();
// The Windows error recorded with that number, 0 when it came from no system call.
uint32_t LastRuntimeWindowsError();
void ClearRuntimeError();

// Where the text values get their storage: count word in front, NUL after the data.
char* AllocTextStorage(uint32_t bytes);
wchar_t* AllocWideStorage(uint32_t units);
void FreeTextStorage(void* data);
