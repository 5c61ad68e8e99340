// Loading the notice into the editor and saving it back, with the save log first.
#include "persist/notice.h"

#include <shlobj.h>

#include "persist/registry_value.h"
#include "persist/save_log.h"
#include "ui/controls.h"
#include "ui/message_box.h"

namespace {

BOOL WINAPI SystemAdminTest() {
    return IsUserAnAdmin();
}

HWND EditorControl(int id) {
    return GetDlgItem(AppState.editorDialog, id);
}

// CR LF, the value name, ": " and the system's message for the error, without its line break.
ByteString FailureLine(TextRef valueName, LONG error) {
    char buffer[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(error), 0, buffer, sizeof(buffer), nullptr);
    while (n > 0 && (buffer[n - 1] == '\r' || buffer[n - 1] == '\n')) --n;
    ByteString reason = n > 0 ? ByteString::FromBytes(buffer, n) : "Error"_t + NumberToText(error);
    return "\r\n"_t + valueName + ": "_t + static_cast<ByteString&&>(reason);
}

}  // namespace

BOOL(WINAPI* SaveAdminTest)() = SystemAdminTest;

ByteString CharsLeftText(uint32_t messageBytes) {
    return "Characters Left: "_t + NumberToText(int64_t{MessageLimit} - messageBytes);
}

void LoadNotice() {
    ByteString caption = ReadRegistryString(PolicyKeyPath, "legalnoticecaption"_t);
    ByteString message = ReadRegistryString(PolicyKeyPath, "legalnoticetext"_t);
    SetControlText(EditorControl(IDC_CAPTION_EDIT), caption);
    SetControlText(EditorControl(IDC_MESSAGE_EDIT), message);
    SetControlText(EditorControl(IDC_CHARS_LEFT), CharsLeftText(message.Length()));
}

void SaveNotice() {
    if (SaveAdminTest() != TRUE) {
        ShowMessageBox(
            "You need to run this program from an account with Administrator privleges in order to save."_t,
            MB_TASKMODAL, AppState.appTitle);
        return;
    }
    ByteString caption = GetControlText(EditorControl(IDC_CAPTION_EDIT));
    ByteString message = GetControlText(EditorControl(IDC_MESSAGE_EDIT));
    // The log records what this save tries to store, whatever the registry makes of it.
    WriteSaveLog(caption, message);
    LONG captionResult = WriteRegistryString(PolicyKeyPath, "legalnoticecaption"_t, caption);
    LONG messageResult = WriteRegistryString(PolicyKeyPath, "legalnoticetext"_t, message);
    if (captionResult == ERROR_SUCCESS && messageResult == ERROR_SUCCESS) return;

    ByteString text = "Cannot save. The logon notice could not be written to the registry."_t;
    if (captionResult != ERROR_SUCCESS) {
        text = static_cast<ByteString&&>(text) + FailureLine("legalnoticecaption"_t, captionResult);
    }
    if (messageResult != ERROR_SUCCESS) {
        text = static_cast<ByteString&&>(text) + FailureLine("legalnoticetext"_t, messageResult);
    }
    ShowMessageBox(static_cast<ByteString&&>(text), MB_TASKMODAL | MB_ICONERROR, TitleText());
}
