// Loading the notice into the editor and saving it back: the edits and the boxes; the values,
// the rules over them and the log are the store's.
#include "app/notice.h"

#include <shlobj.h>

#include "app/editor_state.h"
#include "persist/notice_store.h"
#include "persist/save_log.h"
#include "runtime/app_state.h"
#include "ui/controls.h"
#include "ui/message_box.h"

constinit StoredNotice* ShownNotice = nullptr;

namespace {

// Per value, the Group Policy objects the start box names one by one.
constexpr uint32_t kMostObjectLines = 5;

BOOL WINAPI SystemAdminTest() {
    return IsUserAnAdmin();
}

// The names of the values the test picks from the two notices, joined by ", ".
ByteString Names(const StoredNotice& notice, const StoredNotice& other,
                 bool (*pick)(const NoticeValue& value, const NoticeValue& other)) {
    ByteString names;
    for (int i = 0; i < kNoticeValues; ++i) {
        if (!pick(notice.values[i], other.values[i])) continue;
        TextRef name = notice.values[i].name;
        names = names.Empty() ? ByteString(name) : Move(names) + ", "_t + name;
    }
    return names;
}

bool AnyUnreadable(const StoredNotice& notice) {
    for (const NoticeValue& value : notice.values) {
        if (NeedsConsent(value.stored)) return true;
    }
    return false;
}

bool AnySetByPolicy(const StoredNotice& notice) {
    for (const NoticeValue& value : notice.values) {
        if (SetByPolicy(value.policy)) return true;
    }
    return false;
}

// Who else defines the notice: per value a line that says so, then the objects by name, a
// line each and no more lines than keep the box on the screen, then how many more; and device
// management. A name is a line of its own, which the box never breaks: the value's own lines
// would leave no room for one.
WideString PolicyLines(const StoredNotice& notice) {
    WideString text = ToWide(
        "The logon notice on this computer is also set by policy, which replaces a local save when it is applied again:"_t);
    bool groupPolicy = false;
    for (const NoticeValue& value : notice.values) {
        const NameList& names = value.policy.groupPolicy;
        uint32_t count = names.Count(), shown = 0;
        if (count > 0) {
            text = Move(text) + "\r\n"_t + value.name +
                   (count == 1 ? ": Group Policy object"_t : ": Group Policy objects"_t);
        }
        for (NameRef name : names) {
            if (shown++ == kMostObjectLines) break;
            text = Move(text) + "\r\n"_t + QuotedBoxLine(name.units, name.count);
        }
        if (count > kMostObjectLines) {
            uint32_t more = count - kMostObjectLines;
            text = Move(text) + "\r\nand "_t + TrimLeading(NumberToText(more)) +
                   (more == 1 ? " more Group Policy object"_t : " more Group Policy objects"_t);
        }
        groupPolicy = groupPolicy || count > 0;
        if (value.policy.deviceManagement) {
            text = Move(text) + "\r\n"_t + value.name + ": device management (MDM)"_t;
        }
    }
    if (groupPolicy) {
        text = Move(text) +
               "\r\nGroup Policy applies it again at every restart and at least every 16 hours."_t;
    }
    return text;
}

// Asks with Yes and No, No the default; true for Yes.
bool AskYes(ByteString question) {
    return ShowMessageBox(Move(question), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_TASKMODAL,
                          TitleText()) == IDYES;
}

// The box that refuses a notice too long to be shown again; false when none is.
bool RefusedAsTooLong(const StoredNotice& toStore) {
    ByteString lines;
    for (const NoticeValue& value : toStore.values) {
        if (!TooLongToStore(value.stored)) continue;
        uint32_t length =
            StringValueText(value.stored.text.CStr(), value.stored.text.Units()).Units();
        lines =
            Move(lines) + "\r\n"_t + value.name + ":"_t + NumberToText(length) + " characters"_t;
    }
    if (lines.Empty()) return false;
    ShowMessageBox("Cannot save. Nothing was saved: a value longer than "_t +
                       TrimLeading(NumberToText(LongestRegistryText)) +
                       " characters would not be shown at the next start."_t + Move(lines),
                   MB_TASKMODAL | MB_ICONERROR, TitleText());
    return true;
}

// Says what a save could not write; a save that wrote everything says nothing.
void ReportSave(const StoredNotice& written, const NoticeSaveResult& result) {
    const TextRef cannotSave =
        "Cannot save. The logon notice could not be written to the registry."_t;
    WideString logLine;
    if (!result.logFailure.Empty()) {
        logLine = ToWide("\r\n"_t + SaveLogName + ": "_t) + result.logFailure;
    }
    WideString failures;
    for (int i = 0; i < kNoticeValues; ++i) {
        if (result.errors[i] == ERROR_SUCCESS) continue;
        failures = Move(failures) + "\r\n"_t + written.values[i].name + ": "_t +
                   SystemMessageText(static_cast<DWORD>(result.errors[i]));
    }
    WideString text;
    UINT icon = MB_ICONERROR;
    if (!result.lockFailure.Empty()) {
        text = ToWide(cannotSave + "\r\n"_t) + result.lockFailure;
    } else if (!failures.Empty()) {
        text = ToWide(cannotSave) + failures + logLine;
    } else if (!logLine.Empty()) {
        text = ToWide("The logon notice was saved, but the save log could not be written."_t) +
               logLine;
        icon = MB_ICONWARNING;
    } else {
        return;
    }
    ShowMessageBox(text, MB_TASKMODAL | icon, TitleText());
}

}  // namespace

