#include "runtime/app_state.h"

// The program starts without the C runtime, so no destructor of this is ever registered;
// shutdown releases its texts explicitly.
AppStateRecord AppState;

ByteString TitleText() {
    return AppState.appTitle + " v"_t + AppState.appVersion;
}

void ReleaseAppState() {
    AppState.appTitle.Free();
    AppState.appVersion.Free();
}
