// Loading and saving the notice through an editor-like window, the real registry of the test
// prefix and a scratch working directory.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "persist/notice.h"
#include "scratch.h"

namespace {

const char kPolicyKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
const std::wstring kCannotSave =
    L"Cannot save. The logon notice could not be written to the registry.";
const std::wstring kRefusal =
    L"You need to run this program from an account with Administrator privleges in order to "
    L"save.";

struct Box {
    std::wstring caption, text;
    bool icon = false;
};

// Watches for message boxes of this process from a second thread, reads and closes them.
class BoxWatch {
public:
    BoxWatch() : thread_([this] { Run(); }) {}
    ~BoxWatch() {
        if (thread_.joinable()) Finish();
    }
    std::vector<Box> Finish() {
        stop_ = true;
        thread_.join();
        return boxes_;
    }

private:
    static HWND FindBox() {
        HWND box = nullptr;
        while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
            DWORD process = 0;
            GetWindowThreadProcessId(box, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(box)) return box;
        }
        return nullptr;
    }

    static BOOL CALLBACK ReadChild(HWND child, LPARAM param) {
        Box& found = *reinterpret_cast<Box*>(param);
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        if (_wcsicmp(name, L"Static") != 0) return TRUE;
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            if (SendMessageW(child, STM_GETICON, 0, 0) != 0) found.icon = true;
            return TRUE;
        }
        wchar_t text[2048] = {};
        GetWindowTextW(child, text, 2048);
        if (text[0]) found.text = text;
        return TRUE;
    }

    void Run() {
        while (!stop_) {
            HWND box = FindBox();
            if (!box) {
                Sleep(10);
                continue;
            }
            Sleep(50);  // let it finish its set-up
            Box found;
            wchar_t caption[256] = {};
            GetWindowTextW(box, caption, 256);
            found.caption = caption;
            EnumChildWindows(box, ReadChild, reinterpret_cast<LPARAM>(&found));
            boxes_.push_back(found);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(10);
        }
    }

    std::atomic<bool> stop_{false};
    std::vector<Box> boxes_;
    std::thread thread_;
};

std::vector<Box> SaveWatched() {
    BoxWatch watch;
    SaveNotice();
    return watch.Finish();
}

BOOL WINAPI RefuseWithFalse() {
    return FALSE;
}
BOOL WINAPI RefuseWithTwo() {
    return 2;
}

class Notice : public ScratchDirectory {
protected:
    void SetUp() override {
        ScratchDirectory::SetUp();
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, kPolicyKey, &key));
        RegDeleteValueA(key, "legalnoticecaption");
        RegDeleteValueA(key, "legalnoticetext");
        RegCloseKey(key);

        editor_ = CreateWindowExW(0, L"STATIC", L"editor", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                  nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, editor_);
        const DWORD edit = WS_CHILD | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
        for (int id : {IDC_CAPTION_EDIT, IDC_MESSAGE_EDIT}) {
            CreateWindowExW(0, L"EDIT", L"", edit, 0, 0, 300, 50, editor_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        }
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 200, 20, editor_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CHARS_LEFT)), nullptr,
                        nullptr);
        SendMessageW(GetDlgItem(editor_, IDC_MESSAGE_EDIT), EM_SETLIMITTEXT, MessageLimit, 0);
        AppState.editorDialog = editor_;
        AppState.appTitle = "Quillmark"_t;
        AppState.appVersion = "1.1"_t;
    }
    void TearDown() override {
        SaveAdminTest = original_;
        AppState.editorDialog = nullptr;
        DestroyWindow(editor_);
        ScratchDirectory::TearDown();
    }

    void SetEdit(int id, const std::wstring& text) {
        SetWindowTextW(GetDlgItem(editor_, id), text.c_str());
    }
    std::wstring EditText(int id) {
        wchar_t text[4096] = {};
        GetWindowTextW(GetDlgItem(editor_, id), text, 4096);
        return text;
    }

    static void Store(const char* name, const std::string& text) {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_WRITE, &key));
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
        RegCloseKey(key);
    }
    // The value's raw REG_SZ data, terminator included; "<missing>" when absent.
    static std::string Stored(const char* name) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return "<missing>";
        DWORD type = 0, size = 0;
        std::string data;
        if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            data.resize(size);
            RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                             &size);
            data.resize(size);
            if (type != REG_SZ) data = "<type " + std::to_string(type) + ">";
        } else {
            data = "<missing>";
        }
        RegCloseKey(key);
        return data;
    }

    static std::string LogOf(const std::string& caption, const std::string& message) {
        return "legalnoticecaption = " + std::string(7, ' ') + caption + "\r\n\r\n" +
               "legalnoticetext = " + std::string(10, ' ') + message + "\r\n";
    }

    HWND editor_ = nullptr;
    BOOL(WINAPI* original_)() = SaveAdminTest;
};

