// The save log, rewritten by every save, in the current directory.
#include "persist/save_log.h"

#include <windows.h>

#include "persist/notice_names.h"
#include "runtime/errors.h"
#include "runtime/file_output.h"

namespace {

constexpr int16_t kLogFile = 1;
// Names tried for the new file before giving up; only a name left behind or planted takes one.
constexpr int kMostNames = 100;

// Why the last file operation on this thread failed; empty when none did.
WideString FailureReason() {
    int32_t error = LastRuntimeError();
    if (error == 0) return WideString();
    if (uint32_t windowsError = LastRuntimeWindowsError()) return SystemMessageText(windowsError);
    return ToWide("runtime error"_t + NumberToText(error));
}

// The process id in a name "<log>.<process id>.<n>" as a save names its new file: each number
// in digits, the first not 0. Zero when the name is not one.
DWORD LeftoverOwner(const wchar_t* name) {
    const char* stem = SaveLogName.bytes;
    uint32_t i = 0;
    for (; i < SaveLogName.Length(); ++i) {
        if (name[i] != static_cast<unsigned char>(stem[i])) return 0;
    }
    uint64_t numbers[2] = {0, 0};
    for (uint64_t& number : numbers) {
        if (name[i++] != L'.' || name[i] < L'1' || name[i] > L'9') return 0;
        for (; name[i] >= L'0' && name[i] <= L'9' && number <= 0xFFFFFFFFu; ++i) {
            number = number * 10 + (name[i] - L'0');
        }
    }
    return name[i] == L'\0' && numbers[0] <= 0xFFFFFFFFu ? static_cast<DWORD>(numbers[0]) : 0;
}

// Whether the process that made a file at `made` may still run. Ids are reused, this one's
// too: a process of the id started after the file was made is not its maker. One that may not
// be looked at counts as running.
bool MakerMayRun(DWORD id, const FILETIME& made) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!process) return GetLastError() != ERROR_INVALID_PARAMETER;
    FILETIME started, ended, kernel, user;
    bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT &&
                (!GetProcessTimes(process, &started, &ended, &kernel, &user) ||
                 CompareFileTime(&started, &made) <= 0);
    CloseHandle(process);
    return runs;
}

// Creates a file of a name of its own beside the log and opens it as kLogFile: the process id
// keeps two programs apart, the count a name already taken. Returns the name.
ByteString CreateNewLog() {
    ByteString stem =
        SaveLogName + "."_t + TrimLeading(NumberToText(GetCurrentProcessId())) + "."_t;
    ByteString name;
    for (int n = 1; n <= kMostNames; ++n) {
        ClearRuntimeError();
        name = stem + TrimLeading(NumberToText(n));
        OpenForOutput(name, kLogFile);
        uint32_t error = LastRuntimeWindowsError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    return name;
}

// A new file of the save's own takes the leftover's name and then goes: only the name is
// freed, whatever it was. A link's target is never touched, and what the system does not
// replace (a folder, a pipe) stays.
void RemoveLeftover(TextRef leftover) {
    ByteString name = CreateNewLog();
    if (LastRuntimeError() != 0) return;
    FileIdentity created = OpenFileIdentity(kLogFile);
    CloseFile(kLogFile);
    ReplaceName(name, leftover);
    RemoveCreatedFile(LastRuntimeError() == 0 ? leftover : TextRef(name), created);
}

// Removes what saves of processes that no longer run left beside the log: a save ended
// between making its new file and giving it the log's name.
void RemoveLeftovers() {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(ToWide(SaveLogName + ".*"_t).CStr(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        DWORD owner = LeftoverOwner(found.cFileName);
        if (owner != 0 && !MakerMayRun(owner, found.ftCreationTime))
            RemoveLeftover(ToBytes(found.cFileName, UnitsBeforeZero(found.cFileName, MAX_PATH)));
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

WideString WriteSaveLog(TextRef caption, TextRef message) {
    RemoveLeftovers();
    // The lines go to a new file, which then takes the log's name: whatever had the name is
    // only unnamed, never written, and a failure leaves the old log as it was.
    ByteString name = CreateNewLog();
    if (LastRuntimeError() != 0) return FailureReason();
    FileIdentity created = OpenFileIdentity(kLogFile);
    WriteText(kLogFile, CaptionValueName + " = "_t);
    NextColumnZone(kLogFile);
    WriteText(kLogFile, caption);
    WriteLineEnd(kLogFile);
    WriteLineEnd(kLogFile);
    WriteText(kLogFile, MessageValueName + " = "_t);
    NextColumnZone(kLogFile);
    WriteText(kLogFile, message);
    WriteLineEnd(kLogFile);
    CloseFile(kLogFile);
    if (LastRuntimeError() == 0) ReplaceName(name, SaveLogName);
    WideString reason = FailureReason();
    if (!reason.Empty()) RemoveCreatedFile(name, created);
    return reason;
}
