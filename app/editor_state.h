// The editor's control and menu ids and the state the editor, the notice load and save and
// the menu share.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "persist/notice_store.h"

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

// The editor dialog once built, 0 before; kept for the rest of the run.
extern HWND EditorDialog;
// The focus when the editor was last deactivated, 0 = none.
extern HWND SavedFocus;

// What the editor last loaded or saved: per value its text, type, state and reason. A save
// compares storage with it and folds what it wrote back into it. ShowEditor owns it for the
// run: a global of this type would need its destructor registered at run time.
extern StoredNotice* ShownNotice;

// A control of the editor, reached through EditorDialog.
inline HWND EditorControl(int id) {
    return GetDlgItem(EditorDialog, id);
}
