// The save log's exact bytes in the current directory.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "persist/save_log.h"
#include "scratch.h"

namespace {

using SaveLog = ScratchDirectory;

// The names a directory lists, "." and ".." left out.
std::vector<std::wstring> NamesIn(const std::wstring& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

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

// Whatever has the log's name, only the name is replaced: a link's target keeps its bytes.
// What the system will not replace stays as it was, and the save says why in the system's
// words. Either way no other file is left behind.
TEST_F(SaveLog, ReplacesTheNameOrSaysWhyNot) {
    const std::string denied = Bytes(SystemMessageText(ERROR_ACCESS_DENIED));
    enum Obstacle {
        None,
        SymbolicLink,
        DanglingLink,
        HardLink,
        FolderLink,   // the working folder reached through a link
        SecondDrive,  // the working folder reached through another drive letter
        HeldOpen,
        Folder,
        Fifo,      // Wine replaces no special file: refused, but never opened
        NullLink,  // a link to /dev/null: likewise
        ReadOnlyPlace,
    };
    struct Row {
        Obstacle obstacle;
        std::string reason;  // empty: written
    };
    const Row rows[] = {
        {None, ""},
        {SymbolicLink, ""},
        {DanglingLink, ""},
        {HardLink, ""},
        {FolderLink, ""},
        {SecondDrive, ""},
        {HeldOpen, denied},
        {Folder, denied},
        {Fifo, denied},
        {NullLink, denied},
        // The tests run as root, who may write anywhere on disk: only a file system that
        // takes no files refuses.
        {ReadOnlyPlace, "?"},
    };
    const std::string precious(1650, 'p');
    const std::wstring other = dir_ + L"\\other.txt", log = dir_ + L"\\Tarnevo.log";
    ASSERT_TRUE(CreateDirectoryW(L"real", nullptr));
    const std::string prefix = getenv("WINEPREFIX") ? getenv("WINEPREFIX") : "";
    ASSERT_FALSE(prefix.empty());
    // A drive letter nobody uses, as a link in the prefix's device folder.
    wchar_t letter = L'Q';
    while (letter < L'Z' && PathExists(std::wstring(1, letter) + L":\\")) ++letter;
    const std::wstring driveRoot = std::wstring(1, letter) + L":\\";
    const std::string drive =
        prefix + "/dosdevices/" + static_cast<char>(letter - L'A' + 'a') + ":";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.obstacle);
        ASSERT_TRUE(WriteWholeFile(other, precious));
        std::wstring written = log;  // where a written log lands
        HANDLE holder = INVALID_HANDLE_VALUE;
        switch (row.obstacle) {
            case None:
                break;
            case SymbolicLink:
            case DanglingLink:
                ASSERT_TRUE(MakeUnixSymlink(other, log));
                if (row.obstacle == DanglingLink) {
                    ASSERT_TRUE(DeleteFileW(other.c_str()));
                }
                break;
            case HardLink:
                ASSERT_TRUE(CreateHardLinkW(log.c_str(), other.c_str(), nullptr));
                break;
            case FolderLink:
                ASSERT_TRUE(MakeUnixSymlink(dir_ + L"\\real", dir_ + L"\\through"));
                ASSERT_TRUE(SetCurrentDirectoryW(L"through"));
                written = dir_ + L"\\real\\Tarnevo.log";
                break;
            case SecondDrive:
                ASSERT_TRUE(RunUnix("/bin/ln", {"-s", UnixPath(dir_ + L"\\real"), drive},
                                    PathExists, driveRoot));
                ASSERT_TRUE(SetCurrentDirectoryW(driveRoot.c_str()));
                written = dir_ + L"\\real\\Tarnevo.log";
                break;
            case HeldOpen:
                ASSERT_TRUE(WriteWholeFile(log, "held"));
                holder =
                    CreateFileW(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                break;
            case Folder:
                ASSERT_TRUE(CreateDirectoryW(log.c_str(), nullptr));
                break;
            case Fifo:
                ASSERT_TRUE(MakeUnixFifo(log));
                break;
            case NullLink:
                ASSERT_TRUE(
                    RunUnix("/bin/ln", {"-s", "/dev/null", UnixPath(log)}, NameListed, log));
                break;
            case ReadOnlyPlace:
                ASSERT_TRUE(SetCurrentDirectoryW(L"Z:\\proc"));
                break;
        }
        std::string reason = Bytes(WriteSaveLog("caption"_t, "message"_t));
        if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
        SetCurrentDirectoryW(dir_.c_str());
        if (row.reason == "?") {
            EXPECT_FALSE(reason.empty());
        } else {
            EXPECT_EQ(row.reason, reason);
        }
        if (row.reason.empty()) {
            EXPECT_EQ(LogOf("caption", "message"), ReadWholeFile(written));
        }
        EXPECT_EQ(row.obstacle == DanglingLink ? "<missing>" : precious, ReadWholeFile(other));
        if (row.obstacle == HeldOpen) {
            EXPECT_EQ("held", ReadWholeFile(log));
        }
        // Nothing of the save's own is left beside the log.
        for (const std::wstring& place : {dir_, dir_ + L"\\real"}) {
            for (const std::wstring& name : NamesIn(place)) {
                EXPECT_NE(0u, name.rfind(L"Tarnevo.log.", 0))
                    << Bytes(ToBytes(WideString::FromUnits(name.data(), name.size())));
            }
        }
        switch (row.obstacle) {
            case Fifo:
            case NullLink:
                ASSERT_TRUE(RemoveUnixLink(log));
                break;
            case FolderLink:
                ASSERT_TRUE(RemoveUnixLink(dir_ + L"\\through"));
                break;
            case SecondDrive:
                ASSERT_TRUE(RunUnix(
                    "/bin/rm", {"-f", drive},
                    [](const std::wstring& path) { return !PathExists(path); }, driveRoot));
                break;
            default:
                break;
        }
        RemoveDirectoryW(log.c_str());
        DeleteFileW(log.c_str());
        DeleteFileW((dir_ + L"\\real\\Tarnevo.log").c_str());
    }
}

// What saves of ended processes left beside the log goes before a save makes its own: their
// files and links (not what a link points at); never a folder, a pipe, another name, or what
// a process that runs may still be writing.
TEST_F(SaveLog, RemovesWhatSavesOfEndedProcessesLeftBehind) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION ended{};
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    ASSERT_TRUE(CreateProcessW(self, nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                               nullptr, &startup, &ended));
    TerminateProcess(ended.hProcess, 0);
    WaitForSingleObject(ended.hProcess, 5000);  // its handle, kept, keeps its id from reuse
    const std::wstring gone = L"Tarnevo.log." + std::to_wstring(ended.dwProcessId) + L".";
    // Names of other forms, one whose id is 2^32 past, a process that runs, a folder, a pipe,
    // and a user's own files beside the log (no process has the ids 1 and 12 under Wine).
    const std::wstring kept[] = {
        gone + L"9.x",
        L"Tarnevo.log.0" + gone.substr(12) + L"1",
        L"Tarnevo.log." + std::to_wstring(ended.dwProcessId + 0x100000000ull) + L".1",
        L"Tarnevo.log." + std::to_wstring(GetCurrentProcessId()) + L".1",
        gone + L"3",
        gone + L"4",
        L"Tarnevo.log.1",
        L"Tarnevo.log.12",
        L"Tarnevo.log.bak",
        L"Tarnevo.log.12.3.txt"};
    ASSERT_TRUE(WriteWholeFile(L"precious", "p"));
    // One named for this process, which reuses the id of the ended one that made it.
    const std::wstring reused = kept[3].substr(0, kept[3].size() - 1) + L"5";
    for (const std::wstring& name : {gone + L"1", gone + L"7", kept[0], kept[1], kept[2], kept[3],
                                     kept[6], kept[7], kept[8], kept[9], reused})
        ASSERT_TRUE(WriteWholeFile(name, "x"));
    HANDLE made =
        CreateFileW(reused.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const FILETIME before{0x256D4000, 0x01BF53EB};  // 2000-01-01, long before this process
    // Both times: Wine tells the creation time from the last write.
    ASSERT_TRUE(SetFileTime(made, &before, nullptr, &before));
    CloseHandle(made);
    ASSERT_TRUE(MakeUnixSymlink(dir_ + L"\\precious", dir_ + L"\\" + gone + L"2"));
    ASSERT_TRUE(CreateDirectoryW(kept[4].c_str(), nullptr));
    ASSERT_TRUE(MakeUnixFifo(dir_ + L"\\" + kept[5]));
    EXPECT_TRUE(WriteSaveLog("caption"_t, "message"_t).Empty());
    CloseHandle(ended.hThread);
    CloseHandle(ended.hProcess);
    for (const std::wstring& name : {gone + L"1", gone + L"2", gone + L"7", reused})
        EXPECT_FALSE(NameListed(dir_ + L"\\" + name)) << Bytes(ToBytes(name.data(), name.size()));
    for (const std::wstring& name : kept)
        EXPECT_TRUE(NameListed(dir_ + L"\\" + name)) << Bytes(ToBytes(name.data(), name.size()));
    EXPECT_EQ("p", ReadWholeFile(L"precious"));
    RemoveUnixLink(dir_ + L"\\" + kept[5]);
}

// Another process flips the log's name between a plain file and a link to an outside file
// while saves run: every save puts its own file in place, and the outside file keeps its
// bytes.
TEST_F(SaveLog, ALinkSwappedInDuringSavesIsNeverWrittenThrough) {
    ASSERT_TRUE(CreateDirectoryW(L"elsewhere", nullptr));
    const std::wstring outside = dir_ + L"\\elsewhere\\precious.txt";
    const std::string precious(1650, 'p');
    ASSERT_TRUE(WriteWholeFile(outside, precious));
    const std::string here = UnixPath(dir_);
    const std::string flip =
        "cd '" + here + "' && touch running && while [ ! -e stop ]; do ln -sf '" +
        UnixPath(outside) + "' flip && mv -f flip Tarnevo.log && echo plain > " +
        "flip && mv -f flip Tarnevo.log; done; rm -f running";
    ASSERT_TRUE(RunUnix("/bin/sh", {"-c", flip}, PathExists, dir_ + L"\\running"));
    int failed = 0;
    ULONGLONG end = GetTickCount64() + 2000;
    int saves = 0;
    for (; GetTickCount64() < end; ++saves) {
        if (!WriteSaveLog("caption"_t, "message"_t).Empty()) ++failed;
    }
    ASSERT_TRUE(WriteWholeFile(L"stop", ""));
    for (int i = 0; i < 500 && PathExists(dir_ + L"\\running"); ++i) Sleep(10);
    EXPECT_FALSE(PathExists(dir_ + L"\\running"));
    EXPECT_EQ(0, failed) << "of " << saves;
    EXPECT_EQ(precious, ReadWholeFile(outside));
}

// Double-byte characters go to the log as their code page 932 bytes, counted as bytes.
TEST_F(SaveLog, DoubleByteTextCp932) {
    if (GetACP() != 932) GTEST_SKIP() << "needs code page 932";
    const std::string nihongo = "\x93\xfa\x96\x7b\x8c\xea";  // 日本語
    WriteSaveLog(B(nihongo), B(nihongo + "\r\n" + nihongo));
    EXPECT_EQ(LogOf(nihongo, nihongo + "\r\n" + nihongo), ReadWholeFile(L"Tarnevo.log"));
}

}  // namespace
