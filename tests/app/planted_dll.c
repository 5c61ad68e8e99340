/* A DLL that, once loaded, leaves "<its own path>.loaded": planted beside the program under a
   system DLL's name, it tells whether the program's process ever loaded it. */
#include <windows.h>

BOOL WINAPI PlantedEntry(HINSTANCE self, DWORD reason, void* reserved) {
    wchar_t path[MAX_PATH + 8];
    DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH && length > 0 && length < MAX_PATH) {
        lstrcpyW(path + length, L".loaded");
        CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    }
    return TRUE;
}
