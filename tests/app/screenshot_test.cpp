// Scenes for screenshots, run only by tests/app/screenshots.sh inside a Wine virtual desktop:
// each scene is set up, announced with "<scene>.ready" in QM_SHOT_DIR, and held until the
// script has taken its picture and answered with "<scene>.done".
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/app/driver.h"

namespace {

using drive::App;
using drive::Rights;

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Announces the scene and waits for the picture.
void HoldForPicture(const std::wstring& scene) {
    const wchar_t* dir = _wgetenv(L"QM_SHOT_DIR");
    ASSERT_NE(nullptr, dir) << "QM_SHOT_DIR names the picture directory";
    std::wstring base = std::wstring(dir) + L"\\" + scene;
    // The pointer off every control (a hovered button is drawn hot), then time to paint.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    drive::WaitFor([] { return false; }, 500);
    HANDLE ready = CreateFileW((base + L".ready").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, ready);
    CloseHandle(ready);
    EXPECT_TRUE(drive::WaitFor([&] { return Exists(base + L".done"); }, 30000))
        << "no picture taken of " << drive::ToAnsi(scene);
}

const drive::Notice kSample{"Authorized use only",
                            "This computer system is for authorized users only.\r\n\r\n"
                            "Activity on this system may be monitored and recorded."};

TEST(Screenshots, DISABLED_EditorWarningAndAbout) {
    drive::StoreNotice(kSample);
    {
        App app;
        HWND editor = app.WaitEditor();
        ASSERT_NE(nullptr, editor);
        drive::Focus(GetDlgItem(editor, 1008));
        HoldForPicture(L"editor");

        drive::Command(editor, 1020);
        HWND about = app.WaitMessageBox();
        ASSERT_NE(nullptr, about);
        HoldForPicture(L"about");
        drive::AnswerMessageBox(about);
    }
    {
        App app(Rights::Restricted);
        ASSERT_NE(nullptr, app.WaitMessageBox());
        HoldForPicture(L"warning");
    }
    // A value stored as a number: the warning comes up over the editor.
    StoreValue(L"legalnoticecaption", {REG_DWORD, std::wstring(L"\x0001\x0000", 2)});
    {
        App app;
        ASSERT_NE(nullptr, app.WaitMessageBox());
        HoldForPicture(L"unreadable");
    }
    drive::DeleteNotice();
}

}  // namespace
