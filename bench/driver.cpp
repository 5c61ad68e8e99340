// The bench's Windows side: starts an editor program, waits until its window answers, and
// times what the program does for the messages sent to it. One line per sample on stdout:
//   <measure> <program> <milliseconds>
// and "fail <measure> <program> <what>" for every check that did not hold.
//
//   driver keep SECONDS                  stay, so that the world's desktop stays up between runs
//   driver start N EXE...                N launches of each EXE, interleaved
//   driver load MEASURE LENGTH N EXE...  the same, samples named MEASURE; once ready, the
//                                        message box must hold LENGTH characters
//   driver hold SECONDS EXE              start EXE, print "ready", keep it open, close it
//   driver keys N EXE...                 keystrokes into a full message box
//   driver save N DIR EXE [EXE2]         Save presses, started in DIR (where the log goes);
//                                        EXE2 (the floor) times a click that saves nothing
//   driver templates N EXE               N launches with the cached Group Policy templates
//                                        in %windir%\security\templates\policies.bench, each
//                                        followed by one without ("with", "without"); besides
//                                        ready, "idle": until the editor has done its posted work
#include <windows.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "version.h"

namespace {

constexpr int kSave = 1003, kCancel = 1004, kCaptionEdit = 1005, kMessageEdit = 1008,
              kCharsLeft = 1025;
constexpr int kLimit = 2047;
const wchar_t kTitle[] = L"" QUILLMARK_TITLE;
const char kPolicyKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

double TicksPerMs;

double NowMs() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / TicksPerMs;
}

struct Program {
    const wchar_t* exe;
    char label[64];
    PROCESS_INFORMATION process;
    HWND dialog;
};

void LabelOf(Program& p) {
    const wchar_t* name = wcsrchr(p.exe, L'\\');
    name = name ? name + 1 : p.exe;
    int n = 0;
    while (name[n] && name[n] != L'.' && n < 63) {
        p.label[n] = static_cast<char>(name[n]);
        ++n;
    }
    p.label[n] = 0;
}

// The editor window of this process, visible, once it answers; null while it does not.
HWND ReadyWindow(DWORD processId) {
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", kTitle)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner != processId || !IsWindowVisible(w)) continue;
        DWORD_PTR answer;
        if (SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer)) return w;
    }
    return nullptr;
}

// Starts the program and waits for its window; the milliseconds from creation to ready, or
// a negative number when it never got there.
double Launch(Program& p, const wchar_t* directory) {
    wchar_t commandLine[MAX_PATH + 3];
    swprintf(commandLine, MAX_PATH + 3, L"\"%ls\"", p.exe);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    double t0 = NowMs();
    if (!CreateProcessW(p.exe, commandLine, nullptr, nullptr, FALSE, 0, nullptr, directory,
                        &startup, &p.process)) {
        printf("fail start %s CreateProcess error %lu\n", p.label, GetLastError());
        return -1;
    }
    for (;;) {
        p.dialog = ReadyWindow(p.process.dwProcessId);
        double t = NowMs() - t0;
        if (p.dialog) return t;
        if (t > 20000 || WaitForSingleObject(p.process.hProcess, 0) == WAIT_OBJECT_0) {
            printf("fail start %s no window after %.0f ms\n", p.label, t);
            TerminateProcess(p.process.hProcess, 1);
            return -1;
        }
        Sleep(1);
    }
}

// Cancel ends both programs at once; a program that hangs is ended by force.
void Close(Program& p) {
    if (p.dialog) {
        PostMessageW(p.dialog, WM_COMMAND, MAKEWPARAM(kCancel, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(p.dialog, kCancel)));
    }
    if (WaitForSingleObject(p.process.hProcess, 10000) != WAIT_OBJECT_0) {
        printf("fail close %s still running, terminated\n", p.label);
        TerminateProcess(p.process.hProcess, 1);
        WaitForSingleObject(p.process.hProcess, 5000);
    }
    CloseHandle(p.process.hThread);
    CloseHandle(p.process.hProcess);
    p.dialog = nullptr;
}

void Sample(const char* measure, const Program& p, double ms) {
    printf("%s %s %.4f\n", measure, p.label, ms);
}

