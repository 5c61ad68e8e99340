// placeholder
#include "runtime/file_output.h"
#include "runtime/system_call_gate.h"
void ClearOpenFileTable() {}
volatile LONG SystemCallGateLock;
