// The run-time dialog: template bytes, style rules, placement, the modal run and records.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "tests/ui/modal_script.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/dialog_engine.h"
#include "ui/window_table.h"

namespace {

// A caption without system menu or close box.
constexpr DWORD kDefaultStyle =
    WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;
// Set in every built dialog's style.
constexpr DWORD kAlwaysSet = DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;

// Reads a DLGTEMPLATEEX the way the system's template parser does.
struct ParsedTemplate {
    uint16_t version, signature;
    uint32_t helpId, exStyle, style;
    uint16_t items;
    int16_t x, y, cx, cy;
    std::u16string menu, windowClass, title;
    uint16_t pointSize, weight;
    uint8_t italic, charset;
    std::u16string face;
    size_t size;
};

struct Reader {
    const uint8_t* p;
    const uint8_t* start;
    template <class T>
    T Get() {
        T value;
        memcpy(&value, p, sizeof(T));
        p += sizeof(T);
        return value;
    }
    std::u16string String() {
        std::u16string s;
        for (char16_t c; (c = Get<char16_t>()) != 0;) s += c;
        return s;
    }
    // The menu and class fields: 0 = none, 0xFFFF + ordinal, or a string.
    std::u16string NameOrOrdinal() {
        uint16_t first;
        memcpy(&first, p, 2);
        if (first == 0) return p += 2, u"";
        if (first == 0xFFFF) return p += 4, u"#ordinal";
        return String();
    }
};

ParsedTemplate Parse(const uint8_t* bytes) {
    Reader r{bytes, bytes};
    ParsedTemplate t{};
    t.version = r.Get<uint16_t>();
    t.signature = r.Get<uint16_t>();
    t.helpId = r.Get<uint32_t>();
    t.exStyle = r.Get<uint32_t>();
    t.style = r.Get<uint32_t>();
    t.items = r.Get<uint16_t>();
    t.x = r.Get<int16_t>();
    t.y = r.Get<int16_t>();
    t.cx = r.Get<int16_t>();
    t.cy = r.Get<int16_t>();
    t.menu = r.NameOrOrdinal();
    t.windowClass = r.NameOrOrdinal();
    t.title = r.String();
    if (t.style & DS_SETFONT) {
        t.pointSize = r.Get<uint16_t>();
        t.weight = r.Get<uint16_t>();
        t.italic = r.Get<uint8_t>();
        t.charset = r.Get<uint8_t>();
        t.face = r.String();
    }
    t.size = static_cast<size_t>(r.p - r.start);
    return t;
}

TEST(DialogTemplate, ReadsBackFieldByField) {
    alignas(4) uint8_t buffer[512];
    memset(buffer, 0xCC, sizeof(buffer));
    uint32_t used =
        WriteDialogTemplate(buffer, kDefaultStyle, WS_EX_TOOLWINDOW, -5, kCentred, 321, 0x12345);
    ParsedTemplate t = Parse(buffer);
    EXPECT_EQ(1, t.version);
    EXPECT_EQ(0xFFFF, t.signature);
    EXPECT_EQ(0u, t.helpId);
    EXPECT_EQ(static_cast<uint32_t>(WS_EX_TOOLWINDOW), t.exStyle);
    EXPECT_EQ(kDefaultStyle, t.style);
    EXPECT_EQ(0, t.items);
    EXPECT_EQ(-5, t.x);
    EXPECT_EQ(0, t.y);  // low 16 bits of 0x80000000
    EXPECT_EQ(321, t.cx);
    EXPECT_EQ(0x2345, t.cy);
    EXPECT_EQ(u"", t.menu);
    EXPECT_EQ(u"", t.windowClass);
    EXPECT_EQ(u" ", t.title);
    EXPECT_EQ(8, t.pointSize);
    EXPECT_EQ(FW_BOLD, t.weight);  // font 1 weighs 400, which writes bold
    EXPECT_EQ(0, t.italic);
    EXPECT_EQ(0, t.charset);
    EXPECT_EQ(u"MS Sans Serif", t.face);
    EXPECT_EQ(68u, t.size);
    EXPECT_EQ(t.size, used);
    // The rest of the buffer is cleared, not left as it was.
    for (size_t i = used; i < sizeof(buffer); ++i) ASSERT_EQ(0, buffer[i]) << "byte " << i;
}

TEST(DialogStyle, ComputedFromCallerStylePositionAndParent) {
    struct Row {
        DWORD style;
        int32_t x, y;
        bool parent;
        DWORD expected;
    } rows[] = {
        {0, 10, 10, false, kDefaultStyle},
        {WS_VISIBLE | DS_SYSMODAL, 10, 10, false, kAlwaysSet},  // hidden, never system-modal
        {0, kCentred, 10, false, kDefaultStyle | DS_CENTER},
        {0, 10, kCentred, true, kDefaultStyle | DS_CENTER},
        {WS_CHILD | WS_CAPTION | DS_ABSALIGN, 0, 0, true, WS_CHILD | WS_CAPTION | kAlwaysSet},
        // A child without a parent becomes a popup.
        {WS_CHILD | WS_CAPTION | DS_ABSALIGN, 0, 0, false, WS_POPUP | WS_CAPTION | kAlwaysSet},
        {WS_CHILD | WS_POPUP, 0, 0, true, WS_CHILD | kAlwaysSet},
        {WS_POPUP | WS_SYSMENU | WS_CAPTION, 0, 0, false,
         WS_POPUP | WS_SYSMENU | WS_CAPTION | kAlwaysSet},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.expected, DialogStyle(row.style, row.x, row.y, row.parent))
            << std::hex << "style 0x" << row.style << " parent " << row.parent;
}

TEST(DialogWindow, DefaultStyleHiddenWithRealTitle) {
    HWND dialog = BuildDialog(nullptr, T("Quill \xE9t\xE9"), 10, 10, 100, 60, 0, 0,
                              CoordinateMode::DialogUnits);
    ASSERT_NE(nullptr, dialog);
    EXPECT_FALSE(IsWindowVisible(dialog));
    // The system clips every top-level window's siblings.
    EXPECT_EQ(kDefaultStyle | WS_CLIPSIBLINGS,
              static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)));
    EXPECT_EQ(nullptr, GetSystemMenu(dialog, FALSE));
    wchar_t title[32] = {};
    GetWindowTextW(dialog, title, 32);
    EXPECT_STREQ(L"Quill \u00E9t\u00E9", title);
    WindowRecord* record = FindWindowRecord(dialog);
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(kRecordDialog | ModeFlags(CoordinateMode::DialogUnits), record->flags);
    EXPECT_EQ(SW_SHOW, record->showCommand);
    EXPECT_EQ(ControlKind::CustomClass, record->kind);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), record->font);
    EXPECT_NE(nullptr, record->font);
    EXPECT_EQ(kColourNotSet, record->textColour);
    EXPECT_EQ(kColourNotSet, record->backgroundColour);
    DestroyWindow(dialog);
}

