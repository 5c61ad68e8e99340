// The logon notice as stored: two registry values under one key, read as they are and written
// back together with the save log, one save at a time on the machine. The rules that decide
// what a save may replace without a question are small functions over these values.
#pragma once

#include <windows.h>

#include "persist/notice_names.h"
#include "persist/notice_policy.h"
#include "persist/registry_value.h"
#include "runtime/text.h"

// One value of the notice: its name, what storage holds, and who else defines it.
struct NoticeValue {
    TextRef name;
    RegistryText stored;
    PolicySources policy;  // read once at load; a save changes nothing of it
};

constexpr int kNoticeValues = 2;

// The caption, then the message: the order in which both are read, written and named.
struct StoredNotice {
    NoticeValue values[kNoticeValues] = {{CaptionValueName, {}, {}}, {MessageValueName, {}, {}}};

    NoticeValue& Caption() { return values[0]; }
    NoticeValue& Message() { return values[1]; }
    const NoticeValue& Caption() const { return values[0]; }
    const NoticeValue& Message() const { return values[1]; }
};

struct NoticeSaveResult {
    // The stored values were no longer the expected ones: nothing was written, and current
    // holds them as they are now.
    bool changed = false;
    StoredNotice current;
    // A value was longer than a load shows: nothing was written.
    bool tooLong = false;
    WideString lockFailure;           // not empty: the lock could not be had, nothing was written
    WideString logFailure;            // why the log was not written; empty when it was
    bool wrote = false;               // both values were written, each with its result in errors
    LONG errors[kNoticeValues] = {};  // per value: 0, or the Windows error of its write
};

// The type a value is written back as: REG_EXPAND_SZ stays one, every other shape (a list of
// strings, or a value a Yes replaces) becomes REG_SZ.
DWORD WriteBackType(DWORD storedType);
// What a later read gives of a value written with this text and type.
RegistryText AsStored(const WideString& text, DWORD type);
// The notice a save stores: the edits' texts, each in the type its stored value is written
// back as.
StoredNotice NoticeToStore(const StoredNotice& shown, const WideString& caption,
                           const WideString& message);
// A value that could not be shown is replaced only after a Yes.
bool NeedsConsent(const RegistryText& shown);
// Whether storage holds something other than what the editor last loaded or saved.
bool Differs(const RegistryText& shown, const RegistryText& now);
// Whether the value, once stored, would be longer than a load shows.
bool TooLongToStore(const RegistryText& toStore);
// After a save: each value written becomes what it stored; a value whose write failed, or a
// save that wrote nothing, leaves the shown notice as it was.
void FoldSave(StoredNotice& shown, const StoredNotice& written, const NoticeSaveResult& result);

// A policy that defines the value replaces a local save when it is applied again.
bool SetByPolicy(const PolicySources& sources);

// Both values as stored.
StoredNotice ReadStoredNotice();
// Who else defines each value: read once per start, while the values are already shown.
void ReadPolicySources(StoredNotice& notice);
// Refuses a notice with a value too long to load again. Otherwise, under the save lock, reads
// both values again: when they differ from `expected`, writes nothing and returns them; else
// writes the log (the texts in the ANSI code page) and then the caption and the message,
// whatever became of the steps before.
NoticeSaveResult SaveStoredNotice(const StoredNotice& toStore, const StoredNotice& expected);
