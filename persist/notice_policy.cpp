// The notice's other sources: the security templates Windows caches from the applied Group
// Policy objects, named through its Group Policy history, and the device management values.
#include "persist/notice_policy.h"

#include <windows.h>
#include <string.h>

#include "persist/registry_value.h"

namespace {

// Bounds on one check, so that start-up stays quick whatever the folder and keys hold.
constexpr uint32_t kMostFolderEntries = 64;
constexpr DWORD kMostHistoryEntries = 256;
constexpr DWORD kLongestDisplayName = 1024;  // UTF-16 units
constexpr uint32_t kGuidUnits = 38;          // "{" 8-4-4-4-12 "}"

constexpr wchar_t kTemplateFolder[] = L"\\security\\templates\\policies\\";
constexpr wchar_t kCaptionEntry[] =
    L"MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\LegalNoticeCaption";
constexpr wchar_t kMessageEntry[] =
    L"MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\LegalNoticeText";
// The security settings extension's part of the history. "...\CurrentVersion\Group Policy" is
// a key WOW64 shares between its views, so no view flag is needed here.
constexpr wchar_t kHistoryKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\History\\"
    L"{827D319E-6EAC-11D2-A4EA-00C04F79F83A}";
constexpr wchar_t kDeviceKey[] =
    L"SOFTWARE\\Microsoft\\PolicyManager\\current\\device\\LocalPoliciesSecurityOptions";
constexpr wchar_t kDeviceCaption[] = L"InteractiveLogon_MessageTitleForUsersAttemptingToLogOn";
constexpr wchar_t kDeviceMessage[] = L"InteractiveLogon_MessageTextForUsersAttemptingToLogOn";

struct FileHolder {
    HANDLE handle = INVALID_HANDLE_VALUE;
    FileHolder() = default;
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;
    ~FileHolder() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

struct Span {
    const wchar_t* p;
    uint32_t n;
};

Span Trimmed(Span s) {
    while (s.n > 0 && (s.p[0] == L' ' || s.p[0] == L'\t')) ++s.p, --s.n;
    while (s.n > 0 && (s.p[s.n - 1] == L' ' || s.p[s.n - 1] == L'\t')) --s.n;
    return s;
}

wchar_t FoldAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
}

// The names compared are ASCII: only its letters fold, whatever the user's locale.
bool SameName(Span s, const wchar_t* name) {
    uint32_t i = 0;
    for (; i < s.n; ++i) {
        if (name[i] == L'\0' || FoldAscii(s.p[i]) != FoldAscii(name[i])) return false;
    }
    return name[i] == L'\0';
}

bool IsHex(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (FoldAscii(c) >= L'a' && FoldAscii(c) <= L'f');
}

WideString GuidIn(const WideString& path) {
    const wchar_t* p = path.CStr();
    for (uint32_t i = 0; i + kGuidUnits <= path.Units(); ++i) {
        if (p[i] != L'{' || p[i + kGuidUnits - 1] != L'}') continue;
        bool guid = true;
        for (uint32_t k = 1; k + 1 < kGuidUnits && guid; ++k) {
            bool dash = k == 9 || k == 14 || k == 19 || k == 24;
            guid = dash ? p[i + k] == L'-' : IsHex(p[i + k]);
        }
        if (guid) return WideString::FromUnits(p + i, kGuidUnits);
    }
    return WideString();
}

// A registry entry's data begins with its type's number and a comma ("7,Line one").
bool IsEntryData(Span value) {
    uint32_t digits = 0;
    while (digits < value.n && value.p[digits] >= L'0' && value.p[digits] <= L'9') ++digits;
    return digits > 0 && digits < value.n && value.p[digits] == L',';
}

WideString DecodeTemplate(TextRef file) {
    uint32_t size = file.Length();
    if (size >= 2 && file.At(0) == 0xFF && file.At(1) == 0xFE) {
        if (size % 2 != 0) return WideString();
        WideString text = WideString::Allocate((size - 2) / 2, false);
        if (!text.Empty()) memcpy(text.Units16(), file.bytes + 2, size - 2);
        return text;
    }
    return ToWide(file);
}

// A cached template by its name.
bool IsTemplateFile(const WIN32_FIND_DATAW& found) {
    uint32_t n = 0;
    while (found.cFileName[n] != L'\0') ++n;
    // The search also matches 8.3 names: the long name decides.
    return n >= 7 && SameName(Span{found.cFileName, 3}, L"gpt") &&
           (SameName(Span{found.cFileName + n - 4, 4}, L".inf") ||
            SameName(Span{found.cFileName + n - 4, 4}, L".dom"));
}

// At most one byte more than the parse accepts, so that a larger file reads as malformed.
ByteString ReadTemplateFile(const wchar_t* path) {
    FileHolder file;
    file.handle =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    LARGE_INTEGER size;
    if (file.handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(file.handle, &size)) {
        return ByteString();
    }
    uint32_t n = size.QuadPart > LongestPolicyTemplate ? LongestPolicyTemplate + 1
                                                       : static_cast<uint32_t>(size.QuadPart);
    ByteString data = ByteString::Allocate(n, false);
    uint32_t total = 0;
    DWORD got = 0;
    while (!data.Empty() && total < n &&
           ReadFile(file.handle, data.Bytes() + total, n - total, &got, nullptr) && got > 0) {
        total += got;
    }
    // A file cut short while it was read is not what Windows wrote.
    return total == n ? Move(data) : ByteString();
}

// A REG_SZ value's text, up to its first zero, into buffer; its length, or -1.
int32_t QueryText(HKEY key, const wchar_t* name, wchar_t* buffer, DWORD units) {
    DWORD type = REG_NONE, size = (units - 1) * sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return -1;
    }
    buffer[size / sizeof(wchar_t)] = L'\0';
    int32_t length = 0;
    while (buffer[length] != L'\0') ++length;
    return length;
}

