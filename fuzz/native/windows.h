// The few Windows names the text and path logic use, for the native fuzz build.
#pragma once

#include <stdint.h>

typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef long LONG;
typedef struct HKEY__* HKEY;
typedef struct HWND__* HWND;

#define HKEY_CLASSES_ROOT ((HKEY)(uintptr_t)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(uintptr_t)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)0x80000002u)
#define HKEY_USERS ((HKEY)(uintptr_t)0x80000003u)
#define HKEY_PERFORMANCE_DATA ((HKEY)(uintptr_t)0x80000004u)
#define HKEY_CURRENT_CONFIG ((HKEY)(uintptr_t)0x80000005u)
#define HKEY_DYN_DATA ((HKEY)(uintptr_t)0x80000006u)
