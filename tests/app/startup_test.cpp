// The whole process from outside: who gets the start-up warning, the platform refusal, the
// command line, and the exit codes.
#include <gtest/gtest.h>

#include "tests/app/driver.h"
#include "tests/common/files.h"

namespace {

using drive::App;
using drive::LaunchOptions;
using drive::Rights;

const wchar_t kWarning[] =
    L"This program must be started with \"Run as Administrator\" in order to save your edits. "
    L"As presently run, you can only view the logon message.";

// Waits until the run shows the editor, a message box, or ends.
enum class Seen { Editor, MessageBox, Ended, Nothing };
Seen FirstThingShown(const App& app, HWND* window = nullptr) {
    Seen seen = Seen::Nothing;
    drive::WaitFor([&] {
        for (HWND w : app.Windows()) {
            if (drive::ClassOf(w) != L"#32770") continue;
            seen = GetDlgItem(w, 1008) ? Seen::Editor : Seen::MessageBox;
            if (window) *window = w;
            return true;
        }
        if (!app.Running()) seen = Seen::Ended;
        return seen == Seen::Ended;
    });
    return seen;
}

// The editor is up: a system close request ends the run with 0.
void CloseEditorExpectingZero(App& app, HWND editor) {
    EXPECT_EQ(L"Quillmark v1.1", drive::TextOf(editor));
    PostMessageW(editor, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0u, app.WaitExit().value_or(999));
}

DWORD WINAPI ShowProbe(void* type) {
    return MessageBoxW(nullptr, L"probe", L"driver probe",
                       static_cast<UINT>(reinterpret_cast<UINT_PTR>(type)));
}

// The no-icon checks below mean something only if the driver does see an icon where there
// is one: a box of this process with one.
TEST(Driver, SeesAMessageBoxIcon) {
    for (UINT flags : {UINT(MB_ICONWARNING)}) {
        HANDLE thread =
            CreateThread(nullptr, 0, ShowProbe,
                         reinterpret_cast<void*>(static_cast<UINT_PTR>(flags)), 0, nullptr);
        HWND box = nullptr;
        drive::WaitFor([&] { return (box = FindWindowW(L"#32770", L"driver probe")) != nullptr; });
        ASSERT_NE(nullptr, box);
        drive::MessageBoxView view = drive::ReadMessageBox(box);
        EXPECT_EQ(flags == MB_ICONWARNING, view.icon);
        EXPECT_EQ(L"probe", view.text);
        drive::AnswerMessageBox(box, IDOK);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, drive::kWaitMs));
        CloseHandle(thread);
    }
}

class StartUp : public testing::Test {
protected:
    void SetUp() override { drive::DeleteNotice(); }
    void TearDown() override {
        drive::DeleteNotice();
        drive::SetProgramWindowsVersion(L"");
    }
};

TEST_F(StartUp, ElevatedAdministratorGetsTheEditorWithoutWarning) {
    App app;
    ASSERT_TRUE(app.Started()) << "QUILLMARK_EXE: " << drive::ToAnsi(drive::ProgramPath());
    HWND window = nullptr;
    ASSERT_EQ(Seen::Editor, FirstThingShown(app, &window));
    CloseEditorExpectingZero(app, window);
}

TEST_F(StartUp, RestrictedTokenIsWarnedThenGetsTheEditor) {
    App app(Rights::Restricted);
    ASSERT_TRUE(app.Started());
    HWND box = nullptr;
    ASSERT_EQ(Seen::MessageBox, FirstThingShown(app, &box));
    drive::MessageBoxView view = drive::ReadMessageBox(box);
    EXPECT_EQ(kWarning, view.text);
    EXPECT_EQ(L"Quillmark v1.1", view.caption);
    EXPECT_EQ(std::vector<std::wstring>{L"OK"}, view.buttons);
    EXPECT_FALSE(view.icon);
    // The editor waits for the answer.
    Sleep(300);
    EXPECT_EQ(nullptr, app.WaitEditor(0));

    drive::AnswerMessageBox(box, IDOK);
    HWND editor = app.WaitEditor();
    ASSERT_NE(nullptr, editor) << "no editor after the warning";
    // The editor comes up in front, ready for the keyboard.
    EXPECT_TRUE(drive::WaitFor([&] { return GetForegroundWindow() == editor; }, 2000));
    EXPECT_TRUE(drive::WaitFor([&] { return IsChild(editor, drive::FocusedIn(editor)); }, 2000));
    CloseEditorExpectingZero(app, editor);
}