// Words that wrap in the message box like a real notice.
void FillText(wchar_t* text, int length, int seed) {
    static const wchar_t kWords[] =
        L"This computer system is for authorised use only. Activity may be monitored and "
        L"recorded. Anyone using it consents to such monitoring. ";
    int n = static_cast<int>(wcslen(kWords));
    for (int i = 0; i < length; ++i) text[i] = kWords[(i + seed) % n];
    text[length] = 0;
}

// Lets the program repaint before the next sample, so that no program's painting falls into
// another's timing: RDW_UPDATENOW sends the pending WM_PAINTs and waits for them.
void Settle(const Program& p) {
    RedrawWindow(p.dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    DWORD_PTR answer;
    SendMessageTimeoutW(p.dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
}

bool LabelShows(HWND dialog, int left) {
    wchar_t expected[64], shown[64];
    swprintf(expected, 64, L"Characters Left: %lc%d", left < 0 ? L'-' : L' ', abs(left));
    GetWindowTextW(GetDlgItem(dialog, kCharsLeft), shown, 64);
    return wcscmp(expected, shown) == 0;
}

// `length` is the message length each ready program must show; negative: not checked.
int Start(const char* measure, int length, int launches, int count, wchar_t** exes) {
    Program programs[8] = {};
    if (count > 8) count = 8;
    for (int i = 0; i < count; ++i) {
        programs[i].exe = exes[i];
        LabelOf(programs[i]);
    }
    int failures = 0;
    for (int round = 0; round < launches; ++round) {
        for (int i = 0; i < count; ++i) {
            double ms = Launch(programs[i], nullptr);
            if (ms < 0) {
                ++failures;
                continue;
            }
            Sample(measure, programs[i], ms);
            if (length >= 0) {
                DWORD_PTR shown = 0;
                SendMessageTimeoutW(GetDlgItem(programs[i].dialog, kMessageEdit), WM_GETTEXTLENGTH,
                                    0, 0, SMTO_ABORTIFHUNG, 5000, &shown);
                if (shown != static_cast<DWORD_PTR>(length)) {
                    ++failures;
                    printf("fail %s %s message shows %d characters, not %d\n", measure,
                           programs[i].label, static_cast<int>(shown), length);
                }
            }
            Close(programs[i]);
        }
    }
    return failures ? 1 : 0;
}

int Hold(int seconds, wchar_t* exe) {
    Program p{};
    p.exe = exe;
    LabelOf(p);
    double ms = Launch(p, nullptr);
    if (ms < 0) return 1;
    printf("ready %s %lu\n", p.label, p.process.dwProcessId);
    fflush(stdout);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    Close(p);
    printf("closed %s\n", p.label);
    return 0;
}

// Keystrokes and the rest are taken in blocks, one program alive at a time (a polling
// program would slow the wineserver for the other), the programs taking turns block by block
// so that a change in the machine's load falls on both alike.
constexpr int kBlocks = 4;

uint32_t Seed = 12345;

// Waits 0 to 2 ms, so that a message arrives at no set phase of a polling loop, as a key does.
void RandomPause() {
    Seed = Seed * 1664525 + 1013904223;
    double until = NowMs() + (Seed >> 8) % 2000 / 1000.0;
    while (NowMs() < until) {
    }
}

int KeyBlock(Program& p, int count) {
    static wchar_t full[kLimit + 1], shorter[kLimit + 1];
    FillText(full, kLimit, 0);
    FillText(shorter, kLimit - 1, 0);
    if (Launch(p, nullptr) < 0) return 1;
    HWND edit = GetDlgItem(p.dialog, kMessageEdit);
    int failures = 0;
    // A multi-line box sends no EN_CHANGE for WM_SETTEXT.
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shorter));
    if (!LabelShows(p.dialog, 1))
        printf("note settext %s count not updated by WM_SETTEXT\n", p.label);
    SendMessageW(edit, EM_SETSEL, kLimit - 1, kLimit - 1);
    Settle(p);

    // What a message costs that the program does nothing with.
    for (int i = 0; i < count; ++i) {
        RandomPause();
        double t0 = NowMs();
        SendMessageW(p.dialog, WM_NULL, 0, 0);
        Sample("roundtrip", p, NowMs() - t0);
    }

    // Typing one character at the end of the message and rubbing it out again.
    for (int i = 0; i < count; ++i) {
        bool typing = i % 2 == 0;
        RandomPause();
        double t0 = NowMs();
        SendMessageW(edit, WM_CHAR, typing ? L'x' : VK_BACK, 1);
        Sample("keystroke", p, NowMs() - t0);
        Settle(p);
        if (!LabelShows(p.dialog, typing ? 0 : 1)) {
            ++failures;
            printf("fail keystroke %s count wrong after %s %d\n", p.label,
                   typing ? "typing" : "backspace", i);
        }
    }

    // The whole message replaced at once, as by a paste over everything.
    for (int i = 0; i < count; ++i) {
        bool toFull = i % 2 == 0;
        SendMessageW(edit, EM_SETSEL, 0, -1);
        RandomPause();
        double t0 = NowMs();
        SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(toFull ? full : shorter));
        Sample("replace", p, NowMs() - t0);
        Settle(p);
        if (!LabelShows(p.dialog, toFull ? 0 : 1)) {
            ++failures;
            printf("fail replace %s count wrong after %d\n", p.label, i);
        }
    }
    Close(p);
    return failures;
}

