// The process entry point: the runtime runs the editor's main routine.
//
// The system calls this directly; the C runtime's start-up never runs, and with it no
// dynamic initialiser of a namespace-scope variable and no registration of its destructor.
// So every such variable is constinit or constexpr, which the compiler checks, and none has
// a destructor: a table that needed run-time work would silently stay zero.
#include "app/app_main.h"
#include "runtime/process.h"
#include "ui/dialog.h"

#if defined(__GNUC__) && defined(__i386__)
// The x86 system enters with a 4-byte aligned stack; x64 keeps the 16-byte alignment.
#define ENTRY_ALIGN __attribute__((force_align_arg_pointer))
#else
#define ENTRY_ALIGN
#endif

extern "C" ENTRY_ALIGN void ProcessEntry() {
    RunProgram(AppMain, StartDialogLayer);
}
