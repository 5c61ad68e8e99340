// Drives the built Quillmark.exe from outside, the way a user and a UI-automation client
// would: separate process, real windows, real registry and files, bounded waits.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/common/policy_key.h"

namespace drive {

// Every wait polls against a deadline of this many milliseconds unless told otherwise.
constexpr DWORD kWaitMs = 5000;

// Polls `done` every few milliseconds until it holds or `ms` have passed.
bool WaitFor(const std::function<bool()>& done, DWORD ms = kWaitMs);

// The program's Windows path, from QUILLMARK_EXE.
std::wstring ProgramPath();

enum class Rights {
    Elevated,    // the default token: an elevated administrator under Wine
    Restricted,  // Administrators disabled (deny only): not an administrator
};

struct LaunchOptions {
    LaunchOptions() = default;
    LaunchOptions(Rights r, std::wstring line = {}) : rights(r), commandLine(std::move(line)) {}
    Rights rights = Rights::Elevated;
    // The whole command line; empty means the quoted program path alone.
    std::wstring commandLine;
    // Files put into the working directory before the start: name and bytes.
    std::vector<std::pair<std::wstring, std::string>> files;
    // Start a copy of the program in the working directory, beside those files.
    bool copyProgram = false;
    // Added to the world's WINEDLLOVERRIDES for this run ("name=n,b" ...).
    std::wstring dllOverrides;
    // The display's DPI for this run (LogPixels, which Wine reads as a process starts; the
    // run's end restores it); 0 leaves it.
    DWORD dpi = 0;
};

// One run of the program in a scratch working directory of its own. The destructor kills a
// run that is still going and removes the directory.
class App {
public:
    explicit App(const LaunchOptions& options = {});
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Pid() const { return pid_; }
    DWORD MainThread() const { return thread_id_; }
    const std::wstring& Dir() const { return dir_; }

    // The exit code, or nothing when the process is still running after `ms`.
    std::optional<DWORD> WaitExit(DWORD ms = kWaitMs);
    bool Running() const;
    // Ends a hung run; true when it was still running.
    bool Kill();

    // Visible top-level windows of the process.
    std::vector<HWND> Windows() const;
    // The editor dialog (a #32770 carrying the message box control 1008), once visible.
    HWND WaitEditor(DWORD ms = kWaitMs) const;
    // A visible #32770 of the process that is not the editor: a message box.
    HWND WaitMessageBox(DWORD ms = kWaitMs) const;
    // The file in the working directory, or nothing when it does not exist.
    std::optional<std::string> ReadFile(const std::wstring& name) const;
    // The file's last-write time, 0 when it does not exist.
    ULONGLONG WriteTime(const std::wstring& name) const;
    std::wstring FilePath(const std::wstring& name) const { return dir_ + L"\\" + name; }

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    std::optional<DWORD> dpiBefore_;  // LogPixels before the run, 0 when unset
    DWORD thread_id_ = 0;
    std::wstring dir_;
};

// A message box as the user sees it.
struct MessageBoxView {
    std::wstring caption;
    std::wstring text;
    std::vector<std::wstring> buttons;  // visible buttons, left to right
    bool icon = false;                  // a visible icon static
};
MessageBoxView ReadMessageBox(HWND box);
// Answers a message box with the button of that id (IDOK ...).
void AnswerMessageBox(HWND box, int id = IDOK);

// Window facts readable across processes.
std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
LONG StyleOf(HWND window);
LONG ExStyleOf(HWND window);
// A window's rectangle in its parent's client coordinates (top-level: screen).
RECT RectInParent(HWND window);
RECT ClientRectOf(HWND window);

// Input. Activates the window's top-level window, as a click on its caption would.
void BringToFront(HWND window);
// Brings the top-level window to the front and gives `control` the focus.
void Focus(HWND control);
// The window that has the keyboard focus in the thread that owns `window`.
HWND FocusedIn(HWND window);
// Real keyboard input to the focused window: each character as a Unicode key stroke,
// "\r" as Enter.
void TypeKeys(const std::wstring& text);
void PressKey(WORD vk, bool shift = false);
// A real left click at a screen point.
void ClickAt(POINT screen);
// Presses a button the way BN_CLICKED reports it, or sends a menu command; another
// notification code where given.
void Command(HWND dialog, int id, HWND control = nullptr, WORD code = BN_CLICKED);
// Alt+F4 on the keyboard.
void PressAltF4();

// The notice values of the prefix, as the program reads and writes them (ANSI bytes).
struct Notice {
    std::optional<std::string> caption;
    std::optional<std::string> text;
};
// Sets the values that are present and deletes the absent ones.
void StoreNotice(const Notice& notice);
Notice ReadNotice();
void DeleteNotice();

// The system's message for a Windows error, without its line break.
std::wstring SystemMessage(DWORD error);

// Wine's per-application Windows version for Quillmark.exe ("win98" ...); empty removes it.
void SetProgramWindowsVersion(const std::wstring& version);

// The same text converted with the code page of this process (CP_ACP).
std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& text);

}  // namespace drive
