// The stored notice through the real registry of the test prefix and a scratch working
// directory: what a save writes, what it reports, and that saves never interleave.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "persist/notice_store.h"
#include "scratch.h"
#include "tests/common/policy_key.h"

namespace {

WideString W(const std::wstring& s) {
    return WideString::FromUnits(s.data(), static_cast<uint32_t>(s.size()));
}

std::string LogOf(const std::string& caption, const std::string& message) {
    return "legalnoticecaption = " + std::string(7, ' ') + caption + "\r\n\r\n" +
           "legalnoticetext = " + std::string(10, ' ') + message + "\r\n";
}

void DeleteNotice() {
    StoreValue(L"legalnoticecaption", {});
    StoreValue(L"legalnoticetext", {});
}

class NoticeStore : public ScratchDirectory {
protected:
    void SetUp() override {
        ScratchDirectory::SetUp();
        DeleteNotice();
    }
    void TearDown() override {
        DeleteNotice();
        ScratchDirectory::TearDown();
    }
};

TEST_F(NoticeStore, SaveWritesLogThenBothValuesInTheirTypes) {
    struct Row {
        std::wstring caption;
        DWORD captionType;
        std::wstring message;
        DWORD messageType;
    };
    const Row rows[] = {
        {L"", REG_SZ, L"", REG_SZ},
        {L"  Notice  ", REG_SZ, L"Line one\r\nLine two", REG_SZ},
        {L"\u0412\u043d\u0438\u043c\u0430\u043d\u0438\u0435 \U0001F6D1", REG_SZ,
         L"%SystemRoot%\\notice.txt", REG_EXPAND_SZ},
        // Stored whole, as the log holds it.
        {std::wstring(300, L'c'), REG_SZ, std::wstring(16384, L'm'), REG_SZ},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Bytes(ToBytes(W(row.caption))));
        NoticeSaveResult result =
            SaveStoredNotice(W(row.caption), row.captionType, W(row.message), row.messageType);
        EXPECT_TRUE(result.lockFailure.Empty());
        EXPECT_TRUE(result.logFailure.Empty());
        EXPECT_EQ(ERROR_SUCCESS, result.caption);
        EXPECT_EQ(ERROR_SUCCESS, result.message);
        StoredValue caption = ReadValue(L"legalnoticecaption");
        StoredValue message = ReadValue(L"legalnoticetext");
        EXPECT_EQ(row.caption + L'\0', caption.data);
        EXPECT_EQ(row.captionType, caption.type);
        EXPECT_EQ(row.message + L'\0', message.data);
        EXPECT_EQ(row.messageType, message.type);
        // The log keeps its ANSI content.
        EXPECT_EQ(LogOf(Bytes(ToBytes(W(row.caption))), Bytes(ToBytes(W(row.message)))),
                  ReadWholeFile(L"Tarnevo.log"));
    }
    RegistryText read = ReadStoredNotice().message;
    EXPECT_EQ(std::wstring(16384, L'm'), std::wstring(read.text.CStr(), read.text.Units()));
}

// Wine enforces key DACLs: a policy key that denies setting values makes both writes fail;
// the log is written all the same.
TEST_F(NoticeStore, FailedWritesComeBackWithTheirErrors) {
    PolicyKeyDenial denial(KEY_SET_VALUE);
    ASSERT_TRUE(denial.Active());
    NoticeSaveResult result = SaveStoredNotice(W(L"caption"), REG_SZ, W(L"message"), REG_SZ);
    denial.Restore();
    EXPECT_EQ(ERROR_ACCESS_DENIED, result.caption);
    EXPECT_EQ(ERROR_ACCESS_DENIED, result.message);
    EXPECT_TRUE(result.logFailure.Empty());
    EXPECT_EQ(0u, ReadValue(L"legalnoticecaption").type);
    EXPECT_EQ(LogOf("caption", "message"), ReadWholeFile(L"Tarnevo.log"));
}

DWORD WINAPI TakeLockAndEnd(void*) {
    return CreateMutexW(nullptr, TRUE, NoticeSaveMutexName) ? 0 : 1;  // ends owning it
}

// A holder that ended without releasing the lock does not stop the next save.
TEST_F(NoticeStore, AbandonedLockIsTakenOver) {
    HANDLE thread = CreateThread(nullptr, 0, TakeLockAndEnd, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    CloseHandle(thread);
    NoticeSaveResult result = SaveStoredNotice(W(L"after"), REG_SZ, W(L"after"), REG_SZ);
    EXPECT_TRUE(result.lockFailure.Empty()) << Bytes(result.lockFailure);
    EXPECT_EQ(std::wstring(L"after\0", 6), ReadValue(L"legalnoticecaption").data);
}

// Two processes save 200 times each, every save a caption and message of its own. After each
// save, under the same lock, each looks at the values and the log: all three must come from
// one save. This program runs itself as the second process.
TEST(NoticeStoreSavers, TwoInstancesNeverMix) {
    const wchar_t* childDir = _wgetenv(L"QM_SAVER_DIR");
    std::wstring dir = childDir ? childDir : NewScratchDir(L"qm-savers-");
    ASSERT_FALSE(dir.empty());
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.c_str()));
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, L"Local\\QuillmarkTest.SaverReady");
    ASSERT_NE(nullptr, ready);

    PROCESS_INFORMATION child{};
    if (!childDir) {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring line = L"\"" + std::wstring(self) +
                            L"\" --gtest_filter=NoticeStoreSavers.TwoInstancesNeverMix";
        SetEnvironmentVariableW(L"QM_SAVER_DIR", dir.c_str());
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        BOOL started = CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &child);
        SetEnvironmentVariableW(L"QM_SAVER_DIR", nullptr);
        ASSERT_TRUE(started);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 30000));
    } else {
        SetEvent(ready);
    }

    const std::string tag = childDir ? "B" : "A";
    HANDLE lock = CreateMutexW(nullptr, FALSE, NoticeSaveMutexName);
    ASSERT_NE(nullptr, lock);
    int mixed = 0;
    for (int i = 0; i < 200; ++i) {
        std::string caption = tag + " caption " + std::to_string(i);
        std::string message = tag + " message " + std::to_string(i);
        NoticeSaveResult result =
            SaveStoredNotice(ToWide(B(caption)), REG_SZ, ToWide(B(message)), REG_SZ);
        ASSERT_TRUE(result.lockFailure.Empty() && result.logFailure.Empty()) << i;
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(lock, 10000));
        std::wstring storedCaption = ReadValue(L"legalnoticecaption").data;
        std::wstring storedMessage = ReadValue(L"legalnoticetext").data;
        std::string log = ReadWholeFile(L"Tarnevo.log");
        ReleaseMutex(lock);
        // "X caption N" and "X message N" from the same save, and its log.
        std::string c(storedCaption.begin(), storedCaption.end() - 1);
        std::string m(storedMessage.begin(), storedMessage.end() - 1);
        std::string cSave = c.substr(0, 1) + c.substr(9), mSave = m.substr(0, 1) + m.substr(9);
        if (cSave != mSave || log != LogOf(c, m)) ++mixed;
    }
    CloseHandle(lock);
    EXPECT_EQ(0, mixed);
    if (!childDir) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.hProcess, 60000));
        DWORD code = 1;
        GetExitCodeProcess(child.hProcess, &code);
        EXPECT_EQ(0u, code) << "the second process saw a mixed save";
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    CloseHandle(ready);
    SetCurrentDirectoryW(previous);
    if (!childDir) {
        RemoveTree(dir);
        DeleteNotice();
    }
}

}  // namespace
