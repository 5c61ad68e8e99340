// Sequential text output: a list of open files keyed by number, every write straight to the
// system through the call gate.
#include "runtime/file_output.h"

#include <string.h>

#include "runtime/errors.h"
#include "runtime/spin_lock.h"
#include "runtime/system_call_gate.h"

namespace {

constexpr uint32_t kLongestName = 255;
constexpr DWORD kMostSpacesPerWrite = 8;
// A disk error code of old that the Windows headers leave unnamed (file control blocks).
constexpr DWORD kErrorFcbUnavailable = 35;

struct OpenFileRecord {
    OpenFileRecord* next;
    int16_t number;
    HANDLE handle;
    bool disk;
    uint32_t column;
    wchar_t name[1];  // the name as opened, zero-terminated; the record is sized to hold it
};

OpenFileRecord* OpenFileTable;
volatile LONG OpenFileTableLock;
volatile LONG OpenLock;

OpenFileRecord* FindRecord(int16_t number) {
    SpinLockScope table(OpenFileTableLock);
    OpenFileRecord* record = OpenFileTable;
    while (record && record->number != number) record = record->next;
    return record;
}

void AddRecord(OpenFileRecord* record) {
    SpinLockScope table(OpenFileTableLock);
    record->next = OpenFileTable;
    OpenFileTable = record;
}

void RemoveRecord(OpenFileRecord* record) {
    SpinLockScope table(OpenFileTableLock);
    for (OpenFileRecord** link = &OpenFileTable; *link; link = &(*link)->next) {
        if (*link == record) {
            *link = record->next;
            return;
        }
    }
}

// The runtime error of a gated call: its last error, or InternalError when it failed without one.
int32_t CallError(DWORD error, bool failed) {
    if (error != 0) return RuntimeErrorFromWindows(error);
    return failed ? InternalError : 0;
}

// Makes a gated call that tells its own success; 0 or the runtime error of its failure.
template <class Call>
int32_t GatedCall(Call&& call) {
    bool ok = false;
    DWORD error = SystemCallGate([&] { ok = call(); });
    return CallError(error, !ok);
}

// Writes the bytes and adds what was written to the column; 0 or a runtime error number.
int32_t WriteBytes(OpenFileRecord* record, const void* bytes, DWORD count) {
    DWORD written = 0;
    BOOL ok = FALSE;
    DWORD error =
        SystemCallGate([&] { ok = WriteFile(record->handle, bytes, count, &written, nullptr); });
    record->column += written;
    if (int32_t number = CallError(error, !ok)) return number;
    if (written < count) return record->disk ? DiskFull : DeviceError;
    return 0;
}

void Report(int32_t number) {
    if (number != 0) RaiseRuntimeError(number);
}

}  // namespace

int32_t RuntimeErrorFromWindows(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_NO_MORE_FILES:
            return FileNotFound;
        case ERROR_PATH_NOT_FOUND:
            return PathNotFound;
        case ERROR_TOO_MANY_OPEN_FILES:
            return TooManyFiles;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_SHARING_BUFFER_EXCEEDED:
            return PermissionDenied;
        case ERROR_INVALID_HANDLE:
            return DeviceError;
        case ERROR_ARENA_TRASHED:
        case ERROR_INVALID_BLOCK:
        case ERROR_BAD_ENVIRONMENT:
            return FatalInternalError;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return OutOfMemory;
        case ERROR_BAD_FORMAT:
        case ERROR_INVALID_ACCESS:
        case ERROR_INVALID_DATA:
        case ERROR_BAD_COMMAND:
        case ERROR_BAD_LENGTH:
            return InternalError;
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_UNIT:
            return DeviceUnavailable;
        case ERROR_NOT_SAME_DEVICE:
            return RenameAcrossDisks;
        case ERROR_NOT_READY:
            return DiskNotReady;
        case ERROR_CRC:
        case ERROR_SEEK:
        case ERROR_NOT_DOS_DISK:
        case ERROR_SECTOR_NOT_FOUND:
        case ERROR_OUT_OF_PAPER:
        case ERROR_WRITE_FAULT:
        case ERROR_READ_FAULT:
        case ERROR_GEN_FAILURE:
        case ERROR_WRONG_DISK:
        case kErrorFcbUnavailable:
            return DiskMediaError;
        case ERROR_HANDLE_EOF:
            return InputPastEnd;
        case ERROR_HANDLE_DISK_FULL:
        case ERROR_DISK_FULL:
            return DiskFull;
        case ERROR_INVALID_PARAMETER:
            return InvalidArgument;
        default:
            return PathFileAccessError;
    }
}

