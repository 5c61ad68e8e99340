// String values in the registry, addressed by path text, through the ANSI registry calls.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "runtime/text.h"

// The root key resolved from the most recent path, and the key most recently opened.
extern HKEY RegistryRoot;
extern HKEY RegistryKey;

// 1 when the key exists afterwards (and is closed again), 0 otherwise.
int32_t CreateRegistryKey(TextRef path);
// Stores the text, up to an embedded zero byte, as a REG_SZ value, creating a missing key
// once. Returns 0 when the value was stored, else the Windows error code of the failing step
// (ERROR_BADKEY for a path that names no root key).
LONG WriteRegistryString(TextRef path, TextRef valueName, TextRef value);
// The value's whole text up to its first zero byte, without leading and trailing blanks;
// the empty text on any failure.
ByteString ReadRegistryString(TextRef path, TextRef valueName);