TEST(CharsLeft, CountsBytesAgainstTheLimit) {
    EXPECT_EQ("Characters Left:  2047", Bytes(CharsLeftText(0)));
    EXPECT_EQ("Characters Left:  0", Bytes(CharsLeftText(2047)));
    EXPECT_EQ("Characters Left: -2", Bytes(CharsLeftText(2049)));
}

TEST_F(Notice, LoadFillsTheEditsAndTheCounter) {
    struct Row {
        const char *caption, *message;  // null: the value is missing
        std::wstring shownCaption, shownMessage, counter;
    };
    const std::string longMessage(2049, 'm');
    const Row rows[] = {
        {nullptr, nullptr, L"", L"", L"Characters Left:  2047"},
        {"  Notice  ", "Line one\r\nLine two  ", L"Notice", L"Line one\r\nLine two",
         L"Characters Left:  2029"},
        // Setting a text is not held to the edit's typing limit.
        {"   ", longMessage.c_str(), L"", std::wstring(2049, L'm'), L"Characters Left: -2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.counter);
        if (row.caption) Store("legalnoticecaption", row.caption);
        if (row.message) Store("legalnoticetext", row.message);
        LoadNotice();
        EXPECT_EQ(row.shownCaption, EditText(IDC_CAPTION_EDIT));
        EXPECT_EQ(row.shownMessage, EditText(IDC_MESSAGE_EDIT));
        EXPECT_EQ(row.counter, EditText(IDC_CHARS_LEFT));
    }
}

TEST_F(Notice, SaveWritesLogAndBothValuesSilently) {
    struct Row {
        std::wstring caption, message;
        std::string storedCaption, storedMessage;
    };
    const Row rows[] = {
        {L"", L"", "", ""},
        {L"  Notice  ", L"Line one\r\nLine two", "  Notice  ", "Line one\r\nLine two"},
        // Long texts are stored whole, as the log shows them.
        {std::wstring(300, L'c'), std::wstring(2047, L'm'), std::string(300, 'c'),
         std::string(2047, 'm')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.storedMessage.substr(0, 20));
        SetEdit(IDC_CAPTION_EDIT, row.caption);
        SetEdit(IDC_MESSAGE_EDIT, row.message);
        EXPECT_TRUE(SaveWatched().empty());
        EXPECT_EQ(row.storedCaption + '\0', Stored("legalnoticecaption"));
        EXPECT_EQ(row.storedMessage + '\0', Stored("legalnoticetext"));
        EXPECT_EQ(LogOf(row.storedCaption, row.storedMessage), ReadWholeFile(L"Tarnevo.log"));
    }
    EXPECT_EQ(62u, LogOf("", "").size());
}

TEST_F(Notice, CharactersOutsideTheCodePageBecomeItsDefault) {
    if (GetACP() != 1252) GTEST_SKIP() << "needs code page 1252";
    SetEdit(IDC_CAPTION_EDIT, L"a\u3042b");
    SetEdit(IDC_MESSAGE_EDIT, L"\u00e9t\u00e9");
    EXPECT_TRUE(SaveWatched().empty());
    EXPECT_EQ(std::string("a?b\0", 4), Stored("legalnoticecaption"));
    EXPECT_EQ(std::string("\xe9t\xe9\0", 4), Stored("legalnoticetext"));
}

TEST_F(Notice, SaveRefusedWithoutAdministratorRightsChangesNothing) {
    BOOL(WINAPI * tests[])() = {RefuseWithFalse, RefuseWithTwo};  // only TRUE itself passes
    for (auto test : tests) {
        Store("legalnoticecaption", "kept caption");
        ASSERT_TRUE(WriteWholeFile(L"Tarnevo.log", "old log"));
        SetEdit(IDC_CAPTION_EDIT, L"new caption");
        SaveAdminTest = test;
        std::vector<Box> boxes = SaveWatched();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(L"Quillmark", boxes[0].caption);
        EXPECT_EQ(kRefusal, boxes[0].text);
        EXPECT_FALSE(boxes[0].icon);
        EXPECT_EQ(std::string("kept caption\0", 13), Stored("legalnoticecaption"));
        EXPECT_EQ("<missing>", Stored("legalnoticetext"));
        EXPECT_EQ("old log", ReadWholeFile(L"Tarnevo.log"));
    }
}

// A log that cannot be opened is passed over in silence; the registry is still written.
TEST_F(Notice, SaveGoesOnWhenTheLogCannotBeOpened) {
    enum Obstacle { HeldOpen, FolderInTheWay, ReadOnlyDirectory };
    for (Obstacle obstacle : {HeldOpen, FolderInTheWay, ReadOnlyDirectory}) {
        SCOPED_TRACE(obstacle);
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (obstacle == HeldOpen) {
            ASSERT_TRUE(WriteWholeFile(L"Tarnevo.log", "held"));
            holder =
                CreateFileW(L"Tarnevo.log", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, holder);
        } else if (obstacle == FolderInTheWay) {
            ASSERT_TRUE(CreateDirectoryW(L"Tarnevo.log", nullptr));
        } else {
            // The tests run as root, who may write anywhere on disk: only a file system that
            // takes no files refuses.
            ASSERT_TRUE(SetCurrentDirectoryW(L"Z:\\proc"));
        }
        const std::wstring caption = L"caption " + std::to_wstring(obstacle);
        SetEdit(IDC_CAPTION_EDIT, caption);
        SetEdit(IDC_MESSAGE_EDIT, L"message");
        EXPECT_TRUE(SaveWatched().empty());
        EXPECT_EQ(std::string(caption.begin(), caption.end()) + '\0', Stored("legalnoticecaption"));
        EXPECT_EQ(std::string("message\0", 8), Stored("legalnoticetext"));
        if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
        SetCurrentDirectoryW(dir_.c_str());
        if (obstacle == HeldOpen) {
            EXPECT_EQ("held", ReadWholeFile(L"Tarnevo.log"));
        }
        RemoveTree(dir_ + L"\\Tarnevo.log");
        DeleteFileW(L"Tarnevo.log");
    }
}

// Wine enforces key DACLs: a policy key that denies setting values makes both writes fail.
TEST_F(Notice, FailedRegistryWritesAreReported) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, READ_CONTROL | WRITE_DAC, &key));
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> original(size);
    ASSERT_EQ(ERROR_SUCCESS,
              RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, original.data(), &size));
    PSECURITY_DESCRIPTOR denying = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:(D;;0x2;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &denying, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, denying));
    LocalFree(denying);

    SetEdit(IDC_CAPTION_EDIT, L"caption");
    SetEdit(IDC_MESSAGE_EDIT, L"message");
    std::vector<Box> boxes = SaveWatched();
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, original.data()));
    RegCloseKey(key);

    wchar_t reason[512] = {};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             ERROR_ACCESS_DENIED, 0, reason, 512, nullptr);
    while (n > 0 && (reason[n - 1] == L'\r' || reason[n - 1] == L'\n')) reason[--n] = 0;
    ASSERT_GT(n, 0u);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Quillmark v1.1", boxes[0].caption);
    EXPECT_EQ(
        kCannotSave + L"\r\nlegalnoticecaption: " + reason + L"\r\nlegalnoticetext: " + reason,
        boxes[0].text);
    EXPECT_TRUE(boxes[0].icon);
    EXPECT_EQ("<missing>", Stored("legalnoticecaption"));
    EXPECT_EQ(LogOf("caption", "message"), ReadWholeFile(L"Tarnevo.log"));
}

