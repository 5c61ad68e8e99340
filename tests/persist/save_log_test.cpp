// The save log's exact bytes in the current directory.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "persist/save_log.h"
#include "scratch.h"

namespace {

using SaveLog = ScratchDirectory;

std::string LogOf(const std::string& caption, const std::string& message) {
    return "legalnoticecaption = " + std::string(7, ' ') + caption + "\r\n\r\n" +
           "legalnoticetext = " + std::string(10, ' ') + message + "\r\n";
}

TEST_F(SaveLog, HoldsTheThreeLines) {
    EXPECT_TRUE(WriteSaveLog(TextRef{}, TextRef{}).Empty());
    std::string empty = ReadWholeFile(L"Tarnevo.log");
    EXPECT_EQ(62u, empty.size());
    EXPECT_EQ(LogOf("", ""), empty);

    struct Row {
        std::string caption, message;
    };
    const Row rows[] = {
        {"Notice", "Authorised use only."},
        // Later lines of the message start at column 1; blanks are kept as typed.
        {"  Two words ", "Line one\r\nLine two\r\n\r\nLast"},
        // Longer than any registry limit: the log holds the texts whole.
        {std::string(300, 'c'), std::string(2047, 'm')},
    };
    for (const Row& row : rows) {
        EXPECT_TRUE(WriteSaveLog(B(row.caption), B(row.message)).Empty());
        EXPECT_EQ(LogOf(row.caption, row.message), ReadWholeFile(L"Tarnevo.log"));
    }
    // A shorter save after a longer one leaves only its own lines.
    WriteSaveLog("a"_t, "b"_t);
    EXPECT_EQ(LogOf("a", "b"), ReadWholeFile(L"Tarnevo.log"));
}

// A log that cannot be written says why, in the system's words or as a link refused.
TEST_F(SaveLog, FailuresComeBackAsReasons) {
    const std::string link = "it is a link to another file; the log was not written.";
    enum Obstacle { HeldOpen, Folder, ReadOnlyPlace, SymbolicLink, HardLink };
    struct Row {
        Obstacle obstacle;
        std::string reason;
    };
    const Row rows[] = {
        {HeldOpen, Bytes(SystemMessageText(ERROR_SHARING_VIOLATION))},
        {Folder, Bytes(SystemMessageText(ERROR_ACCESS_DENIED))},
        // The tests run as root, who may write anywhere on disk: only a file system that
        // takes no files refuses.
        {ReadOnlyPlace, ""},
        {SymbolicLink, link},
        {HardLink, link},
    };
    ASSERT_TRUE(WriteWholeFile(L"other.txt", "other"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.obstacle);
        HANDLE holder = INVALID_HANDLE_VALUE;
        switch (row.obstacle) {
            case HeldOpen:
                ASSERT_TRUE(WriteWholeFile(L"Tarnevo.log", "held"));
                holder = CreateFileW(L"Tarnevo.log", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                     nullptr);
                break;
            case Folder:
                ASSERT_TRUE(CreateDirectoryW(L"Tarnevo.log", nullptr));
                break;
            case ReadOnlyPlace:
                ASSERT_TRUE(SetCurrentDirectoryW(L"Z:\\proc"));
                break;
            case SymbolicLink:
                ASSERT_TRUE(MakeUnixSymlink(dir_ + L"\\other.txt", dir_ + L"\\Tarnevo.log"));
                break;
            case HardLink:
                ASSERT_TRUE(CreateHardLinkW(L"Tarnevo.log", L"other.txt", nullptr));
                break;
        }
        std::string reason = Bytes(WriteSaveLog("caption"_t, "message"_t));
        if (row.reason.empty()) {
            EXPECT_FALSE(reason.empty());
        } else {
            EXPECT_EQ(row.reason, reason);
        }
        if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
        SetCurrentDirectoryW(dir_.c_str());
        EXPECT_EQ("other", ReadWholeFile(L"other.txt"));
        if (row.obstacle == HeldOpen) {
            EXPECT_EQ("held", ReadWholeFile(L"Tarnevo.log"));
        }
        if (row.obstacle == SymbolicLink) {
            ASSERT_TRUE(RemoveUnixLink(dir_ + L"\\Tarnevo.log"));
        } else {
            RemoveDirectoryW(L"Tarnevo.log");
            DeleteFileW(L"Tarnevo.log");
        }
    }
}

// Double-byte characters go to the log as their code page 932 bytes, counted as bytes.
TEST_F(SaveLog, DoubleByteTextCp932) {
    if (GetACP() != 932) GTEST_SKIP() << "needs code page 932";
    const std::string nihongo = "\x93\xfa\x96\x7b\x8c\xea";  // 日本語
    WriteSaveLog(B(nihongo), B(nihongo + "\r\n" + nihongo));
    EXPECT_EQ(LogOf(nihongo, nihongo + "\r\n" + nihongo), ReadWholeFile(L"Tarnevo.log"));
}

}  // namespace
