// The save log: the caption and message of the last save, in the current directory.
#pragma once

#include "runtime/text.h"

inline constexpr TextRef SaveLogName = "Tarnevo.log"_t;

// Rewrites the log with the two texts. Returns why it could not be written, in the system's
// words, or the empty text when it was.
WideString WriteSaveLog(TextRef caption, TextRef message);
