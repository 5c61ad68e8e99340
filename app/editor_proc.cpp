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

// Posted on EN_MAXTEXT (the load posts WM_APP + 1): a cut pair is looked for once the edit
// has finished the change.
constexpr UINT WM_APP_LIMIT_REACHED = WM_APP + 2;

// The units the message box's last change added, [from, to), and its length after it.
struct MessageInsertion {
    int32_t length;
    int32_t from;
    int32_t to;
};
constinit MessageInsertion LastInsertion{0, 0, 0};
// Where the change that met the limit began: the selection's start when EN_MAXTEXT came.
constinit int32_t LimitedFrom = 0;

// The selection of the message box, whose 2047 units always fit EM_GETSEL's two words.
DWORD Selection(HWND edit) {
    return static_cast<DWORD>(SendControlMessage(edit, EM_GETSEL, 0, 0));
}

void NoteMessageChange(HWND edit) {
    int32_t length = GetWindowTextLengthW(edit);
    int32_t grown = length - LastInsertion.length;
    // Wine reports a change also when the limit refused a whole insertion.
    if (grown == 0) return;
    int32_t caret = HIWORD(Selection(edit));
    LastInsertion = {length, grown > 0 ? caret - grown : 0, grown > 0 ? caret : 0};
}

// The limit kept the first half of a surrogate pair that was just typed or pasted: that half
// goes too, and the count follows through the edit's own EN_CHANGE. A typed pair arrives as
// two characters, so the half can also be the previous change's.
void DropCutSurrogate() {
    HWND edit = EditorControl(IDC_MESSAGE_EDIT);
    int32_t caret = HIWORD(Selection(edit));
    int32_t from = LimitedFrom < caret         ? LimitedFrom
                   : LastInsertion.to == caret ? LastInsertion.from
                                               : caret;
    WideString text = GetControlTextW(edit);
    if (caret <= from || static_cast<uint32_t>(caret) > text.Units()) return;
    wchar_t last = text.CStr()[caret - 1];
    if (last < 0xD800 || last > 0xDBFF) return;
    SendControlMessage(edit, EM_SETSEL, caret - 1, caret);
    SendControlMessage(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
}

void SaveRefusal() {
    ShowMessageBox(
        "Cannot save. This program must be started with \"Run as Administrator\" in order to save your edits. Please exit and restart using \"Run as Administrator\"."_t,
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
            if (code == EN_CHANGE) NoteMessageChange(EditorControl(IDC_MESSAGE_EDIT));
            if (code == EN_MAXTEXT) {
                LimitedFrom = LOWORD(Selection(EditorControl(IDC_MESSAGE_EDIT)));
                PostMessageW(EditorDialog, WM_APP_LIMIT_REACHED, 0, 0);
            }
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

// The load's text is stored data and stays as it is, a lone surrogate included: the record of
// what was just typed or pasted starts after it.
void NoteLoadedMessage() {
    LastInsertion = {GetWindowTextLengthW(EditorControl(IDC_MESSAGE_EDIT)), 0, 0};
}

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
            // Posted before the first paint: the values are on the screen before the read.
            RedrawWindow(EditorDialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            ShowLoadFindings();
            break;
        case WM_APP_LIMIT_REACHED:
            DropCutSurrogate();
            break;
        default:
            break;
    }
    return 0;
}
