// The editor at work: the stored notice, the count, Clear, Save, About, and every way out.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/app/driver.h"
#include "tests/common/files.h"
#include "tests/common/policy_files.h"
#include "ui/message_box.h"

namespace {

using drive::App;
using drive::LaunchOptions;
using drive::Notice;
using drive::Rights;

constexpr int kCaptionEdit = 1005, kMessageEdit = 1008, kCharsLeft = 1025;
constexpr int kSave = 1003, kCancel = 1004, kClear = 1024, kAbout = 1020, kExit = 1021;

const wchar_t kRefusal[] =
    L"Cannot save. This program must be started with \"Run as Administrator\" in order to save "
    L"your edits. Please exit and restart using \"Run as Administrator\".";

std::wstring CharsLeft(int n) {
    return L"Characters Left: " + std::wstring(n < 0 ? L"-" : L" ") +
           std::to_wstring(n < 0 ? -n : n);
}

// The save log as the program must write it.
std::string LogOf(const std::string& caption, const std::string& message) {
    return "legalnoticecaption =        " + caption +
           "\r\n\r\nlegalnoticetext =           " + message + "\r\n";
}

// A string value as a Unicode tool stores it.
StoredValue Sz(const std::wstring& text, DWORD type = REG_SZ) {
    return {type, text + L'\0'};
}

// One run of the editor; a restricted run has its warning answered first.
class EditorRun : public testing::Test {
public:
    void SetUp() override { drive::DeleteNotice(); }
    void TearDown() override { drive::DeleteNotice(); }

    // False (with a failure) when no editor came up.
    bool Open(const Notice& stored = {}, LaunchOptions options = {}) {
        drive::StoreNotice(stored);
        return OpenAsStored(options);
    }
    bool OpenAsStored(LaunchOptions options = {}) {
        app_.emplace(options);
        if (!app_->Started()) {
            ADD_FAILURE() << "not started";
            return false;
        }
        if (options.rights == Rights::Restricted) {
            HWND warning = app_->WaitMessageBox();
            if (!warning) {
                ADD_FAILURE() << "no start-up warning";
                return false;
            }
            drive::AnswerMessageBox(warning);
        }
        editor_ = app_->WaitEditor();
        if (!editor_) ADD_FAILURE() << "no editor";
        return editor_ != nullptr;
    }

    HWND Control(int id) const { return GetDlgItem(editor_, id); }
    // Reads a box of the editor and checks what all its OK boxes share: title and one button.
    static drive::MessageBoxView ReadOkBox(HWND box, bool icon) {
        drive::MessageBoxView view = drive::ReadMessageBox(box);
        EXPECT_EQ(L"Quillmark v1.1", view.caption);
        EXPECT_EQ(std::vector<std::wstring>{L"OK"}, view.buttons);
        EXPECT_EQ(icon, view.icon);
        return view;
    }
    std::wstring Text(int id) const { return drive::TextOf(Control(id)); }
    bool LabelBecomes(const std::wstring& expected, DWORD ms = drive::kWaitMs) const {
        return drive::WaitFor([&] { return Text(kCharsLeft) == expected; }, ms);
    }
    // Replaces the whole text of an edit by typing, and waits until the keys have arrived:
    // input still queued would follow the focus elsewhere.
    void TypeInto(int id, const std::wstring& text) {
        drive::Focus(Control(id));
        SendMessageW(Control(id), EM_SETSEL, 0, -1);
        drive::TypeKeys(text);
        std::wstring expected;
        for (wchar_t ch : text)
            expected += ch == L'\r' ? std::wstring(L"\r\n") : std::wstring(1, ch);
        EXPECT_TRUE(drive::WaitFor([&] { return Text(id) == expected; }))
            << "typed " << drive::ToAnsi(text) << ", got " << drive::ToAnsi(Text(id));
    }
    // Presses a push button with the space bar, as a keyboard user does.
    void Press(int id) {
        drive::Focus(Control(id));
        drive::PressKey(VK_SPACE);
    }
    // Presses Save and checks the Yes/No question it asks, No the default; null when none came.
    HWND PressSaveExpectingQuestion(const std::wstring& question) {
        Press(kSave);
        HWND asked = app_->WaitMessageBox();
        if (!asked) return nullptr;
        drive::MessageBoxView seen = drive::ReadMessageBox(asked);
        EXPECT_EQ(question, seen.text);
        EXPECT_EQ(L"Quillmark v1.1", seen.caption);
        EXPECT_EQ((std::vector<std::wstring>{L"&Yes", L"&No"}), seen.buttons);
        EXPECT_TRUE(seen.icon);
        EXPECT_TRUE(drive::WaitFor(
            [&] { return drive::FocusedIn(asked) == GetDlgItem(asked, IDNO); }, 2000))
            << "No is the default";
        return asked;
    }
    // Answers the box and waits until it is gone.
    void Answer(HWND box, int id) {
        drive::AnswerMessageBox(box, id);
        EXPECT_TRUE(drive::WaitFor([&] { return !IsWindow(box); }));
    }
    // True when a message box shows up within `ms`.
    bool AnyMessageBox(DWORD ms) const { return app_->WaitMessageBox(ms) != nullptr; }

