// The application's process-wide state. The runtime clears it at start-up and at shutdown.
#pragma once

#include <windows.h>

#include "runtime/text.h"

// Borrowed texts (literals): a member with a destructor would need one registered at run
// time, and the program starts without the C runtime that would run it.
struct AppStateRecord {
    TextRef appTitle;    // product name
    TextRef appVersion;  // version shown in titles
};

extern AppStateRecord AppState;

// AppTitle + " v" + AppVersion, composed anew at each use.
ByteString TitleText();

// Empties the record: at start-up, before the main routine sets it, and at shutdown.
void ReleaseAppState();
