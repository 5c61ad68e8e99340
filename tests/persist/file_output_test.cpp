// The text file output service against real files (and a pipe) under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/file_output.h"
#include "scratch.h"

namespace {

using FileOutput = ScratchDirectory;

TEST_F(FileOutput, OpenCreatesANewFileHeldForItself) {
    ClearRuntimeError();
    OpenForOutput("new.txt"_t, 2);
    EXPECT_EQ(0, LastRuntimeError());
    EXPECT_EQ("<missing>", ReadWholeFile(L"new.txt"));  // open without sharing
    WriteLineEnd(2);
    CloseFile(2);
    EXPECT_EQ(0, LastRuntimeError());
    EXPECT_EQ("\r\n", ReadWholeFile(L"new.txt"));

    // Closed for real: an opener that allows no sharing gets in.
    HANDLE again = CreateFileW(L"new.txt", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, again);
    CloseHandle(again);
}

TEST_F(FileOutput, ZonesCountBytesSinceTheLineEnd) {
    struct Row {
        std::string before;
        size_t spaces;
    };
    const Row rows[] = {
        {std::string(21, 'c'), 7}, {std::string(18, 't'), 10}, {"", 14}, {std::string(28, 'x'), 14},
        {"ab\r\ncd", 8},  // CR LF inside a text does not start a new line
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.before);
        OpenForOutput("zone.txt"_t, 3);
        WriteText(3, B(row.before));
        WriteText(3, TextRef{});  // empty text: nothing written, column kept
        NextColumnZone(3);
        WriteText(3, "|"_t);
        WriteLineEnd(3);
        NextColumnZone(3);  // a line end puts the column back to 0
        CloseFile(3);
        EXPECT_EQ(row.before + std::string(row.spaces, ' ') + "|\r\n" + std::string(14, ' '),
                  ReadWholeFile(L"zone.txt"));
        DeleteFileW(L"zone.txt");
    }
}

TEST_F(FileOutput, RefusedOpensLeaveTheOpenFileAlone) {
    OpenForOutput("kept.txt"_t, 1);
    WriteText(1, "first"_t);
    struct Row {
        const char* name;
        int16_t number;
        int32_t error;
    };
    const Row rows[] = {
        {"a*b.txt", 4, 64},   {"a?b.txt", 4, 64},  {"", 4, 64}, {"other.txt", -1, 52},
        {"other.txt", 1, 55}, {"kept.txt", 1, 55},  // the same name again: not reopened, so not
                                                    // emptied
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ClearRuntimeError();
        OpenForOutput(TextRef(B(row.name)), row.number);
        EXPECT_EQ(row.error, LastRuntimeError());
    }
    EXPECT_EQ("<missing>", ReadWholeFile(L"other.txt"));
    ClearRuntimeError();
    WriteText(1, " second"_t);
    CloseFile(1);
    EXPECT_EQ(0, LastRuntimeError());
    EXPECT_EQ("first second", ReadWholeFile(L"kept.txt"));
}

TEST_F(FileOutput, NumbersNotOpenFailWith52ExceptTheClose) {
    void (*writers[])(int16_t) = {
        [](int16_t n) { WriteText(n, "x"_t); },
        [](int16_t n) { WriteText(n, TextRef{}); },
        NextColumnZone,
        WriteLineEnd,
    };
    for (auto writer : writers) {
        ClearRuntimeError();
        writer(9);
        EXPECT_EQ(52, LastRuntimeError());
    }
    ClearRuntimeError();
    CloseFile(9);
    CloseFile(-3);
    EXPECT_EQ(0, LastRuntimeError());
}

TEST_F(FileOutput, LongNameIsCutTo255Units) {
    std::string name(300, 'n');
    ClearRuntimeError();
    OpenForOutput(B(name), 1);
    WriteText(1, "long"_t);
    CloseFile(1);
    EXPECT_EQ(0, LastRuntimeError());
    EXPECT_EQ("long", ReadWholeFile(std::wstring(255, L'n')));
}

TEST_F(FileOutput, FailedOpensTranslateTheSystemError) {
    struct Row {
        const char* name;
        int32_t error;
    };
    const Row rows[] = {
        {"nowhere\\x.txt", 76},  // path not found (3)
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ClearRuntimeError();
        OpenForOutput(B(row.name), 1);
        EXPECT_EQ(row.error, LastRuntimeError());
        // The number stayed free: writes fail as to a number not open, and it opens again.
        WriteText(1, "x"_t);
        EXPECT_EQ(52, LastRuntimeError());
        OpenForOutput("free.txt"_t, 1);
        CloseFile(1);
        EXPECT_EQ(52, LastRuntimeError());  // nothing new recorded
        DeleteFileW(L"free.txt");
    }
}

