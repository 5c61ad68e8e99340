// The editor dialog's behaviour: the count, the buttons, the menu, focus keeping.
#include "app/about.h"
#include "app/app_main.h"
#include "app/editor.h"
#include "app/editor_state.h"
#include "app/notice.h"
#include "runtime/app_state.h"
#include "runtime/process.h"
#include "ui/controls.h"
#include "ui/message_box.h"

namespace {

void SaveRefusal() {
    ByteString quote = CharCodeToText(34);
    ShowMessageBox("Cannot save. This program must be started with "_t + quote +
                       "Run as Administrator"_t + quote + " in order to save your edits."_t +
                       " Please exit and restart using "_t + quote + "Run as Administrator"_t +
                       quote + "."_t,
                   MB_TASKMODAL, TitleText());
}

void Clear() {
    SetControlText(EditorControl(IDC_CAPTION_EDIT), ""_t);
    SetControlText(EditorControl(IDC_MESSAGE_EDIT), ""_t);
    UpdateCharsLeft();
}

// The notification code WM_COMMAND carries for an accelerator.
constexpr WORD kAcceleratorCode = 1;

// Buttons act on a click and on an accelerator only.
bool IsPress(WORD code) {
    return code == BN_CLICKED || code == kAcceleratorCode;
}

void OnCommand(WORD id, WORD code) {
    switch (id) {
        case IDC_SAVE:
            if (!IsPress(code)) break;
            if (IsAdministrator() == 0) {
                SaveRefusal();
            } else {
                SaveNotice();
            }
            break;
        case IDC_CANCEL:
            if (IsPress(code)) EndProgram(0);
            break;
        case IDC_CLEAR:
            Clear();
            break;
        case IDC_MESSAGE_EDIT:
            UpdateCharsLeft();
            break;
        case IDM_EXIT:
            EndProgram(0);
            break;
        case IDM_ABOUT:
            AboutBox();
            break;
        default:
            break;  // IDOK and IDCANCEL from Enter and Escape change nothing
    }
}

// Gives the focus back to the control that had it when the editor lost activation.
void KeepFocus(bool activating) {
    if (!activating) {
        SavedFocus = GetFocus();
    } else if (SavedFocus) {
        SetFocus(SavedFocus);
        SavedFocus = nullptr;
    }
}

}  // namespace

void UpdateCharsLeft() {
    ByteString message = GetControlText(EditorControl(IDC_MESSAGE_EDIT));
    ByteString count = CharsLeftText(message.Length());
    // Every edit notification asks; the label is repainted only when the count moved.
    HWND label = EditorControl(IDC_CHARS_LEFT);
    if (!(GetControlText(label) == count)) SetControlText(label, count);
}

// Returns 0 for every message so that the dialog layer's defaults always follow.
LRESULT CALLBACK EditorProc(HWND, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_NCACTIVATE:
            KeepFocus(wParam != 0);
            break;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            break;
        case WM_APP_LOAD_FINDINGS:
            ShowLoadFindings();
            break;
        default:
            break;
    }
    return 0;
}
