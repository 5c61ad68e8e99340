// Menu bars built from code; a chosen item reaches the dialog through WM_COMMAND.
#include "ui/menu_bar.h"

HMENU CreateMenuBar(bool popup) {
    return popup ? CreatePopupMenu() : CreateMenu();
}

void AppendMenuItem(HMENU menu, ByteString text, int32_t id, UINT state, int32_t position,
                    DialogCallback callback, bool byCommand, HMENU submenu) {
    WideString wide = ToWide(text);
    MENUITEMINFOW item{};
    item.cbSize = kMenuItemInfoSize;
    item.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_TYPE | MIIM_DATA;
    if (wide.Units() == 1 && wide.CStr()[0] == L'-') {
        item.fType = MFT_SEPARATOR;
    } else {
        item.fType = MFT_STRING;
        item.fState = state;
        item.wID = static_cast<UINT>(id);
        item.hSubMenu = submenu;
        item.dwItemData = reinterpret_cast<ULONG_PTR>(callback);
    }
    item.dwTypeData = const_cast<wchar_t*>(wide.CStr());
    item.cch = wide.Units();
    // Positions count from 1; 0, negatives and anything past the end append.
    UINT place = static_cast<UINT>(position);
    if (!byCommand) place = position > 0 ? static_cast<UINT>(position - 1) : ~0u;
    InsertMenuItemW(menu, place, !byCommand, &item);
}

void AttachMenu(HWND window, HMENU menu) {
    SetMenu(window, menu);
}