// The DisplayName of the first history entry whose GPOName is the GUID; empty when it has none.
WideString HistoryName(const WideString& guid) {
    KeyHolder history;
    if (guid.Empty() || RegOpenKeyExW(HKEY_LOCAL_MACHINE, kHistoryKey, 0, KEY_ENUMERATE_SUB_KEYS,
                                      &history.key) != ERROR_SUCCESS) {
        return WideString();
    }
    for (DWORD i = 0; i < kMostHistoryEntries; ++i) {
        wchar_t entry[256];
        DWORD entryUnits = 256;
        LONG result =
            RegEnumKeyExW(history.key, i, entry, &entryUnits, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        KeyHolder key;
        if (result != ERROR_SUCCESS ||
            RegOpenKeyExW(history.key, entry, 0, KEY_QUERY_VALUE, &key.key) != ERROR_SUCCESS) {
            continue;
        }
        wchar_t gpoName[kGuidUnits + 2];
        int32_t n = QueryText(key.key, L"GPOName", gpoName, kGuidUnits + 2);
        if (n < 0 || !SameName(Span{gpoName, static_cast<uint32_t>(n)}, guid.CStr())) continue;
        wchar_t display[kLongestDisplayName + 1];
        n = QueryText(key.key, L"DisplayName", display, kLongestDisplayName + 1);
        return n > 0 ? WideString::FromUnits(display, static_cast<uint32_t>(n)) : WideString();
    }
    return WideString();
}

// An object is named once, though more than one file may hold its settings.
void AddName(PolicySources& sources, TextRef name) {
    TextRef names = sources.groupPolicy;
    for (uint32_t start = 0; start < names.Length();) {
        uint32_t end = start;
        while (names.bytes[end] != '\0') ++end;
        if (end - start == name.Length() &&
            memcmp(names.bytes + start, name.bytes, end - start) == 0)
            return;
        start = end + 1;
    }
    sources.groupPolicy = Move(sources.groupPolicy) + name + "\0"_t;
}

void AddTemplate(NoticePolicy& policy, const wchar_t* path) {
    TemplateSettings settings = ParseTemplate(ReadTemplateFile(path));
    if (!settings.caption && !settings.message) return;
    WideString display = HistoryName(settings.gpoGuid);
    ByteString name = ToBytes(display.Empty() ? settings.gpoPath : display);
    if (settings.caption) AddName(policy.caption, name);
    if (settings.message) AddName(policy.message, name);
}

bool HoldsText(HKEY key, const wchar_t* name) {
    DWORD type = REG_NONE;
    return RegQueryValueExW(key, name, nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
           (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ);
}

// Where managed devices keep the Policy CSP's LocalPoliciesSecurityOptions: a layout seen on
// such devices, not a documented interface. PolicyManager is not among WOW64's shared keys:
// without KEY_WOW64_64KEY the x86 build on 64-bit Windows would read the WOW6432Node copy and
// see nothing. 32-bit Windows ignores the flag.
void ReadDeviceManagement(NoticePolicy& policy) {
    KeyHolder key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      &key.key) != ERROR_SUCCESS) {
        return;
    }
    policy.caption.deviceManagement = HoldsText(key.key, kDeviceCaption);
    policy.message.deviceManagement = HoldsText(key.key, kDeviceMessage);
}

}  // namespace

