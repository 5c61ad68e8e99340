#include "app/app_main.h"

#include <commctrl.h>

#include "app/editor.h"
#include "runtime/app_state.h"
#include "ui/message_box.h"

namespace {

using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

void InitCommonControlsOnce() {
    HMODULE library = LoadLibraryA("COMCTL32.DLL");
    if (!library) return;
    auto init = reinterpret_cast<InitCommonControlsExFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")));
    if (init) {
        // Every class the editor could want, but not the extended combo box or the rebar.
        INITCOMMONCONTROLSEX request{sizeof(request), 0x9FF};
        init(&request);
    } else {
        InitCommonControls();
    }
    FreeLibrary(library);
}

void AdminWarning() {
    ShowMessageBox("This program must be started with "_t + CharCodeToText(34) +
                       "Run as Administrator"_t + CharCodeToText(34) +
                       " in order to save your edits. As presently run, you can only view the "
                       "logon message."_t,
                   MB_TASKMODAL, TitleText());
}

}  // namespace

int32_t AppMain(HINSTANCE, HINSTANCE, const wchar_t*, int) {
    InitCommonControlsOnce();
    AppState.appTitle = "Quillmark"_t;
    AppState.appVersion = "1.1"_t;
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
