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

}  // namespace

WideString WriteSaveLog(TextRef caption, TextRef message) {
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
