// The stored notice through the real registry of the test prefix and a scratch working
// directory: the rules over its values, what a save writes and reports, that it never replaces
// what changed unasked, and that saves never interleave nor can be blocked by a user.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <string>

#include "persist/notice_store.h"
#include "persist/save_lock.h"
#include "scratch.h"
#include "tests/common/policy_key.h"
#include "tests/common/rights.h"

namespace {

WideString W(const std::wstring& s) {
    return WideString::FromUnits(s.data(), static_cast<uint32_t>(s.size()));
}

std::wstring Units(const WideString& s) {
    return std::wstring(s.CStr(), s.Units());
}

std::string LogOf(const std::string& caption, const std::string& message) {
    return "legalnoticecaption = " + std::string(7, ' ') + caption + "\r\n\r\n" +
           "legalnoticetext = " + std::string(10, ' ') + message + "\r\n";
}

void DeleteNotice() {
    StoreValue(L"legalnoticecaption", {});
    StoreValue(L"legalnoticetext", {});
}

RegistryText Value(ValueState state, DWORD type, const std::wstring& text,
                   const char* reason = "") {
    RegistryText value;
    value.state = state;
    value.type = type;
    value.text = W(text);
    value.reason = ToWide(B(reason));
    return value;
}

StoredNotice ToStore(const std::wstring& caption, DWORD captionType, const std::wstring& message,
                     DWORD messageType) {
    StoredNotice notice;
    notice.Caption().stored = Value(ValueState::Read, captionType, caption);
    notice.Message().stored = Value(ValueState::Read, messageType, message);
    return notice;
}

// Saves over whatever is stored, as an administrator who says Yes to every question would.
NoticeSaveResult SaveOverAnything(const StoredNotice& toStore) {
    NoticeSaveResult result = SaveStoredNotice(toStore, ReadStoredNotice());
    for (int tries = 0; result.changed && tries < 100; ++tries) {
        StoredNotice now = std::move(result.current);
        result = SaveStoredNotice(toStore, now);
    }
    return result;
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

// ---- The rules, without storage -------------------------------------------------------------

TEST(NoticeRules, WhatASaveMayReplaceAndWhatItBecomes) {
    const RegistryText read = Value(ValueState::Read, REG_SZ, L"Notice");
    const RegistryText dword =
        Value(ValueState::Unreadable, REG_DWORD, L"", "stored as REG_DWORD, not as text");
    const RegistryText missing;
    struct Row {
        const char* name;
        RegistryText shown, now;
        bool differs;
    };
    const Row rows[] = {
        {"the same", read, read, false},
        {"missing both times", missing, missing, false},
        {"another text", read, Value(ValueState::Read, REG_SZ, L"Other"), true},
        {"another type", read, Value(ValueState::Read, REG_EXPAND_SZ, L"Notice"), true},
        {"a list of strings now", read, Value(ValueState::Read, REG_MULTI_SZ, L"Notice"), true},
        {"deleted", read, missing, true},
        {"written where there was none", missing, Value(ValueState::Read, REG_SZ, L""), true},
        {"still the same unreadable value", dword, dword, false},
        {"unreadable for another reason", dword,
         Value(ValueState::Unreadable, REG_DWORD, L"", "Access denied."), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.differs, Differs(row.shown, row.now));
    }
    EXPECT_FALSE(NeedsConsent(read));
    EXPECT_FALSE(NeedsConsent(missing));
    EXPECT_TRUE(NeedsConsent(dword));

    // Written back in the type stored; anything but an expandable string becomes REG_SZ.
    for (DWORD type : {REG_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY, REG_NONE})
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), WriteBackType(type)) << type;
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), WriteBackType(REG_EXPAND_SZ));
    StoredNotice shown;
    shown.Caption().stored = Value(ValueState::Read, REG_EXPAND_SZ, L"%x%");
    shown.Message().stored = Value(ValueState::Read, REG_MULTI_SZ, L"a\r\nb");
    StoredNotice toStore = NoticeToStore(shown, W(L" typed "), W(L"a\r\nb"));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), toStore.Caption().stored.type);
    EXPECT_EQ(L" typed ", Units(toStore.Caption().stored.text));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), toStore.Message().stored.type);

    // A value becomes what a later read of it gives: blanks at the ends go, a zero ends it.
    RegistryText stored = AsStored(W(std::wstring(L"  two words \0tail", 17)), REG_SZ);
    EXPECT_FALSE(Differs(Value(ValueState::Read, REG_SZ, L"two words"), stored));

    // The load shows 16384 units after its trim; a save refuses what it would not show.
    EXPECT_FALSE(TooLongToStore(AsStored(W(std::wstring(16384, L'x')), REG_SZ)));
    EXPECT_FALSE(
        TooLongToStore(Value(ValueState::Read, REG_SZ, L"  " + std::wstring(16384, L'x'))));
    EXPECT_TRUE(TooLongToStore(Value(ValueState::Read, REG_SZ, std::wstring(16385, L'x'))));
}

