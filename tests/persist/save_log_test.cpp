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
    WriteSaveLog(TextRef{}, TextRef{});
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
        WriteSaveLog(B(row.caption), B(row.message));
        EXPECT_EQ(LogOf(row.caption, row.message), ReadWholeFile(L"Tarnevo.log"));
    }
    // A shorter save after a longer one leaves only its own lines.
    WriteSaveLog("a"_t, "b"_t);
    EXPECT_EQ(LogOf("a", "b"), ReadWholeFile(L"Tarnevo.log"));
}

// Double-byte characters go to the log as their code page 932 bytes, counted as bytes.
TEST_F(SaveLog, DoubleByteTextCp932) {
    if (GetACP() != 932) GTEST_SKIP() << "needs code page 932";
    const std::string nihongo = "\x93\xfa\x96\x7b\x8c\xea";  // 日本語
    WriteSaveLog(B(nihongo), B(nihongo + "\r\n" + nihongo));
    EXPECT_EQ(LogOf(nihongo, nihongo + "\r\n" + nihongo), ReadWholeFile(L"Tarnevo.log"));
}

}  // namespace
