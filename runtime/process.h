// Process start-up and shutdown, per-thread settings, and the runtime error convention.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "runtime/errors.h"

// Per-thread runtime data, a zero-filled 128-byte block in a TLS slot.
struct ThreadBlock {
    int32_t dialogFont;   // current dialog font number (1)
    UINT codePage;        // conversion code page (0 = CP_ACP)
    int32_t errorNumber;  // last runtime error raised on this thread
    DWORD windowsError;   // the Windows error behind errorNumber, 0 when none
    uint8_t reserved[112];
};
static_assert(sizeof(ThreadBlock) == 128);

struct RuntimeState {
    HINSTANCE module;
    int showCommand;
    const wchar_t* commandTail;
    OSVERSIONINFOA version;
    DWORD tlsIndex;
    ThreadBlock* mainThread;
    LONG threadBlocks;
};

extern RuntimeState Runtime;

using MainRoutine = int32_t (*)(HINSTANCE instance, HINSTANCE previous, const wchar_t* commandTail,
                                int showCommand);

// The whole process: start-up, the main routine, shutdown. `startLayers` builds the
// process-wide tables of the layers above the runtime before the main routine runs.
[[noreturn]] void RunProgram(MainRoutine main, void (*startLayers)());

// Ends the process at once with the exit code, after the shutdown steps.
[[noreturn]] void EndProgram(int32_t exitCode);

// The start-up steps that prepare the runtime itself (state, TLS slot and main thread block,
// floating-point control word); also used by test programs. False when the slot or block
// cannot be had.
bool StartRuntime();

// The text after the program name and the spaces that follow it.
const wchar_t* CommandLineTail(const wchar_t* line);

// The calling thread's block; a thread without one gets a copy of the main thread's settings.
ThreadBlock* CurrentThreadBlock();
