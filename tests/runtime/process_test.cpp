// Start-up pieces: the command-line tail, thread blocks, and the fatal runtime error path.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "runtime/errors.h"
#include "runtime/float_control.h"
#include "runtime/process.h"

namespace {

TEST(CommandLineTail, SkipsTheProgramNameAndTheSpacesAfterIt) {
    struct Row {
        const wchar_t* line;
        const wchar_t* tail;
    } rows[] = {
        {L"\"C:\\Program Files\\Quillmark.exe\" /a  b", L"/a  b"},
        {L"\"C:\\Program Files\\Quillmark.exe\"", L""},
        {L"\"C:\\Program Files\\Quillmark.exe\"x y", L"x y"},  // no space needed after the quote
        {L"Quillmark.exe   arg", L"arg"},
        {L"Quillmark.exe", L""},
        {L"Quillmark.exe\targ", L"\targ"},  // a tab ends the name but is not skipped after it
        {L"\"unterminated name", L""},      // never runs past the end
        {L"", L""},
    };
    for (const Row& row : rows) EXPECT_STREQ(row.tail, CommandLineTail(row.line)) << row.line;
}

struct Seen {
    ThreadBlock* block;
    int32_t font;
    UINT codePage;
};

DWORD WINAPI LookFromAnotherThread(void* p) {
    auto* s = static_cast<Seen*>(p);
    s->block = CurrentThreadBlock();
    s->font = s->block->dialogFont;
    s->codePage = s->block->codePage;
    RaiseRuntimeError(52);  // recorded for that thread only
    return 0;
}

TEST(ThreadBlock, AnotherThreadGetsTheMainThreadsSettings) {
    ThreadBlock* main = CurrentThreadBlock();
    EXPECT_EQ(1, main->dialogFont);
    EXPECT_EQ(0u, main->codePage);
    ClearRuntimeError();
    Seen seen{};
    HANDLE thread = CreateThread(nullptr, 0, LookFromAnotherThread, &seen, 0, nullptr);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    EXPECT_NE(main, seen.block);
    EXPECT_EQ(1, seen.font);
    EXPECT_EQ(0u, seen.codePage);
    ClearRuntimeError();
    EXPECT_EQ(0, LastRuntimeError());
}

// Runs this test program again with a switch that raises the given error number.
DWORD RunChildRaising(int number) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\" --raise=" + std::to_wstring(number);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return 0xFFFFFFFF;
    }
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

TEST(RuntimeError, FatalNumbersEndTheProcessWith255AndOthersGoOn) {
    EXPECT_EQ(255u, RunChildRaising(241));
    EXPECT_EQ(255u, RunChildRaising(300));
    EXPECT_EQ(7u, RunChildRaising(7));  // the child carries on and reports what it recorded
}

// x86 loads the x87 word 0x133F; x64 code uses SSE and loads MXCSR 0x1F80 (all exceptions
// masked, round to nearest). Rounding toward zero first makes the load visible.
TEST(FloatControl, StartUpWordOfTheArchitecture) {
    const bool x86 = sizeof(void*) == 4;
    const uint16_t towardZero = x86 ? 0x0E7F : 0x7F80;
    const uint16_t saved = ReadFloatControlWord();
    WriteFloatControlWord(towardZero);
    EXPECT_EQ(towardZero, ReadFloatControlWord());
    LoadFloatControlWord();
    // The x87 reads its reserved bit 6 back as 1.
    EXPECT_EQ(x86 ? 0x133F | 0x40 : 0x1F80, ReadFloatControlWord());
    WriteFloatControlWord(saved);
}

}  // namespace

// The child side of the fatal-error test, run before GoogleTest takes over.
struct ChildSwitch {
    ChildSwitch() {
        const wchar_t* line = GetCommandLineW();
        const wchar_t* arg = wcsstr(line, L"--raise=");
        if (!arg) return;
        StartRuntime();
        RaiseRuntimeError(_wtoi(arg + 8));
        ExitProcess(static_cast<UINT>(LastRuntimeError()));
    }
} childSwitch;
