// The editor's menu bar and its About box.
#pragma once

#include <windows.h>

HMENU AddMenuBar(HWND dialog);
void AboutBox();
