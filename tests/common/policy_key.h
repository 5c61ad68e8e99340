// The notice's registry key as the tests set it up and look at it, through the Unicode
// registry calls and independently of the program's own registry code.
#pragma once

#include <windows.h>
#include <sddl.h>

#include <string>
#include <utility>
#include <vector>

inline constexpr wchar_t kPolicyKeyW[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

// One notice value as stored: its type and its data in UTF-16 units, terminators included as
// stored; type 0 when the value is absent.
struct StoredValue {
    DWORD type = 0;
    std::wstring data;
    bool operator==(const StoredValue&) const = default;
};

// Stores the value as given (no terminator added); type 0 deletes it.
inline void StoreValue(const wchar_t* name, const StoredValue& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPolicyKeyW, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    if (value.type == 0) {
        RegDeleteValueW(key, name);
    } else {
        RegSetValueExW(key, name, 0, value.type, reinterpret_cast<const BYTE*>(value.data.data()),
                       static_cast<DWORD>(value.data.size() * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

inline StoredValue ReadValue(const wchar_t* name) {
    StoredValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPolicyKeyW, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return value;
    }
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.assign(size / sizeof(wchar_t), L'\0');
        RegQueryValueExW(key, name, nullptr, &value.type,
                         reinterpret_cast<BYTE*>(value.data.data()), &size);
    } else {
        value.type = 0;
    }
    RegCloseKey(key);
    return value;
}

// While it lives, the policy key's DACL denies Everyone the given access rights.
class PolicyKeyDenial {
public:
    explicit PolicyKeyDenial(DWORD denied) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPolicyKeyW, 0, READ_CONTROL | WRITE_DAC, &key) !=
            ERROR_SUCCESS) {
            return;
        }
        DWORD size = 0;
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
        std::vector<BYTE> original(size);
        std::wstring sddl = L"D:(D;;" + std::to_wstring(denied) + L";;;WD)(A;;KA;;;WD)";
        PSECURITY_DESCRIPTOR denying = nullptr;
        if (RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, original.data(), &size) ==
                ERROR_SUCCESS &&
            ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                 &denying, nullptr)) {
            if (RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, denying) == ERROR_SUCCESS)
                original_ = std::move(original);
            LocalFree(denying);
        }
        RegCloseKey(key);
    }
    ~PolicyKeyDenial() { Restore(); }
    PolicyKeyDenial(const PolicyKeyDenial&) = delete;
    PolicyKeyDenial& operator=(const PolicyKeyDenial&) = delete;
    bool Active() const { return !original_.empty(); }
    void Restore() {
        if (original_.empty()) return;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPolicyKeyW, 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
            RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, original_.data());
            RegCloseKey(key);
        }
        original_.clear();
    }

private:
    std::vector<BYTE> original_;
};
