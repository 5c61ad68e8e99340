// Who else defines the logon notice: the security templates cached from the applied Group
// Policy objects, and device management. Read only; nothing here writes.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "persist/policy_template.h"
#include "runtime/name_list.h"
#include "runtime/text.h"

// Who else defines a notice value: Group Policy objects and device management.
struct PolicySources {
    NameList groupPolicy;           // the names of the Group Policy objects that define it, as
                                    // read, in ordinal order, each once
    bool deviceManagement = false;  // MDM defines it
};

struct NoticePolicy {
    PolicySources caption;  // legalnoticecaption
    PolicySources message;  // legalnoticetext
};

// How long, in all, reading the sources waits for templates that another program holds open.
constexpr uint32_t PolicyTemplateWaitMs = 500;

// How a template's bytes are read: ReadFile unless a test replaces it. Wine does not refuse a
// read of a range another process has locked, so it cannot produce ERROR_LOCK_VIOLATION.
extern BOOL(WINAPI* TemplateReadFile)(HANDLE file, void* buffer, DWORD size, DWORD* got,
                                      OVERLAPPED* overlapped);

// Reads the sources; nothing is written. A source that cannot be read (no folder, access
// denied, a malformed file, one held open past the wait) counts as no source.
NoticePolicy ReadNoticePolicy();
