// The machine-wide lock that keeps two saves of the notice apart. Only administrators and the
// system can own it: an object of its name that anyone else made is not the lock.
#pragma once

#include <windows.h>

#include "runtime/text.h"

// Held around every save by every instance, in every logon session.
inline constexpr wchar_t NoticeSaveMutexName[] = L"Global\\Quillmark.NoticeSave";
// How long a save waits for another one to finish.
constexpr DWORD NoticeSaveWaitMs = 10000;

// The lock as one save holds it, released and closed on every way out. A null mutex means the
// save goes on without one.
struct SaveLock {
    HANDLE mutex = nullptr;
    bool held = false;

    SaveLock() = default;
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;
    ~SaveLock() {
        if (held) ReleaseMutex(mutex);
        if (mutex) CloseHandle(mutex);
    }
};

// Takes the lock for a save, waiting for another save to end. Returns why the save cannot go
// on, or the empty text when it can: with the lock held, or without one when the object of
// the lock's name is not a mutex or not owned by the Administrators group or SYSTEM (whoever
// made it has no right to write what it guards, and must not be able to block a save).
WideString TakeSaveLock(SaveLock& lock);

// Whether the object's owner is the Administrators group or SYSTEM.
bool OwnedByAdministrators(HANDLE object);
