// Loading the notice into the editor and saving it back: the edits and the boxes; the values
// and the log themselves are the store's.
#include "app/notice.h"

#include <shlobj.h>

#include <utility>

#include "app/editor_state.h"
#include "persist/notice_store.h"
#include "persist/save_log.h"
#include "runtime/app_state.h"
#include "ui/controls.h"
#include "ui/message_box.h"

namespace {

// What the load found of one value: the type a save writes back, and why it could not be
// shown. A value that could not be shown is not replaced without a question.
struct LoadedValue {
    TextRef name;
    DWORD type;
    bool unreadable;
    ByteString reason;
};

constinit LoadedValue Loaded[] = {
    {CaptionValueName, REG_SZ, false, ByteString()},
    {MessageValueName, REG_SZ, false, ByteString()},
};

BOOL WINAPI SystemAdminTest() {
    return IsUserAnAdmin();
}

void Remember(LoadedValue& loaded, RegistryText& stored) {
    loaded.type = stored.type;
    loaded.unreadable = stored.state == ValueState::Unreadable;
    loaded.reason = std::move(stored.reason);
}

bool AnyUnreadable() {
    for (const LoadedValue& loaded : Loaded) {
        if (loaded.unreadable) return true;
    }
    return false;
}

// CR LF, the value name, ": " and the system's message for the error.
ByteString FailureLine(TextRef valueName, LONG error) {
    return "\r\n"_t + valueName + ": "_t + SystemMessageText(static_cast<DWORD>(error));
}

// Says what a save could not write; a save that wrote everything says nothing.
void ReportSave(const NoticeSaveResult& result) {
    const TextRef cannotSave =
        "Cannot save. The logon notice could not be written to the registry."_t;
    ByteString logLine;
    if (!result.logFailure.Empty()) logLine = "\r\n"_t + SaveLogName + ": "_t + result.logFailure;
    ByteString text;
    UINT icon = MB_ICONERROR;
    if (!result.lockFailure.Empty()) {
        text = cannotSave + "\r\n"_t + result.lockFailure;
    } else if (result.caption != ERROR_SUCCESS || result.message != ERROR_SUCCESS) {
        text = cannotSave;
        if (result.caption != ERROR_SUCCESS) {
            text = std::move(text) + FailureLine(CaptionValueName, result.caption);
        }
        if (result.message != ERROR_SUCCESS) {
            text = std::move(text) + FailureLine(MessageValueName, result.message);
        }
        text = std::move(text) + logLine;
    } else if (!logLine.Empty()) {
        text = "The logon notice was saved, but the save log could not be written."_t + logLine;
        icon = MB_ICONWARNING;
    } else {
        return;
    }
    ShowMessageBox(std::move(text), MB_TASKMODAL | icon, TitleText());
}

}  // namespace

BOOL(WINAPI* SaveAdminTest)() = SystemAdminTest;

ByteString CharsLeftText(uint32_t messageBytes) {
    return "Characters Left: "_t + NumberToText(int64_t{MessageLimit} - messageBytes);
}

void LoadNotice() {
    StoredNotice stored = ReadStoredNotice();
    Remember(Loaded[0], stored.caption);
    Remember(Loaded[1], stored.message);
    SetControlTextW(EditorControl(IDC_CAPTION_EDIT), stored.caption.text);
    SetControlTextW(EditorControl(IDC_MESSAGE_EDIT), stored.message.text);
    SetControlText(EditorControl(IDC_CHARS_LEFT),
                   CharsLeftText(ToBytes(stored.message.text).Length()));
    if (AnyUnreadable()) PostMessageW(EditorDialog, WM_APP_UNREADABLE_NOTICE, 0, 0);
}

void ShowUnreadableNotice() {
    ByteString text = "Some of the stored logon notice could not be shown:"_t;
    for (const LoadedValue& loaded : Loaded) {
        if (!loaded.unreadable) continue;
        text = std::move(text) + "\r\n"_t + loaded.name + ": "_t + loaded.reason;
    }
    ShowMessageBox(std::move(text), MB_TASKMODAL | MB_ICONWARNING, TitleText());
}

void SaveNotice() {
    if (SaveAdminTest() != TRUE) {
        ShowMessageBox(
            "You need to run this program from an account with Administrator privleges in order to save."_t,
            MB_TASKMODAL, AppState.appTitle);
        return;
    }
    if (AnyUnreadable()) {
        ByteString names;
        for (const LoadedValue& loaded : Loaded) {
            if (!loaded.unreadable) continue;
            names =
                names.Empty() ? ByteString(loaded.name) : std::move(names) + ", "_t + loaded.name;
        }
        int32_t answer =
            ShowMessageBox("Saving replaces stored values that could not be shown: "_t + names,
                           MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_TASKMODAL, TitleText());
        if (answer != IDYES) return;
    }
    WideString caption = GetControlTextW(EditorControl(IDC_CAPTION_EDIT));
    WideString message = GetControlTextW(EditorControl(IDC_MESSAGE_EDIT));
    NoticeSaveResult result = SaveStoredNotice(caption, Loaded[0].type, message, Loaded[1].type);
    if (result.lockFailure.Empty()) {
        // A value written now holds what the editor shows.
        if (result.caption == ERROR_SUCCESS) Loaded[0].unreadable = false;
        if (result.message == ERROR_SUCCESS) Loaded[1].unreadable = false;
    }
    ReportSave(result);
}
