// The process entry point: the runtime runs the editor's main routine.
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
