#include "runtime/app_state.h"

constinit AppStateRecord AppState{};

ByteString TitleText() {
    return AppState.appTitle + " v"_t + AppState.appVersion;
}

void ReleaseAppState() {
    AppState = AppStateRecord{};
}