int Keys(int count, int programCount, wchar_t** exes) {
    Program programs[8] = {};
    if (programCount > 8) programCount = 8;
    for (int k = 0; k < programCount; ++k) {
        programs[k].exe = exes[k];
        LabelOf(programs[k]);
    }
    int failures = 0;
    for (int block = 0; block < kBlocks; ++block) {
        for (int k = 0; k < programCount; ++k) {
            failures += KeyBlock(programs[k], (count + kBlocks - 1) / kBlocks);
        }
    }
    return failures ? 1 : 0;
}

// The stored value, or an empty text.
void ReadValue(const char* name, char* out, DWORD size) {
    out[0] = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        out[0] = 0;
    RegCloseKey(key);
}

bool LogHolds(const wchar_t* directory, const char* caption, const char* message) {
    wchar_t path[MAX_PATH];
    swprintf(path, MAX_PATH, L"%ls\\Tarnevo.log", directory);
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    static char log[8192];
    DWORD n = 0;
    ReadFile(file, log, sizeof(log) - 1, &n, nullptr);
    CloseHandle(file);
    log[n] = 0;
    int lines = 0;
    for (const char* p = log; (p = strstr(p, "\r\n")) != nullptr; p += 2) ++lines;
    const char* captionAt = strstr(log, caption);
    const char* messageAt = strstr(log, message);
    return lines == 3 && captionAt && messageAt && captionAt < messageAt &&
           strstr(log, "legalnoticecaption") && strstr(log, "legalnoticetext");
}

// Save presses, verified in the registry and the log. The editor comes first; a second
// program, whose Save does nothing (the floor), shows what the click alone costs.
int SaveBlock(Program& p, int count, const wchar_t* directory, bool verify) {
    if (Launch(p, directory) < 0) return 1;
    int failures = 0;
    static wchar_t message[2001];
    static char caption8[64], message8[2001], stored[4096];
    for (int i = 0; i < count; ++i) {
        wchar_t caption[64];
        swprintf(caption, 64, L"Bench caption %d", i);
        FillText(message, 2000, i);
        SetDlgItemTextW(p.dialog, kCaptionEdit, caption);
        SetDlgItemTextW(p.dialog, kMessageEdit, message);
        Settle(p);
        RandomPause();
        double t0 = NowMs();
        SendMessageW(GetDlgItem(p.dialog, kSave), BM_CLICK, 0, 0);
        Sample(verify ? "save" : "click", p, NowMs() - t0);
        Settle(p);
        if (!verify) continue;

        WideCharToMultiByte(CP_ACP, 0, caption, -1, caption8, sizeof(caption8), nullptr, nullptr);
        WideCharToMultiByte(CP_ACP, 0, message, -1, message8, sizeof(message8), nullptr, nullptr);
        ReadValue("legalnoticecaption", stored, sizeof(stored));
        bool ok = strcmp(stored, caption8) == 0;
        ReadValue("legalnoticetext", stored, sizeof(stored));
        ok = ok && strcmp(stored, message8) == 0;
        if (!ok) printf("fail save %s registry does not hold save %d\n", p.label, i);
        if (!LogHolds(directory, caption8, message8)) {
            ok = false;
            printf("fail save %s log does not hold save %d\n", p.label, i);
        }
        if (!ok) ++failures;
    }
    Close(p);
    return failures;
}

