// Who else defines the logon notice: the security templates cached from the applied Group
// Policy objects, and device management. Read only; nothing here writes.
#pragma once

#include <stdint.h>

#include "runtime/text.h"

// Who else defines a notice value: Group Policy objects and device management.
struct PolicySources {
    ByteString groupPolicy;         // names of the Group Policy objects that define it, each
                                    // followed by a zero byte; empty when none
    bool deviceManagement = false;  // MDM defines it
};

struct NoticePolicy {
    PolicySources caption;  // legalnoticecaption
    PolicySources message;  // legalnoticetext
};

// The largest cached template read, in bytes; a larger file is malformed.
constexpr uint32_t LongestPolicyTemplate = 1024 * 1024;

// What one cached template says about the notice.
struct TemplateSettings {
    bool wellFormed = false;  // false: the file counts as no source, whatever it holds
    bool caption = false;     // its [Registry Values] define legalnoticecaption
    bool message = false;     // ... and legalnoticetext
    WideString gpoPath;       // the text after "GPOPath=", without surrounding blanks
    WideString gpoGuid;       // the first "{...}" GUID in gpoPath, braces included; or empty
};

// Parses a template file's bytes: UTF-16 LE after a byte order mark, else the ANSI code page.
// Malformed: longer than LongestPolicyTemplate, UTF-16 of an odd byte count, a zero unit or
// byte anywhere, or no line "GPOPath=" with text after it.
TemplateSettings ParseTemplate(TextRef file);

// Reads the sources; nothing is written. A source that cannot be read (no folder, access
// denied, a malformed file) counts as no source.
NoticePolicy ReadNoticePolicy();
