// String values in the registry, addressed by path text, through the Unicode registry calls.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "runtime/text.h"

// An open key, closed on every way out of the routine that holds it.
struct KeyHolder {
    HKEY key = nullptr;
    KeyHolder() = default;
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    ~KeyHolder() {
        if (key) RegCloseKey(key);
    }
};

// The root key resolved by the most recent call, and the key it opened (closed again since);
// a record of the last call, not used between calls.
extern HKEY RegistryRoot;
extern HKEY RegistryKey;

// The longest text a value may hold to be shown, in UTF-16 units.
constexpr uint32_t LongestRegistryText = 16384;

enum class ValueState : uint8_t {
    Read,        // text is the value
    Missing,     // no such value (or key): text is empty
    Unreadable,  // exists but cannot be shown as text: text is empty, reason says why
};

struct RegistryText {
    WideString text;        // without leading and trailing blanks
    DWORD type = REG_NONE;  // as stored; REG_NONE when missing or not known
    ValueState state = ValueState::Missing;
    WideString reason;  // for an unreadable value: the system's message, or what it holds
};

// Reads a value of a type the test accepts, its size asked first and asked again when it grew
// in between: its type and its data as `units` UTF-16 units with a zero after them. Of a value
// of another type only the type is read (data empty, units 0). Returns the Windows result.
LONG QueryValueUnits(HKEY key, const wchar_t* name, bool (*accepted)(DWORD type), DWORD& type,
                     WideString& data, uint32_t& units);

// 1 when the key exists afterwards (and is closed again), 0 otherwise.
int32_t CreateRegistryKey(TextRef path);
// Stores the text, up to an embedded zero, as a value of the type (REG_SZ or REG_EXPAND_SZ),
// creating a missing key once. Returns 0 when the value was stored, else the Windows error
// code of the failing step (ERROR_BADKEY for a path that names no root key).
LONG WriteRegistryString(TextRef path, TextRef valueName, const WideString& value, DWORD type);
// What a REG_SZ or REG_EXPAND_SZ of these units reads back as: up to its first zero, without
// leading and trailing blanks.
WideString StringValueText(const wchar_t* data, uint32_t units);
// The value as text: a REG_SZ or REG_EXPAND_SZ (unexpanded) up to its first zero, a
// REG_MULTI_SZ with its strings joined by CR LF; any other type, a failing read or a text
// longer than LongestRegistryText is unreadable.
RegistryText ReadRegistryString(TextRef path, TextRef valueName);
