// The save log, rewritten by every save, in the current directory.
#include "persist/save_log.h"

#include "persist/notice_names.h"
#include "runtime/errors.h"
#include "runtime/file_output.h"

namespace {

constexpr int16_t kLogFile = 1;

// Why the last file operation on this thread failed; empty when none did.
ByteString FailureReason() {
    int32_t error = LastRuntimeError();
    if (error == 0) return ByteString();
    if (error == NotOwnFile) return "it is a link to another file; the log was not written."_t;
    if (uint32_t windowsError = LastRuntimeWindowsError()) return SystemMessageText(windowsError);
    return "runtime error"_t + NumberToText(error);
}

}  // namespace

ByteString WriteSaveLog(TextRef caption, TextRef message) {
    ClearRuntimeError();
    OpenForOutput(SaveLogName, kLogFile);
    if (LastRuntimeError() != 0) return FailureReason();
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
    return FailureReason();
}