// Whatever has the name already is never opened, so never written through or emptied: the
// open fails with "file exists" and the name and what it reaches keep their bytes.
TEST_F(FileOutput, NeverOpensANameThatExists) {
    ASSERT_TRUE(CreateDirectoryW(L"elsewhere", nullptr));
    const std::wstring target = dir_ + L"\\elsewhere\\precious.txt";
    const std::wstring name = dir_ + L"\\taken.txt";
    const std::string precious(1650, 'p');
    enum Taken { PlainFile, HeldFile, Folder, SymbolicLink, DanglingLink, HardLink, Fifo };
    for (Taken taken : {PlainFile, HeldFile, Folder, SymbolicLink, DanglingLink, HardLink, Fifo}) {
        SCOPED_TRACE(taken);
        ASSERT_TRUE(WriteWholeFile(target, precious));
        HANDLE holder = INVALID_HANDLE_VALUE;
        switch (taken) {
            case PlainFile:
            case HeldFile:
                ASSERT_TRUE(WriteWholeFile(name, precious));
                if (taken == HeldFile) {
                    holder = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                         nullptr);
                }
                break;
            case Folder:
                ASSERT_TRUE(CreateDirectoryW(name.c_str(), nullptr));
                break;
            case SymbolicLink:
            case DanglingLink:
                ASSERT_TRUE(MakeUnixSymlink(target, name));
                if (taken == DanglingLink) {
                    ASSERT_TRUE(DeleteFileW(target.c_str()));
                }
                break;
            case HardLink:
                ASSERT_TRUE(CreateHardLinkW(name.c_str(), target.c_str(), nullptr));
                break;
            case Fifo:
                ASSERT_TRUE(MakeUnixFifo(name));
                break;
        }
        ClearRuntimeError();
        OpenForOutput("taken.txt"_t, 1);
        EXPECT_EQ(75, LastRuntimeError());
        EXPECT_EQ(static_cast<uint32_t>(ERROR_FILE_EXISTS), LastRuntimeWindowsError());
        WriteText(1, "clobbered"_t);
        CloseFile(1);
        if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
        EXPECT_EQ(taken == DanglingLink ? "<missing>" : precious, ReadWholeFile(target));
        if (taken == PlainFile || taken == HeldFile) {
            EXPECT_EQ(precious, ReadWholeFile(name));
        }
        if (taken == SymbolicLink || taken == DanglingLink || taken == Fifo) {
            ASSERT_TRUE(WriteWholeFile(target, precious));
            ASSERT_TRUE(RemoveUnixLink(name));
        } else {
            RemoveDirectoryW(name.c_str());
            DeleteFileW(name.c_str());
        }
    }
}

// Only the name changes hands: the file that had it is unnamed, what a link there reached
// keeps its bytes. A name the system will not give up stays as it was, and so does the new
// file.
TEST_F(FileOutput, ReplaceNameMovesOnlyTheName) {
    ASSERT_TRUE(CreateDirectoryW(L"elsewhere", nullptr));
    const std::wstring target = dir_ + L"\\elsewhere\\precious.txt";
    const std::wstring name = dir_ + L"\\log.txt";
    const std::string precious(1650, 'p');
    enum Old { Missing, PlainFile, SymbolicLink, DanglingLink, HardLink, Folder, HeldFile };
    for (Old old : {Missing, PlainFile, SymbolicLink, DanglingLink, HardLink, Folder, HeldFile}) {
        SCOPED_TRACE(old);
        ASSERT_TRUE(WriteWholeFile(target, precious));
        ASSERT_TRUE(WriteWholeFile(L"new.txt", "new"));
        HANDLE holder = INVALID_HANDLE_VALUE;
        switch (old) {
            case Missing:
                break;
            case PlainFile:
            case HeldFile:
                ASSERT_TRUE(WriteWholeFile(name, "old"));
                if (old == HeldFile) {
                    holder = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                         nullptr);
                }
                break;
            case SymbolicLink:
            case DanglingLink:
                ASSERT_TRUE(MakeUnixSymlink(target, name));
                if (old == DanglingLink) {
                    ASSERT_TRUE(DeleteFileW(target.c_str()));
                }
                break;
            case HardLink:
                ASSERT_TRUE(CreateHardLinkW(name.c_str(), target.c_str(), nullptr));
                break;
            case Folder:
                ASSERT_TRUE(CreateDirectoryW(name.c_str(), nullptr));
                break;
        }
        bool refused = old == Folder || old == HeldFile;
        ClearRuntimeError();
        ReplaceName("new.txt"_t, "log.txt"_t);
        if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
        EXPECT_EQ(refused ? 70 : 0, LastRuntimeError());
        EXPECT_EQ(refused ? "new" : "<missing>", ReadWholeFile(L"new.txt"));
        if (old == HeldFile) {
            EXPECT_EQ("old", ReadWholeFile(name));
        } else if (!refused) {
            EXPECT_EQ("new", ReadWholeFile(name));
        }
        EXPECT_EQ(old == DanglingLink ? "<missing>" : precious, ReadWholeFile(target));
        DeleteFileW(L"new.txt");
        RemoveDirectoryW(name.c_str());
        DeleteFileW(name.c_str());
    }
}

