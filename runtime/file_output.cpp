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
    FileIdentity identity;  // of a disk file, read when it was created
    wchar_t name[1];        // the name as opened, zero-terminated; the record is sized to hold it
};

constinit OpenFileRecord* OpenFileTable = nullptr;
constinit volatile LONG OpenFileTableLock = 0;
constinit volatile LONG OpenLock = 0;

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

// A runtime error number and the Windows error it was translated from (0: none).
struct Failure {
    int32_t number = 0;
    DWORD windowsError = 0;
    explicit operator bool() const { return number != 0; }
};

// The failure of a gated call: its last error, or InternalError when it failed without one.
Failure CallError(DWORD error, bool failed) {
    if (error != 0) return {RuntimeErrorFromWindows(error), error};
    return {failed ? InternalError : 0, 0};
}

// Makes a gated call that tells its own success.
template <class Call>
Failure GatedCall(Call&& call) {
    bool ok = false;
    DWORD error = SystemCallGate([&] { ok = call(); });
    return CallError(error, !ok);
}

// Writes the bytes and adds what was written to the column.
Failure WriteBytes(OpenFileRecord* record, const void* bytes, DWORD count) {
    DWORD written = 0;
    BOOL ok = FALSE;
    DWORD error =
        SystemCallGate([&] { ok = WriteFile(record->handle, bytes, count, &written, nullptr); });
    record->column += written;
    if (Failure failure = CallError(error, !ok)) return failure;
    if (written < count) return {record->disk ? DiskFull : DeviceError, 0};
    return {};
}

void Report(Failure failure) {
    if (failure) RaiseRuntimeError(failure.number, failure.windowsError);
}

void Report(int32_t number) {
    Report(Failure{number, 0});
}

// The name as the system gets it: at most its first 255 UTF-16 units. Empty when the name is
// empty or holds a wildcard.
WideString SystemFileName(TextRef name) {
    WideString wide = ToWide(name);
    uint32_t units = wide.Units() < kLongestName ? wide.Units() : kLongestName;
    const wchar_t* chars = wide.CStr();
    for (uint32_t i = 0; i < units; ++i) {
        if (chars[i] == L'*' || chars[i] == L'?') return WideString();
    }
    if (units < wide.Units()) return WideString::FromUnits(chars, units);
    return wide;
}

bool Known(const FileIdentity& identity) {
    return identity.volume != 0 || identity.indexHigh != 0 || identity.indexLow != 0;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

Failure Identify(HANDLE handle, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info{};
    Failure failure = GatedCall([&] { return GetFileInformationByHandle(handle, &info) != FALSE; });
    if (!failure) identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return failure;
}

// Marks the file behind the handle for removal when it closes: that file, by no name.
Failure RemoveOnClose(HANDLE handle) {
    FILE_DISPOSITION_INFO remove{TRUE};
    return GatedCall([&] {
        return SetFileInformationByHandle(handle, FileDispositionInfo, &remove, sizeof(remove)) !=
               FALSE;
    });
}

// Windows errors and the runtime errors they become; any other is PathFileAccessError.
struct ErrorTranslation {
    uint16_t windowsError;
    uint8_t number;
};
constexpr ErrorTranslation kErrorTranslations[] = {
    {ERROR_FILE_NOT_FOUND, FileNotFound},
    {ERROR_NO_MORE_FILES, FileNotFound},
    {ERROR_PATH_NOT_FOUND, PathNotFound},
    {ERROR_TOO_MANY_OPEN_FILES, TooManyFiles},
    {ERROR_ACCESS_DENIED, PermissionDenied},
    {ERROR_WRITE_PROTECT, PermissionDenied},
    {ERROR_SHARING_VIOLATION, PermissionDenied},
    {ERROR_LOCK_VIOLATION, PermissionDenied},
    {ERROR_SHARING_BUFFER_EXCEEDED, PermissionDenied},
    {ERROR_INVALID_HANDLE, DeviceError},
    {ERROR_ARENA_TRASHED, FatalInternalError},
    {ERROR_INVALID_BLOCK, FatalInternalError},
    {ERROR_BAD_ENVIRONMENT, FatalInternalError},
    {ERROR_NOT_ENOUGH_MEMORY, OutOfMemory},
    {ERROR_OUTOFMEMORY, OutOfMemory},
    {ERROR_BAD_FORMAT, InternalError},
    {ERROR_INVALID_ACCESS, InternalError},
    {ERROR_INVALID_DATA, InternalError},
    {ERROR_BAD_COMMAND, InternalError},
    {ERROR_BAD_LENGTH, InternalError},
    {ERROR_INVALID_DRIVE, DeviceUnavailable},
    {ERROR_BAD_UNIT, DeviceUnavailable},
    {ERROR_NOT_SAME_DEVICE, RenameAcrossDisks},
    {ERROR_NOT_READY, DiskNotReady},
    {ERROR_CRC, DiskMediaError},
    {ERROR_SEEK, DiskMediaError},
    {ERROR_NOT_DOS_DISK, DiskMediaError},
    {ERROR_SECTOR_NOT_FOUND, DiskMediaError},
    {ERROR_OUT_OF_PAPER, DiskMediaError},
    {ERROR_WRITE_FAULT, DiskMediaError},
    {ERROR_READ_FAULT, DiskMediaError},
    {ERROR_GEN_FAILURE, DiskMediaError},
    {ERROR_WRONG_DISK, DiskMediaError},
    {kErrorFcbUnavailable, DiskMediaError},
    {ERROR_HANDLE_EOF, InputPastEnd},
    {ERROR_HANDLE_DISK_FULL, DiskFull},
    {ERROR_DISK_FULL, DiskFull},
    {ERROR_INVALID_PARAMETER, InvalidArgument},
};

}  // namespace

