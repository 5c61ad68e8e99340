// Control kinds: window class, final styles, coordinates, completions and text.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "tests/ui/modal_script.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/window_table.h"

namespace {

constexpr DWORD kVisibleChild = WS_CHILD | WS_VISIBLE;
// The editor's two edit boxes.
constexpr DWORD kCaptionEditStyle =
    WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_WANTRETURN | ES_AUTOHSCROLL | ES_MULTILINE;
constexpr DWORD kMessageEditStyle =
    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_WANTRETURN | ES_AUTOVSCROLL | ES_MULTILINE;

HWND PixelsDialog() {
    // The classes the runtime's start-up asks for.
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES |
                                      ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_HOTKEY_CLASS |
                                      ICC_PAGESCROLLER_CLASS | ICC_NATIVEFNTCTL_CLASS |
                                      ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    return BuildDialog(nullptr, T("kinds"), 0, 0, 400, 300, 0, 0, CoordinateMode::Pixels);
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

DWORD StyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
}

DWORD ExStyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
}

std::string Hex(DWORD value) {
    char text[16];
    snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

struct KindRow {
    ControlKind kind;
    int32_t width, height;
    DWORD style, exStyle;  // as passed
    const wchar_t* windowClass;
    DWORD finalStyle, finalExStyle;
    // Bits the control itself changes after creation, left out of the window's style.
    DWORD systemBits = 0, systemExBits = 0;
    const char* className = "";  // CustomClass and ActiveXHost only
};

void CheckRows(const KindRow* rows, size_t count) {
    HWND dialog = PixelsDialog();
    ASSERT_NE(nullptr, dialog);
    for (size_t i = 0; i < count; ++i) {
        const KindRow& row = rows[i];
        int32_t id = 200 + static_cast<int32_t>(i);
        CreateControl(dialog, row.kind, id, T("x"), 10, 10, row.width, row.height, row.style,
                      row.exStyle, nullptr, {}, T(row.className));
        HWND control = GetControlWindow(dialog, id);
        SCOPED_TRACE(testing::Message() << "row " << i << " kind " << static_cast<int>(row.kind));
        ASSERT_NE(nullptr, control);
        EXPECT_EQ(row.windowClass, ClassOf(control));
        WindowRecord* record = FindWindowRecord(control);
        ASSERT_NE(nullptr, record);
        EXPECT_EQ(Hex(row.finalStyle), Hex(record->style));
        EXPECT_EQ(Hex(row.finalExStyle), Hex(record->exStyle));
        EXPECT_EQ(Hex(row.finalStyle & ~row.systemBits), Hex(StyleOf(control) & ~row.systemBits));
        EXPECT_EQ(Hex(row.finalExStyle & ~row.systemExBits),
                  Hex(ExStyleOf(control) & ~row.systemExBits));
    }
    DestroyWindow(dialog);
}

TEST(ControlKinds, ClassAndStyleFromDefaults) {
    const KindRow rows[] = {
        {ControlKind::PushButton, 60, 20, 0, 0, L"Button",
         kVisibleChild | WS_TABSTOP | BS_PUSHBUTTON, 0},
        {ControlKind::CheckBox3State, 60, 20, 0, 0, L"Button",
         kVisibleChild | WS_TABSTOP | BS_AUTO3STATE, 0},
        {ControlKind::CheckBox, 60, 20, 0, 0, L"Button",
         kVisibleChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0},
        {ControlKind::GroupBox, 60, 20, 0, 0, L"Button", kVisibleChild | BS_GROUPBOX, 0},
        {ControlKind::Label, 60, 20, 0, 0, L"Static", kVisibleChild | SS_LEFT, 0},
        {ControlKind::EtchedLine, 60, 20, 0, 0, L"Static", kVisibleChild | SS_ETCHEDFRAME, 0},
        {ControlKind::RadioButton, 60, 20, 0, 0, L"Button",
         kVisibleChild | WS_TABSTOP | BS_AUTORADIOBUTTON, 0},
        {ControlKind::ScrollBar, 60, 20, 0, 0, L"ScrollBar", kVisibleChild | SBS_HORZ, 0},
        {ControlKind::ScrollBar, 20, 60, 0, 0, L"ScrollBar", kVisibleChild | SBS_VERT,
         0},  // taller than wide
        {ControlKind::ScrollBar, 20, 20, 0, 0, L"ScrollBar", kVisibleChild | SBS_HORZ,
         0},  // square stays horizontal
        // Client edge instead of the flat border.
        {ControlKind::EditBox, 60, 20, 0, 0, L"Edit", kVisibleChild | WS_TABSTOP | ES_AUTOHSCROLL,
         WS_EX_CLIENTEDGE},
        {ControlKind::Image, 60, 20, 0, 0, L"Static", kVisibleChild | SS_BITMAP, 0},
        {ControlKind::ScaledImage, 60, 20, 0, 0, L"Static", kVisibleChild | SS_BITMAP, 0},
        {ControlKind::ImageButton, 60, 20, 0, 0, L"Button", kVisibleChild | WS_TABSTOP | BS_BITMAP,
         0},
        {ControlKind::ScaledImageButton, 60, 20, 0, 0, L"Button",
         kVisibleChild | WS_TABSTOP | BS_BITMAP, 0},
        {ControlKind::Graphic, 60, 20, 0, 0, L"Static", kVisibleChild | WS_TABSTOP | SS_OWNERDRAW,
         0},
        {ControlKind::ScaledGraphic, 60, 20, 0, 0, L"Static",
         kVisibleChild | WS_TABSTOP | SS_OWNERDRAW, 0},
        {ControlKind::Header, 60, 20, 0, 0, L"SysHeader32", kVisibleChild | HDS_HORZ, 0},
        {ControlKind::ListView, 60, 20, 0, 0, L"SysListView32",
         kVisibleChild | LVS_REPORT | LVS_SHOWSELALWAYS, 0},
        {ControlKind::TreeView, 60, 20, 0, 0, L"SysTreeView32",
         kVisibleChild | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
             TVS_SHOWSELALWAYS,
         0},
        {ControlKind::ProgressBar, 60, 20, 0, 0, L"msctls_progress32", kVisibleChild | WS_BORDER,
         0},
        {ControlKind::StatusBar, 60, 20, 0, 0, L"msctls_statusbar32", kVisibleChild | CCS_BOTTOM,
         0},
        {ControlKind::ToolBar, 60, 20, 0, 0, L"ToolbarWindow32",
         kVisibleChild | WS_BORDER | TBSTYLE_FLAT | CCS_TOP, 0},
        {ControlKind::TabControl, 60, 20, 0, 0, L"SysTabControl32",
         kVisibleChild | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP, 0},
        {ControlKind::ComboBox, 60, 80, 0, 0, L"ComboBox",
         kVisibleChild | WS_TABSTOP | CBS_DROPDOWN | CBS_SORT, 0},
        // The list shows its scroll bar only when it needs one.
        {ControlKind::ListBox, 60, 80, 0, 0, L"ListBox",
         kVisibleChild | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT, WS_EX_CLIENTEDGE,
         WS_VSCROLL},
    };
    CheckRows(rows, std::size(rows));
}

TEST(ControlKinds, ExplicitStyleGetsSetAndClearedBits) {
    const KindRow rows[] = {
        {ControlKind::PushButton, 60, 20, BS_DEFPUSHBUTTON, 0, L"Button",
         kVisibleChild | BS_DEFPUSHBUTTON, 0},
        // Border and the wrong button type go; the kind's own type stays.
        {ControlKind::CheckBox3State, 60, 20, WS_BORDER | WS_TABSTOP | BS_CHECKBOX, 0, L"Button",
         kVisibleChild | WS_TABSTOP | BS_AUTO3STATE, 0},
        {ControlKind::CheckBox, 60, 20, WS_BORDER | WS_TABSTOP | BS_RADIOBUTTON, 0, L"Button",
         kVisibleChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0},
        // Never a tab stop nor a group start, whatever was asked.
        {ControlKind::GroupBox, 60, 20, WS_TABSTOP | WS_GROUP | BS_NOTIFY, 0, L"Button",
         kVisibleChild | BS_GROUPBOX, 0},
        {ControlKind::Label, 60, 20, SS_CENTER, 0, L"Static", kVisibleChild | SS_CENTER, 0},
        // An etched line gives itself a static edge.
        {ControlKind::EtchedLine, 60, 20, SS_ETCHEDHORZ, 0, L"Static",
         kVisibleChild | SS_ETCHEDHORZ, 0, 0, WS_EX_STATICEDGE},
        {ControlKind::RadioButton, 60, 20, WS_GROUP | WS_VSCROLL | BS_RADIOBUTTON, 0, L"Button",
         kVisibleChild | WS_GROUP | BS_AUTORADIOBUTTON, 0},
        // An explicit style is not turned vertical by the shape.
        {ControlKind::ScrollBar, 20, 60, WS_TABSTOP, 0, L"ScrollBar",
         kVisibleChild | WS_TABSTOP | SBS_HORZ, 0},
        // The editor's two edits, and an explicit border that stays a border.
        {ControlKind::EditBox, 60, 20, kCaptionEditStyle, WS_EX_CLIENTEDGE, L"Edit",
         kCaptionEditStyle, WS_EX_CLIENTEDGE},
        {ControlKind::EditBox, 60, 20, kMessageEditStyle, WS_EX_CLIENTEDGE, L"Edit",
         kMessageEditStyle, WS_EX_CLIENTEDGE},
        {ControlKind::EditBox, 60, 20, WS_BORDER | ES_AUTOHSCROLL, 0, L"Edit",
         kVisibleChild | WS_BORDER | ES_AUTOHSCROLL, 0, WS_BORDER},
        {ControlKind::ProgressBar, 60, 20, PBS_SMOOTH, 0, L"msctls_progress32",
         kVisibleChild | PBS_SMOOTH, 0},
        {ControlKind::TreeView, 60, 20, TVS_CHECKBOXES | TVS_HASLINES, 0, L"SysTreeView32",
         kVisibleChild | TVS_CHECKBOXES | TVS_HASLINES, 0},
        // Multi-line, buttons, multi-select and scroll-opposite go; the rest stays.
        {ControlKind::TabControl, 60, 20,
         TCS_MULTILINE | TCS_BUTTONS | TCS_FLATBUTTONS | TCS_MULTISELECT | TCS_BOTTOM |
             TCS_SCROLLOPPOSITE,
         0, L"SysTabControl32", kVisibleChild | TCS_FLATBUTTONS | TCS_BOTTOM, 0, WS_CLIPSIBLINGS},
        // Edits and combo boxes draw their own border in place of WS_BORDER.
        {ControlKind::ComboBox, 60, 80, WS_BORDER | CBS_DROPDOWNLIST, 0, L"ComboBox",
         kVisibleChild | WS_BORDER | CBS_DROPDOWNLIST, 0, WS_BORDER},
        {ControlKind::ListBox, 60, 80, WS_BORDER, 0, L"ListBox",
         kVisibleChild | WS_BORDER | LBS_NOTIFY, 0},
        // The caller's class and style, untouched: not even made visible.
        {ControlKind::CustomClass, 60, 20, WS_CHILD | BS_CHECKBOX, WS_EX_STATICEDGE, L"Button",
         WS_CHILD | BS_CHECKBOX, WS_EX_STATICEDGE, 0, 0, "BUTTON"},
        {ControlKind::ActiveXHost, 60, 20, WS_CHILD | WS_VISIBLE, 0, L"Static",
         WS_CHILD | WS_VISIBLE, 0, 0, 0, "STATIC"},
    };
    CheckRows(rows, std::size(rows));
}

TEST(ControlKinds, RecordFontAndCompletions) {
    HWND dialog = PixelsDialog();
    ASSERT_NE(nullptr, dialog);
    HFONT font = FindWindowRecord(dialog)->font;
    DialogCallback callback = [](HWND, UINT, WPARAM, LPARAM) CALLBACK -> LRESULT { return 0; };

    CreateControl(dialog, ControlKind::PushButton, 301, T("Go"), 5, 5, 50, 20, BS_DEFPUSHBUTTON, 0,
                  callback);
    EXPECT_EQ(MAKELONG(301, DC_HASDEFID), SendMessageW(dialog, DM_GETDEFID, 0, 0));
    HWND button = GetControlWindow(dialog, 301);
    WindowRecord* record = FindWindowRecord(button);
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(kRecordControl | ModeFlags(CoordinateMode::Pixels), record->flags);
    EXPECT_EQ(dialog, record->parent);
    EXPECT_EQ(callback, record->callback);
    EXPECT_EQ(ControlKind::PushButton, record->kind);
    EXPECT_EQ(kColourNotSet, record->textColour);
    EXPECT_EQ(reinterpret_cast<LRESULT>(font), SendMessageW(button, WM_GETFONT, 0, 0));

    // Items up to the first empty one; the default list box sorts.
    TextRef items[] = {"pear"_t, "apple"_t, ""_t, "plum"_t};
    CreateControl(dialog, ControlKind::ListBox, 302, T(""), 5, 30, 80, 60, 0, 0, nullptr,
                  {items, 4});
    HWND list = GetControlWindow(dialog, 302);
    EXPECT_EQ(2, SendMessageW(list, LB_GETCOUNT, 0, 0));
    wchar_t first[16] = {};
    SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(L"apple", first);
    CreateControl(dialog, ControlKind::ComboBox, 303, T(""), 5, 100, 80, 60, 0, 0, nullptr,
                  {items, 2});
    EXPECT_EQ(2, SendMessageW(GetControlWindow(dialog, 303), CB_GETCOUNT, 0, 0));
    CreateControl(dialog, ControlKind::TabControl, 304, T(""), 100, 5, 120, 60, 0, 0, nullptr,
                  {items, 4});
    EXPECT_EQ(2, SendMessageW(GetControlWindow(dialog, 304), TCM_GETITEMCOUNT, 0, 0));

    CreateControl(dialog, ControlKind::ScrollBar, 305, T(""), 5, 170, 100, 16, 0, 0);
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    SendMessageW(GetControlWindow(dialog, 305), SBM_GETSCROLLINFO, 0,
                 reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(0, info.nMin);
    EXPECT_EQ(100, info.nMax);
    EXPECT_EQ(10u, info.nPage);
    EXPECT_EQ(0, info.nPos);

    for (int kind = static_cast<int>(ControlKind::Header);
         kind <= static_cast<int>(ControlKind::TabControl); ++kind) {
        if (kind == static_cast<int>(ControlKind::ProgressBar))
            continue;  // keeps no text, so has no format to report
        CreateControl(dialog, static_cast<ControlKind>(kind), 400 + kind, T(""), 230, 5, 100, 30, 0,
                      0);
        EXPECT_TRUE(SendMessageW(GetControlWindow(dialog, 400 + kind), CCM_GETUNICODEFORMAT, 0, 0))
            << "kind " << kind;
    }

    // Kinds whose resources are missing still make their windows.
    CreateControl(dialog, ControlKind::Image, 501, T("NoSuchBitmap"), 5, 200, 30, 30, 0, 0);
    CreateControl(dialog, ControlKind::ImageButton, 502, T("NoSuchBitmap"), 40, 200, 30, 30, 0, 0);
    EXPECT_NE(nullptr, GetControlWindow(dialog, 501));
    EXPECT_EQ(nullptr, FindWindowRecord(GetControlWindow(dialog, 501))->image);
    CreateControl(dialog, ControlKind::Graphic, 503, T(""), 80, 200, 30, 30, 0, 0);
    EXPECT_NE(nullptr, GraphicSurface(GetControlWindow(dialog, 503)));

    // The dialog's size reaches its status bar, which keeps to the bottom edge.
    CreateControl(dialog, ControlKind::StatusBar, 504, T(""), 0, 0, 50, 20, 0, 0);
    HWND status = GetControlWindow(dialog, 504);
    SetWindowPos(dialog, nullptr, 0, 0, 500, 420, SWP_NOMOVE | SWP_NOZORDER);
    RECT bar{}, client{};
    GetWindowRect(status, &bar);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&bar), 2);
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.bottom, bar.bottom);
    EXPECT_EQ(client.right, bar.right);

    // Not a kind, or not our dialog: nothing is made.
    int32_t count = WindowRecordCount();
    CreateControl(dialog, static_cast<ControlKind>(26), 600, T("no"), 0, 0, 10, 10, 0, 0);
    EXPECT_EQ(nullptr, GetControlWindow(dialog, 600));
    HWND stranger = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                    nullptr, nullptr);
    CreateControl(stranger, ControlKind::PushButton, 601, T("no"), 0, 0, 10, 10, 0, 0);
    EXPECT_EQ(nullptr, GetControlWindow(stranger, 601));
    EXPECT_EQ(count, WindowRecordCount());
    DestroyWindow(stranger);
    DestroyWindow(dialog);
}