// What the editor keeps after a save: a value written is what it stored, a value whose write
// failed (or a save that wrote nothing) is as it was, unreadable ones still asked about.
TEST(NoticeRules, ASaveFoldsOnlyWhatItWrote) {
    struct Row {
        const char* name;
        bool wrote;
        LONG captionError, messageError;
        bool captionWritten, messageWritten;
    };
    const Row rows[] = {
        {"both written", true, ERROR_SUCCESS, ERROR_SUCCESS, true, true},
        {"caption refused", true, ERROR_ACCESS_DENIED, ERROR_SUCCESS, false, true},
        {"message refused", true, ERROR_SUCCESS, ERROR_ACCESS_DENIED, true, false},
        {"nothing written", false, ERROR_SUCCESS, ERROR_SUCCESS, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StoredNotice shown;
        shown.Caption().stored = Value(ValueState::Unreadable, REG_DWORD, L"", "dword");
        shown.Message().stored = Value(ValueState::Unreadable, REG_BINARY, L"", "binary");
        StoredNotice written = ToStore(L" New ", REG_SZ, L"Text", REG_EXPAND_SZ);
        NoticeSaveResult result;
        result.wrote = row.wrote;
        result.errors[0] = row.captionError;
        result.errors[1] = row.messageError;
        FoldSave(shown, written, result);
        EXPECT_EQ(!row.captionWritten, NeedsConsent(shown.Caption().stored));
        EXPECT_EQ(!row.messageWritten, NeedsConsent(shown.Message().stored));
        if (row.captionWritten) {
            EXPECT_FALSE(Differs(Value(ValueState::Read, REG_SZ, L"New"), shown.Caption().stored));
        }
        if (row.messageWritten) {
            EXPECT_FALSE(
                Differs(Value(ValueState::Read, REG_EXPAND_SZ, L"Text"), shown.Message().stored));
        }
    }
}

// ---- Saves against the real registry ------------------------------------------------------

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
        // Stored whole, as the log holds it; blanks past the limit do not count.
        {std::wstring(300, L'c'), REG_SZ, std::wstring(16384, L'm') + L"  ", REG_SZ},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Bytes(ToBytes(W(row.caption))));
        NoticeSaveResult result =
            SaveOverAnything(ToStore(row.caption, row.captionType, row.message, row.messageType));
        EXPECT_FALSE(result.changed || result.tooLong);
        EXPECT_TRUE(result.wrote);
        EXPECT_TRUE(result.lockFailure.Empty());
        EXPECT_TRUE(result.logFailure.Empty());
        EXPECT_EQ(ERROR_SUCCESS, result.errors[0]);
        EXPECT_EQ(ERROR_SUCCESS, result.errors[1]);
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
    RegistryText read = ReadStoredNotice().Message().stored;
    EXPECT_EQ(std::wstring(16384, L'm'), Units(read.text));
}

// What a later load would not show is not written at all: neither value nor the log.
TEST_F(NoticeStore, RefusesValuesLongerThanALoadShows) {
    StoreValue(L"legalnoticecaption", {REG_SZ, std::wstring(L"Old\0", 4)});
    ASSERT_TRUE(WriteWholeFile(L"Tarnevo.log", "old log"));
    for (bool captionTooLong : {true, false}) {
        SCOPED_TRACE(captionTooLong);
        std::wstring longText(16385, L'x');
        NoticeSaveResult result =
            SaveStoredNotice(ToStore(captionTooLong ? longText : L"New", REG_SZ,
                                     captionTooLong ? L"Text" : longText, REG_SZ),
                             ReadStoredNotice());
        EXPECT_TRUE(result.tooLong);
        EXPECT_FALSE(result.wrote);
        EXPECT_EQ(std::wstring(L"Old\0", 4), ReadValue(L"legalnoticecaption").data);
        EXPECT_EQ(0u, ReadValue(L"legalnoticetext").type);
        EXPECT_EQ("old log", ReadWholeFile(L"Tarnevo.log"));
    }
}