int Save(int count, wchar_t* directory, int programCount, wchar_t** exes) {
    Program programs[2] = {};
    if (programCount > 2) programCount = 2;
    for (int k = 0; k < programCount; ++k) {
        programs[k].exe = exes[k];
        LabelOf(programs[k]);
    }
    int failures = 0;
    for (int block = 0; block < kBlocks / 2; ++block) {
        for (int k = 0; k < programCount; ++k) {
            failures += SaveBlock(programs[k], (count + 1) / 2, directory, k == 0);
        }
    }
    return failures ? 1 : 0;
}

// The launches alternate: one with the cached templates the script left beside the folder
// Windows keeps them in, moved in for it, and one without any.
int Templates(int launches, wchar_t* exe) {
    wchar_t windows[MAX_PATH], cached[MAX_PATH], aside[MAX_PATH];
    GetSystemWindowsDirectoryW(windows, MAX_PATH);
    swprintf(cached, MAX_PATH, L"%ls\\security\\templates\\policies", windows);
    swprintf(aside, MAX_PATH, L"%ls.bench", cached);
    int failures = 0;
    for (int round = 0; round < 2 * launches; ++round) {
        bool with = round % 2 == 0;
        if (with && !MoveFileW(aside, cached)) return printf("fail templates not moved in\n"), 1;
        Program p{};
        p.exe = exe;
        strcpy(p.label, with ? "with" : "without");
        double t0 = NowMs(), ms = Launch(p, nullptr);
        if (ms >= 0) {
            Sample("start_templates", p, ms);
            // Answered once the editor has read who else sets the notice.
            DWORD_PTR answer;
            SendMessageTimeoutW(p.dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
            Sample("idle_templates", p, NowMs() - t0);
            Close(p);
        }
        failures += ms < 0;
        if (with) MoveFileW(cached, aside);
    }
    return failures ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    TicksPerMs = static_cast<double>(frequency.QuadPart) / 1000.0;
    setvbuf(stdout, nullptr, _IOLBF, 4096);

    const wchar_t* command = argc > 1 ? argv[1] : L"";
    if (wcscmp(command, L"keep") == 0 && argc == 3) {
        // Wine's own idea of the pointer; the X pointer is parked from the Linux side, since
        // under Wine 8 this does not move it.
        SetCursorPos(0, 0);
        // Wine closes the desktop shortly after its last program ends, and its next program
        // then pays for a new one (seconds): this program keeps it.
        Sleep(static_cast<DWORD>(_wtoi(argv[2])) * 1000);
        return 0;
    }
    if (wcscmp(command, L"start") == 0 && argc > 3)
        return Start("start", -1, _wtoi(argv[2]), argc - 3, argv + 3);
    if (wcscmp(command, L"load") == 0 && argc > 5) {
        static char measure[64];
        WideCharToMultiByte(CP_ACP, 0, argv[2], -1, measure, sizeof(measure), nullptr, nullptr);
        return Start(measure, _wtoi(argv[3]), _wtoi(argv[4]), argc - 5, argv + 5);
    }
    if (wcscmp(command, L"hold") == 0 && argc == 4) return Hold(_wtoi(argv[2]), argv[3]);
    if (wcscmp(command, L"keys") == 0 && argc > 3) return Keys(_wtoi(argv[2]), argc - 3, argv + 3);
    if (wcscmp(command, L"save") == 0 && argc > 4)
        return Save(_wtoi(argv[2]), argv[3], argc - 4, argv + 4);
    if (wcscmp(command, L"templates") == 0 && argc == 4) return Templates(_wtoi(argv[2]), argv[3]);
    fprintf(stderr,
            "usage: driver keep S | start N EXE... | load MEASURE LENGTH N EXE... | hold S EXE | "
            "keys N EXE... | save N DIR EXE [EXE2] | templates N EXE\n");
    return 2;
}
