// Every file-system call and the clock read pass one gate: the gate lock, the floating-point
// state kept, the critical-error boxes off, the last error cleared before and read after.
#pragma once

#include <windows.h>

// Makes the call through the gate and returns GetLastError as it stood right after it.
DWORD RunThroughGate(void (*call)(void* context), void* context);

// The same for any callable; only a small thunk is made per call site.
template <class Call>
DWORD SystemCallGate(Call&& call) {
    auto* target = &call;
    return RunThroughGate([](void* context) { (*static_cast<decltype(target)>(context))(); },
                          target);
}
