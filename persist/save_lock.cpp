// The save lock: a mutex with a security descriptor of its own, trusted by its owner.
#include "persist/save_lock.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

// Owned by the Administrators group; Administrators and SYSTEM may use it, nobody else.
constexpr wchar_t kLockSecurity[] = L"O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)";
constexpr DWORD kLockAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE | READ_CONTROL;

}  // namespace

bool OwnedByAdministrators(HANDLE object) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR security = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &security) != ERROR_SUCCESS) {
        return false;
    }
    // Wine gives an object made without a security descriptor no owner at all.
    bool trusted = owner && (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                             IsWellKnownSid(owner, WinLocalSystemSid));
    LocalFree(security);
    return trusted;
}

WideString TakeSaveLock(SaveLock& lock) {
    PSECURITY_DESCRIPTOR security = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kLockSecurity, SDDL_REVISION_1,
                                                              &security, nullptr)) {
        return SystemMessageText(GetLastError());
    }
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), security, FALSE};
    HANDLE mutex = CreateMutexExW(&attributes, NoticeSaveMutexName, 0, kLockAccess);
    DWORD error = GetLastError();
    LocalFree(security);
    if (!mutex) {
        // Another kind of object, or a mutex whose maker keeps administrators out: not ours.
        if (error == ERROR_INVALID_HANDLE || error == ERROR_ACCESS_DENIED) return WideString();
        return SystemMessageText(error);
    }
    if (error == ERROR_ALREADY_EXISTS && !OwnedByAdministrators(mutex)) {
        CloseHandle(mutex);
        return WideString();
    }
    lock.mutex = mutex;
    DWORD wait = WaitForSingleObject(mutex, NoticeSaveWaitMs);
    // An abandoned lock is ours now: its holder ended in the middle of a save.
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
        lock.held = true;
        return WideString();
    }
    if (wait == WAIT_TIMEOUT)
        return ToWide("Another save of the logon notice did not finish in time."_t);
    return SystemMessageText(GetLastError());
}