void ClearOpenFileTable() {
    SpinLockScope table(OpenFileTableLock);
    OpenFileTable = nullptr;
}

void OpenForOutput(TextRef name, int16_t number) {
    SpinLockScope open(OpenLock);

    WideString wide = ToWide(name);
    uint32_t units = wide.Units() < kLongestName ? wide.Units() : kLongestName;
    const wchar_t* chars = wide.CStr();
    if (units == 0) return Report(BadFileName);
    for (uint32_t i = 0; i < units; ++i) {
        if (chars[i] == L'*' || chars[i] == L'?') return Report(BadFileName);
    }
    if (number < 0) return Report(BadFileNumber);
    if (FindRecord(number)) return Report(FileAlreadyOpen);

    auto* record = static_cast<OpenFileRecord*>(HeapAlloc(
        GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(OpenFileRecord) + units * sizeof(wchar_t)));
    if (!record) return Report(OutOfMemory);
    AddRecord(record);
    memcpy(record->name, chars, units * sizeof(wchar_t));
    record->name[units] = L'\0';

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = SystemCallGate([&] {
        handle = CreateFileW(record->name, GENERIC_WRITE, 0, &inheritable, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    });
    // OPEN_ALWAYS leaves ERROR_ALREADY_EXISTS on an existing file: only the handle counts.
    int32_t failure = handle == INVALID_HANDLE_VALUE ? CallError(error, true) : 0;
    if (!failure) {
        record->number = number;
        record->handle = handle;
        record->column = 0;
        DWORD type = FILE_TYPE_UNKNOWN;
        // These two fail only by their last error.
        failure = GatedCall([&] {
            type = GetFileType(handle);
            return true;
        });
        record->disk = type == FILE_TYPE_DISK;
    }
    if (!failure && record->disk) {
        LONG high = 0;
        failure = GatedCall([&] {
            SetFilePointer(handle, 0, &high, FILE_BEGIN);
            return true;
        });
        if (!failure) failure = GatedCall([&] { return SetEndOfFile(handle) != FALSE; });
    }
    if (failure) {
        RemoveRecord(record);
        if (handle != INVALID_HANDLE_VALUE) SystemCallGate([&] { CloseHandle(handle); });
        HeapFree(GetProcessHeap(), 0, record);
        Report(failure);
    }
}

void WriteText(int16_t number, TextRef text) {
    OpenFileRecord* record = FindRecord(number);
    if (!record) return Report(BadFileNumber);
    if (text.Empty()) return;
    Report(WriteBytes(record, text.bytes, text.Length()));
}

void NextColumnZone(int16_t number) {
    OpenFileRecord* record = FindRecord(number);
    if (!record) return Report(BadFileNumber);
    static const char spaces[kMostSpacesPerWrite] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    DWORD left = ZoneFill(record->column);
    while (left > 0) {
        DWORD piece = left < kMostSpacesPerWrite ? left : kMostSpacesPerWrite;
        if (int32_t failure = WriteBytes(record, spaces, piece)) return Report(failure);
        left -= piece;
    }
}

void WriteLineEnd(int16_t number) {
    OpenFileRecord* record = FindRecord(number);
    if (!record) return Report(BadFileNumber);
    int32_t failure = WriteBytes(record, "\r\n", 2);
    record->column = 0;
    Report(failure);
}

void CloseFile(int16_t number) {
    OpenFileRecord* record = FindRecord(number);
    if (!record) return;
    RemoveRecord(record);
    HANDLE handle = record->handle;
    int32_t failure = 0;
    if (record->disk) failure = GatedCall([&] { return SetEndOfFile(handle) != FALSE; });
    int32_t closeFailure = GatedCall([&] { return CloseHandle(handle) != FALSE; });
    if (!failure) failure = closeFailure;
    HeapFree(GetProcessHeap(), 0, record);
    Report(failure);
}
