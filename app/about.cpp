// The editor's menu bar and About box.
#include "app/about.h"

#include "app/editor_state.h"
#include "runtime/app_state.h"
#include "ui/menu_bar.h"
#include "ui/message_box.h"

HMENU AddMenuBar(HWND dialog) {
    HMENU menu = CreateMenuBar(false);
    AppendMenuItem(menu, "Exit"_t, IDM_EXIT, 0, -1, nullptr, false, nullptr);
    AppendMenuItem(menu, "About"_t, IDM_ABOUT, 0, -1, nullptr, false, nullptr);
    AttachMenu(dialog, menu);
    return menu;
}

void AboutBox() {
    ByteString lineBreak = CharCodeToText(13);
    // The year is read anew at every click.
    ShowMessageBox(TitleText() + lineBreak + lineBreak + "Copyright (C) 2025-"_t +
                       Rightmost(CurrentDateText(), 4) + lineBreak + lineBreak +
                       "Written by the Quillmark developers."_t,
                   MB_TASKMODAL, TitleText());
}