int32_t RuntimeErrorFromWindows(DWORD error) {
    for (const ErrorTranslation& row : kErrorTranslations) {
        if (row.windowsError == error) return row.number;
    }
    return PathFileAccessError;
}

void ClearOpenFileTable() {
    SpinLockScope table(OpenFileTableLock);
    OpenFileTable = nullptr;
}

void OpenForOutput(TextRef name, int16_t number) {
    SpinLockScope open(OpenLock);

    WideString wide = SystemFileName(name);
    uint32_t units = wide.Units();
    if (units == 0) return Report(BadFileName);
    if (number < 0) return Report(BadFileNumber);
    if (FindRecord(number)) return Report(FileAlreadyOpen);

    auto* record = static_cast<OpenFileRecord*>(HeapAlloc(
        GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(OpenFileRecord) + units * sizeof(wchar_t)));
    if (!record) return Report(OutOfMemory);
    AddRecord(record);
    memcpy(record->name, wide.CStr(), units * sizeof(wchar_t));
    record->name[units] = L'\0';

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    // Only a file that did not exist: whatever has the name already (a link, a pipe, a file
    // held by someone else) is never opened, so nothing is written through it. Reading its
    // identity and taking it back on failure need the two further rights.
    const DWORD access = GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE;
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = SystemCallGate([&] {
        handle = CreateFileW(record->name, access, 0, &inheritable, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    });
    Failure failure;
    if (handle == INVALID_HANDLE_VALUE) failure = CallError(error, true);
    if (!failure) {
        record->number = number;
        record->handle = handle;
        record->column = 0;
        DWORD type = FILE_TYPE_UNKNOWN;
        // It fails only by its last error.
        failure = GatedCall([&] {
            type = GetFileType(handle);
            return true;
        });
        record->disk = type == FILE_TYPE_DISK;
    }
    if (!failure && record->disk) failure = Identify(handle, record->identity);
    if (failure) {
        RemoveRecord(record);
        if (handle != INVALID_HANDLE_VALUE) {
            if (record->disk) RemoveOnClose(handle);
            SystemCallGate([&] { CloseHandle(handle); });
        }
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
    static constexpr char spaces[kMostSpacesPerWrite] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    DWORD left = ZoneFill(record->column);
    while (left > 0) {
        DWORD piece = left < kMostSpacesPerWrite ? left : kMostSpacesPerWrite;
        if (Failure failure = WriteBytes(record, spaces, piece)) return Report(failure);
        left -= piece;
    }
}

void WriteLineEnd(int16_t number) {
    OpenFileRecord* record = FindRecord(number);
    if (!record) return Report(BadFileNumber);
    Failure failure = WriteBytes(record, "\r\n", 2);
    record->column = 0;
    Report(failure);
}

void CloseFile(int16_t number) {
    OpenFileRecord* record = FindRecord(number);
    if (!record) return;
    RemoveRecord(record);
    HANDLE handle = record->handle;
    Failure failure;
    if (record->disk) failure = GatedCall([&] { return SetEndOfFile(handle) != FALSE; });
    Failure closeFailure = GatedCall([&] { return CloseHandle(handle) != FALSE; });
    if (!failure) failure = closeFailure;
    HeapFree(GetProcessHeap(), 0, record);
    Report(failure);
}

FileIdentity OpenFileIdentity(int16_t number) {
    OpenFileRecord* record = FindRecord(number);
    return record ? record->identity : FileIdentity{};
}

void ReplaceName(TextRef from, TextRef to) {
    WideString source = SystemFileName(from);
    WideString target = SystemFileName(to);
    if (source.Empty() || target.Empty()) return Report(BadFileName);
    BOOL ok = FALSE;
    DWORD error = SystemCallGate([&] {
        ok = MoveFileExW(source.CStr(), target.CStr(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    });
    if (!ok) Report(CallError(error, true));
}

void RemoveCreatedFile(TextRef name, FileIdentity created) {
    if (!Known(created)) return;
    WideString wide = SystemFileName(name);
    if (wide.Empty()) return Report(BadFileName);
    // The name itself, not what a link there points at, and no data access: a pipe or a
    // device put there in the meantime is not opened for reading or writing.
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = SystemCallGate([&] {
        handle = CreateFileW(wide.CStr(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    });
    if (handle == INVALID_HANDLE_VALUE) return Report(CallError(error, true));
    FileIdentity found{};
    Failure failure = Identify(handle, found);
    if (!failure && SameFile(found, created)) failure = RemoveOnClose(handle);
    Failure closeFailure = GatedCall([&] { return CloseHandle(handle) != FALSE; });
    Report(failure ? failure : closeFailure);
}
