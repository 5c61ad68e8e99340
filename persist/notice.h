// The logon notice: loaded into the editor's two edits and saved back to the registry.
#pragma once

#include <windows.h>

#include "runtime/app_state.h"
#include "runtime/text.h"

inline constexpr TextRef PolicyKeyPath =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System"_t;

// "Characters Left: " and the count for a message of this many bytes.
ByteString CharsLeftText(uint32_t messageBytes);

// Fills the editor's caption and message edits and the counter from the registry.
void LoadNotice();
// Writes the log and both values after the save's own administrator test; tells the user
// when a value could not be stored.
void SaveNotice();

// The save's own administrator test, IsUserAnAdmin unless a test replaces it: Wine's answer
// ignores deny-only groups, so Wine cannot produce a refusal any other way.
extern BOOL(WINAPI* SaveAdminTest)();
