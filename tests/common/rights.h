// A token without administrator rights, for starting a program as an ordinary user would.
#pragma once

#include <windows.h>

// The process token with the Administrators group made deny-only; null on failure. The caller
// closes it.
inline HANDLE RestrictedToken() {
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_QUERY,
                          &own)) {
        return nullptr;
    }
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    HANDLE restricted = nullptr;
    if (AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                 0, 0, 0, 0, &admins)) {
        SID_AND_ATTRIBUTES disable{admins, 0};
        if (!CreateRestrictedToken(own, 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted)) {
            restricted = nullptr;
        }
        FreeSid(admins);
    }
    CloseHandle(own);
    return restricted;
}
