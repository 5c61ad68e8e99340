// Every file-system call and the clock read pass one gate: the gate lock, the floating-point
// state kept, the critical-error boxes off, the last error cleared before and read after.
#pragma once

#include <windows.h>

#include "runtime/float_control.h"
#include "runtime/spin_lock.h"

// One lock for every user of the gate, defined beside it.
inline constinit volatile LONG SystemCallGateLock = 0;

// Makes the call and returns GetLastError as it stood right after it.
template <class Call>
DWORD SystemCallGate(Call&& call) {
    SpinLockScope gate(SystemCallGateLock);
    uint16_t floatState = ReadFloatControlWord();
    UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SetLastError(0);
    call();
    WriteFloatControlWord(floatState);
    DWORD error = GetLastError();
    SetErrorMode(previousMode);
    return error;
}
