// A 32-bit word taken by atomically exchanging -1 into it, retried while the old value was
// not 0, and released by storing 0.
#pragma once

#include <windows.h>

inline void TakeSpinLock(volatile LONG& lock) {
    while (InterlockedExchange(&lock, -1) != 0) Sleep(0);
}

inline void ReleaseSpinLock(volatile LONG& lock) {
    InterlockedExchange(&lock, 0);
}

// Holds a spin lock for one scope.
class SpinLockScope {
public:
    explicit SpinLockScope(volatile LONG& lock) : lock_(lock) { TakeSpinLock(lock_); }
    ~SpinLockScope() { ReleaseSpinLock(lock_); }
    SpinLockScope(const SpinLockScope&) = delete;
    SpinLockScope& operator=(const SpinLockScope&) = delete;

private:
    volatile LONG& lock_;
};