// Storage read again under the lock: when it no longer holds what the editor expects, nothing
// is written and the save comes back with what it holds now.
TEST_F(NoticeStore, ChangedSinceShownWritesNothing) {
    StoreValue(L"legalnoticecaption", {REG_SZ, std::wstring(L"Shown\0", 6)});
    StoreValue(L"legalnoticetext", {REG_SZ, std::wstring(L"Shown text\0", 11)});
    StoredNotice shown = ReadStoredNotice();
    StoreValue(L"legalnoticetext",
               {REG_MULTI_SZ, std::wstring(L"Set by\0another program\0\0", 25)});
    StoredNotice toStore = NoticeToStore(shown, W(L"Mine"), W(L"Mine too"));
    NoticeSaveResult result = SaveStoredNotice(toStore, shown);
    EXPECT_TRUE(result.changed);
    EXPECT_FALSE(result.wrote);
    EXPECT_EQ("<missing>", ReadWholeFile(L"Tarnevo.log"));
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), ReadValue(L"legalnoticetext").type);
    EXPECT_FALSE(Differs(shown.Caption().stored, result.current.Caption().stored));
    EXPECT_EQ(L"Set by\r\nanother program", Units(result.current.Message().stored.text));

    // Expecting what is there now, the save goes through.
    result = SaveStoredNotice(toStore, result.current);
    EXPECT_FALSE(result.changed);
    EXPECT_TRUE(result.wrote);
    EXPECT_EQ(std::wstring(L"Mine too\0", 9), ReadValue(L"legalnoticetext").data);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), ReadValue(L"legalnoticetext").type);
}

// Wine enforces key DACLs: a policy key that denies setting values makes both writes fail;
// the log is written all the same.
TEST_F(NoticeStore, FailedWritesComeBackWithTheirErrors) {
    PolicyKeyDenial denial(KEY_SET_VALUE);
    ASSERT_TRUE(denial.Active());
    NoticeSaveResult result = SaveOverAnything(ToStore(L"caption", REG_SZ, L"message", REG_SZ));
    denial.Restore();
    EXPECT_TRUE(result.wrote);
    EXPECT_EQ(ERROR_ACCESS_DENIED, result.errors[0]);
    EXPECT_EQ(ERROR_ACCESS_DENIED, result.errors[1]);
    EXPECT_TRUE(result.logFailure.Empty());
    EXPECT_EQ(0u, ReadValue(L"legalnoticecaption").type);
    EXPECT_EQ(LogOf("caption", "message"), ReadWholeFile(L"Tarnevo.log"));
}

// ---- The save lock ------------------------------------------------------------------------

DWORD WINAPI TakeLockAndEnd(void*) {
    SaveLock lock;
    if (!TakeSaveLock(lock).Empty() || !lock.held) return 1;
    lock.held = false;  // ends owning it
    return 0;
}

// The lock is the program's own: owned by Administrators. A holder that ended without
// releasing it does not stop the next save.
TEST_F(NoticeStore, LockIsOwnedByAdministratorsAndAnAbandonedOneIsTakenOver) {
    {
        SaveLock lock;
        ASSERT_TRUE(TakeSaveLock(lock).Empty());
        ASSERT_TRUE(lock.held);
        EXPECT_TRUE(OwnedByAdministrators(lock.mutex));
    }
    HANDLE thread = CreateThread(nullptr, 0, TakeLockAndEnd, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(0u, code);
    CloseHandle(thread);
    NoticeSaveResult result = SaveOverAnything(ToStore(L"after", REG_SZ, L"after", REG_SZ));
    EXPECT_TRUE(result.lockFailure.Empty()) << Bytes(result.lockFailure);
    EXPECT_EQ(std::wstring(L"after\0", 6), ReadValue(L"legalnoticecaption").data);
}

// The squatter: this program again, run without administrator rights, holding an object of
// the lock's name until told to let go.
const wchar_t kSquatReady[] = L"Local\\QuillmarkTest.SquatReady";
const wchar_t kSquatDone[] = L"Local\\QuillmarkTest.SquatDone";

TEST(SaveLockSquatter, HoldsTheLockName) {
    const wchar_t* kind = _wgetenv(L"QM_SQUAT");
    if (!kind) GTEST_SKIP() << "runs only as the squatter of LockNameSquattedByAUser";
    HANDLE squat = nullptr;
    if (std::wstring(kind) == L"event") {
        squat = CreateEventW(nullptr, TRUE, FALSE, NoticeSaveMutexName);
    } else {
        // "guarded": a mutex that lets others wait on it but not read who owns it.
        PSECURITY_DESCRIPTOR guard = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:(A;;0x00100001;;;WD)", SDDL_REVISION_1, &guard, nullptr));
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), guard, FALSE};
        squat = CreateMutexW(std::wstring(kind) == L"guarded" ? &attributes : nullptr, TRUE,
                             NoticeSaveMutexName);
        LocalFree(guard);
    }
    ASSERT_NE(nullptr, squat);
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, kSquatReady);
    HANDLE done = OpenEventW(SYNCHRONIZE, FALSE, kSquatDone);
    ASSERT_TRUE(ready && done);
    SetEvent(ready);
    WaitForSingleObject(done, 60000);
    CloseHandle(squat);
}

