// The editor dialog's layout.
#include "app/editor.h"

#include "app/about.h"
#include "app/editor_state.h"
#include "app/notice.h"
#include "runtime/app_state.h"
#include "runtime/process.h"
#include "ui/accessible.h"
#include "ui/controls.h"
#include "ui/dialog.h"

constinit HWND EditorDialog = nullptr;
constinit HWND SavedFocus = nullptr;

namespace {

struct ControlSpec {
    ControlKind kind;
    int32_t id;
    TextRef text;
    int32_t x, y, width, height;
    DWORD style, exStyle;
    // The frame whose text names the control for a screen reader, which takes its name only
    // from a label before it; 0 for none.
    int32_t namedBy = 0;
};

// Creation order is also the tab order: Save, Cancel, Clear, caption, message.
constexpr ControlSpec kControls[] = {
    {ControlKind::GroupBox, IDC_CAPTION_FRAME, "Pre-Logon Caption"_t, 5, 5, 315, 45, 0, 0},
    {ControlKind::PushButton, IDC_SAVE, "Save"_t, 10, 220, 70, 20, 0, 0},
    {ControlKind::PushButton, IDC_CANCEL, "Cancel"_t, 245, 220, 70, 20, 0, 0},
    {ControlKind::PushButton, IDC_CLEAR, "Clear"_t, 130, 220, 70, 20, 0, 0},
    // Multi-line, Enter makes a new line, scrolls sideways instead of wrapping.
    {ControlKind::EditBox, IDC_CAPTION_EDIT, ""_t, 10, 15, 305, 30,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_WANTRETURN | ES_AUTOHSCROLL | ES_MULTILINE,
     WS_EX_CLIENTEDGE, IDC_CAPTION_FRAME},
    {ControlKind::GroupBox, IDC_MESSAGE_FRAME, "Pre-Logon Message"_t, 5, 60, 315, 145, 0, 0},
    // Word-wrapping, with a vertical scroll bar.
    {ControlKind::EditBox, IDC_MESSAGE_EDIT, ""_t, 10, 70, 305, 130,
     WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_WANTRETURN | ES_AUTOVSCROLL |
         ES_MULTILINE,
     WS_EX_CLIENTEDGE, IDC_MESSAGE_FRAME},
    // Its text names the product, so it is composed when the control is made.
    {ControlKind::Label, IDC_ADMIN_NOTE, ""_t, 25, 250, 280, 10, 0, 0},
    {ControlKind::Label, IDC_CHARS_LEFT, "Characters Left:"_t, 5, 205, 290, 10, 0, 0},
};

ByteString ControlText(const ControlSpec& control) {
    if (control.id != IDC_ADMIN_NOTE) return control.text;
    return AppState.appTitle + " must be Run as "_t +
           "Administrator in order to save your changes."_t;
}

}  // namespace

int32_t ShowEditor(HWND parent) {
    HWND dialog =
        BuildDialog(parent, TitleText(), 70, 79, 321, 277, 0, 0, CoordinateMode::DialogUnits);
    // Without its window the editor can do nothing; the run must not end as a success.
    if (!dialog) EndProgram(kFailureExitCode);
    for (const ControlSpec& c : kControls) {
        CreateControl(dialog, c.kind, c.id, ControlText(c), c.x, c.y, c.width, c.height, c.style,
                      c.exStyle);
    }
    for (const ControlSpec& c : kControls) {
        if (c.namedBy) {
            SetAccessibleName(GetDlgItem(dialog, c.id),
                              GetControlTextW(GetDlgItem(dialog, c.namedBy)));
        }
    }
    AddMenuBar(dialog);
    EditorDialog = dialog;
    StoredNotice shown;
    ShownNotice = &shown;
    SendControlMessage(GetDlgItem(dialog, IDC_MESSAGE_EDIT), EM_LIMITTEXT, MessageLimit, 0);
    LoadNotice();
    NoteLoadedMessage();
    int32_t result = 0;
    ShowModal(dialog, EditorProc, result);
    ShownNotice = nullptr;
    return result;
}
