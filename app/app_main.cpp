#include "app/app_main.h"

#include <commctrl.h>

#include "app/editor.h"
#include "version.h"
#include "runtime/app_state.h"
#include "ui/message_box.h"

namespace {

constexpr DWORD kEditorClasses = ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES |
                                 ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS |
                                 ICC_HOTKEY_CLASS | ICC_ANIMATE_CLASS | ICC_DATE_CLASSES |
                                 ICC_INTERNET_CLASSES;
static_assert(kEditorClasses == 0x9FF);

using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

// Start-up already registered the classes it needs; the editor asks once more, by name and
// through the library it loads itself, for the wider set it could use, so that it does not
// depend on what start-up chose.
void InitCommonControlsOnce() {
    HMODULE library = LoadLibraryA("COMCTL32.DLL");
    if (!library) return;
    auto init = reinterpret_cast<InitCommonControlsExFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")));
    if (init) {
        // Every class the editor could want, but not the extended combo box or the rebar.
        INITCOMMONCONTROLSEX request{sizeof(request), kEditorClasses};
        init(&request);
    } else {
        InitCommonControls();
    }
    FreeLibrary(library);
}

void AdminWarning() {
    ShowMessageBox(
        "This program must be started with \"Run as Administrator\" in order to save your edits. As presently run, you can only view the logon message."_t,
        MB_TASKMODAL, TitleText());
}

}  // namespace

int32_t AppMain(HINSTANCE, HINSTANCE, const wchar_t*, int) {
    InitCommonControlsOnce();
    AppState.appTitle = QUILLMARK_NAME ""_t;
    AppState.appVersion = QUILLMARK_VERSION_SHOWN ""_t;
    if (IsAdministrator() == 0) AdminWarning();
    ShowEditor(nullptr);
    return 0;
}

int32_t IsAdministrator() {
    int32_t result = 0;
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
        return 0;
    }
    BOOL member = FALSE;
    if (CheckTokenMembership(nullptr, administrators, &member)) result = member ? 1 : 0;
    FreeSid(administrators);
    return result;
}