// A user without administrator rights who makes the lock's name first cannot block or delay
// an administrator's save: the save goes on at once without it and writes everything.
TEST_F(NoticeStore, LockNameSquattedByAUser) {
    for (const wchar_t* kind : {L"mutex", L"guarded", L"event"}) {
        SCOPED_TRACE(Bytes(ToBytes(W(kind))));
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, kSquatReady);
        HANDLE done = CreateEventW(nullptr, TRUE, FALSE, kSquatDone);
        HANDLE token = RestrictedToken();
        ASSERT_TRUE(ready && done && token);
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring line =
            L"\"" + std::wstring(self) + L"\" --gtest_filter=SaveLockSquatter.HoldsTheLockName";
        SetEnvironmentVariableW(L"QM_SQUAT", kind);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION squatter{};
        BOOL started = CreateProcessAsUserW(token, self, line.data(), nullptr, nullptr, FALSE, 0,
                                            nullptr, nullptr, &startup, &squatter);
        SetEnvironmentVariableW(L"QM_SQUAT", nullptr);
        CloseHandle(token);
        ASSERT_TRUE(started);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 30000));

        DWORD start = GetTickCount();
        NoticeSaveResult result = SaveOverAnything(ToStore(L"Saved", REG_SZ, L"Text", REG_SZ));
        DWORD took = GetTickCount() - start;
        SetEvent(done);
        EXPECT_LT(took, 2000u) << "the save waited for the squatter";
        EXPECT_TRUE(result.lockFailure.Empty()) << Bytes(result.lockFailure);
        EXPECT_TRUE(result.wrote && result.logFailure.Empty());
        EXPECT_EQ(std::wstring(L"Saved\0", 6), ReadValue(L"legalnoticecaption").data);
        EXPECT_EQ(std::wstring(L"Text\0", 5), ReadValue(L"legalnoticetext").data);
        EXPECT_EQ(LogOf("Saved", "Text"), ReadWholeFile(L"Tarnevo.log"));

        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(squatter.hProcess, 30000));
        DWORD code = 1;
        GetExitCodeProcess(squatter.hProcess, &code);
        EXPECT_EQ(0u, code) << "the squatter could not hold the name";
        CloseHandle(squatter.hThread);
        CloseHandle(squatter.hProcess);
        CloseHandle(ready);
        CloseHandle(done);
        DeleteNotice();
    }
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
    // Looked at under the program's own lock, taken the way a save takes it.
    int mixed = 0;
    for (int i = 0; i < 200; ++i) {
        std::string caption = tag + " caption " + std::to_string(i);
        std::string message = tag + " message " + std::to_string(i);
        NoticeSaveResult result = SaveOverAnything(
            ToStore(Units(ToWide(B(caption))), REG_SZ, Units(ToWide(B(message))), REG_SZ));
        ASSERT_TRUE(result.wrote && result.lockFailure.Empty() && result.logFailure.Empty()) << i;
        std::wstring storedCaption, storedMessage;
        std::string log;
        {
            SaveLock lock;
            ASSERT_TRUE(TakeSaveLock(lock).Empty() && lock.held);
            storedCaption = ReadValue(L"legalnoticecaption").data;
            storedMessage = ReadValue(L"legalnoticetext").data;
            log = ReadWholeFile(L"Tarnevo.log");
        }
        // "X caption N" and "X message N" from the same save, and its log.
        std::string c(storedCaption.begin(), storedCaption.end() - 1);
        std::string m(storedMessage.begin(), storedMessage.end() - 1);
        std::string cSave = c.substr(0, 1) + c.substr(9), mSave = m.substr(0, 1) + m.substr(9);
        if (cSave != mSave || log != LogOf(c, m)) ++mixed;
    }
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