// Escape closes the warning the way OK does: start-up goes on either way.
TEST_F(StartUp, WarningClosedWithEscapeStillOpensTheEditor) {
    App app(Rights::Restricted);
    HWND box = app.WaitMessageBox();
    ASSERT_NE(nullptr, box);
    drive::Focus(GetDlgItem(box, IDOK));
    drive::PressKey(VK_ESCAPE);
    HWND editor = app.WaitEditor();
    ASSERT_NE(nullptr, editor);
    CloseEditorExpectingZero(app, editor);
}

TEST_F(StartUp, NonNtPlatformIsRefusedWith255) {
    drive::SetProgramWindowsVersion(L"win98");
    App app;
    HWND box = app.WaitMessageBox();
    ASSERT_NE(nullptr, box);
    drive::MessageBoxView view = drive::ReadMessageBox(box);
    EXPECT_EQ(L"Win98 No Support", view.text);
    EXPECT_EQ(std::vector<std::wstring>{L"OK"}, view.buttons);
    EXPECT_FALSE(view.icon);
    drive::AnswerMessageBox(box, IDOK);
    EXPECT_EQ(255u, app.WaitExit().value_or(999));
    EXPECT_EQ(nullptr, app.WaitEditor(0));
    // Nothing of the run is left behind.
    EXPECT_FALSE(app.ReadFile(L"Tarnevo.log").has_value());
}

// A DLL loaded by name inside the elevated editor comes from System32, never from a copy
// planted beside it, whatever Wine is told to prefer. Wine keeps the default directories only
// for LoadLibrary, not for the DLLs its own libraries load, so the name is loaded the way the
// editor's own code would: on a thread of the editor's.
TEST_F(StartUp, NoDllPlantedBesideTheProgramIsLoaded) {
    wchar_t self[MAX_PATH] = {};
    std::wstring here(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    auto planted = ReadFileBytes(here.substr(0, here.rfind(L'\\')) + L"\\planted.dll");
    ASSERT_TRUE(planted) << "planted.dll is built beside this program";
    LaunchOptions options;
    options.files = {{L"dwmapi.dll", *planted}};
    options.copyProgram = true;
    options.dllOverrides = L"dwmapi=n,b";
    App app(options);
    ASSERT_NE(nullptr, app.WaitEditor());
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, app.Pid());
    void* name = VirtualAllocEx(process, nullptr, 32, MEM_COMMIT, PAGE_READWRITE);
    WriteProcessMemory(process, name, L"dwmapi.dll", sizeof(L"dwmapi.dll"), nullptr);
    HANDLE thread =
        CreateRemoteThread(process, nullptr, 0,
                           reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(
                               GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW"))),
                           name, 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, drive::kWaitMs));
    DWORD loaded = 0;
    GetExitCodeThread(thread, &loaded);
    CloseHandle(thread);
    CloseHandle(process);
    EXPECT_NE(0u, loaded) << "the system's dwmapi.dll";
    EXPECT_FALSE(app.ReadFile(L"dwmapi.dll.loaded")) << "the planted one ran";
}

TEST_F(StartUp, CommandLineChangesNothing) {
    const std::wstring exe = drive::ProgramPath();
    const std::wstring rows[] = {
        L"\"" + exe + L"\" /save -x \"quoted arg\"",
        exe + L" arg1 arg2",
        L"\"" + exe + L"\"\t\targ",
        exe + L"\targ",
        L"\"" + exe + L"\"    ",
        // An unterminated quote: the tail scan must stop at the end of the line.
        L"\"" + exe,
        L"\"" + exe + L"\" " + std::wstring(8000, L'x'),
    };
    for (const std::wstring& line : rows) {
        SCOPED_TRACE(drive::ToAnsi(line.substr(0, 120)));
        App app(LaunchOptions(Rights::Elevated, line));
        ASSERT_TRUE(app.Started());
        HWND window = nullptr;
        ASSERT_EQ(Seen::Editor, FirstThingShown(app, &window));
        CloseEditorExpectingZero(app, window);
    }
}

}  // namespace
