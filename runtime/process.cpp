// Process start-up and shutdown, the thread blocks and the runtime error slot.
#include "runtime/process.h"

#include <commctrl.h>
#include <objbase.h>

#include "runtime/app_state.h"
#include "runtime/file_output.h"

RuntimeState Runtime;

namespace {

constexpr uint16_t kFloatControlWord = 0x133F;

[[noreturn]] void FailStartup() {
    ExitProcess(255);
}

ThreadBlock* NewThreadBlock() {
    return static_cast<ThreadBlock*>(GlobalAlloc(GPTR, sizeof(ThreadBlock)));
}

}  // namespace

uint16_t ReadFloatControlWord() {
    uint16_t word = 0;
#if defined(_MSC_VER)
    __asm fnstcw word
#else
    __asm__ __volatile__("fnstcw %0" : "=m"(word));
#endif
        return word;
}

void WriteFloatControlWord(uint16_t word) {
#if defined(_MSC_VER)
    __asm fldcw word
#else
    __asm__ __volatile__("fldcw %0" : : "m"(word));
#endif
}

void LoadFloatControlWord() {
    WriteFloatControlWord(kFloatControlWord);
}

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
    if (number >= 241) ExitProcess(255);
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
    GetVersionExA(&Runtime.version);
    if (Runtime.version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
        MessageBoxA(nullptr, "Win98 No Support", nullptr, MB_TASKMODAL | MB_SETFOREGROUND);
        ExitProcess(255);
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    Runtime.showCommand =
        (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    Runtime.commandTail = CommandLineTail(GetCommandLineW());

    if (!StartRuntime()) FailStartup();

    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), 0x706F};
    InitCommonControlsEx(&controls);

    ClearAppState();
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
    CoUninitialize();
    ExitProcess(static_cast<UINT>(exitCode));
}
