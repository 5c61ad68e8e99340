// The editor window as built: title, frame, controls, their places in pixels at several
// display scales, the menu bar, the tab order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/driver.h"
#include "tests/common/files.h"

namespace {

using drive::App;

INT_PTR CALLBACK PassiveDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// A hidden dialog of this process built from the template the editor's must have: popup with
// caption and modal frame, no system menu, at 70,79 with 321 x 277 units, "MS Sans Serif"
// 8 pt with the weight field 700. Its MapDialogRect gives the pixels the editor's controls
// must have.
class ReferenceDialog {
public:
    ReferenceDialog() {
        std::vector<WORD> words;
        auto put32 = [&](DWORD v) {
            words.push_back(LOWORD(v));
            words.push_back(HIWORD(v));
        };
        auto putText = [&](const wchar_t* text) {
            for (; *text; ++text) words.push_back(*text);
            words.push_back(0);
        };
        words.push_back(1);
        words.push_back(0xFFFF);
        put32(0);
        put32(0);
        put32(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK);
        for (WORD v : {0, 70, 79, 321, 277, 0, 0}) words.push_back(v);
        putText(L" ");
        words.push_back(8);
        words.push_back(700);
        words.push_back(0);  // italic, character set
        putText(L"MS Sans Serif");
        window_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEW>(words.data()),
                                             nullptr, PassiveDialogProc, 0);
    }
    ~ReferenceDialog() { DestroyWindow(window_); }

    HWND Window() const { return window_; }
    RECT Map(int x, int y, int width, int height) const {
        RECT rect{x, y, x + width, y + height};
        MapDialogRect(window_, &rect);
        return rect;
    }
    void AttachMenuBar() {
        HMENU menu = CreateMenu();
        AppendMenuW(menu, MF_STRING, 1021, L"Exit");
        AppendMenuW(menu, MF_STRING, 1020, L"About");
        SetMenu(window_, menu);
    }

private:
    HWND window_ = nullptr;
};

