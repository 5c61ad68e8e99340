// The process entry point: the runtime runs the editor's main routine.
//
// The system calls this directly; the C runtime's start-up never runs, and with it no
// dynamic initialiser of a namespace-scope variable and no registration of its destructor.
// So every such variable is constinit or constexpr, which the compiler checks, and none has
// a destructor: a table that needed run-time work would silently stay zero.
#include <stddef.h>

#include "app/app_main.h"
#include "runtime/process.h"
#include "ui/dialog.h"

#if defined(__GNUC__) && defined(__i386__)
// The x86 system enters with a 4-byte aligned stack; x64 keeps the 16-byte alignment.
#define ENTRY_ALIGN __attribute__((force_align_arg_pointer))
#else
#define ENTRY_ALIGN
#endif

#if !defined(_MSC_VER)
// The load configuration that Visual Studio's runtime library would provide, read by Windows
// 10 1607 and later before the entry point: the static imports and the DLLs they load come
// from System32. A post-link step points the image's directory entry at it. It ends before the
// x86 SafeSEH fields: a table announced but empty would make the loader refuse every handler.
constexpr IMAGE_LOAD_CONFIG_DIRECTORY LoadConfiguration() {
    IMAGE_LOAD_CONFIG_DIRECTORY record{};
    record.Size = offsetof(IMAGE_LOAD_CONFIG_DIRECTORY, SEHandlerTable);
    record.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32;  // DependentLoadFlags
    return record;
}
extern "C" constinit const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used = LoadConfiguration();
#endif

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

extern "C" ENTRY_ALIGN void ProcessEntry() {
    // The editor may run elevated from a folder its user can write: from here on a DLL loaded
    // by name, by us or by a system DLL, comes from System32 only, never from beside the
    // executable. Looked up, as Windows without it (Vista, 7 without its update) still runs.
    // The manifest's side-by-side redirection comes before any search directory, so
    // LoadLibraryA("COMCTL32.DLL") still gets the common controls 6.
    auto restrict = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (restrict) restrict(LOAD_LIBRARY_SEARCH_SYSTEM32);
    RunProgram(AppMain, StartDialogLayer);
}
