// The save log: the caption and message of the last save, in the current directory.
#pragma once

#include "runtime/text.h"

void WriteSaveLog(TextRef caption, TextRef message);
