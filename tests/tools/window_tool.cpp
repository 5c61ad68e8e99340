// Starts a program, waits until its window with the given title is up, says so by creating
// the ready file, then waits for the close file and asks the window to close.
//   window_tool.exe PROGRAM TITLE READY_FILE CLOSE_FILE
// Run inside a Wine virtual desktop, the program shares it. Exit code 0 when the window
// appeared, 1 when it did not within a minute.
#include <windows.h>

#include <string>

namespace {

bool Exists(const wchar_t* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

void Touch(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) return 2;
    std::wstring line = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return 1;
    }
    DWORD start = GetTickCount();
    HWND window = nullptr;
    while (!(window = FindWindowW(nullptr, argv[2])) || !IsWindowVisible(window)) {
        if (GetTickCount() - start > 60000) return 1;
        Sleep(50);
    }
    // Let it finish painting before anyone looks.
    Sleep(500);
    Touch(argv[3]);
    while (!Exists(argv[4]) && WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
    }
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