    std::optional<App> app_;
    HWND editor_ = nullptr;
};

// ---- The stored notice and the count --------------------------------------------------------

TEST_F(EditorRun, StoredNoticeComesUpWithItsCount) {
    struct Row {
        Notice stored;
        std::wstring caption, message, label;
    };
    const Row rows[] = {
        {{}, L"", L"", CharsLeft(2047)},
        // Blanks go at both ends; CR LF inside stays and counts 2.
        {{"  Welcome  ", "  First line\r\nSecond  "},
         L"Welcome",
         L"First line\r\nSecond",
         CharsLeft(2047 - 18)},
        // Only spaces are blanks: a tab stays.
        {{"\tTabbed ", std::nullopt}, L"\tTabbed", L"", CharsLeft(2047)},
        {{std::nullopt, "   "}, L"", L"", CharsLeft(2047)},
        {{"", "x"}, L"", L"x", CharsLeft(2046)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(drive::ToAnsi(row.caption + L"|" + row.message));
        ASSERT_TRUE(Open(row.stored));
        EXPECT_EQ(row.caption, Text(kCaptionEdit));
        EXPECT_EQ(row.message, Text(kMessageEdit));
        EXPECT_EQ(row.label, Text(kCharsLeft));
        app_.reset();
    }
}

TEST_F(EditorRun, CountFollowsEveryChangeOfTheMessageOnly) {
    ASSERT_TRUE(Open());
    drive::Focus(Control(kMessageEdit));
    struct Step {
        std::wstring keys;
        int left;
    };
    const Step steps[] = {
        {L"a", 2046},
        {L"b", 2045},
        {L"\r", 2043},  // a line break is CR LF
        {L"c", 2042},
        // Not in the code page: becomes its default character, one byte.
        {L"\u0101", 2041},
    };
    for (const Step& step : steps) {
        drive::TypeKeys(step.keys);
        EXPECT_TRUE(LabelBecomes(CharsLeft(step.left), 2000))
            << "after " << drive::ToAnsi(step.keys) << ": " << drive::ToAnsi(Text(kCharsLeft));
    }
    drive::PressKey(VK_BACK);
    EXPECT_TRUE(LabelBecomes(CharsLeft(2042), 2000)) << drive::ToAnsi(Text(kCharsLeft));

    // The caption has no count.
    drive::Focus(Control(kCaptionEdit));
    drive::TypeKeys(L"caption");
    ASSERT_TRUE(drive::WaitFor([&] { return Text(kCaptionEdit) == L"caption"; }));
    EXPECT_EQ(CharsLeft(2042), Text(kCharsLeft));
}

TEST_F(EditorRun, MessageTakes2047CharactersCaptionFarMore) {
    ASSERT_TRUE(Open());
    HWND message = Control(kMessageEdit);
    drive::Focus(message);
    // A paste honours the limit as typing does, and neither keeps the first half of a pair.
    const std::wstring pair = L"\U0001F600";
    std::wstring paste(2040, L'm');
    SendMessageW(message, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(paste.c_str()));
    EXPECT_TRUE(LabelBecomes(CharsLeft(7))) << drive::ToAnsi(Text(kCharsLeft));
    drive::TypeKeys(L"123456" + pair + L"7");
    EXPECT_TRUE(drive::WaitFor([&] { return Text(kMessageEdit) == paste + L"1234567"; }))
        << drive::ToAnsi(Text(kMessageEdit).substr(2040));
    EXPECT_TRUE(LabelBecomes(CharsLeft(0))) << drive::ToAnsi(Text(kCharsLeft));
    drive::TypeKeys(L"89");
    drive::PressKey(VK_RETURN);
    Sleep(200);
    EXPECT_EQ(2047u, Text(kMessageEdit).size());
    EXPECT_EQ(CharsLeft(0), Text(kCharsLeft));
    // A paste over a selection, cut by the limit after its fifth unit.
    const std::wstring full = Text(kMessageEdit);
    SendMessageW(message, EM_SETSEL, 0, 5);
    std::wstring cut = L"pppp" + pair + L"q";
    SendMessageW(message, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(cut.c_str()));
    EXPECT_TRUE(drive::WaitFor([&] { return Text(kMessageEdit) == L"pppp" + full.substr(5); }))
        << drive::ToAnsi(Text(kMessageEdit).substr(0, 8));
    EXPECT_TRUE(LabelBecomes(CharsLeft(1))) << drive::ToAnsi(Text(kCharsLeft));
    // A pair that ends at the limit stays whole when what follows it is refused.
    SendMessageW(message, EM_SETSEL, 2045, 2047);
    drive::TypeKeys(pair + L"q");
    EXPECT_TRUE(drive::WaitFor([&] { return Text(kMessageEdit).substr(2045) == pair; }));

    HWND caption = Control(kCaptionEdit);
    drive::Focus(caption);
    std::wstring longCaption(5000, L'c');
    SendMessageW(caption, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(longCaption.c_str()));
    drive::TypeKeys(L"!");
    EXPECT_TRUE(drive::WaitFor([&] { return Text(kCaptionEdit).size() == 5001; }))
        << Text(kCaptionEdit).size();

    // But not more than the next start shows: such a save writes nothing and says why.
    std::wstring tooLong(16385 - 5001, L'c');
    SendMessageW(caption, EM_SETSEL, -1, -1);
    SendMessageW(caption, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(tooLong.c_str()));
    ASSERT_TRUE(drive::WaitFor([&] { return Text(kCaptionEdit).size() == 16385; }));
    Press(kSave);
    HWND box = app_->WaitMessageBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(
        L"Cannot save. Nothing was saved: a value longer than 16384 characters would not be "
        L"shown at the next start.\r\nlegalnoticecaption: 16385 characters",
        ReadOkBox(box, true).text);
    Answer(box, IDOK);
    EXPECT_FALSE(AnyMessageBox(300));
    EXPECT_FALSE(app_->ReadFile(L"Tarnevo.log").has_value());
    EXPECT_FALSE(drive::ReadNotice().caption.has_value());

    // A lone half that was stored is somebody's data: typing at the limit leaves it.
    app_.reset();
    const StoredValue lone = Sz(std::wstring(2046, L's') + L"\xD83D");
    StoreValue(L"legalnoticetext", lone);
    ASSERT_TRUE(OpenAsStored());
    drive::Focus(Control(kMessageEdit));
    SendMessageW(Control(kMessageEdit), EM_SETSEL, 2047, 2047);
    SendMessageW(Control(kMessageEdit), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"x"));
    EXPECT_FALSE(drive::WaitFor([&] { return Text(kMessageEdit).size() != 2047; }, 500));
    Press(kSave);
    ASSERT_TRUE(drive::WaitFor([&] { return app_->ReadFile(L"Tarnevo.log").has_value(); }));
    EXPECT_EQ(lone.data, ReadValue(L"legalnoticetext").data);
}

// The count is in bytes of the code page, the box's limit in characters.
TEST_F(EditorRun, Cp932DoubleByteCharactersCountTwoAndGoNegative) {
    if (GetACP() != 932) GTEST_SKIP() << "needs code page 932, this run has " << GetACP();
    ASSERT_TRUE(Open());
    HWND message = Control(kMessageEdit);
    drive::Focus(message);
    drive::TypeKeys(L"\u65E5\u672C\u8A9E");
    EXPECT_TRUE(LabelBecomes(CharsLeft(2047 - 6))) << drive::ToAnsi(Text(kCharsLeft));
    std::wstring paste(2044, L'a');
    SendMessageW(message, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(paste.c_str()));
    // 2047 characters, 2050 bytes.
    EXPECT_TRUE(LabelBecomes(CharsLeft(-3))) << drive::ToAnsi(Text(kCharsLeft));
    drive::TypeKeys(L"x\u3042");
    Sleep(200);
    EXPECT_EQ(2047u, Text(kMessageEdit).size()) << "the box holds 2047 characters";
    EXPECT_EQ(CharsLeft(-3), Text(kCharsLeft));

    // Saved in the code page's bytes, whole.
    TypeInto(kCaptionEdit, L"\u304A\u77E5\u3089\u305B");
    Press(kSave);
    std::string stored = drive::ToAnsi(L"\u65E5\u672C\u8A9E" + paste);
    ASSERT_EQ(2050u, stored.size());
    std::string caption = drive::ToAnsi(L"\u304A\u77E5\u3089\u305B");
    // The log is written first: once the message is stored, the log is whole.
    ASSERT_TRUE(drive::WaitFor([&] { return drive::ReadNotice().text == stored; }));
    EXPECT_EQ(LogOf(caption, stored), app_->ReadFile(L"Tarnevo.log"));
    EXPECT_EQ(caption, drive::ReadNotice().caption.value_or("<none>"));
}

// Code page 65001 (LC_ALL=hi_IN.UTF-8): the count is in UTF-8 bytes, and the log and the
// registry get those bytes.
TEST_F(EditorRun, Cp65001CountsUtf8BytesAndSavesThem) {
    if (GetACP() != CP_UTF8) GTEST_SKIP() << "needs code page 65001, this run has " << GetACP();
    ASSERT_TRUE(Open());
    drive::Focus(Control(kMessageEdit));
    struct Step {
        std::wstring keys;
        int left;
    };
    const Step steps[] = {
        {L"\u00E9", 2045},      // two bytes
        {L"\U0001F600", 2041},  // a surrogate pair, four bytes
        {L"\u0928", 2038},      // three bytes
        {L"a", 2037},
    };
    for (const Step& step : steps) {
        drive::TypeKeys(step.keys);
        EXPECT_TRUE(LabelBecomes(CharsLeft(step.left), 2000))
            << "after " << drive::ToAnsi(step.keys) << ": " << drive::ToAnsi(Text(kCharsLeft));
    }
    TypeInto(kCaptionEdit, L"\u00DCbung \U0001F6D1");
    Press(kSave);
    ASSERT_TRUE(drive::WaitFor([&] { return app_->ReadFile(L"Tarnevo.log").has_value(); }));
    const std::string message =
        "\xC3\xA9\xF0\x9F\x98\x80\xE0\xA4\xA8"
        "a";
    const std::string caption =
        "\xC3\x9C"
        "bung \xF0\x9F\x9B\x91";
    EXPECT_EQ(LogOf(caption, message), app_->ReadFile(L"Tarnevo.log"));
    EXPECT_TRUE(drive::WaitFor([&] { return drive::ReadNotice().text == message; }));
    EXPECT_EQ(caption, drive::ReadNotice().caption.value_or("<none>"));
    EXPECT_FALSE(AnyMessageBox(200));
}

TEST_F(EditorRun, EnterInEitherEditIsALineBreakNotAButton) {
    ASSERT_TRUE(Open({"Stored", "Stored text"}));
    for (int id : {kCaptionEdit, kMessageEdit}) {
        SCOPED_TRACE(id);
        TypeInto(id, L"one\rtwo");
    }
    EXPECT_TRUE(LabelBecomes(CharsLeft(2047 - 8)));
    EXPECT_FALSE(AnyMessageBox(200));
    EXPECT_TRUE(app_->Running());
    EXPECT_FALSE(app_->ReadFile(L"Tarnevo.log").has_value()) << "Enter saved";
    Notice now = drive::ReadNotice();
    EXPECT_EQ("Stored", now.caption.value_or("<none>"));
    EXPECT_EQ("Stored text", now.text.value_or("<none>"));
}

TEST_F(EditorRun, ClearEmptiesBothAndCancelKeepsTheStoredNotice) {
    ASSERT_TRUE(Open({"Kept", "Kept text"}));
    Press(kClear);
    EXPECT_TRUE(drive::WaitFor([&] { return Text(kCaptionEdit).empty(); }));
    EXPECT_TRUE(drive::WaitFor([&] { return Text(kMessageEdit).empty(); }));
    EXPECT_TRUE(LabelBecomes(CharsLeft(2047)));
    EXPECT_FALSE(AnyMessageBox(200)) << "Clear asks nothing";
    Press(kCancel);
    EXPECT_EQ(0u, app_->WaitExit().value_or(999));
    Notice now = drive::ReadNotice();
    EXPECT_EQ("Kept", now.caption.value_or("<none>"));
    EXPECT_EQ("Kept text", now.text.value_or("<none>"));
    EXPECT_FALSE(app_->ReadFile(L"Tarnevo.log").has_value());
}

// ---- Save -------------------------------------------------------------------------------------

TEST_F(EditorRun, SaveWritesBothValuesAndTheLogAndShowsNothing) {
    std::wstring program = drive::ProgramPath();
    std::wstring besideProgram = program.substr(0, program.rfind(L'\\') + 1) + L"Tarnevo.log";
    bool logBesideProgram = PathExists(besideProgram);
    ASSERT_TRUE(Open({"Old caption", "Old text"}, LaunchOptions(Rights::Elevated)));
    TypeInto(kCaptionEdit, L"New caption");
    TypeInto(kMessageEdit, L"Line 1\rLine 2");
    ASSERT_TRUE(LabelBecomes(CharsLeft(2047 - 14))) << drive::ToAnsi(Text(kCharsLeft));
    Press(kSave);
    ASSERT_TRUE(drive::WaitFor([&] { return app_->ReadFile(L"Tarnevo.log").has_value(); }));
    ASSERT_TRUE(drive::WaitFor([&] { return drive::ReadNotice().text == "Line 1\r\nLine 2"; }));
    EXPECT_EQ("New caption", drive::ReadNotice().caption.value_or("<none>"));
    EXPECT_EQ(LogOf("New caption", "Line 1\r\nLine 2"), app_->ReadFile(L"Tarnevo.log"));
    EXPECT_EQ(logBesideProgram, PathExists(besideProgram))
        << "the log goes to the working directory";
    EXPECT_FALSE(AnyMessageBox(300)) << "a save shows nothing";
    EXPECT_TRUE(app_->Running());
    EXPECT_EQ(L"New caption", Text(kCaptionEdit));
    EXPECT_EQ(L"Line 1\r\nLine 2", Text(kMessageEdit));

    // A second save, of two empty texts, leaves only its own lines and two empty values.
    Press(kClear);
    ASSERT_TRUE(LabelBecomes(CharsLeft(2047)));
    Press(kSave);
    ASSERT_TRUE(drive::WaitFor([&] { return drive::ReadNotice().caption == ""; }));
    EXPECT_TRUE(drive::WaitFor([&] { return drive::ReadNotice().text == ""; }));
    std::optional<std::string> log = app_->ReadFile(L"Tarnevo.log");
    EXPECT_EQ(LogOf("", ""), log);
    EXPECT_EQ(62u, log.value_or("").size());
    EXPECT_FALSE(AnyMessageBox(200));
}

TEST_F(EditorRun, LongMessageLoadsAndSavesWhole) {
    std::string stored;
    while (stored.size() < 3000)
        stored += "Line of the notice " + std::to_string(stored.size()) + "\r\n";
    stored.resize(3000);
    stored.back() = '.';
    ASSERT_TRUE(Open({"Long", stored}));
    EXPECT_EQ(drive::FromAnsi(stored), Text(kMessageEdit));
    EXPECT_EQ(CharsLeft(2047 - 3000), Text(kCharsLeft));
    Press(kSave);
    // The file is there before its bytes are.
    EXPECT_TRUE(drive::WaitFor([&] {
        return app_->ReadFile(L"Tarnevo.log") == LogOf("Long", stored);
    })) << app_->ReadFile(L"Tarnevo.log").value_or("<none>").size();
    Notice now = drive::ReadNotice();
    EXPECT_EQ(stored.size(), now.text.value_or("").size());
    EXPECT_EQ(stored, now.text.value_or(""));
    EXPECT_FALSE(AnyMessageBox(200));
}

// The log is a record, not a condition: without it the registry is still written, and the
// save says what became of the log. Whatever has the log's name is replaced, never written
// through: a link's target keeps its bytes and the save shows nothing.
TEST_F(EditorRun, SaveReplacesTheLogOrSaysWhyNot) {
    enum Obstacle {
        HeldOpen,
        Folder,
        Fifo,  // Wine replaces no special file; it is never opened, so the save does not hang
        SymbolicLink,
        DanglingLink,
        HardLink,
        RegistryAndFolder
    };
    struct Row {
        const char* name;
        Obstacle obstacle;
    };
    const std::wstring saved =
        L"The logon notice was saved, but the save log could not be written.";
    const std::wstring cannot =
        L"Cannot save. The logon notice could not be written to the registry.";
    const std::wstring denied = drive::SystemMessage(ERROR_ACCESS_DENIED);
    const std::string precious(1650, 'p');
    for (const Row& row :
         {Row{"log held open elsewhere", HeldOpen}, Row{"folder", Folder}, Row{"FIFO", Fifo},
          Row{"symbolic link", SymbolicLink}, Row{"dangling link", DanglingLink},
          Row{"hard link", HardLink}, Row{"registry and log", RegistryAndFolder}}) {
        SCOPED_TRACE(row.name);
        LaunchOptions options;
        options.files = {{L"precious.txt", precious}};
        if (row.obstacle == HeldOpen) options.files.push_back({L"Tarnevo.log", "held"});
        ASSERT_TRUE(Open({"Old", "Old text"}, options));
        std::wstring log = app_->FilePath(L"Tarnevo.log");
        std::wstring target = app_->FilePath(L"precious.txt");
        HANDLE held = INVALID_HANDLE_VALUE;
        bool replaced = false;
        switch (row.obstacle) {
            case HeldOpen:
                held =
                    CreateFileW(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                ASSERT_NE(INVALID_HANDLE_VALUE, held);
                break;
            case Folder:
            case RegistryAndFolder:
                ASSERT_TRUE(CreateDirectoryW(log.c_str(), nullptr));
                break;
            case Fifo:
                ASSERT_TRUE(MakeUnixFifo(log));
                break;
            case SymbolicLink:
            case DanglingLink:
                ASSERT_TRUE(MakeUnixSymlink(target, log));
                if (row.obstacle == DanglingLink) {
                    ASSERT_TRUE(DeleteFileW(target.c_str()));
                }
                replaced = true;
                break;
            case HardLink:
                ASSERT_TRUE(CreateHardLinkW(log.c_str(), target.c_str(), nullptr));
                replaced = true;
                break;
        }
        std::optional<PolicyKeyDenial> denial;
        if (row.obstacle == RegistryAndFolder) {
            denial.emplace(KEY_SET_VALUE);
            ASSERT_TRUE(denial->Active());
        }
        TypeInto(kCaptionEdit, L"New");
        Press(kSave);
        if (replaced) {
            EXPECT_TRUE(drive::WaitFor(
                [&] { return app_->ReadFile(L"Tarnevo.log") == LogOf("New", "Old text"); }));
            EXPECT_TRUE(drive::WaitFor([&] { return drive::ReadNotice().caption == "New"; }));
            EXPECT_FALSE(AnyMessageBox(300)) << "a save shows nothing";
        } else {
            HWND box = app_->WaitMessageBox();
            ASSERT_NE(nullptr, box);
            drive::MessageBoxView view = ReadOkBox(box, true);
            drive::AnswerMessageBox(box);
            if (denial) {
                EXPECT_EQ(cannot + L"\r\nlegalnoticecaption: " + denied + L"\r\nlegalnoticetext: " +
                              denied + L"\r\nTarnevo.log: " + denied,
                          view.text);
                denial->Restore();
                EXPECT_EQ("Old", drive::ReadNotice().caption.value_or("<none>"));
            } else {
                EXPECT_EQ(saved + L"\r\nTarnevo.log: " + denied, view.text);
                EXPECT_EQ("New", drive::ReadNotice().caption.value_or("<none>"));
            }
        }
        EXPECT_EQ("Old text", drive::ReadNotice().text.value_or("<none>"));
        EXPECT_TRUE(app_->Running());
        if (held != INVALID_HANDLE_VALUE) {
            CloseHandle(held);
            EXPECT_EQ("held", app_->ReadFile(L"Tarnevo.log"));
        }
        // What a link points at is never touched, nor made where it was missing.
        EXPECT_EQ(row.obstacle == DanglingLink ? std::nullopt : std::optional(precious),
                  app_->ReadFile(L"precious.txt"));
        if (row.obstacle == Fifo) {
            ASSERT_TRUE(RemoveUnixLink(log));
        }
        RemoveDirectoryW(log.c_str());
        app_.reset();
    }
}

TEST_F(EditorRun, RestrictedSaveIsRefusedAndTouchesNothing) {
    const std::string oldLog = LogOf("Earlier", "Earlier text");
    LaunchOptions options(Rights::Restricted);
    options.files = {{L"Tarnevo.log", oldLog}};
    ASSERT_TRUE(Open({"Stored", "Stored text"}, options));
    // The note stands for every user.
    EXPECT_EQ(L"Quillmark must be Run as Administrator in order to save your changes.", Text(1022));
    ULONGLONG logTime = app_->WriteTime(L"Tarnevo.log");
    TypeInto(kCaptionEdit, L"Changed");
    Press(kSave);
    HWND box = app_->WaitMessageBox();
    ASSERT_NE(nullptr, box) << "no refusal";
    drive::MessageBoxView view = ReadOkBox(box, false);
    EXPECT_EQ(kRefusal, view.text);
    drive::AnswerMessageBox(box);
    ASSERT_TRUE(drive::WaitFor([&] { return !IsWindow(box); }));

    EXPECT_FALSE(AnyMessageBox(300)) << "a second message after the refusal";
    drive::BringToFront(editor_);
    EXPECT_TRUE(drive::WaitFor([&] { return drive::FocusedIn(editor_) == Control(kSave); }, 2000))
        << "focus on " << GetDlgCtrlID(drive::FocusedIn(editor_));
    EXPECT_TRUE(app_->Running());
    EXPECT_EQ(L"Changed", Text(kCaptionEdit));
    EXPECT_EQ(oldLog, app_->ReadFile(L"Tarnevo.log"));
    EXPECT_EQ(logTime, app_->WriteTime(L"Tarnevo.log"));
    Notice now = drive::ReadNotice();
    EXPECT_EQ("Stored", now.caption.value_or("<none>"));
    EXPECT_EQ("Stored text", now.text.value_or("<none>"));
}

// ---- Every character and string shape survives ------------------------------------------------

struct ShapeRow {
    StoredValue caption, message;
    std::wstring shownCaption, shownMessage;
    StoredValue savedCaption, savedMessage;
};

// Stored by a Unicode tool, opened and saved untouched: back exactly, in its type (a list of
// strings as lines of one string). Then typed text goes the same way.
void UntouchedAndTypedTextComesBack(EditorRun& run, const std::vector<ShapeRow>& rows,
                                    const std::wstring& typed) {
    for (const ShapeRow& row : rows) {
        SCOPED_TRACE(drive::ToAnsi(row.shownCaption + L"|" + row.shownMessage));
        StoreValue(L"legalnoticecaption", row.caption);
        StoreValue(L"legalnoticetext", row.message);
        ASSERT_TRUE(run.OpenAsStored());
        EXPECT_EQ(row.shownCaption, run.Text(kCaptionEdit));
        EXPECT_EQ(row.shownMessage, run.Text(kMessageEdit));
        run.Press(kSave);
        ASSERT_TRUE(drive::WaitFor([&] { return run.app_->ReadFile(L"Tarnevo.log").has_value(); }));
        EXPECT_TRUE(
            drive::WaitFor([&] { return ReadValue(L"legalnoticetext") == row.savedMessage; }));
        EXPECT_EQ(row.savedCaption, ReadValue(L"legalnoticecaption"));
        EXPECT_EQ(row.savedMessage, ReadValue(L"legalnoticetext"));
        EXPECT_FALSE(run.AnyMessageBox(200));
        run.app_.reset();
    }
    ASSERT_TRUE(run.Open());
    run.TypeInto(kCaptionEdit, typed);
    run.TypeInto(kMessageEdit, typed + L"\r" + typed);
    run.Press(kSave);
    EXPECT_TRUE(drive::WaitFor(
        [&] { return ReadValue(L"legalnoticetext") == Sz(typed + L"\r\n" + typed); }));
    EXPECT_EQ(Sz(typed), ReadValue(L"legalnoticecaption"));
    EXPECT_FALSE(run.AnyMessageBox(200));
}

TEST_F(EditorRun, UntouchedAndTypedUnicodeComesBackExactly) {
    const std::wstring russian =
        L"\u0412\u043d\u0438\u043c\u0430\u043d\u0438\u0435: \u0442\u043e\u043b\u044c\u043a\u043e";
    const std::wstring japanese =
        L"\u8b66\u544a \u8a31\u53ef\u3055\u308c\u305f\u5229\u7528\u8005\u306e\u307f";
    const std::wstring lines = L"Line one\r\nLine two\r\nLine three";
    UntouchedAndTypedTextComesBack(
        *this,
        {{Sz(russian), Sz(japanese), russian, japanese, Sz(russian), Sz(japanese)},
         {Sz(L"Stop \U0001F6D1 now"), Sz(L"%SystemRoot%\\notice", REG_EXPAND_SZ),
          L"Stop \U0001F6D1 now", L"%SystemRoot%\\notice", Sz(L"Stop \U0001F6D1 now"),
          Sz(L"%SystemRoot%\\notice", REG_EXPAND_SZ)},
         {Sz(L"  Multi  "),
          {REG_MULTI_SZ, std::wstring(L"Line one\0Line two\0Line three\0\0", 31)},
          L"Multi",
          lines,
          Sz(L"Multi"),
          Sz(lines)}},
        L"\u041f\u0440\u0438\u0432\u0435\u0442 \U0001F600 ok");
}

TEST_F(EditorRun, UntouchedAndTypedUnicodeComesBackExactlyCp932) {
    if (GetACP() != 932) GTEST_SKIP() << "needs code page 932, this run has " << GetACP();
    const std::wstring korean = L"\uacbd\uace0: \ud5c8\uac00\ub41c \uc0ac\uc6a9\uc790\ub9cc";
    UntouchedAndTypedTextComesBack(
        *this,
        {{Sz(korean), Sz(L"\u20ac 100 \U0001F6D1"), korean, L"\u20ac 100 \U0001F6D1", Sz(korean),
          Sz(L"\u20ac 100 \U0001F6D1")}},
        L"\ud55c\uad6d\uc5b4 \U0001F600 \u20ac");
}

TEST_F(EditorRun, UntouchedAndTypedUnicodeComesBackExactlyCp65001) {
    if (GetACP() != CP_UTF8) GTEST_SKIP() << "needs code page 65001, this run has " << GetACP();
    const std::wstring hindi = L"\u0938\u0942\u091a\u0928\u093e: \u0915\u0947\u0935\u0932";
    UntouchedAndTypedTextComesBack(
        *this,
        {{Sz(hindi), Sz(L"\u4e2d\u6587 \U0001F6D1"), hindi, L"\u4e2d\u6587 \U0001F6D1", Sz(hindi),
          Sz(L"\u4e2d\u6587 \U0001F6D1")}},
        L"\u0928\u092e\u0938\u094d\u0924\u0947 \U0001F600 \u00e9");
}

// A value that cannot be shown is said so once the editor is up, and a save asks before it
// replaces it: No writes nothing and asks again next time, Yes saves.
TEST_F(EditorRun, UnreadableValuesAreNeverOverwrittenUnseen) {
    enum Cause { Dword, Binary, Oversized, ReadDenied };
    struct Row {
        Cause cause;
        std::wstring lines;  // the box's lines after its first
        std::wstring names;
        bool tryNo;
    };
    const std::wstring denied = drive::SystemMessage(ERROR_ACCESS_DENIED);
    const Row rows[] = {
        {Dword, L"\r\nlegalnoticecaption: stored as REG_DWORD, not as text", L"legalnoticecaption",
         true},
        {Binary, L"\r\nlegalnoticetext: stored as REG_BINARY, not as text", L"legalnoticetext",
         false},
        {Oversized, L"\r\nlegalnoticetext: longer than 16384 characters", L"legalnoticetext",
         false},
        {ReadDenied, L"\r\nlegalnoticecaption: " + denied + L"\r\nlegalnoticetext: " + denied,
         L"legalnoticecaption, legalnoticetext", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(drive::ToAnsi(row.lines));
        StoredValue caption = Sz(L"Kept caption"), message = Sz(L"Kept text");
        if (row.cause == Dword) caption = {REG_DWORD, std::wstring(L"\x0001\x0000", 2)};
        if (row.cause == Binary) message = {REG_BINARY, L"\x0102\x0304"};
        if (row.cause == Oversized) message = Sz(std::wstring(16385, L'x'));
        StoreValue(L"legalnoticecaption", caption);
        StoreValue(L"legalnoticetext", message);
        std::optional<PolicyKeyDenial> denial;
        if (row.cause == ReadDenied) denial.emplace(KEY_QUERY_VALUE);

        app_.emplace();
        HWND box = app_->WaitMessageBox();
        ASSERT_NE(nullptr, box);
        editor_ = app_->WaitEditor();
        ASSERT_NE(nullptr, editor_) << "the box comes over the editor";
        EXPECT_TRUE(IsWindowVisible(editor_));
        drive::MessageBoxView view = ReadOkBox(box, true);
        EXPECT_EQ(L"Some of the stored logon notice could not be shown:" + row.lines, view.text);
        drive::AnswerMessageBox(box);
        ASSERT_TRUE(drive::WaitFor([&] { return !IsWindow(box); }));
        EXPECT_TRUE(LabelBecomes(CharsLeft(row.cause == Dword ? 2047 - 9 : 2047)));

        const std::wstring question =
            L"Saving replaces stored values that could not be shown: " + row.names;
        if (row.tryNo) {
            HWND asked = PressSaveExpectingQuestion(question);
            ASSERT_NE(nullptr, asked);
            drive::AnswerMessageBox(asked, IDNO);
            ASSERT_TRUE(drive::WaitFor([&] { return !IsWindow(asked); }));
            EXPECT_FALSE(AnyMessageBox(200));
            EXPECT_FALSE(app_->ReadFile(L"Tarnevo.log").has_value()) << "No writes nothing";
            if (denial) denial->Restore();
            EXPECT_EQ(caption, ReadValue(L"legalnoticecaption"));
            EXPECT_EQ(message, ReadValue(L"legalnoticetext"));
            if (denial) denial.emplace(KEY_QUERY_VALUE);
        }
        if (row.cause == Dword) {  // too long as well: refused, and nothing asked
            SetWindowTextW(Control(kCaptionEdit), std::wstring(16385, L'c').c_str());
            Press(kSave);
            HWND refusal = app_->WaitMessageBox();
            ASSERT_NE(nullptr, refusal);
            EXPECT_EQ(0u, drive::ReadMessageBox(refusal).text.find(L"Cannot save. Nothing was"));
            Answer(refusal, IDOK);
            EXPECT_FALSE(AnyMessageBox(300));
        }
        TypeInto(kCaptionEdit, L"New");
        HWND asked = PressSaveExpectingQuestion(question);
        ASSERT_NE(nullptr, asked);
        drive::AnswerMessageBox(asked, IDYES);
        ASSERT_TRUE(drive::WaitFor([&] { return app_->ReadFile(L"Tarnevo.log").has_value(); }));
        EXPECT_FALSE(AnyMessageBox(300)) << "the save itself went well";
        if (denial) denial->Restore();
        EXPECT_TRUE(drive::WaitFor([&] { return ReadValue(L"legalnoticecaption") == Sz(L"New"); }));
        // Saved once, the values are the editor's: the next save asks nothing.
        Press(kSave);
        EXPECT_FALSE(AnyMessageBox(300));
        app_.reset();
    }
}

// Another program changed the notice while the editor was open: a save asks before it
// replaces that; No writes nothing and asks again next time, Yes saves and makes what it stored
// the editor's own, so the next save asks nothing. A question about unreadable values comes
// first.
TEST_F(EditorRun, ChangesByAnotherProgramAreReplacedOnlyAfterYes) {
    struct Row {
        const char* name;
        StoredValue caption, message;  // written by the other program once the editor is up
        std::wstring names;
        bool unreadableAtStart;
    };
    const Row rows[] = {
        {"caption", Sz(L"Theirs"), Sz(L"Kept text"), L"legalnoticecaption", false},
        // The same text as lines of a list is another value.
        {"message as a list",
         Sz(L"Kept caption"),
         {REG_MULTI_SZ, std::wstring(L"Kept text\0\0", 11)},
         L"legalnoticetext",
         false},
        {"both, one deleted", Sz(L"Theirs"), {}, L"legalnoticecaption, legalnoticetext", false},
        {"an unreadable caption made text", Sz(L"Theirs"), Sz(L"Kept text"), L"legalnoticecaption",
         true},
    };
    const std::wstring changed =
        L"The stored logon notice was changed by another program after it was shown: ";
    const std::wstring replace = L"\r\n\r\nReplace it with what is shown here?";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StoreValue(L"legalnoticecaption",
                   row.unreadableAtStart ? StoredValue{REG_DWORD, std::wstring(L"\x0001\x0000", 2)}
                                         : Sz(L"Kept caption"));
        StoreValue(L"legalnoticetext", Sz(L"Kept text"));
        ASSERT_TRUE(OpenAsStored());
        if (row.unreadableAtStart) {
            HWND warning = app_->WaitMessageBox();
            ASSERT_NE(nullptr, warning);
            Answer(warning, IDOK);
        }
        StoreValue(L"legalnoticecaption", row.caption);
        StoreValue(L"legalnoticetext", row.message);
        TypeInto(kMessageEdit, L"Mine");
        for (int answer : {IDNO, IDYES}) {
            SCOPED_TRACE(answer == IDNO ? "No" : "Yes");
            if (row.unreadableAtStart) {
                HWND consent = PressSaveExpectingQuestion(
                    L"Saving replaces stored values that could not be shown: legalnoticecaption");
                ASSERT_NE(nullptr, consent);
                Answer(consent, IDYES);
                HWND asked = app_->WaitMessageBox();
                ASSERT_NE(nullptr, asked);
                EXPECT_EQ(changed + row.names + replace, drive::ReadMessageBox(asked).text);
                Answer(asked, answer);
            } else {
                HWND asked = PressSaveExpectingQuestion(changed + row.names + replace);
                ASSERT_NE(nullptr, asked);
                Answer(asked, answer);
            }
            if (answer == IDNO) {
                EXPECT_FALSE(AnyMessageBox(200));
                EXPECT_FALSE(app_->ReadFile(L"Tarnevo.log").has_value()) << "No writes nothing";
                EXPECT_EQ(row.caption, ReadValue(L"legalnoticecaption"));
                EXPECT_EQ(row.message, ReadValue(L"legalnoticetext"));
                EXPECT_EQ(L"Mine", Text(kMessageEdit));
            }
        }
        ASSERT_TRUE(drive::WaitFor([&] { return ReadValue(L"legalnoticetext") == Sz(L"Mine"); }));
        EXPECT_EQ(Sz(row.unreadableAtStart ? L"" : L"Kept caption"),
                  ReadValue(L"legalnoticecaption"));
        EXPECT_FALSE(AnyMessageBox(300)) << "the save itself went well";
        // What it stored is the editor's now.
        Press(kSave);
        EXPECT_FALSE(AnyMessageBox(300));
        app_.reset();
    }
}

// A name as the box's line: cut, where it has to be, as the dialog layer's tests check.
std::wstring Quoted(const std::wstring& name) {
    WideString line = QuotedBoxLine(name.data(), static_cast<uint32_t>(name.size()));
    return std::wstring(line.CStr(), line.Units());
}

// Policy that also defines the notice is said once the editor is up, in the same one box as
// values that could not be shown; a save is still allowed and says nothing more.
TEST_F(EditorRun, StartTellsWhoElseSetsTheNotice) {
    const std::wstring guid = L"{31B2F340-016D-11D2-945F-00C04FB984F9}";
    const std::wstring caption = std::wstring(kSystemEntryW) + L"LegalNoticeCaption=1,\"Hi\"\r\n";
    const std::wstring text = std::wstring(kSystemEntryW) + L"LegalNoticeText=7,One,Two\r\n";
    const std::wstring intro =
        L"The logon notice on this computer is also set by policy, which replaces a local save "
        L"when it is applied again:";
    const std::wstring again =
        L"\r\nGroup Policy applies it again at every restart and at least every 16 hours.";
    // Per value a line, then the first five of all the objects' names, a line each, then how
    // many more.
    auto objects = [](std::wstring value, std::vector<std::wstring> names, size_t all) {
        std::wstring lines = L"\r\n" + value + L": Group Policy object" + (all > 1 ? L"s" : L"");
        names.resize(all < 5 ? all : 5);
        for (const std::wstring& name : names) lines += L"\r\n" + Quoted(name);
        size_t more = all - names.size();
        if (more == 0) return lines;
        return lines + L"\r\nand " + std::to_wstring(more) + L" more Group Policy object" +
               (more > 1 ? L"s" : L"");
    };
    // Names in any script, sorted, a line each, a long one cut; nothing in a name begins a line
    // or turns the line around. Exactly five: no count line.
    const std::vector<std::wstring> many = {
        L"A\u202Eexe.txt", L"Banner \U0001F512", L"Line\r\nlegalnoticetext: MDM",
        std::wstring(300, L'x'), L"\x041E\x0442\x0434\x0435\x043B \x0410"};
    // Numbered objects, and the same with names far too long for a line.
    std::vector<std::wstring> numbered, lengthy;
    for (int k = 10; k < 60; ++k) {
        numbered.push_back(L"Object " + std::to_wstring(k));
        lengthy.push_back(numbered.back() +
                          L" logon notice for the Sales and Marketing unit, EMEA");
    }
    auto both = [&](const std::vector<std::wstring>& names, size_t all) {
        return intro + objects(L"legalnoticecaption", names, all) +
               objects(L"legalnoticetext", names, all) + again;
    };
    enum Plant { Named, Unnamed, Device, Unreadable, NoNotice, Many, Six, Fifty, Long };
    struct Row {
        Plant plant;
        std::wstring box;  // empty: none
        DWORD dpi = 0;     // the display's, when not the world's
    };
    const std::wstring banner = L"\r\n\"Logon\u00A0banner\"";  // the box breaks no line there
    const Row rows[] = {
        {Named, intro + L"\r\nlegalnoticecaption: Group Policy object" + banner +
                    L"\r\nlegalnoticetext: Group Policy object" + banner + again},
        // Without a history entry the object is named by its path.
        {Unnamed,
         intro + L"\r\nlegalnoticetext: Group Policy object\r\n" + Quoted(GpoPath(guid)) + again},
        {Device, intro + L"\r\nlegalnoticetext: device management (MDM)"},
        {Unreadable,
         L"Some of the stored logon notice could not be shown:\r\nlegalnoticecaption: stored as "
         L"REG_DWORD, not as text\r\n\r\n" +
             intro + L"\r\nlegalnoticecaption: Group Policy object" + banner + again},
        {NoNotice, L""},  // other settings only
        {Many, intro + objects(L"legalnoticetext", many, many.size()) + again},
        {Six, both(numbered, 6)},
        {Fifty, both(numbered, 50)},
        {Long, both(lengthy, 50)},
        {Fifty, both(numbered, 50), 192},  // at twice the scale, still on the 1280 x 1024 screen
        {Long, both(lengthy, 50), 192},
    };
    std::vector<RECT> textOf;  // the box's text with short names, at each scale
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.plant));
        StoreValue(L"legalnoticecaption",
                   row.plant == Unreadable
                       ? StoredValue{REG_DWORD, std::wstring(L"\x0001\x0000", 2)}
                       : Sz(L"Kept caption"));
        StoreValue(L"legalnoticetext", Sz(L"Kept text"));
        if (row.plant == Named || row.plant == Unreadable) {
            PlantHistoryEntry(0, guid, L"Logon banner");
        }
        if (row.plant == Named)
            PlantTemplate(L"gpt00000.inf", Utf16File(TemplateText(caption + text, GpoPath(guid))));
        if (row.plant == Unreadable)
            PlantTemplate(L"gpt00000.dom", AnsiFile(TemplateText(caption, GpoPath(guid))));
        if (row.plant == Unnamed)
            PlantTemplate(L"gpt00001.inf", AnsiFile(TemplateText(text, GpoPath(guid))));
        if (row.plant == NoNotice) {
            PlantTemplate(L"gpt00000.inf",
                          Utf16File(TemplateText(
                              L"MACHINE\\System\\CurrentControlSet\\Control\\Lsa\\NoLMHash=4,1\r\n",
                              GpoPath(guid))));
        }
        if (row.plant == Device) PlantDeviceValue(kDeviceMessageW, L"Managed text");
        const std::vector<std::wstring>& names = row.plant == Many   ? many
                                                 : row.plant == Long ? lengthy
                                                                     : numbered;
        size_t count = row.plant == Six ? 6 : names.size();
        for (size_t k = 0; row.plant >= Many && k < count; ++k) {
            std::wstring object =
                L"{00000000-0000-0000-0000-0000000000" + std::to_wstring(10 + k) + L"}";
            PlantHistoryEntry(static_cast<int>(k), object, names[k]);
            PlantTemplate(L"gpt1" + std::to_wstring(k) + L".inf",
                          Utf16File(TemplateText(row.plant == Many ? text : caption + text,
                                                 GpoPath(object))));
        }