TemplateSettings ParseTemplate(TextRef file) {
    TemplateSettings settings;
    if (file.Length() > LongestPolicyTemplate) return settings;
    WideString text = DecodeTemplate(file);
    const wchar_t* p = text.CStr();
    uint32_t n = text.Units();
    bool registryValues = false, sawPath = false;
    for (uint32_t start = 0; start < n;) {
        uint32_t end = start;
        for (; end < n && p[end] != L'\r' && p[end] != L'\n'; ++end) {
            if (p[end] == L'\0') return TemplateSettings();
        }
        Span line = Trimmed(Span{p + start, end - start});
        // CR LF, CR alone and LF alone each end a line.
        start = end + (end + 1 < n && p[end] == L'\r' && p[end + 1] == L'\n' ? 2 : 1);
        if (line.n >= 2 && line.p[0] == L'[' && line.p[line.n - 1] == L']') {
            registryValues = SameName(Trimmed(Span{line.p + 1, line.n - 2}), L"Registry Values");
            continue;
        }
        uint32_t equals = 0;
        while (equals < line.n && line.p[equals] != L'=') ++equals;
        if (equals == line.n) continue;
        Span key = Trimmed(Span{line.p, equals});
        Span value = Trimmed(Span{line.p + equals + 1, line.n - equals - 1});
        if (SameName(key, L"GPOPath")) {
            if (!sawPath) settings.gpoPath = WideString::FromUnits(value.p, value.n);
            sawPath = true;
        } else if (registryValues && IsEntryData(value)) {
            settings.caption = settings.caption || SameName(key, kCaptionEntry);
            settings.message = settings.message || SameName(key, kMessageEntry);
        }
    }
    // Without the object's path the file is no cached copy of one.
    if (settings.gpoPath.Empty()) return TemplateSettings();
    settings.wellFormed = true;
    settings.gpoGuid = GuidIn(settings.gpoPath);
    return settings;
}

NoticePolicy ReadNoticePolicy() {
    NoticePolicy policy;
    wchar_t path[MAX_PATH];
    constexpr uint32_t folderUnits = sizeof(kTemplateFolder) / sizeof(wchar_t) - 1;
    uint32_t windows = GetSystemWindowsDirectoryW(path, MAX_PATH);
    uint32_t base = windows + folderUnits;
    if (windows > 0 && base + 5 < MAX_PATH) {
        memcpy(path + windows, kTemplateFolder, sizeof(kTemplateFolder));
        memcpy(path + base, L"gpt*", 5 * sizeof(wchar_t));
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(path, &found);
        if (search != INVALID_HANDLE_VALUE) {
            uint32_t seen = 0;
            do {
                uint32_t n = 0;
                while (found.cFileName[n] != L'\0') ++n;
                if (!IsTemplateFile(found) || base + n >= MAX_PATH) continue;
                memcpy(path + base, found.cFileName, (n + 1) * sizeof(wchar_t));
                AddTemplate(policy, path);
            } while (++seen < kMostFolderEntries && FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    ReadDeviceManagement(policy);
    return policy;
}
