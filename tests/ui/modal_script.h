// Runs a dialog modally with a test's lambda as its callback, and a safety timer that ends
// a dialog the test failed to end.
#pragma once

#include <windows.h>

#include <functional>

#include "ui/dialog.h"

using Script = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

inline Script& CurrentScript() {
    static Script script;
    return script;
}

constexpr UINT_PTR kSafetyTimer = 0x5AFE;
constexpr int32_t kTimedOut = -777;

inline LRESULT CALLBACK ScriptCallback(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetTimer(dialog, kSafetyTimer, 5000, nullptr);
    if (message == WM_TIMER && wParam == kSafetyTimer) {
        KillTimer(dialog, kSafetyTimer);
        EndModal(dialog, kTimedOut);
        return 1;
    }
    return CurrentScript() ? CurrentScript()(dialog, message, wParam, lParam) : 0;
}

// The result ShowModal stored, starting from `initial`.
inline int32_t RunScript(HWND dialog, Script script, int32_t initial = 99) {
    CurrentScript() = std::move(script);
    int32_t result = initial;
    ShowModal(dialog, ScriptCallback, result);
    CurrentScript() = nullptr;
    return result;
}

// Asks the dialog to close the way the system menu would.
inline void PostClose(HWND dialog) {
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

inline ByteString T(const char* s) {
    return ByteString::FromBytes(s, static_cast<uint32_t>(strlen(s)));
}