        LaunchOptions options;
        options.dpi = row.dpi;
        app_.emplace(options);
        editor_ = app_->WaitEditor();
        ASSERT_NE(nullptr, editor_);
        if (row.plant == NoNotice) {
            EXPECT_FALSE(AnyMessageBox(500));
        } else {
            HWND box = app_->WaitMessageBox();
            ASSERT_NE(nullptr, box);
            std::wstring seen = ReadOkBox(box, true).text;
            // This program cuts names at its own scale, not the row's.
            if (!row.dpi || row.plant != Long) {
                EXPECT_EQ(row.box, seen);
            }
            RECT on = drive::RectInParent(box);  // on the screen; fifty objects' on 1024 x 768
            EXPECT_TRUE(on.left >= 0 && on.top >= 0 && on.right <= GetSystemMetrics(SM_CXSCREEN) &&
                        on.bottom <= GetSystemMetrics(SM_CYSCREEN));
            EXPECT_TRUE(row.plant != Fifty || row.dpi ||
                        (on.right - on.left <= 1024 && on.bottom - on.top <= 768));
            // Long names, each cut to one line, make the text no taller than short ones: the
            // box broke none of their lines.
            RECT text = drive::ClientRectOf(GetDlgItem(box, 0xFFFF));
            if (row.plant == Fifty) textOf.push_back(text);
            EXPECT_TRUE(row.plant != Long || textOf.back().bottom == text.bottom);
            Answer(box, IDOK);
            EXPECT_FALSE(AnyMessageBox(300)) << "one box";
        }
        if (row.plant != Unreadable) {
            TypeInto(kCaptionEdit, L"New");
            Press(kSave);
            EXPECT_TRUE(
                drive::WaitFor([&] { return ReadValue(L"legalnoticecaption") == Sz(L"New"); }));
            EXPECT_FALSE(AnyMessageBox(300)) << "a save asks and says nothing of policy";
        }
        app_.reset();
        RemovePolicySources();
    }
}

