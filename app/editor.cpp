// The editor dialog's layout.
#include "app/editor.h"

#include "app/about.h"
#include "app/notice.h"
#include "runtime/app_state.h"
#include "runtime/process.h"
#include "ui/controls.h"
#include "ui/dialog.h"

HWND EditorDialog;
HWND SavedFocus;

namespace {

struct ControlSpec {
    ControlKind kind;
    int32_t id;
    int32_t x, y, width, height;
    DWORD style, exStyle;
};

// Creation order is also the tab order: Save, Cancel, Clear, caption, message.
constexpr ControlSpec kControls[] = {
    {GroupBox, IDC_CAPTION_FRAME, 5, 5, 315, 45, 0, 0},
    {PushButton, IDC_SAVE, 10, 220, 70, 20, 0, 0},
    {PushButton, IDC_CANCEL, 245, 220, 70, 20, 0, 0},
    {PushButton, IDC_CLEAR, 130, 220, 70, 20, 0, 0},
    // Multi-line, Enter makes a new line, scrolls sideways instead of wrapping.
    {EditBox, IDC_CAPTION_EDIT, 10, 15, 305, 30, 0x50011084, WS_EX_CLIENTEDGE},
    {GroupBox, IDC_MESSAGE_FRAME, 5, 60, 315, 145, 0, 0},
    // Word-wrapping, with a vertical scroll bar.
    {EditBox, IDC_MESSAGE_EDIT, 10, 70, 305, 130, 0x50211044, WS_EX_CLIENTEDGE},
    {Label, IDC_ADMIN_NOTE, 25, 250, 280, 10, 0, 0},
    {Label, IDC_CHARS_LEFT, 5, 205, 290, 10, 0, 0},
};

ByteString ControlText(int32_t id) {
    switch (id) {
        case IDC_CAPTION_FRAME:
            return "Pre-Logon Caption"_t;
        case IDC_SAVE:
            return "Save"_t;
        case IDC_CANCEL:
            return "Cancel"_t;
        case IDC_CLEAR:
            return "Clear"_t;
        case IDC_MESSAGE_FRAME:
            return "Pre-Logon Message"_t;
        case IDC_ADMIN_NOTE:
            return AppState.appTitle + " must be Run as "_t +
                   "Administrator in order to save your changes."_t;
        case IDC_CHARS_LEFT:
            return "Characters Left:"_t;
        default:
            return ByteString();
    }
}

}  // namespace

int32_t ShowEditor(HWND parent) {
    HWND dialog = BuildDialog(parent, TitleText(), 70, 79, 321, 277, 0, 0, DialogUnits);
    // Without its window the editor can do nothing; the run must not end as a success.
    if (!dialog) EndProgram(255);
    for (const ControlSpec& c : kControls) {
        CreateControl(dialog, c.kind, c.id, ControlText(c.id), c.x, c.y, c.width, c.height, c.style,
                      c.exStyle);
    }
    AddMenuBar(dialog);
    EditorDialog = dialog;
    SendControlMessage(GetDlgItem(dialog, IDC_MESSAGE_EDIT), EM_LIMITTEXT, MessageLimit, 0);
    LoadNotice();
    int32_t result = 0;
    ShowModal(dialog, EditorProc, result);
    return result;
}
