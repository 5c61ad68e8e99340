// Sequential text output: a list of open files keyed by number, every write straight to the
// system through the call gate.
#include "runtime/file_output.h"

#include <string.h>

#include <utility>
#include <wchar.h>

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

// A path the system writes into a caller's buffer: `fill(buffer, size)` returns the units
// written, or the size needed (terminator included) when the buffer is too small. Most paths
// fit the first buffer, so most take one call.
template <class Fill>
WideString SystemPath(Fill&& fill) {
    wchar_t first[MAX_PATH + 1];
    DWORD needed = 0, got = 0;
    SystemCallGate([&] { needed = fill(first, MAX_PATH + 1); });
    if (needed == 0) return WideString();
    if (needed <= MAX_PATH) return WideString::FromUnits(first, needed);
    WideString buffer = WideString::Allocate(needed, false);
    if (buffer.Empty()) return buffer;
    SystemCallGate([&] { got = fill(buffer.Units16(), needed); });
    if (got == 0 || got >= needed) return WideString();
    return WideString::FromUnits(buffer.CStr(), got);
}

// The handle's path from the root of its volume ("\\dir\\name"); error is set on failure.
WideString PathOnVolume(HANDLE handle, DWORD& error) {
    constexpr DWORD kSize = sizeof(FILE_NAME_INFO) + 32768 * sizeof(wchar_t);
    auto* info = static_cast<FILE_NAME_INFO*>(HeapAlloc(GetProcessHeap(), 0, kSize));
    if (!info) return WideString();
    BOOL ok = FALSE;
    error = SystemCallGate(
        [&] { ok = GetFileInformationByHandleEx(handle, FileNameInfo, info, kSize); });
    WideString path;
    if (ok) path = WideString::FromUnits(info->FileName, info->FileNameLength / sizeof(wchar_t));
    HeapFree(GetProcessHeap(), 0, info);
    return path;
}

// Whether two paths name the same place, without regard to case or to the long form's
// prefix ("\\?\C:\x" is "C:\x", "\\?\UNC\server\x" is "\\server\x").
bool SamePath(const wchar_t* a, const wchar_t* b) {
    if (wcsncmp(a, L"\\\\?\\UNC\\", 8) == 0 && wcsncmp(b, L"\\\\", 2) == 0) {
        a += 8;
        b += 2;
    } else if (wcsncmp(a, L"\\\\?\\", 4) == 0) {
        a += 4;
    }
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

// Whether the handle's path is the expected one; on the volume alone, "C:\\x" is "\\x".
bool SameFile(const WideString& actual, const WideString& expected, bool onVolume) {
    const wchar_t* path = expected.CStr();
    if (onVolume && path[0] != L'\\' && path[1] == L':') path += 2;
    return SamePath(actual.CStr(), path);
}

// Whether the opened disk file is the plain file the name means and nothing else: through a
// symbolic link or junction the handle reports its target's path, a hard link more than one
// link. Wine opens a Unix symbolic link as its target whatever the flags say.
Failure CheckOwnFile(HANDLE handle, const wchar_t* name) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (Failure failure =
            GatedCall([&] { return GetFileInformationByHandle(handle, &info) != FALSE; })) {
        return failure;
    }
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        info.nNumberOfLinks != 1) {
        return {NotOwnFile, 0};
    }
    DWORD error = 0;
    WideString actual = SystemPath([&](wchar_t* buffer, DWORD size) {
        DWORD n =
            GetFinalPathNameByHandleW(handle, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) error = GetLastError();
        return n;
    });
    // Wine's GetFinalPathNameByHandleW fails beyond MAX_PATH; there the path on the volume,
    // without such a limit, stands in (the drive itself is then not compared).
    bool onVolume = actual.Empty() && error == ERROR_MORE_DATA;
    if (onVolume) actual = PathOnVolume(handle, error);
    if (actual.Empty()) return CallError(error, true);
    WideString expected = SystemPath(
        [&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(name, size, buffer, nullptr); });
    if (SameFile(actual, expected, onVolume)) return {};
    // A short (8.3) name in the working directory's path is spelt out as the handle's is; the
    // lookup walks the whole path, so only a path that did not match pays for it.
    WideString spelledOut = SystemPath([&](wchar_t* buffer, DWORD size) {
        return GetLongPathNameW(expected.CStr(), buffer, size);
    });
    if (!spelledOut.Empty() && SameFile(actual, spelledOut, onVolume)) return {};
    return {NotOwnFile, 0};
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
    // Never created or emptied through the name: an existing file is opened as it stands (on
    // Windows a link itself, not its target) and checked before it is emptied.
    const DWORD access = GENERIC_WRITE | FILE_READ_ATTRIBUTES;
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = SystemCallGate([&] {
        handle = CreateFileW(record->name, access, 0, &inheritable, OPEN_EXISTING, flags, nullptr);
    });
    if (handle == INVALID_HANDLE_VALUE && error == ERROR_FILE_NOT_FOUND) {
        error = SystemCallGate([&] {
            handle = CreateFileW(record->name, access, 0, &inheritable, CREATE_NEW, flags, nullptr);
        });
    }
    Failure failure;
    if (handle == INVALID_HANDLE_VALUE) {
        // Neither there to open nor free to create: a link to a file that does not exist.
        bool dangling = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        failure = dangling ? Failure{NotOwnFile, 0} : CallError(error, true);
    }
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
    if (!failure && record->disk) failure = CheckOwnFile(handle, record->name);
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