TEST(ControlGeometry, DialogUnitEdgesShareTheirPixels) {
    HWND dialog = BuildDialog(nullptr, T("du"), 0, 0, 300, 200, 0, 0, CoordinateMode::DialogUnits);
    ASSERT_NE(nullptr, dialog);
    // Odd positions and sizes: converting sizes instead of edges drifts by a pixel here.
    int id = 700;
    for (int x = 1; x <= 13; x += 2) {
        CreateControl(dialog, ControlKind::Label, id, T("a"), x, x, 7, 9, 0, 0);
        CreateControl(dialog, ControlKind::Label, id + 1, T("b"), x + 7, x + 9, 5, 5, 0, 0);
        RECT a{}, b{};
        GetWindowRect(GetControlWindow(dialog, id), &a);
        GetWindowRect(GetControlWindow(dialog, id + 1), &b);
        EXPECT_EQ(a.right, b.left) << "x " << x;
        EXPECT_EQ(a.bottom, b.top) << "x " << x;
        // And the control sits where the dialog's own units put it.
        RECT expected{x, x, x + 7, x + 9};
        MapDialogRect(dialog, &expected);
        POINT corner{a.left, a.top};
        ScreenToClient(dialog, &corner);
        EXPECT_EQ(expected.left, corner.x);
        EXPECT_EQ(expected.top, corner.y);
        EXPECT_EQ(expected.right - expected.left, a.right - a.left);
        id += 2;
    }
    // The editor's pair: a control at x 10, width 70 ends where one at x 80 begins.
    CreateControl(dialog, ControlKind::PushButton, 800, T("a"), 10, 100, 70, 14, 0, 0);
    CreateControl(dialog, ControlKind::PushButton, 801, T("b"), 80, 100, 70, 14, 0, 0);
    RECT a{}, b{};
    GetWindowRect(GetControlWindow(dialog, 800), &a);
    GetWindowRect(GetControlWindow(dialog, 801), &b);
    EXPECT_EQ(a.right, b.left);
    DestroyWindow(dialog);
}

