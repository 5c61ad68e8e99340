// The application's process-wide state. The runtime clears it at start-up and releases its
// texts at shutdown; the editor and the notice load and save read it.
#pragma once

#include <windows.h>

#include "runtime/text.h"

struct AppStateRecord {
    HWND editorDialog;      // the editor dialog once built, 0 before
    ByteString appTitle;    // product name
    ByteString appVersion;  // version shown in titles
    HWND savedFocus;        // focus when the editor was last deactivated, 0 = none
};

extern AppStateRecord AppState;

constexpr int32_t MessageLimit = 2047;

// The editor's control and menu ids.
constexpr int IDC_CAPTION_FRAME = 1001;
constexpr int IDC_SAVE = 1003;
constexpr int IDC_CANCEL = 1004;
constexpr int IDC_CAPTION_EDIT = 1005;
constexpr int IDC_MESSAGE_FRAME = 1007;
constexpr int IDC_MESSAGE_EDIT = 1008;
constexpr int IDM_ABOUT = 1020;
constexpr int IDM_EXIT = 1021;
constexpr int IDC_ADMIN_NOTE = 1022;
constexpr int IDC_CLEAR = 1024;
constexpr int IDC_CHARS_LEFT = 1025;

// AppTitle + " v" + AppVersion, composed anew at each use.
ByteString TitleText();

void ClearAppState();
void ReleaseAppState();