// Removal takes the file the open created and nothing that has its name instead.
TEST_F(FileOutput, RemoveCreatedFileTakesOnlyThatFile) {
    const std::string precious(1650, 'p');
    enum Now { Created, OtherFile, LinkToOther, Fifo, Unknown };
    for (Now now : {Created, OtherFile, LinkToOther, Fifo, Unknown}) {
        SCOPED_TRACE(now);
        ClearRuntimeError();
        OpenForOutput("made.txt"_t, 1);
        FileIdentity made = OpenFileIdentity(1);
        WriteText(1, "made"_t);
        CloseFile(1);
        ASSERT_EQ(0, LastRuntimeError());
        ASSERT_TRUE(WriteWholeFile(L"other.txt", precious));
        switch (now) {
            case Created:
            case Unknown:
                break;
            case OtherFile:
                // Moved over it from a file that existed already: a file made anew could get
                // the removed one's inode under Wine.
                ASSERT_TRUE(WriteWholeFile(L"moved.txt", precious));
                ASSERT_TRUE(MoveFileExW(L"moved.txt", L"made.txt", MOVEFILE_REPLACE_EXISTING));
                break;
            case LinkToOther:
                ASSERT_TRUE(DeleteFileW(L"made.txt"));
                ASSERT_TRUE(MakeUnixSymlink(dir_ + L"\\other.txt", dir_ + L"\\made.txt"));
                break;
            case Fifo:
                ASSERT_TRUE(DeleteFileW(L"made.txt"));
                ASSERT_TRUE(MakeUnixFifo(dir_ + L"\\made.txt"));
                break;
        }
        if (now == Unknown) made = FileIdentity{};
        RemoveCreatedFile("made.txt"_t, made);
        EXPECT_EQ(now != Created, NameListed(dir_ + L"\\made.txt"));
        EXPECT_EQ(precious, ReadWholeFile(L"other.txt"));
        if (now == OtherFile) {
            EXPECT_EQ(precious, ReadWholeFile(L"made.txt"));
        }
        if (now == LinkToOther || now == Fifo) {
            ASSERT_TRUE(RemoveUnixLink(dir_ + L"\\made.txt"));
        }
        DeleteFileW(L"made.txt");
    }
}

// A message-mode pipe shows each WriteFile as one message: the zone fill comes in pieces of
// at most 8, and a pipe is neither positioned nor truncated.
TEST(FileOutputPipe, ZoneFillIsWrittenInPiecesOfEight) {
    const wchar_t* pipeName = L"\\\\.\\pipe\\quillmark_zone";
    HANDLE server =
        CreateNamedPipeW(pipeName, PIPE_ACCESS_INBOUND, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE,
                         1, 0, 4096, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, server);
    ClearRuntimeError();
    OpenForOutput("\\\\.\\pipe\\quillmark_zone"_t, 5);
    ASSERT_EQ(0, LastRuntimeError());
    WriteText(5, "ab"_t);
    NextColumnZone(5);
    WriteLineEnd(5);
    CloseFile(5);
    EXPECT_EQ(0, LastRuntimeError());

    std::vector<std::string> messages;
    char buffer[64];
    DWORD n = 0;
    while (ReadFile(server, buffer, sizeof(buffer), &n, nullptr) && n > 0) {
        messages.emplace_back(buffer, n);
    }
    CloseHandle(server);
    EXPECT_EQ((std::vector<std::string>{"ab", "        ", "    ", "\r\n"}), messages);
}

}  // namespace