RECT WindowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

RECT ClientRect(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return r;
}

TEST(DialogPlacement, DialogUnitsAreNeitherMovedNorResized) {
    HWND dialog =
        BuildDialog(nullptr, T("du"), 20, 30, 200, 100, 0, 0, CoordinateMode::DialogUnits);
    ASSERT_NE(nullptr, dialog);
    // Where the system put it from the template, in the dialog's own units: the client
    // area's corner at x, y from the screen's corner (no owner), its size width x height.
    RECT corner{20, 30, 0, 0}, size{0, 0, 200, 100};
    MapDialogRect(dialog, &corner);
    MapDialogRect(dialog, &size);
    POINT origin{0, 0};
    ClientToScreen(dialog, &origin);
    RECT client = ClientRect(dialog);
    EXPECT_EQ(corner.left, origin.x);
    EXPECT_EQ(corner.top, origin.y);
    EXPECT_EQ(size.right, client.right);
    EXPECT_EQ(size.bottom, client.bottom);
    // A Pixels build of the same numbers lands elsewhere, so the check above means something.
    EXPECT_NE(200, client.right);
    DestroyWindow(dialog);
}

TEST(DialogPlacement, PixelsGiveClientSizeAndOwnerRelativePosition) {
    HWND dialog = BuildDialog(nullptr, T("px"), 40, 50, 300, 200, 0, 0, CoordinateMode::Pixels);
    ASSERT_NE(nullptr, dialog);
    RECT window = WindowRect(dialog), client = ClientRect(dialog);
    EXPECT_EQ(300, client.right);
    EXPECT_EQ(200, client.bottom);
    EXPECT_EQ(40, window.left);
    EXPECT_EQ(50, window.top);
    EXPECT_GT(window.bottom - window.top, 200);  // the caption is on top of the client area
    EXPECT_EQ(kRecordDialog | ModeFlags(CoordinateMode::Pixels), FindWindowRecord(dialog)->flags);

    // With an owner, the position counts from the owner's client origin.
    POINT origin{0, 0};
    ClientToScreen(dialog, &origin);
    // Both mode bits: the Pixels bit decides.
    HWND owned =
        BuildDialog(dialog, T("owned"), 7, 9, 120, 80, 0, 0, static_cast<CoordinateMode>(3));
    ASSERT_NE(nullptr, owned);
    EXPECT_EQ(origin.x + 7, WindowRect(owned).left);
    EXPECT_EQ(origin.y + 9, WindowRect(owned).top);
    EXPECT_EQ(120, ClientRect(owned).right);
    DestroyWindow(owned);
    DestroyWindow(dialog);

    // Centred in the work area.
    HWND centred =
        BuildDialog(nullptr, T("c"), kCentred, 0, 300, 200, 0, 0, CoordinateMode::Pixels);
    ASSERT_NE(nullptr, centred);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT r = WindowRect(centred);
    EXPECT_EQ((work.left + work.right - (r.right - r.left)) / 2, r.left);
    EXPECT_EQ((work.top + work.bottom - (r.bottom - r.top)) / 2, r.top);
    DestroyWindow(centred);

    // An absolutely aligned dialog never starts left of or above 0.
    HWND child = BuildDialog(nullptr, T("a"), -30, -40, 100, 100,
                             WS_POPUP | WS_CAPTION | DS_ABSALIGN, 0, CoordinateMode::Pixels);
    ASSERT_NE(nullptr, child);
    EXPECT_EQ(0, WindowRect(child).left);
    EXPECT_EQ(0, WindowRect(child).top);
    DestroyWindow(child);
}

struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

TEST(ModalRun, CallbackSeesInitDialogOnceThenSizeAndNoActivation) {
    HWND dialog =
        BuildDialog(nullptr, T("run"), 10, 10, 150, 80, 0, 0, CoordinateMode::DialogUnits);
    ASSERT_NE(nullptr, dialog);
    RECT client = ClientRect(dialog);
    std::vector<Seen> seen;
    int32_t result = RunScript(dialog, [&](HWND d, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        seen.push_back({m, w, l});
        if (m == WM_INITDIALOG) SetTimer(d, 1, 100, nullptr);
        if (m == WM_TIMER && w == 1) {
            KillTimer(d, 1);
            // Activation messages are the engine's own, whoever sends them.
            SendMessageW(d, WM_ACTIVATE, WA_INACTIVE, 0);
            SendMessageW(d, WM_ACTIVATE, WA_CLICKACTIVE, 0);
            PostClose(d);
        }
        return 0;
    });
    EXPECT_EQ(0, result);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(static_cast<UINT>(WM_INITDIALOG), seen[0].message);
    EXPECT_EQ(reinterpret_cast<WPARAM>(dialog), seen[0].wParam);
    EXPECT_EQ(0, seen[0].lParam);
    EXPECT_EQ(static_cast<UINT>(WM_SIZE), seen[1].message);
    EXPECT_EQ(static_cast<WPARAM>(SIZE_RESTORED), seen[1].wParam);
    EXPECT_EQ(MAKELPARAM(client.right, client.bottom), seen[1].lParam);
    int inits = 0;
    for (const Seen& s : seen) {
        inits += s.message == WM_INITDIALOG;
        if (s.message == WM_ACTIVATE) {
            EXPECT_GT(LOWORD(s.wParam), WA_CLICKACTIVE);
        }
    }
    EXPECT_EQ(1, inits);
    EXPECT_FALSE(IsWindow(dialog));
}