BOOL(WINAPI* SaveAdminTest)() = SystemAdminTest;

ByteString CharsLeftText(uint32_t messageBytes) {
    return "Characters Left: "_t + NumberToText(int64_t{MessageLimit} - messageBytes);
}

void LoadNotice() {
    StoredNotice& shown = *ShownNotice;
    shown = ReadStoredNotice();
    const WideString& message = shown.Message().stored.text;
    SetControlTextW(EditorControl(IDC_CAPTION_EDIT), shown.Caption().stored.text);
    SetControlTextW(EditorControl(IDC_MESSAGE_EDIT), message);
    SetControlText(EditorControl(IDC_CHARS_LEFT), CharsLeftText(ToBytes(message).Length()));
    // Who else defines the notice is read once the editor is up: a domain computer may cache
    // hundreds of templates, and the values are there to see meanwhile.
    PostMessageW(EditorDialog, WM_APP_LOAD_FINDINGS, 0, 0);
}

void ShowLoadFindings() {
    StoredNotice& shown = *ShownNotice;
    ReadPolicySources(shown);
    if (!AnyUnreadable(shown) && !AnySetByPolicy(shown)) return;
    WideString text;
    if (AnyUnreadable(shown)) {
        text = ToWide("Some of the stored logon notice could not be shown:"_t);
        for (const NoticeValue& value : shown.values) {
            if (!NeedsConsent(value.stored)) continue;
            text = Move(text) + "\r\n"_t + value.name + ": "_t + value.stored.reason;
        }
    }
    if (AnySetByPolicy(shown)) {
        if (!text.Empty()) text = Move(text) + "\r\n\r\n"_t;
        text = Move(text) + PolicyLines(shown);
    }
    ShowMessageBox(text, MB_TASKMODAL | MB_ICONWARNING, TitleText());
}

void SaveNotice() {
    if (SaveAdminTest() != TRUE) {
        ShowMessageBox(
            "You need to run this program from an account with Administrator privleges in order to save."_t,
            MB_TASKMODAL, AppState.appTitle);
        return;
    }
    StoredNotice& shown = *ShownNotice;
    StoredNotice toStore = NoticeToStore(shown, GetControlTextW(EditorControl(IDC_CAPTION_EDIT)),
                                         GetControlTextW(EditorControl(IDC_MESSAGE_EDIT)));
    if (RefusedAsTooLong(toStore)) return;
    if (AnyUnreadable(shown)) {
        ByteString names = Names(shown, shown, [](const NoticeValue& value, const NoticeValue&) {
            return NeedsConsent(value.stored);
        });
        if (!AskYes("Saving replaces stored values that could not be shown: "_t + names)) return;
    }
    StoredNotice expected = shown;
    for (;;) {
        NoticeSaveResult result = SaveStoredNotice(toStore, expected);
        if (!result.changed) {
            FoldSave(shown, toStore, result);
            ReportSave(toStore, result);
            return;
        }
        // Another program wrote since the editor loaded or saved: replace it only when told.
        ByteString names =
            Names(expected, result.current, [](const NoticeValue& shown, const NoticeValue& now) {
                return Differs(shown.stored, now.stored);
            });
        if (!AskYes(
                "The stored logon notice was changed by another program after it was shown: "_t +
                names + "\r\n\r\nReplace it with what is shown here?"_t)) {
            return;
        }
        expected = Move(result.current);
    }
}
