// The floating-point control state that start-up sets and every system call gives back.
//
// x86: the x87 control word. Start-up loads 0x133F: all exceptions masked, 64-bit extended
// precision, round to nearest.
// x64: floating-point code uses SSE, not the x87, so the word is MXCSR (its upper half is
// reserved). Start-up loads all exceptions masked, round to nearest, denormals kept: the
// state an x64 Windows thread begins with.
#pragma once

#include <stdint.h>

void LoadFloatControlWord();
uint16_t ReadFloatControlWord();
void WriteFloatControlWord(uint16_t word);
