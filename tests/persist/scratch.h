// Test helpers: a scratch working directory per test, files read back whole.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "runtime/text.h"

inline ByteString B(const std::string& s) {
    return ByteString::FromBytes(s.data(), static_cast<uint32_t>(s.size()));
}

inline std::string Bytes(TextRef t) {
    return std::string(t.CStr(), t.Length());
}

// The whole content of a file; "<missing>" when it cannot be opened.
inline std::string ReadWholeFile(const std::wstring& name) {
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string content;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &n, nullptr) && n > 0) content.append(buffer, n);
    CloseHandle(file);
    return content;
}

inline bool WriteWholeFile(const std::wstring& name, const std::string& content) {
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    BOOL ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &n, nullptr);
    CloseHandle(file);
    return ok && n == content.size();
}

// Removes a directory and everything below it.
inline void RemoveTree(const std::wstring& dir) {
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

// Each test runs in a fresh, empty current directory of its own.
class ScratchDirectory : public testing::Test {
protected:
    void SetUp() override {
        wchar_t buffer[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, buffer);
        previous_ = buffer;
        GetTempPathW(MAX_PATH, buffer);
        dir_ = std::wstring(buffer) + L"qm" + std::to_wstring(GetCurrentProcessId()) + L"_" +
               std::to_wstring(++count_);
        RemoveTree(dir_);
        ASSERT_TRUE(CreateDirectoryW(dir_.c_str(), nullptr));
        ASSERT_TRUE(SetCurrentDirectoryW(dir_.c_str()));
    }
    void TearDown() override {
        SetCurrentDirectoryW(previous_.c_str());
        RemoveTree(dir_);
    }

    std::wstring dir_, previous_;
    static inline int count_ = 0;
};
