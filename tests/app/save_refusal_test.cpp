// The save's own administrator refusal, run in this process: Wine's IsUserAnAdmin says yes
// even to a restricted token, so only the seam the program keeps for it can say no.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "app/notice.h"
#include "runtime/app_state.h"
#include "tests/app/driver.h"
#include "tests/persist/scratch.h"

namespace {

BOOL WINAPI NotAnAdministrator() {
    return FALSE;
}

BOOL CALLBACK PickBox(HWND window, LPARAM out) {
    if (!IsWindowVisible(window) || drive::ClassOf(window) != L"#32770") return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

// A visible dialog of the given thread: the box the save shows.
HWND BoxOf(DWORD thread) {
    HWND found = nullptr;
    EnumThreadWindows(thread, PickBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

using SaveRefusal = ScratchDirectory;

TEST_F(SaveRefusal, WithoutAdministratorRightsTheSaveSaysSoAndWritesNothing) {
    drive::StoreNotice({"stored caption", "stored text"});
    AppState.appTitle = "Quillmark"_t;
    AppState.appVersion = "1.1"_t;
    BOOL(WINAPI * system)() = SaveAdminTest;
    SaveAdminTest = NotAnAdministrator;

    DWORD self = GetCurrentThreadId();
    drive::MessageBoxView seen;
    std::atomic<bool> answered{false};
    std::thread watcher([&] {
        HWND box = nullptr;
        if (!drive::WaitFor([&] { return (box = BoxOf(self)) != nullptr; })) return;
        seen = drive::ReadMessageBox(box);
        drive::AnswerMessageBox(box, IDOK);
        answered = true;
    });
    SaveNotice();
    watcher.join();
    SaveAdminTest = system;

    ASSERT_TRUE(answered) << "no box";
    EXPECT_EQ(
        L"You need to run this program from an account with Administrator privleges in "
        L"order to save.",
        seen.text);
    EXPECT_EQ(L"Quillmark", seen.caption);
    EXPECT_EQ(std::vector<std::wstring>{L"OK"}, seen.buttons);
    drive::Notice after = drive::ReadNotice();
    EXPECT_EQ("stored caption", after.caption.value_or("(none)"));
    EXPECT_EQ("stored text", after.text.value_or("(none)"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(L"Tarnevo.log"));
    drive::DeleteNotice();
}

}  // namespace
