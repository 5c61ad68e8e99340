// Loading the notice into the editor and saving it back, and the boxes that tell of either.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "runtime/text.h"

// Posted to the editor by the load: who else sets the notice is read, and the box that tells
// of it and of values the load could not show comes, once the editor is up.
constexpr UINT WM_APP_LOAD_FINDINGS = WM_APP + 1;

// "Characters Left: " and the count for a message of this many bytes.
ByteString CharsLeftText(uint32_t messageBytes);

// Fills the editor's caption and message edits and the counter from the registry.
void LoadNotice();
// Reads who else sets the notice; then the one box naming the values the load could not show,
// with why, and who else sets them, if there is anything to say.
void ShowLoadFindings();
// After the save's own administrator test, and a Yes where stored values could not be shown,
// writes the log and both values; tells the user what could not be written.
void SaveNotice();

// The save's own administrator test, IsUserAnAdmin unless a test replaces it: Wine's answer
// ignores deny-only groups, so Wine cannot produce a refusal any other way.
extern BOOL(WINAPI* SaveAdminTest)();
