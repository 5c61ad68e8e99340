// The one gate of the file-system calls and the clock read.
#include "runtime/system_call_gate.h"

#include "runtime/float_control.h"
#include "runtime/spin_lock.h"

namespace {

constinit volatile LONG SystemCallGateLock = 0;

}  // namespace

DWORD RunThroughGate(void (*call)(void* context), void* context) {
    SpinLockScope gate(SystemCallGateLock);
    uint16_t floatState = ReadFloatControlWord();
    UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SetLastError(0);
    call(context);
    WriteFloatControlWord(floatState);
    DWORD error = GetLastError();
    SetErrorMode(previousMode);
    return error;
}
