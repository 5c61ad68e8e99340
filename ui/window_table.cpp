// The window table, the dialog font table and the dialog counters.
#include "ui/window_table.h"

#include "runtime/spin_lock.h"

namespace {

constinit WindowRecord* WindowList = nullptr;
constinit int32_t WindowCount = 0;
constinit volatile LONG WindowTableLock = 0;

constinit DialogFont* FontList = nullptr;
constinit volatile LONG FontTableLock = 0;

constinit int32_t OpenDialogs = 0;
constinit HWND LastActiveDialog = nullptr;

// Releases what the record owns, then the record; no lock held.
void ReleaseRecord(WindowRecord* record) {
    if (record->backgroundBrush) DeleteObject(record->backgroundBrush);
    if (record->image) {
        if (record->imageType == IMAGE_ICON)
            DestroyIcon(static_cast<HICON>(record->image));
        else
            DeleteObject(record->image);
    }
    if (record->memoryDC) DeleteDC(record->memoryDC);
    if (record->memoryBitmap) DeleteObject(record->memoryBitmap);
    HeapFree(GetProcessHeap(), 0, record);
}

// Moves every record whose parent is `parent`, and their own children, from the table to the
// front of `out`, children ahead of their parents. Table lock held by the caller.
void UnlinkChildren(HWND parent, WindowRecord*& out) {
    WindowRecord** link = &WindowList;
    while (*link) {
        WindowRecord* record = *link;
        if (record->parent == parent && (record->flags & kRecordControl)) {
            *link = record->next;
            --WindowCount;
            record->next = out;
            out = record;
            UnlinkChildren(record->window, out);
            // The walk starts over: the recursive unlink may have changed the links behind us.
            link = &WindowList;
        } else {
            link = &record->next;
        }
    }
}

DialogFont* NewFont(int32_t number, float points, LONG weight, BYTE pitch, const wchar_t* face) {
    auto* entry =
        static_cast<DialogFont*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(DialogFont)));
    if (!entry) return nullptr;
    entry->number = number;
    entry->pointSize = points;
    entry->font.lfWeight = weight;
    entry->font.lfCharSet = ANSI_CHARSET;
    entry->font.lfPitchAndFamily = pitch;
    for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i) entry->font.lfFaceName[i] = face[i];
    return entry;
}

}  // namespace

WindowRecord* FindWindowRecord(HWND window) {
    if (!window) return nullptr;
    SpinLockScope lock(WindowTableLock);
    for (WindowRecord* record = WindowList; record; record = record->next)
        if (record->window == window) return record;
    return nullptr;
}

WindowRecord* AddWindowRecord(const WindowRecord& fields) {
    auto* record = static_cast<WindowRecord*>(
        HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(WindowRecord)));
    if (!record) return nullptr;
    *record = fields;
    SpinLockScope lock(WindowTableLock);
    record->next = WindowList;
    WindowList = record;
    ++WindowCount;
    return record;
}

void FreeDialogRecords(HWND dialog) {
    WindowRecord* doomed = nullptr;
    {
        SpinLockScope lock(WindowTableLock);
        UnlinkChildren(dialog, doomed);
        // The dialog's own record goes last.
        WindowRecord* own = nullptr;
        for (WindowRecord** link = &WindowList; *link; link = &(*link)->next) {
            if ((*link)->window == dialog) {
                own = *link;
                *link = own->next;
                --WindowCount;
                break;
            }
        }
        if (own) {
            WindowRecord** tail = &doomed;
            while (*tail) tail = &(*tail)->next;
            own->next = nullptr;
            *tail = own;
        }
    }
    while (doomed) {
        WindowRecord* next = doomed->next;
        ReleaseRecord(doomed);
        doomed = next;
    }
}

HWND NextControlOfKind(HWND dialog, HWND after, ControlKind kind1, ControlKind kind2) {
    SpinLockScope lock(WindowTableLock);
    WindowRecord* record = WindowList;
    if (after) {
        while (record && record->window != after) record = record->next;
        if (!record) return nullptr;
        record = record->next;
    }
    for (; record; record = record->next)
        if (record->parent == dialog && (record->flags & kRecordControl) &&
            (record->kind == kind1 || record->kind == kind2))
            return record->window;
    return nullptr;
}

int32_t WindowRecordCount() {
    SpinLockScope lock(WindowTableLock);
    return WindowCount;
}

int32_t OpenDialogCount() {
    return OpenDialogs;
}

HWND ActiveDialog() {
    return LastActiveDialog;
}

void CountOpenDialog(int32_t delta) {
    OpenDialogs += delta;
}

void NoteActiveDialog(HWND dialog, bool active) {
    if (active)
        LastActiveDialog = dialog;
    else if (LastActiveDialog == dialog)
        LastActiveDialog = nullptr;
}

void BuildDialogFontTable() {
    DialogFont* old;
    {
        SpinLockScope lock(FontTableLock);
        old = FontList;
        FontList = nullptr;
    }
    while (old) {
        DialogFont* next = old->next;
        HeapFree(GetProcessHeap(), 0, old);
        old = next;
    }
    // Built newest first, so entry 1 ends up at the head.
    DialogFont* fresh[3] = {
        NewFont(3, 10.0f, FW_NORMAL, FIXED_PITCH | FF_MODERN, L"Lucida Console"),
        NewFont(2, 8.0f, FW_NORMAL, FIXED_PITCH | FF_MODERN, L"Lucida Console"),
        NewFont(1, 8.0f, FW_NORMAL, DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif"),
    };
    SpinLockScope lock(FontTableLock);
    for (DialogFont* entry : fresh) {
        if (!entry) continue;
        entry->next = FontList;
        FontList = entry;
    }
}

const DialogFont* FindDialogFont(int32_t number) {
    SpinLockScope lock(FontTableLock);
    for (DialogFont* entry = FontList; entry; entry = entry->next)
        if (entry->number == number) return entry;
    return nullptr;
}

void ClearWindowTable() {
    {
        SpinLockScope lock(WindowTableLock);
        WindowList = nullptr;
        WindowCount = 0;
    }
    OpenDialogs = 0;
    LastActiveDialog = nullptr;
}