TEST(ModalRun, NonzeroResultReachesMsgResultOnlyWhenZero) {
    HWND dialog =
        BuildDialog(nullptr, T("res"), 10, 10, 150, 80, 0, 0, CoordinateMode::DialogUnits);
    ASSERT_NE(nullptr, dialog);
    LRESULT plain = -1, preset = -1, unhandled = -1;
    RunScript(dialog, [&](HWND d, UINT m, WPARAM, LPARAM) -> LRESULT {
        switch (m) {
            case WM_INITDIALOG:
                PostMessageW(d, WM_APP, 0, 0);
                return 0;
            case WM_APP:
                plain = SendMessageW(d, WM_APP + 1, 0, 0);
                preset = SendMessageW(d, WM_APP + 2, 0, 0);
                unhandled = SendMessageW(d, WM_APP + 3, 0, 0);
                PostClose(d);
                return 1;
            case WM_APP + 1:
                return 5;
            case WM_APP + 2:
                // The callback's own message result is kept over its return value.
                SetWindowLongPtrW(d, DWLP_MSGRESULT, 7);
                return 1;
            default:
                return 0;
        }
    });
    EXPECT_EQ(5, plain);
    EXPECT_EQ(7, preset);
    EXPECT_EQ(0, unhandled);
}

TEST(ModalRun, CloseEndsWithZeroButPostedQuitDoesNot) {
    HWND dialog =
        BuildDialog(nullptr, T("quit"), 10, 10, 150, 80, 0, 0, CoordinateMode::DialogUnits);
    ASSERT_NE(nullptr, dialog);
    bool timerAfterQuit = false;
    int32_t result = RunScript(dialog, [&](HWND d, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m == WM_INITDIALOG) {
            PostQuitMessage(3);
            // Timers come only after the quit has been taken from the queue.
            SetTimer(d, 2, 50, nullptr);
        }
        if (m == WM_TIMER && w == 2) {
            KillTimer(d, 2);
            timerAfterQuit = true;
            PostClose(d);
        }
        return 0;
    });
    EXPECT_TRUE(timerAfterQuit);
    EXPECT_EQ(0, result);
    EXPECT_FALSE(IsWindow(dialog));
    MSG quit;
    EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // the loop took it
}

TEST(ModalRun, CallbackEndingTheRunStoresItsResult) {
    HWND dialog =
        BuildDialog(nullptr, T("end"), 10, 10, 150, 80, 0, 0, CoordinateMode::DialogUnits);
    ASSERT_NE(nullptr, dialog);
    int32_t result = RunScript(dialog, [](HWND d, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_INITDIALOG) PostMessageW(d, WM_APP, 0, 0);
        if (m == WM_APP) EndModal(d, 42);
        return m == WM_APP;
    });
    EXPECT_EQ(42, result);
    EXPECT_FALSE(IsWindow(dialog));
}

struct OwnerLog {
    int idle = 0, cancelMode = 0;
    WPARAM idleW = 99;
    LPARAM idleL = 0;
};
OwnerLog ownerLog;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENTERIDLE) {
        ++ownerLog.idle;
        ownerLog.idleW = wParam;
        ownerLog.idleL = lParam;
    }
    if (message == WM_CANCELMODE) ++ownerLog.cancelMode;
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeOwner() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QmTestOwner";
        RegisterClassW(&wc);
        registered = true;
    }
    HWND owner = CreateWindowExW(0, L"QmTestOwner", L"owner", WS_POPUP | WS_VISIBLE, 5, 5, 200, 150,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ownerLog = OwnerLog{};
    return owner;
}

