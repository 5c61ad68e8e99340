// Policy sources planted in the test prefix, as Windows leaves them on a managed computer: the
// security templates cached from the applied Group Policy objects, the objects' entries in the
// Group Policy history, and the device management values. Each planter has its remover.
#pragma once

#include <windows.h>

#include <string>

#include "tests/common/files.h"

inline constexpr wchar_t kHistoryKeyW[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\History\\"
    L"{827D319E-6EAC-11D2-A4EA-00C04F79F83A}";
inline constexpr wchar_t kDeviceKeyW[] =
    L"SOFTWARE\\Microsoft\\PolicyManager\\current\\device\\LocalPoliciesSecurityOptions";
inline constexpr wchar_t kDeviceCaptionW[] =
    L"InteractiveLogon_MessageTitleForUsersAttemptingToLogOn";
inline constexpr wchar_t kDeviceMessageW[] =
    L"InteractiveLogon_MessageTextForUsersAttemptingToLogOn";
inline constexpr wchar_t kSystemEntryW[] =
    L"MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\";

// %windir%\security\templates\policies, made when missing.
inline std::wstring TemplateFolder() {
    wchar_t windows[MAX_PATH];
    GetSystemWindowsDirectoryW(windows, MAX_PATH);
    std::wstring dir = windows;
    for (const wchar_t* part : {L"\\security", L"\\templates", L"\\policies"}) {
        dir += part;
        CreateDirectoryW(dir.c_str(), nullptr);
    }
    return dir;
}

// A cached template's text as the security extension writes it: its [Registry Values] lines
// (CR LF after each) and the object's path.
inline std::wstring TemplateText(const std::wstring& registryValues, const std::wstring& gpoPath) {
    return L"[Unicode]\r\nUnicode=yes\r\n[Version]\r\nsignature=\"$CHICAGO$\"\r\nRevision=1\r\n"
           L"GPOPath=" +
           gpoPath + L"\r\n[Registry Values]\r\n" + registryValues +
           L"[System Access]\r\nMinimumPasswordAge=1\r\n";
}

// The path of a domain object, as GPOPath gives it.
inline std::wstring GpoPath(const std::wstring& guid) {
    return L"\\\\corp.example\\sysvol\\corp.example\\Policies\\" + guid + L"\\Machine";
}

// UTF-16 LE after a byte order mark.
inline std::string Utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

inline std::string AnsiFile(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string bytes(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n,
                        nullptr, nullptr);
    return bytes;
}

inline bool PlantTemplate(const std::wstring& fileName, const std::string& bytes) {
    return WriteFileBytes(TemplateFolder() + L"\\" + fileName, bytes);
}

// Empties the template folder (the test prefix's own).
inline void RemoveTemplates() {
    std::wstring dir = TemplateFolder();
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring path = dir + L"\\" + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (found.cFileName[0] != L'.') RemoveTree(path);
        } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// History entry <n> of the security extension: the object's GUID and its display name, if any.
inline void PlantHistoryEntry(int n, const std::wstring& guid, const std::wstring& displayName) {
    HKEY key = nullptr;
    std::wstring path = std::wstring(kHistoryKeyW) + L"\\" + std::to_wstring(n);
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    auto set = [key](const wchar_t* name, const std::wstring& text) {
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    };
    set(L"GPOName", guid);
    if (!displayName.empty()) set(L"DisplayName", displayName);
    set(L"FileSysPath", GpoPath(guid));
    RegCloseKey(key);
}

inline void RemoveHistory() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kHistoryKeyW);
}

// A device management value in the 64-bit view, where Windows keeps it.
inline void PlantDeviceValue(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDeviceKeyW, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

inline void PlantDeviceValue(const wchar_t* name, const std::wstring& text) {
    PlantDeviceValue(name, REG_SZ, text.c_str(),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

inline void RemoveDeviceValues() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceKeyW, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    RegDeleteValueW(key, kDeviceCaptionW);
    RegDeleteValueW(key, kDeviceMessageW);
    RegCloseKey(key);
}

inline void RemovePolicySources() {
    RemoveTemplates();
    RemoveHistory();
    RemoveDeviceValues();
}
