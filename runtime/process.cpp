// Process start-up and shutdown, the thread blocks and the runtime error slot.
#include "runtime/process.h"

#include <commctrl.h>
#include <objbase.h>

#include "runtime/app_state.h"
#include "runtime/file_output.h"
#include "runtime/float_control.h"

constinit RuntimeState Runtime{};

namespace {

[[noreturn]] void FailStartup() {
    ExitProcess(kFailureExitCode);
}

ThreadBlock* NewThreadBlock() {
    return static_cast<ThreadBlock*>(GlobalAlloc(GPTR, sizeof(ThreadBlock)));
}

constexpr DWORD kCommonControlClasses = ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES |
                                        ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS |
                                        ICC_HOTKEY_CLASS | ICC_PAGESCROLLER_CLASS |
                                        ICC_NATIVEFNTCTL_CLASS | ICC_STANDARD_CLASSES;

// Whether CoInitialize succeeded, so that shutdown pairs it.
constinit bool ComInitialised = false;

}  // namespace

const wchar_t* CommandLineTail(const wchar_t* line) {
    if (!line) return L"";
    if (*line == L'"') {
        ++line;
        while (*line && *line != L'"') ++line;
        if (*line == L'"') ++line;
    } else {
        while (*line > L' ') ++line;
    }
    while (*line == L' ') ++line;
    return line;
}

bool StartRuntime() {
    Runtime.module = GetModuleHandleW(nullptr);
    Runtime.tlsIndex = TlsAlloc();
    if (Runtime.tlsIndex == TLS_OUT_OF_INDEXES) return false;
    ThreadBlock* block = NewThreadBlock();
    if (!block) return false;
    block->dialogFont = 1;
    block->codePage = CP_ACP;
    TlsSetValue(Runtime.tlsIndex, block);
    Runtime.mainThread = block;
    Runtime.threadBlocks = 1;
    return true;
}

ThreadBlock* CurrentThreadBlock() {
    // A program that never started the runtime (a test of one layer) gets it here.
    if (!Runtime.mainThread && !StartRuntime()) FailStartup();
    auto* block = static_cast<ThreadBlock*>(TlsGetValue(Runtime.tlsIndex));
    if (block) return block;
    block = NewThreadBlock();
    if (!block) FailStartup();
    block->dialogFont = Runtime.mainThread->dialogFont;
    block->codePage = Runtime.mainThread->codePage;
    TlsSetValue(Runtime.tlsIndex, block);
    InterlockedIncrement(&Runtime.threadBlocks);
    return block;
}

void RaiseRuntimeError(int32_t number, uint32_t windowsError) {
    if (number >= FatalInternalError) ExitProcess(kFailureExitCode);
    ThreadBlock* block = CurrentThreadBlock();
    block->errorNumber = number;
    block->windowsError = windowsError;
}

int32_t LastRuntimeError() {
    return CurrentThreadBlock()->errorNumber;
}

uint32_t LastRuntimeWindowsError() {
    return CurrentThreadBlock()->windowsError;
}

void ClearRuntimeError() {
    ThreadBlock* block = CurrentThreadBlock();
    block->errorNumber = 0;
    block->windowsError = 0;
}

void RunProgram(MainRoutine main, void (*startLayers)()) {
    Runtime = RuntimeState{};

    Runtime.version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    // Deprecated, but it is the platform test: the other version calls do not tell the
    // platform apart.
#if defined(_MSC_VER) && !defined(__clang__)
#pragma warning(push)
#pragma warning(disable : 4996)
#else
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    GetVersionExA(&Runtime.version);
#if defined(_MSC_VER) && !defined(__clang__)
#pragma warning(pop)
#else
#pragma GCC diagnostic pop
#endif
    if (Runtime.version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
        MessageBoxA(nullptr, "Win98 No Support", nullptr, MB_TASKMODAL | MB_SETFOREGROUND);
        ExitProcess(kFailureExitCode);
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    Runtime.showCommand =
        (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    Runtime.commandTail = CommandLineTail(GetCommandLineW());

    if (!StartRuntime()) FailStartup();

    ComInitialised = SUCCEEDED(CoInitialize(nullptr));
    INITCOMMONCONTROLSEX controls{sizeof(controls), kCommonControlClasses};
    InitCommonControlsEx(&controls);

    ReleaseAppState();
    ClearOpenFileTable();
    LoadFloatControlWord();
    if (startLayers) startLayers();

    EndProgram(main(Runtime.module, nullptr, Runtime.commandTail, Runtime.showCommand));
}

void EndProgram(int32_t exitCode) {
    ReleaseAppState();
    if (Runtime.mainThread) {
        TlsSetValue(Runtime.tlsIndex, nullptr);
        GlobalFree(Runtime.mainThread);
        Runtime.mainThread = nullptr;
        TlsFree(Runtime.tlsIndex);
    }
    // Only a successful CoInitialize (S_OK or S_FALSE) is paired with CoUninitialize.
    if (ComInitialised) CoUninitialize();
    ExitProcess(static_cast<UINT>(exitCode));
}