TEST(ModalRun, OwnerDisabledDuringRunThenEnabledAndFocused) {
    HWND owner = MakeOwner();
    ASSERT_NE(nullptr, owner);
    HWND dialog =
        BuildDialog(owner, T("owned"), 10, 10, 150, 80, 0, 0, CoordinateMode::DialogUnits);
    ASSERT_NE(nullptr, dialog);
    BOOL enabledDuring = TRUE;
    int32_t result = RunScript(dialog, [&](HWND d, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m == WM_INITDIALOG) SetTimer(d, 3, 60, nullptr);
        if (m == WM_TIMER && w == 3) {
            KillTimer(d, 3);
            enabledDuring = IsWindowEnabled(owner);
            PostClose(d);
        }
        return 0;
    });
    EXPECT_EQ(0, result);
    EXPECT_FALSE(enabledDuring);
    EXPECT_GE(ownerLog.cancelMode, 1);
    EXPECT_GT(ownerLog.idle, 0);  // idle passes while waiting for the timer
    EXPECT_EQ(static_cast<WPARAM>(MSGF_DIALOGBOX), ownerLog.idleW);
    EXPECT_EQ(reinterpret_cast<LPARAM>(dialog), ownerLog.idleL);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(owner, GetFocus());
    DestroyWindow(owner);
}

TEST(ModalRun, NoIdleMessageStyleAndOwnerAfterOtherEnd) {
    HWND owner = MakeOwner();
    ASSERT_NE(nullptr, owner);
    HWND dialog = BuildDialog(owner, T("quiet"), 10, 10, 150, 80, kDefaultStyle | DS_NOIDLEMSG, 0,
                              CoordinateMode::DialogUnits);
    ASSERT_NE(nullptr, dialog);
    RunScript(dialog, [&](HWND d, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m == WM_INITDIALOG) SetTimer(d, 4, 60, nullptr);
        // Destroyed without EndModal: the owner must not stay disabled.
        if (m == WM_TIMER && w == 4) DestroyWindow(d);
        return 0;
    });
    EXPECT_EQ(0, ownerLog.idle);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

TEST(WindowTable, RecordsAndOwnedBrushFreedWithDialog) {
    int32_t before = WindowRecordCount();
    int32_t openBefore = OpenDialogCount();
    HWND dialog =
        BuildDialog(nullptr, T("tbl"), 10, 10, 150, 80, 0, 0, CoordinateMode::DialogUnits);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(openBefore + 1, OpenDialogCount());
    CreateControl(dialog, ControlKind::PushButton, 101, T("OK"), 5, 5, 40, 14, 0, 0);
    CreateControl(dialog, ControlKind::Label, 102, T("text"), 5, 25, 40, 8, 0, 0);
    CreateControl(dialog, ControlKind::EditBox, 103, T(""), 5, 40, 80, 12, 0, 0);
    EXPECT_EQ(before + 4, WindowRecordCount());
    HWND label = GetControlWindow(dialog, 102);
    SetControlColours(label, RGB(200, 0, 0), RGB(0, 0, 80));
    HBRUSH brush = FindWindowRecord(label)->backgroundBrush;
    ASSERT_NE(nullptr, brush);
    EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(brush));
    // Colours not set leave the drawing to the system, as for all the editor's controls.
    HWND button = GetControlWindow(dialog, 101);
    HDC dc = GetDC(button);
    EXPECT_EQ(0, EngineDialogProc(dialog, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                  reinterpret_cast<LPARAM>(button)));
    ReleaseDC(button, dc);

    int32_t result = RunScript(dialog, [](HWND d, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_INITDIALOG) PostClose(d);
        return m == WM_NCDESTROY;  // handled or not, the records go
    });
    EXPECT_EQ(0, result);
    EXPECT_EQ(before, WindowRecordCount());
    EXPECT_EQ(openBefore, OpenDialogCount());
    EXPECT_EQ(nullptr, FindWindowRecord(label));
    EXPECT_EQ(0u, GetObjectType(brush));  // deleted with the label's record
}

}  // namespace