std::string Show(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

class EditorLayout : public testing::Test {
protected:
    explicit EditorLayout(const drive::LaunchOptions& options = {}) : app_(options) {}
    void SetUp() override {
        drive::DeleteNotice();
        ASSERT_TRUE(app_.Started());
        editor_ = app_.WaitEditor();
        ASSERT_NE(nullptr, editor_);
    }
    void TearDown() override { drive::DeleteNotice(); }

    App app_;
    HWND editor_ = nullptr;
};

// The editor started with the display at a given DPI.
class EditorLayoutAtDpi : public EditorLayout, public testing::WithParamInterface<int> {
protected:
    EditorLayoutAtDpi() : EditorLayout(AtDpi(GetParam())) {}
    static drive::LaunchOptions AtDpi(int dpi) {
        drive::LaunchOptions options;
        options.dpi = dpi;
        return options;
    }
};

// The dialog's font at a DPI, made here as the system makes it from the template ("MS Sans
// Serif", 8 points, the template's weight), and its base units as the system derives them: the
// rounded average width of "A".."Z" and "a".."z", and the cell height.
struct DialogFontAt {
    explicit DialogFontAt(int dpi) {
        SelectObject(dc, font = CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0,
                                            0, 0, L"MS Sans Serif"));
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        x = (Extent(L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz").cx / 26 + 1) / 2;
        y = metrics.tmHeight;
    }
    ~DialogFontAt() {
        DeleteDC(dc);
        DeleteObject(font);
    }
    SIZE Extent(const std::wstring& text) const {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return size;
    }
    // What MapDialogRect gives for a rectangle in dialog units.
    RECT Map(int left, int top, int width, int height) const {
        return {MulDiv(left, x, 4), MulDiv(top, y, 8), MulDiv(left + width, x, 4),
                MulDiv(top + height, y, 8)};
    }
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = nullptr;
    int x = 0, y = 0;
};

TEST_F(EditorLayout, DialogFrameTitleAndPlace) {
    ReferenceDialog reference;
    ASSERT_NE(nullptr, reference.Window());
    EXPECT_EQ(L"Quillmark v1.1", drive::TextOf(editor_));
    EXPECT_EQ(L"#32770", drive::ClassOf(editor_));

    LONG style = drive::StyleOf(editor_);
    EXPECT_EQ(0, style & WS_SYSMENU) << "no system menu, so no close box";
    EXPECT_EQ(drive::StyleOf(reference.Window()) | WS_VISIBLE, style) << std::hex << style;
    EXPECT_EQ(drive::ExStyleOf(reference.Window()), drive::ExStyleOf(editor_));

    // The menu bar comes after sizing: the window keeps the template's size and the client
    // area loses the height of the bar.
    RECT client = drive::ClientRectOf(editor_);
    RECT unitClient = reference.Map(0, 0, 321, 277);
    EXPECT_EQ(unitClient.right, client.right);
    EXPECT_LT(client.bottom, unitClient.bottom) << "no menu bar?";
    reference.AttachMenuBar();
    EXPECT_EQ(Show(drive::ClientRectOf(reference.Window())), Show(client));
    EXPECT_EQ(Show(drive::RectInParent(reference.Window())), Show(drive::RectInParent(editor_)));
}

TEST_P(EditorLayoutAtDpi, NineControlsWithIdsClassesTextsStylesAndPixels) {
    DialogFontAt font(GetParam());
    struct Row {
        int id;
        const wchar_t* windowClass;
        const wchar_t* text;
        int x, y, width, height;
        LONG style, exStyle;
    };
    const LONG shown = WS_CHILD | WS_VISIBLE;
    const LONG groupBox = shown | BS_GROUPBOX, button = shown | WS_TABSTOP | BS_PUSHBUTTON;
    const LONG label = shown | SS_LEFT, lines = shown | WS_TABSTOP | ES_WANTRETURN | ES_MULTILINE;
    // In creation order, which is also the tab order.
    const Row rows[] = {
        {1001, L"Button", L"Pre-Logon Caption", 5, 5, 315, 45, groupBox, 0},
        {1003, L"Button", L"Save", 10, 220, 70, 20, button, 0},
        {1004, L"Button", L"Cancel", 245, 220, 70, 20, button, 0},
        {1024, L"Button", L"Clear", 130, 220, 70, 20, button, 0},
        {1005, L"Edit", L"", 10, 15, 305, 30, lines | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
        {1007, L"Button", L"Pre-Logon Message", 5, 60, 315, 145, groupBox, 0},
        {1008, L"Edit", L"", 10, 70, 305, 130, lines | WS_VSCROLL | ES_AUTOVSCROLL,
         WS_EX_CLIENTEDGE},
        {1022, L"Static", L"Quillmark must be Run as Administrator in order to save your changes.",
         25, 250, 280, 10, label, 0},
        // The load has already replaced the creation text "Characters Left:".
        {1025, L"Static", L"Characters Left:  2047", 5, 205, 290, 10, label, 0},
    };
    HWND child = GetWindow(editor_, GW_CHILD);
    std::vector<std::pair<RECT, bool>> placed;  // and whether a frame
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        ASSERT_NE(nullptr, child) << "fewer than nine controls";
        EXPECT_EQ(row.id, GetDlgCtrlID(child)) << "creation order";
        EXPECT_EQ(0, _wcsicmp(row.windowClass, drive::ClassOf(child).c_str()))
            << drive::ToAnsi(drive::ClassOf(child));
        EXPECT_EQ(row.text, drive::TextOf(child));
        EXPECT_EQ(row.style, drive::StyleOf(child)) << std::hex << drive::StyleOf(child);
        EXPECT_EQ(row.exStyle, drive::ExStyleOf(child)) << std::hex << drive::ExStyleOf(child);
        RECT rect = drive::RectInParent(child);
        EXPECT_EQ(Show(font.Map(row.x, row.y, row.width, row.height)), Show(rect))
            << "base units " << font.x << " x " << font.y;
        // Each label's, button's and frame's text fits inside it on one line.
        if (row.windowClass != std::wstring(L"Edit")) {
            EXPECT_LE(font.Extent(row.text).cx, drive::ClientRectOf(child).right);
        }
        // No two overlap, but a frame encloses what it frames.
        for (const auto& [other, frame] : placed) {
            RECT both{};
            if (IntersectRect(&both, &rect, &other)) {
                EXPECT_TRUE((row.style == groupBox && EqualRect(&both, &other)) ||
                            (frame && EqualRect(&both, &rect)))
                    << Show(rect) << " overlaps " << Show(other);
            }
        }
        placed.push_back({rect, row.style == groupBox});
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, child) << "more than nine controls";
}

INSTANTIATE_TEST_SUITE_P(Scales, EditorLayoutAtDpi, testing::Values(96, 120, 144, 192));

TEST_F(EditorLayout, TabGoesSaveCancelClearCaptionMessageAndRound) {
    drive::Focus(GetDlgItem(editor_, 1003));
    ASSERT_EQ(GetDlgItem(editor_, 1003), drive::FocusedIn(editor_));
    for (int id : {1004, 1024, 1005, 1008, 1003}) {
        drive::PressKey(VK_TAB);
        HWND expected = GetDlgItem(editor_, id);
        EXPECT_TRUE(drive::WaitFor([&] { return drive::FocusedIn(editor_) == expected; }, 2000))
            << "Tab should reach " << id << ", focus is on "
            << GetDlgCtrlID(drive::FocusedIn(editor_));
    }
    // Tab in an edit moves on instead of typing a tab character.
    EXPECT_EQ(L"", drive::TextOf(GetDlgItem(editor_, 1005)));
    EXPECT_EQ(L"", drive::TextOf(GetDlgItem(editor_, 1008)));
}

// The bar's items, found by clicking where they are drawn: "Exit" left of "About", each
// acting at once without a drop-down.
TEST_F(EditorLayout, MenuBarShowsExitThenAbout) {
    ReferenceDialog reference;
    reference.AttachMenuBar();
    HMENU menu = GetMenu(reference.Window());
    RECT window{}, referenceWindow{}, exitItem{}, aboutItem{};
    GetWindowRect(editor_, &window);
    GetWindowRect(reference.Window(), &referenceWindow);
    ASSERT_TRUE(GetMenuItemRect(reference.Window(), menu, 0, &exitItem));
    ASSERT_TRUE(GetMenuItemRect(reference.Window(), menu, 1, &aboutItem));
    auto centre = [&](const RECT& item) {
        return POINT{window.left + (item.left + item.right) / 2 - referenceWindow.left,
                     window.top + (item.top + item.bottom) / 2 - referenceWindow.top};
    };
    drive::Focus(GetDlgItem(editor_, 1003));

    drive::ClickAt(centre(aboutItem));
    HWND box = app_.WaitMessageBox();
    ASSERT_NE(nullptr, box) << "no About box from the second item";
    EXPECT_EQ(0u, drive::ReadMessageBox(box).text.find(L"Quillmark v1.1\r"));
    drive::AnswerMessageBox(box);
    ASSERT_TRUE(drive::WaitFor([&] { return !IsWindow(box); }));
    // The box's modal loop enables the editor as it ends; a click before that is lost.
    ASSERT_TRUE(drive::WaitFor([&] { return IsWindowEnabled(editor_) != FALSE; }));

    drive::Focus(GetDlgItem(editor_, 1003));
    drive::ClickAt(centre(exitItem));
    EXPECT_EQ(0u, app_.WaitExit().value_or(999)) << "the first item should be Exit";
}

// No label comes right before either edit, so each is given its frame's name for screen
// readers, Active Accessibility's and UI Automation's, on its own window; both are cleared as
// the editor is destroyed. The annotation service's class is served meanwhile by a recording
// stand-in beside this program (Wine's own refuses every call).
TEST(EditorNames, BothEditsNamedForScreenReadersUntilTheEditorCloses) {
    const wchar_t kClass[] =
        L"Software\\Classes\\CLSID\\{B5F8350B-0548-48B1-A6EE-88BD00B4A5E7}\\InprocServer32";
    wchar_t self[MAX_PATH] = {}, wine[MAX_PATH] = {};
    std::wstring here(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    std::wstring dll = here.substr(0, here.rfind(L'\\')) + L"\\accprop_standin.dll";
    auto serve = [&](const std::wstring& path) {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, kClass, nullptr, REG_SZ, path.c_str(),
                        static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    };
    auto asked = [&] { return ReadFileBytes(dll + L".log").value_or(""); };
    DWORD size = sizeof(wine);
    RegGetValueW(HKEY_LOCAL_MACHINE, kClass, nullptr, RRF_RT_REG_SZ, nullptr, wine, &size);
    DeleteFileW((dll + L".log").c_str());
    serve(dll);
    App app;
    HWND editor = app.WaitEditor();
    // The properties' GUIDs: PROPID_ACC_NAME, Name_Property_GUID.
    const std::string kName = "608D3DF8-8128-4AA7-A428-F55E49267291}",
                      kUiaName = "C3A6921B-4A99-44F1-BCA6-61187052C431}";
    std::string named, cleared;
    for (auto [id, name] : {std::pair{1005, "Pre-Logon Caption"}, {1008, "Pre-Logon Message"}}) {
        const std::string at = std::to_string(id) + " -4 0 {";
        named += "set " + at + kName + " " + name + "\nset " + at + kUiaName + " " + name + "\n";
        cleared += "clear " + at + kName + " {" + kUiaName + "\n";
    }
    EXPECT_EQ(named, asked());
    PostMessageW(editor, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0u, app.WaitExit().value_or(999));
    EXPECT_EQ(named + cleared, asked());
    serve(wine);
}

}  // namespace
