// The stored notice: both values read, and saved with the log under a system-wide lock.
#include "persist/notice_store.h"

#include "persist/save_lock.h"
#include "persist/save_log.h"

DWORD WriteBackType(DWORD storedType) {
    return storedType == REG_EXPAND_SZ ? REG_EXPAND_SZ : REG_SZ;
}

RegistryText AsStored(const WideString& text, DWORD type) {
    RegistryText value;
    value.text = StringValueText(text.CStr(), text.Units());
    value.type = type;
    value.state = ValueState::Read;
    return value;
}

StoredNotice NoticeToStore(const StoredNotice& shown, const WideString& caption,
                           const WideString& message) {
    StoredNotice notice;
    const WideString* texts[kNoticeValues] = {&caption, &message};
    for (int i = 0; i < kNoticeValues; ++i) {
        RegistryText& stored = notice.values[i].stored;
        stored.text = *texts[i];
        stored.type = WriteBackType(shown.values[i].stored.type);
        stored.state = ValueState::Read;
    }
    return notice;
}

bool NeedsConsent(const RegistryText& shown) {
    return shown.state == ValueState::Unreadable;
}

bool Differs(const RegistryText& shown, const RegistryText& now) {
    return shown.state != now.state || shown.type != now.type ||
           CompareText(shown.text, now.text) != 0 || CompareText(shown.reason, now.reason) != 0;
}

bool TooLongToStore(const RegistryText& toStore) {
    return StringValueText(toStore.text.CStr(), toStore.text.Units()).Units() > LongestRegistryText;
}

void FoldSave(StoredNotice& shown, const StoredNotice& written, const NoticeSaveResult& result) {
    if (!result.wrote) return;
    for (int i = 0; i < kNoticeValues; ++i) {
        if (result.errors[i] != ERROR_SUCCESS) continue;
        const RegistryText& value = written.values[i].stored;
        shown.values[i].stored = AsStored(value.text, value.type);
    }
}

StoredNotice ReadStoredNotice() {
    StoredNotice notice;
    for (NoticeValue& value : notice.values) {
        value.stored = ReadRegistryString(PolicyKeyPath, value.name);
    }
    return notice;
}

bool SetByPolicy(const PolicySources& sources) {
    return !sources.groupPolicy.Empty() || sources.deviceManagement;
}

void ReadPolicySources(StoredNotice& notice) {
    NoticePolicy policy = ReadNoticePolicy();
    notice.Caption().policy = Move(policy.caption);
    notice.Message().policy = Move(policy.message);
}

NoticeSaveResult SaveStoredNotice(const StoredNotice& toStore, const StoredNotice& expected) {
    NoticeSaveResult result;
    for (const NoticeValue& value : toStore.values) {
        if (TooLongToStore(value.stored)) result.tooLong = true;
    }
    if (result.tooLong) return result;
    // Two saves that overlap would leave one caption beside the other's message.
    SaveLock lock;
    result.lockFailure = TakeSaveLock(lock);
    if (!result.lockFailure.Empty()) return result;
    // Read again under the lock: another program may have changed the notice since it was
    // shown, and a save must not replace that unasked.
    StoredNotice current = ReadStoredNotice();
    for (int i = 0; i < kNoticeValues; ++i) {
        if (Differs(expected.values[i].stored, current.values[i].stored)) result.changed = true;
    }
    if (result.changed) {
        result.current = Move(current);
        return result;
    }
    // The log records what this save tries to store, whatever the registry makes of it.
    result.logFailure = WriteSaveLog(ToBytes(toStore.Caption().stored.text),
                                     ToBytes(toStore.Message().stored.text));
    for (int i = 0; i < kNoticeValues; ++i) {
        const NoticeValue& value = toStore.values[i];
        result.errors[i] =
            WriteRegistryString(PolicyKeyPath, value.name, value.stored.text, value.stored.type);
    }
    result.wrote = true;
    return result;
}
