#include "runtime/app_state.h"

AppStateRecord AppState;

ByteString TitleText() {
    return AppState.appTitle + " v"_t + AppState.appVersion;
}

void ClearAppState() {
    ReleaseAppState();
    AppState.editorDialog = nullptr;
    AppState.savedFocus = nullptr;
}

void ReleaseAppState() {
    AppState.appTitle.Free();
    AppState.appVersion.Free();
}
