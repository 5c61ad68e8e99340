// Sequential text output: a list of open files keyed by number, every write straight to the
// system through the call gate.
#include "runtime/file_output.h"

#include <string.h>

#include "runtime/errors.h"
#include "runtime/spin_lock.h"
#include "runtime/system_call_gate.h"

volatile LONG SystemCallGateLock;

namespace {

constexpr int32_t kOutOfMemory = 7;
constexpr int32_t kNoNumber = 51;
constexpr int32_t kBadFileNumber = 52;
constexpr int32_t kAlreadyOpen = 55;
constexpr int32_t kDeviceError = 57;
constexpr int32_t kDiskFull = 61;
constexpr int32_t kBadFileName = 64;
constexpr uint32_t kLongestName = 255;
constexpr DWORD kMostSpacesPerWrite = 8;

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

// The runtime error of a gated call: its last error, or 51 when it failed without one.
int32_t CallError(DWORD error, bool failed) {
    if (error != 0) return RuntimeErrorFromWindows(error);
    return failed ? kNoNumber : 0;
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
    if (written < count) return record->disk ? kDiskFull : kDeviceError;
    return 0;
}

void Report(int32_t number) {
    if (number != 0) RaiseRuntimeError(number);
}

}  // namespace

int32_t RuntimeErrorFromWindows(DWORD error) {
    switch (error) {
        case 2:
        case 18:
            return 53;
        case 3:
            return 76;
        case 4:
            return 67;
        case 5:
        case 19:
        case 32:
        case 33:
        case 36:
            return 70;
        case 6:
            return 57;
        case 7:
        case 9:
        case 10:
            return 241;
        case 8:
        case 14:
            return 7;
        case 11:
        case 12:
        case 13:
        case 22:
        case 24:
            return 51;
        case 15:
        case 20:
            return 68;
        case 17:
            return 74;
        case 21:
            return 71;
        case 23:
        case 25:
        case 26:
        case 27:
        case 28:
        case 29:
        case 30:
        case 31:
        case 34:
        case 35:
            return 72;
        case 38:
            return 62;
        case 39:
        case 112:
            return 61;
        case 87:
            return 5;
        default:
            return 75;
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
    if (units == 0) return Report(kBadFileName);
    for (uint32_t i = 0; i < units; ++i) {
        if (chars[i] == L'*' || chars[i] == L'?') return Report(kBadFileName);
    }
    if (number < 0) return Report(kBadFileNumber);
    if (FindRecord(number)) return Report(kAlreadyOpen);

    auto* record = static_cast<OpenFileRecord*>(HeapAlloc(
        GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(OpenFileRecord) + units * sizeof(wchar_t)));
    if (!record) return Report(kOutOfMemory);
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
    if (!record) return Report(kBadFileNumber);
    if (text.Empty()) return;
    Report(WriteBytes(record, text.bytes, text.Length()));
}

void NextColumnZone(int16_t number) {
    OpenFileRecord* record = FindRecord(number);
    if (!record) return Report(kBadFileNumber);
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
    if (!record) return Report(kBadFileNumber);
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
