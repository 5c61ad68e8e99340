// Menu bars from code: item order and placement, separators, and how a command is routed.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/ui/modal_script.h"
#include "ui/controls.h"
#include "ui/menu_bar.h"

namespace {

struct Item {
    std::wstring text;
    UINT id, type, state;
    ULONG_PTR data;
};

std::vector<Item> Items(HMENU menu) {
    std::vector<Item> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[32] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_DATA | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 32;
        GetMenuItemInfoW(menu, i, TRUE, &info);
        items.push_back({text, info.wID, info.fType, info.fState, info.dwItemData});
    }
    return items;
}

std::wstring Order(HMENU menu) {
    std::wstring order;
    for (const Item& item : Items(menu)) order += item.text.empty() ? L"|" : item.text;
    return order;
}

LRESULT CALLBACK Nothing(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

TEST(MenuBar, AppendedItemsKeepCallOrderAndPlacement) {
    HMENU bar = CreateMenuBar(false);
    ASSERT_NE(nullptr, bar);
    AppendMenuItem(bar, T("Exit"), 1021, 0, -1, nullptr, false, nullptr);
    AppendMenuItem(bar, T("About"), 1020, 0, -1, nullptr, false, nullptr);
    std::vector<Item> items = Items(bar);
    ASSERT_EQ(2u, items.size());
    EXPECT_EQ(L"Exit", items[0].text);
    EXPECT_EQ(1021u, items[0].id);
    EXPECT_EQ(static_cast<UINT>(MFT_STRING), items[0].type);
    EXPECT_EQ(L"About", items[1].text);
    EXPECT_EQ(1020u, items[1].id);
    DestroyMenu(bar);

    HMENU menu = CreateMenuBar(true);
    AppendMenuItem(menu, T("A"), 1, 0, -1, nullptr, false, nullptr);
    AppendMenuItem(menu, T("B"), 2, 0, 0, nullptr, false, nullptr);  // 0 appends too
    AppendMenuItem(menu, T("C"), 3, 0, 1, nullptr, false, nullptr);  // before the first
    EXPECT_EQ(L"CAB", Order(menu));
    AppendMenuItem(menu, T("D"), 4, 0, 3, nullptr, false, nullptr);  // before the third
    EXPECT_EQ(L"CADB", Order(menu));
    AppendMenuItem(menu, T("E"), 5, 0, 5, nullptr, false, nullptr);  // one past the end
    AppendMenuItem(menu, T("F"), 6, 0, 50, nullptr, false, nullptr);
    EXPECT_EQ(L"CADBEF", Order(menu));
    AppendMenuItem(menu, T("G"), 7, 0, 2, nullptr, true, nullptr);  // before command 2, "B"
    EXPECT_EQ(L"CADGBEF", Order(menu));
    DestroyMenu(menu);
}

TEST(MenuBar, ItemFieldsAndSeparator) {
    HMENU menu = CreateMenuBar(true);
    HMENU sub = CreateMenuBar(true);
    AppendMenuItem(menu, T("Grey"), 10, MFS_GRAYED | MFS_CHECKED, -1, Nothing, false, nullptr);
    AppendMenuItem(menu, T("-"), 77, MFS_GRAYED, -1, Nothing, false, nullptr);
    AppendMenuItem(menu, T("--"), 78, 0, -1, nullptr, false, nullptr);  // only "-" separates
    AppendMenuItem(menu, T("Sub"), 79, 0, -1, nullptr, false, sub);
    std::vector<Item> items = Items(menu);
    ASSERT_EQ(4u, items.size());
    EXPECT_EQ(static_cast<UINT>(MFS_GRAYED | MFS_CHECKED), items[0].state);
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(&Nothing), items[0].data);
    EXPECT_EQ(static_cast<UINT>(MFT_SEPARATOR), items[1].type);
    EXPECT_EQ(0u, items[1].id);
    EXPECT_EQ(0u, items[1].state);
    EXPECT_EQ(0u, items[1].data);
    EXPECT_EQ(static_cast<UINT>(MFT_STRING), items[2].type);
    EXPECT_EQ(L"--", items[2].text);
    EXPECT_EQ(sub, GetSubMenu(menu, 3));
    DestroyMenu(menu);
}

std::vector<std::string> calls;

LRESULT CALLBACK ItemCallback(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND) calls.push_back("item " + std::to_string(LOWORD(wParam)));
    return LOWORD(wParam) == 602;  // 602 is handled by its item alone
}

LRESULT CALLBACK ButtonCallback(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND) calls.push_back("control " + std::to_string(LOWORD(wParam)));
    return 0;
}

TEST(MenuBar, CommandsReachItemControlAndDialogCallbacks) {
    HWND dialog =
        BuildDialog(nullptr, T("menu"), 10, 10, 150, 80, 0, 0, CoordinateMode::DialogUnits);
    ASSERT_NE(nullptr, dialog);
    CreateControl(dialog, ControlKind::PushButton, 500, T("Same id"), 5, 5, 50, 14, 0, 0,
                  ButtonCallback);
    HMENU bar = CreateMenuBar(false);
    AppendMenuItem(bar, T("Clash"), 500, 0, -1, ItemCallback, false, nullptr);
    AppendMenuItem(bar, T("Own"), 601, 0, -1, ItemCallback, false, nullptr);
    AppendMenuItem(bar, T("Kept"), 602, 0, -1, ItemCallback, false, nullptr);
    AppendMenuItem(bar, T("Plain"), 603, 0, -1, nullptr, false, nullptr);
    AttachMenu(dialog, bar);
    EXPECT_EQ(bar, GetMenu(dialog));
    calls.clear();
    RunScript(dialog, [](HWND d, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m == WM_INITDIALOG) PostMessageW(d, WM_APP, 0, 0);
        if (m == WM_APP) {
            // As the system sends a chosen item: id, high word 0, lParam 0.
            for (WPARAM id : {500, 601, 602, 603}) SendMessageW(d, WM_COMMAND, id, 0);
            // A click on the button names it in lParam.
            SendMessageW(GetControlWindow(d, 500), BM_CLICK, 0, 0);
            PostClose(d);
        }
        if (m == WM_COMMAND) calls.push_back("dialog " + std::to_string(LOWORD(w)));
        return 0;
    });
    std::vector<std::string> expected = {
        "dialog 500",                 // the item's callback is skipped: a control owns the id
        "item 601",    "dialog 601",  // item first, then the dialog
        "item 602",                   // handled by the item: the dialog never sees it
        "dialog 603",                 // no item callback
        "control 500", "dialog 500",
    };
    EXPECT_EQ(expected, calls);
}

}  // namespace
