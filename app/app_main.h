// The editor application's main routine and its administrator test.
#pragma once

#include <windows.h>
#include <stdint.h>

int32_t AppMain(HINSTANCE instance, HINSTANCE previous, const wchar_t* commandTail,
                int showCommand);
// 1 when the calling thread's effective token holds the enabled Administrators group.
int32_t IsAdministrator();
