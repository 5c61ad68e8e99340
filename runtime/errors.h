// The runtime error convention: a failing service records its number for the calling
// routine and returns; the caller goes on. Numbers from FatalInternalError up end the process
// at once with kFailureExitCode, without a message or the shutdown steps.
#pragma once

#include <stdint.h>

// The runtime error numbers, each defined here only.
enum RuntimeError : int32_t {
    InvalidArgument = 5,
    OutOfMemory = 7,
    InternalError = 51,  // also recorded for a failure that comes without a number
    BadFileNumber = 52,
    FileNotFound = 53,
    FileAlreadyOpen = 55,
    DeviceError = 57,
    DiskFull = 61,
    InputPastEnd = 62,
    BadFileName = 64,
    TooManyFiles = 67,
    DeviceUnavailable = 68,
    PermissionDenied = 70,
    DiskNotReady = 71,
    DiskMediaError = 72,
    RenameAcrossDisks = 74,
    PathFileAccessError = 75,
    PathNotFound = 76,
    FatalInternalError = 241,  // this and every higher number end the process
};

// The exit code of a refused platform, a failed start-up and a fatal runtime error.
constexpr uint32_t kFailureExitCode = 255;

// Records the number, and the Windows error code it was translated from (0: none).
void RaiseRuntimeError(int32_t number, uint32_t windowsError = 0);
// The number last recorded on this thread, 0 when none since the last clear.
int32_t LastRuntimeError();
// The Windows error recorded with that number, 0 when it came from no system call.
uint32_t LastRuntimeWindowsError();
void ClearRuntimeError();

// Where the text values get their storage: count word in front, NUL after the data.
char* AllocTextStorage(uint32_t bytes);
wchar_t* AllocWideStorage(uint32_t units);
void FreeTextStorage(void* data);
