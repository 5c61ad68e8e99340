// The stored notice: both values read, and saved with the log under a system-wide lock.
#include "persist/notice_store.h"

#include "persist/save_log.h"

StoredNotice ReadStoredNotice() {
    StoredNotice notice;
    notice.caption = ReadRegistryString(PolicyKeyPath, CaptionValueName);
    notice.message = ReadRegistryString(PolicyKeyPath, MessageValueName);
    return notice;
}

NoticeSaveResult SaveStoredNotice(const WideString& caption, DWORD captionType,
                                  const WideString& message, DWORD messageType) {
    NoticeSaveResult result{};
    // Two saves that overlap would leave one caption beside the other's message.
    HANDLE lock = CreateMutexExW(nullptr, NoticeSaveMutexName, 0, SYNCHRONIZE | MUTEX_MODIFY_STATE);
    if (!lock) {
        result.lockFailure = SystemMessageText(GetLastError());
        return result;
    }
    DWORD wait = WaitForSingleObject(lock, NoticeSaveWaitMs);
    // An abandoned lock is ours now: its holder ended in the middle of a save.
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
        result.lockFailure =
            wait == WAIT_TIMEOUT
                ? ByteString("Another save of the logon notice did not finish in time."_t)
                : SystemMessageText(GetLastError());
        CloseHandle(lock);
        return result;
    }
    // The log records what this save tries to store, whatever the registry makes of it.
    result.logFailure = WriteSaveLog(ToBytes(caption), ToBytes(message));
    result.caption = WriteRegistryString(PolicyKeyPath, CaptionValueName, caption, captionType);
    result.message = WriteRegistryString(PolicyKeyPath, MessageValueName, message, messageType);
    ReleaseMutex(lock);
    CloseHandle(lock);
    return result;
}
