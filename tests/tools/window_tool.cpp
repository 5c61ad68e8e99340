// Waits for a top-level window with the given title, then optionally asks it to close.
//   window_tool.exe "Quillmark v1.1" [--close] [--timeout-ms N]
// Exit code 0 when the window appeared (and was asked to close), 1 on timeout.
#include <windows.h>

#include <cstdlib>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    bool close = false;
    DWORD timeout = 30000;
    for (int i = 2; i < argc; ++i) {
        if (wcscmp(argv[i], L"--close") == 0) close = true;
        if (wcscmp(argv[i], L"--timeout-ms") == 0 && i + 1 < argc)
            timeout = wcstoul(argv[++i], nullptr, 10);
    }
    DWORD start = GetTickCount();
    HWND window = nullptr;
    while (!(window = FindWindowW(nullptr, argv[1])) || !IsWindowVisible(window)) {
        if (GetTickCount() - start > timeout) return 1;
        Sleep(50);
    }
    // Let it finish painting before anyone looks.
    Sleep(500);
    if (close) PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
}