TEST_F(Notice, DoubleByteNoticeCp932) {
    if (GetACP() != 932) GTEST_SKIP() << "needs code page 932";
    const std::string sjis = "\x93\xfa\x96\x7b\x8c\xea";  // 日本語
    SetEdit(IDC_CAPTION_EDIT, L"\u65e5\u672c\u8a9e");
    SetEdit(IDC_MESSAGE_EDIT, L"\u65e5\u672c\u8a9e");
    EXPECT_TRUE(SaveWatched().empty());
    EXPECT_EQ(LogOf(sjis, sjis), ReadWholeFile(L"Tarnevo.log"));

    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_READ, &key));
    wchar_t wide[16] = {};
    DWORD size = sizeof(wide) - sizeof(wchar_t);
    RegQueryValueExW(key, L"legalnoticetext", nullptr, nullptr, reinterpret_cast<BYTE*>(wide),
                     &size);
    RegCloseKey(key);
    EXPECT_EQ(std::wstring(L"\u65e5\u672c\u8a9e"), wide);

    SetEdit(IDC_MESSAGE_EDIT, L"");
    LoadNotice();
    EXPECT_EQ(L"\u65e5\u672c\u8a9e", EditText(IDC_MESSAGE_EDIT));
    EXPECT_EQ(L"Characters Left:  2041", EditText(IDC_CHARS_LEFT));  // counted in bytes
}

}  // namespace
