// The save log, rewritten by every save, in the current directory.
#include "persist/save_log.h"

#include "runtime/file_output.h"

namespace {

constexpr int16_t kLogFile = 1;

}  // namespace

void WriteSaveLog(TextRef caption, TextRef message) {
    OpenForOutput("Tarnevo.log"_t, kLogFile);
    WriteText(kLogFile, "legalnoticecaption = "_t);
    NextColumnZone(kLogFile);
    WriteText(kLogFile, caption);
    WriteLineEnd(kLogFile);
    WriteLineEnd(kLogFile);
    WriteText(kLogFile, "legalnoticetext = "_t);
    NextColumnZone(kLogFile);
    WriteText(kLogFile, message);
    WriteLineEnd(kLogFile);
    CloseFile(kLogFile);
}
