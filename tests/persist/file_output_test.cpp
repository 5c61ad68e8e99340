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

TEST_F(FileOutput, OpenEmptiesAnExistingFileAndCreatesAMissingOne) {
    ASSERT_TRUE(WriteWholeFile(L"old.txt", "previous content that is longer"));
    ClearRuntimeError();
    OpenForOutput("old.txt"_t, 1);
    EXPECT_EQ(0, LastRuntimeError());
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    ASSERT_TRUE(GetFileAttributesExW(L"old.txt", GetFileExInfoStandard, &attributes));
    EXPECT_EQ(0u, attributes.nFileSizeLow);             // emptied before the first write
    EXPECT_EQ("<missing>", ReadWholeFile(L"old.txt"));  // open without sharing
    WriteLineEnd(1);
    CloseFile(1);
    EXPECT_EQ("\r\n", ReadWholeFile(L"old.txt"));

    OpenForOutput("new.txt"_t, 2);
    CloseFile(2);
    EXPECT_EQ(0, LastRuntimeError());
    EXPECT_EQ("", ReadWholeFile(L"new.txt"));

    // Closed for real: an opener that allows no sharing gets in.
    HANDLE again = CreateFileW(L"old.txt", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
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
    HANDLE holder = CreateFileW(L"held.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    ASSERT_TRUE(CreateDirectoryW(L"folder", nullptr));
    struct Row {
        const char* name;
        int32_t error;
    };
    const Row rows[] = {
        {"held.txt", 70},        // sharing violation (32)
        {"folder", 70},          // a directory: access denied (5)
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
    }
    CloseHandle(holder);
    EXPECT_EQ("", ReadWholeFile(L"held.txt"));
}

// No open goes through a link: a symbolic link (to a file or to nothing) or a second hard
// link is refused without a Windows error, and what it points at stays as it was.
TEST_F(FileOutput, NeverOpensThroughALink) {
    ASSERT_TRUE(CreateDirectoryW(L"elsewhere", nullptr));
    const std::wstring target = dir_ + L"\\elsewhere\\precious.txt";
    const std::string precious(1650, 'p');
    enum Link { ToAFile, ToNothing, HardLink };
    for (Link link : {ToAFile, ToNothing, HardLink}) {
        SCOPED_TRACE(link);
        ASSERT_TRUE(WriteWholeFile(target, precious));
        if (link == HardLink) {
            ASSERT_TRUE(CreateHardLinkW(L"link.txt", target.c_str(), nullptr));
        } else {
            ASSERT_TRUE(MakeUnixSymlink(target, dir_ + L"\\link.txt"));
            if (link == ToNothing) {
                ASSERT_TRUE(DeleteFileW(target.c_str()));
            }
        }
        ClearRuntimeError();
        OpenForOutput("link.txt"_t, 1);
        EXPECT_EQ(NotOwnFile, LastRuntimeError());
        EXPECT_EQ(0u, LastRuntimeWindowsError());
        WriteText(1, "clobbered"_t);
        CloseFile(1);
        EXPECT_EQ(link == ToNothing ? "<missing>" : precious, ReadWholeFile(target));
        if (link == HardLink) {
            DeleteFileW(L"link.txt");
        } else {
            ASSERT_TRUE(WriteWholeFile(target, precious));
            ASSERT_TRUE(RemoveUnixLink(dir_ + L"\\link.txt"));
        }
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