std::string Bytes(TextRef t) {
    return std::string(t.CStr(), t.Length());
}

char DefaultChar() {
    CPINFO info{};
    GetCPInfo(CP_ACP, &info);
    return static_cast<char>(info.DefaultChar[0]);
}

// Sets each text through the layer and reads it back, also as the window holds it.
void RoundTrip(HWND edit, const std::string& bytes, const std::wstring& wide) {
    SetControlText(edit, T(bytes.c_str()));
    wchar_t held[4096] = {};
    GetWindowTextW(edit, held, 4096);
    EXPECT_EQ(wide, held);
    EXPECT_EQ(bytes, Bytes(GetControlText(edit)));
}

TEST(ControlText, RoundTripAndUnrepresentableInCp1252) {
    if (GetACP() != 1252) GTEST_SKIP() << "code page " << GetACP();
    HWND dialog = PixelsDialog();
    CreateControl(dialog, ControlKind::EditBox, 900, T("start"), 5, 5, 200, 20, 0, 0);
    HWND edit = GetControlWindow(dialog, 900);
    EXPECT_EQ("start", Bytes(GetControlText(edit)));
    RoundTrip(edit, "Gr\xFC\xDF\x65 \x96 100 \x80", L"Gr\u00FC\u00DFe \u2013 100 \u20AC");
    RoundTrip(edit, std::string(3000, 'q') + "!", std::wstring(3000, L'q') + L"!");  // no cut
    RoundTrip(edit, "", L"");
    EXPECT_TRUE(GetControlText(edit).Empty());
    // Outside the code page: the code page's default character.
    SetWindowTextW(edit, L"A\u0E01B");
    EXPECT_EQ(std::string("A") + DefaultChar() + "B", Bytes(GetControlText(edit)));
    // The dialog's title takes the same way.
    SetControlText(dialog, "Caf\xE9"_t);
    EXPECT_EQ("Caf\xE9", Bytes(GetControlText(dialog)));
    DestroyWindow(dialog);
    // A window that is gone reads as empty.
    EXPECT_TRUE(GetControlText(edit).Empty());
    EXPECT_TRUE(GetControlText(nullptr).Empty());
}

TEST(ControlText, RoundTripAndUnrepresentableInCp932) {
    if (GetACP() != 932) GTEST_SKIP() << "code page " << GetACP();
    HWND dialog = PixelsDialog();
    CreateControl(dialog, ControlKind::EditBox, 900, T(""), 5, 5, 200, 20, 0, 0);
    HWND edit = GetControlWindow(dialog, 900);
    EXPECT_TRUE(GetControlText(edit).Empty());
    // Double-byte characters, one with a backslash byte as its trail byte.
    RoundTrip(edit, "\x93\xFA\x96\x7B \x95\x5C", L"\u65E5\u672C \u8868");
    RoundTrip(edit, "abc\xB1", L"abc\uFF71");  // a half-width katakana single byte
    SetWindowTextW(edit, L"A\u0E01B");
    EXPECT_EQ(std::string("A") + DefaultChar() + "B", Bytes(GetControlText(edit)));
    DestroyWindow(dialog);
}

}  // namespace
