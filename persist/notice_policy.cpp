// The notice's other sources: the security templates Windows caches from the applied Group
// Policy objects, named through its Group Policy history, and the device management values.
#include "persist/notice_policy.h"

#include <windows.h>
#include <string.h>

#include "persist/registry_value.h"

namespace {

constexpr wchar_t kTemplateFolder[] = L"\\security\\templates\\policies\\";
// The security settings extension's part of the history. "...\CurrentVersion\Group Policy" is
// a key WOW64 shares between its views, so no view flag is needed here.
constexpr wchar_t kHistoryKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\History\\"
    L"{827D319E-6EAC-11D2-A4EA-00C04F79F83A}";
constexpr wchar_t kDeviceKey[] =
    L"SOFTWARE\\Microsoft\\PolicyManager\\current\\device\\LocalPoliciesSecurityOptions";
constexpr wchar_t kDeviceCaption[] = L"InteractiveLogon_MessageTitleForUsersAttemptingToLogOn";
constexpr wchar_t kDeviceMessage[] = L"InteractiveLogon_MessageTextForUsersAttemptingToLogOn";
// The pause between two tries of a template that another program holds open.
constexpr DWORD kRetryMs = 20;

struct FileHolder {
    HANDLE handle = INVALID_HANDLE_VALUE;
    FileHolder() = default;
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;
    ~FileHolder() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

// One reading of the sources: the history is read once, for the first template that needs
// it, and the wait for held templates is shared by all of them.
struct PolicyRead {
    NoticePolicy policy;
    bool historyRead = false;
    NameList history;  // per object: its GUID, then the DisplayName of its first entry
    DWORD waitLeft = PolicyTemplateWaitMs;
};

BOOL WINAPI SystemReadFile(HANDLE file, void* buffer, DWORD size, DWORD* got,
                           OVERLAPPED* overlapped) {
    return ReadFile(file, buffer, size, got, overlapped);
}

// A cached template by its name. The search also matches 8.3 names: the long name decides.
bool IsTemplateFile(const wchar_t* name, uint32_t n) {
    return n >= 7 && SameAsciiName(name, 3, L"gpt") &&
           (SameAsciiName(name + n - 4, 4, L".inf") || SameAsciiName(name + n - 4, 4, L".dom"));
}

// The whole file; nothing of one larger than the parse accepts. Returns the Windows error that
// stopped the read, 0 when none did.
DWORD ReadAll(HANDLE file, ByteString& data) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) return GetLastError();
    if (size.QuadPart > LongestPolicyTemplate) return 0;
    uint32_t n = static_cast<uint32_t>(size.QuadPart);
    data = ByteString::Allocate(n, false);
    uint32_t total = 0;
    DWORD got = 0;
    while (!data.Empty() && total < n) {
        if (!TemplateReadFile(file, data.Bytes() + total, n - total, &got, nullptr))
            return GetLastError();
        if (got == 0) break;
        total += got;
    }
    // A file cut short while it was read is not what Windows wrote.
    if (total != n) data.Free();
    return 0;
}

// Another program holding the file (Group Policy rewriting it) is waited for while the wait
// lasts; any other failure, or the end of the wait, gives the empty text.
ByteString ReadTemplateFile(const wchar_t* path, DWORD& waitLeft) {
    for (;;) {
        FileHolder file;
        file.handle =
            CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        ByteString data;
        DWORD error =
            file.handle == INVALID_HANDLE_VALUE ? GetLastError() : ReadAll(file.handle, data);
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) return data;
        if (waitLeft == 0) return ByteString();
        // The clock may move in steps longer than a pause, or later than asked: the wait
        // counts whichever is longer.
        DWORD pause = waitLeft < kRetryMs ? waitLeft : kRetryMs, before = GetTickCount();
        Sleep(pause);
        DWORD slept = GetTickCount() - before;
        if (slept < pause) slept = pause;
        waitLeft = slept < waitLeft ? waitLeft - slept : 0;
    }
}

// A REG_SZ value's text up to its first zero; empty when there is none.
WideString TextValue(HKEY key, const wchar_t* name) {
    DWORD type = REG_NONE;
    WideString data;
    uint32_t units = 0;
    auto isString = [](DWORD t) { return t == REG_SZ; };
    if (QueryValueUnits(key, name, isString, type, data, units) != ERROR_SUCCESS)
        return WideString();
    return WideString::FromUnits(data.CStr(), UnitsBeforeZero(data.CStr(), units));
}

// Whether the object has an entry in the read history, and its name there.
bool FindInHistory(const NameList& history, const wchar_t* guid, NameRef& name) {
    for (NameRef entry : history) {
        if (entry.count >= GuidUnits && SameAsciiName(entry.units, GuidUnits, guid)) {
            name = {entry.units + GuidUnits, entry.count - GuidUnits};
            return true;
        }
    }
    return false;
}

// Every object in the history, each by the first of its entries, in the order Windows lists them.
NameList ReadHistory() {
    NameList history;
    KeyHolder key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kHistoryKey, 0, KEY_ENUMERATE_SUB_KEYS, &key.key) !=
        ERROR_SUCCESS) {
        return history;
    }
    wchar_t entry[256];  // a key name has at most 255 units
    for (DWORD i = 0;; ++i) {
        DWORD units = 256;
        if (RegEnumKeyExW(key.key, i, entry, &units, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        KeyHolder object;
        if (RegOpenKeyExW(key.key, entry, 0, KEY_QUERY_VALUE, &object.key) != ERROR_SUCCESS)
            continue;
        WideString guid = TextValue(object.key, L"GPOName");
        NameRef name;
        if (guid.Units() != GuidUnits || FindInHistory(history, guid.CStr(), name)) continue;
        WideString entry = Move(guid) + TextValue(object.key, L"DisplayName");
        history.Append(entry.CStr(), entry.Units());
    }
    return history;
}

// The object's DisplayName from the history; empty when it has none.
WideString HistoryName(PolicyRead& read, const WideString& guid) {
    if (guid.Empty()) return WideString();
    if (!read.historyRead) {
        read.history = ReadHistory();
        read.historyRead = true;
    }
    NameRef name;
    if (!FindInHistory(read.history, guid.CStr(), name)) return WideString();
    return WideString::FromUnits(name.units, name.count);
}

void AddTemplate(PolicyRead& read, const wchar_t* path) {
    TemplateSettings settings = ParseTemplate(ReadTemplateFile(path, read.waitLeft));
    if (!settings.caption && !settings.message) return;
    WideString name = HistoryName(read, settings.gpoGuid);
    // A name that shows nothing, or none, would be an empty line: the object's path says which.
    if (!HasVisibleCharacter(name.CStr(), name.Units())) name = Move(settings.gpoPath);
    if (settings.caption) read.policy.caption.groupPolicy.AddSorted(name.CStr(), name.Units());
    if (settings.message) read.policy.message.groupPolicy.AddSorted(name.CStr(), name.Units());
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

BOOL(WINAPI* TemplateReadFile)(HANDLE, void*, DWORD, DWORD*, OVERLAPPED*) = SystemReadFile;

NoticePolicy ReadNoticePolicy() {
    PolicyRead read;
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
            // Every one of them, however many: a policy left unread would go unnamed.
            do {
                uint32_t n = UnitsBeforeZero(found.cFileName, MAX_PATH);
                if (!IsTemplateFile(found.cFileName, n) || base + n >= MAX_PATH) continue;
                memcpy(path + base, found.cFileName, (n + 1) * sizeof(wchar_t));
                AddTemplate(read, path);
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    ReadDeviceManagement(read.policy);
    return Move(read.policy);
}
