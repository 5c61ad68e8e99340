// The application's process-wide state. The runtime clears it at start-up and releases its
// texts at shutdown.
#pragma once

#include <windows.h>

#include "runtime/text.h"

struct AppStateRecord {
    ByteString appTitle;    // product name
    ByteString appVersion;  // version shown in titles
};

extern AppStateRecord AppState;

// AppTitle + " v" + AppVersion, composed anew at each use.
ByteString TitleText();

// Empties the texts: at start-up, before the main routine sets them, and at shutdown.
void ReleaseAppState();
