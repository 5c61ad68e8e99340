// File and directory helpers shared by the test programs.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <optional>
#include <string>

// The whole content of a file; nothing when it cannot be opened.
inline std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

// Removes a directory and everything below it, read-only files included.
inline void RemoveTree(const std::wstring& dir) {
    if (dir.empty()) return;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = dir + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(dir.c_str());
}

// The Unix path of a Windows path under Wine; empty elsewhere.
inline std::string UnixPath(const std::wstring& path) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    if (!name) return {};
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Starts a Unix program (Wine starts those too) with quoted arguments and waits until
// `done` holds, at most 5 s: Wine gives no handle to wait on.
inline bool RunUnix(const char* program, std::initializer_list<std::string> args,
                    bool (*done)(const std::wstring&), const std::wstring& path) {
    // Wine starts a Unix program by the first word of its command line.
    std::string line = program;
    for (const std::string& arg : args) {
        if (arg.empty()) return false;
        line += " \"" + arg + "\"";
    }
    std::wstring wide(line.begin(), line.end());
    std::string unixProgram = program;
    std::wstring windowsProgram = L"Z:" + std::wstring(unixProgram.begin(), unixProgram.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(windowsProgram.c_str(), wide.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        return false;
    }
    for (int i = 0; i < 500 && !done(path); ++i) Sleep(10);
    return done(path);
}

inline bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A Unix symbolic link at `link` to `target`, which must exist while both link helpers run
// (Windows cannot see a link to nothing): under Wine 8 CreateSymbolicLinkW makes nothing,
// and DeleteFileW on a link deletes its target.
inline bool MakeUnixSymlink(const std::wstring& target, const std::wstring& link) {
    return RunUnix("/bin/ln", {"-s", UnixPath(target), UnixPath(link)}, PathExists, link);
}

// Whether a directory lists the name: Wine gives a FIFO no attributes.
inline bool NameListed(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

// A Unix FIFO at `path`: Wine opens it as a pipe, and a writer waits for a reader for ever.
inline bool MakeUnixFifo(const std::wstring& path) {
    return RunUnix("/usr/bin/mkfifo", {UnixPath(path)}, NameListed, path);
}

// Also removes a FIFO.
inline bool RemoveUnixLink(const std::wstring& link) {
    return RunUnix(
        "/bin/rm", {"-f", UnixPath(link)},
        [](const std::wstring& path) { return !NameListed(path); }, link);
}

// A fresh, empty directory under the temporary folder; empty text when none can be made.
inline std::wstring NewScratchDir(const std::wstring& prefix) {
    static int counter = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    for (;;) {
        std::wstring dir = std::wstring(temp) + prefix + std::to_wstring(GetCurrentProcessId()) +
                           L"-" + std::to_wstring(++counter);
        if (CreateDirectoryW(dir.c_str(), nullptr)) return dir;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
}