// ---- About ------------------------------------------------------------------------------------

TEST_F(EditorRun, AboutShowsFiveLinesAndGivesTheFocusBack) {
    ASSERT_TRUE(Open());
    HWND message = Control(kMessageEdit);
    drive::Focus(message);
    drive::Command(editor_, kAbout);
    HWND box = app_->WaitMessageBox();
    ASSERT_NE(nullptr, box);
    drive::MessageBoxView view = ReadOkBox(box, false);
    EXPECT_EQ(std::wstring::npos, view.text.find(L'\n')) << "lines end in CR alone";
    std::vector<std::wstring> lines;
    for (size_t start = 0;;) {
        size_t end = view.text.find(L'\r', start);
        lines.push_back(view.text.substr(start, end - start));
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    ASSERT_EQ(5u, lines.size()) << drive::ToAnsi(view.text);
    EXPECT_EQ(L"Quillmark v1.1", lines[0]);
    EXPECT_EQ(L"", lines[1]);
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring year = L"-" + std::to_wstring(now.wYear);
    ASSERT_GT(lines[2].size(), year.size());
    EXPECT_EQ(year, lines[2].substr(lines[2].size() - year.size())) << drive::ToAnsi(lines[2]);
    EXPECT_EQ(L"", lines[3]);
    EXPECT_FALSE(lines[4].empty());
    EXPECT_TRUE(drive::WaitFor([&] { return !IsWindowEnabled(editor_); }))
        << "the box is task-modal";

    drive::AnswerMessageBox(box);
    ASSERT_TRUE(drive::WaitFor([&] { return !IsWindow(box); }));
    // The box's own modal loop enables the editor again as it ends, a moment after the box.
    EXPECT_TRUE(drive::WaitFor([&] { return IsWindowEnabled(editor_) != FALSE; }));
    // Wine leaves the dialog inactive after the box; the user clicks it back to the front.
    drive::BringToFront(editor_);
    EXPECT_TRUE(drive::WaitFor([&] { return drive::FocusedIn(editor_) == message; }, 2000))
        << "focus on " << GetDlgCtrlID(drive::FocusedIn(editor_));
}

// ---- Ways out and ways that are not ---------------------------------------------------------

TEST_F(EditorRun, CancelExitAndSystemCloseEndWithZeroWritingNothing) {
    struct Row {
        const char* name;
        void (*end)(EditorRun&);
    };
    const Row rows[] = {
        {"Cancel button", [](EditorRun& run) { run.Press(kCancel); }},
        {"Exit menu item", [](EditorRun& run) { drive::Command(run.editor_, kExit); }},
        {"system close",
         [](EditorRun& run) { PostMessageW(run.editor_, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        // No close box, but the keyboard's close request still reaches the dialog.
        {"Alt+F4",
         [](EditorRun& run) {
             drive::Focus(run.Control(kMessageEdit));
             drive::PressAltF4();
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(Open({"Stored", "Stored text"}));
        TypeInto(kMessageEdit, L"unsaved");
        ASSERT_TRUE(LabelBecomes(CharsLeft(2040)));
        row.end(*this);
        EXPECT_EQ(0u, app_->WaitExit().value_or(999));
        EXPECT_FALSE(app_->ReadFile(L"Tarnevo.log").has_value());
        Notice now = drive::ReadNotice();
        EXPECT_EQ("Stored", now.caption.value_or("<none>"));
        EXPECT_EQ("Stored text", now.text.value_or("<none>"));
        app_.reset();
    }
}

TEST_F(EditorRun, DialogCommandsEscapeAndQuitLeaveItOpen) {
    ASSERT_TRUE(Open({"Stored", "Stored text"}));
    struct Row {
        const char* name;
        void (*poke)(EditorRun&);
    };
    const Row rows[] = {
        {"IDOK", [](EditorRun& run) { drive::Command(run.editor_, IDOK); }},
        {"IDCANCEL", [](EditorRun& run) { drive::Command(run.editor_, IDCANCEL); }},
        // The dialog manager turns Escape into IDCANCEL.
        {"Escape on Clear",
         [](EditorRun& run) {
             drive::Focus(run.Control(kClear));
             drive::PressKey(VK_ESCAPE);
         }},
        // A multi-line edit turns Escape into WM_CLOSE for its dialog.
        {"Escape in the message",
         [](EditorRun& run) {
             drive::Focus(run.Control(kMessageEdit));
             drive::PressKey(VK_ESCAPE);
         }},
        {"WM_CLOSE", [](EditorRun& run) { PostMessageW(run.editor_, WM_CLOSE, 0, 0); }},
        {"WM_QUIT",
         [](EditorRun& run) { PostThreadMessageW(run.app_->MainThread(), WM_QUIT, 0, 0); }},
    };
    int typed = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.poke(*this);
        Sleep(150);
        ASSERT_TRUE(app_->Running());
        ASSERT_TRUE(IsWindow(editor_) && IsWindowVisible(editor_));
        // Still at work: typing still moves the count.
        drive::Focus(Control(kMessageEdit));
        SendMessageW(Control(kMessageEdit), EM_SETSEL, -1, -1);
        drive::TypeKeys(L"z");
        ++typed;
        EXPECT_TRUE(LabelBecomes(CharsLeft(2047 - 11 - typed), 2000))
            << drive::ToAnsi(Text(kCharsLeft));
    }
    EXPECT_FALSE(AnyMessageBox(0));
    EXPECT_FALSE(app_->ReadFile(L"Tarnevo.log").has_value());
    // The dialog's own end still gives 0.
    PostMessageW(editor_, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0u, app_->WaitExit().value_or(999));
}

}  // namespace
