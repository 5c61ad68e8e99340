// The floating-point control state: the x87 control word on x86, MXCSR on x64.
#include "runtime/float_control.h"

#if defined(_M_X64) || defined(__x86_64__)
#include <xmmintrin.h>

namespace {
constexpr uint16_t kFloatControlWord = _MM_MASK_MASK | _MM_ROUND_NEAREST | _MM_FLUSH_ZERO_OFF;
}  // namespace

uint16_t ReadFloatControlWord() {
    return static_cast<uint16_t>(_mm_getcsr());
}

void WriteFloatControlWord(uint16_t word) {
    _mm_setcsr(word);
}
#else
namespace {
// Exception masks 0x3F, precision control 0x300 (64-bit mantissa), rounding 0 (to nearest),
// infinity control 0x1000.
constexpr uint16_t kFloatControlWord = 0x133F;
}  // namespace

// The operand is not called "word": WORD is a reserved word of the inline assembler.
uint16_t ReadFloatControlWord() {
    uint16_t control = 0;
#if defined(_MSC_VER)
    __asm fnstcw control
#else
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
#endif
        return control;
}

void WriteFloatControlWord(uint16_t control) {
#if defined(_MSC_VER)
    __asm fldcw control
#else
    __asm__ __volatile__("fldcw %0" : : "m"(control));
#endif
}
#endif

void LoadFloatControlWord() {
    WriteFloatControlWord(kFloatControlWord);
}
