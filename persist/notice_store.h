// The logon notice as stored: two registry values under one key, read as they are and
// written back together with the save log, one save at a time on the machine.
#pragma once

#include <windows.h>

#include "persist/notice_names.h"
#include "persist/registry_value.h"
#include "runtime/text.h"

// Held around every save by every instance, in every logon session.
inline constexpr wchar_t NoticeSaveMutexName[] = L"Global\\Quillmark.NoticeSave";
// How long a save waits for another one to finish.
constexpr DWORD NoticeSaveWaitMs = 10000;

struct StoredNotice {
    RegistryText caption;
    RegistryText message;
};

struct NoticeSaveResult {
    ByteString lockFailure;  // not empty: another save kept the lock, nothing was written
    ByteString logFailure;   // why the log was not written; empty when it was
    LONG caption;            // 0, or the Windows error of the caption's write
    LONG message;            // 0, or the Windows error of the message's write
};

StoredNotice ReadStoredNotice();
// Writes the log (the texts in the ANSI code page) and then the caption and the message as
// values of the given types, whatever became of the steps before.
NoticeSaveResult SaveStoredNotice(const WideString& caption, DWORD captionType,
                                  const WideString& message, DWORD messageType);
