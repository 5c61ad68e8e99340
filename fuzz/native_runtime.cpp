// The runtime pieces the text logic needs, for a native build without Windows: storage in
// the same layout (count word in front, NUL after) from malloc, and the error slot.
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "runtime/errors.h"
#include "runtime/text.h"

namespace {
int32_t errorNumber;
}

void RaiseRuntimeError(int32_t number, uint32_t) {
    if (number >= FatalInternalError) _exit(kFailureExitCode);
    errorNumber = number;
}

int32_t LastRuntimeError() {
    return errorNumber;
}

void ClearRuntimeError() {
    errorNumber = 0;
}

static void* Allocate(uint32_t dataBytes, uint32_t countWord) {
    if (dataBytes > 0x7FFFFFF0u) return nullptr;
    auto* block = static_cast<char*>(malloc(sizeof(uint32_t) + dataBytes + 2));
    if (!block) return nullptr;
    memcpy(block, &countWord, sizeof(countWord));
    block[4 + dataBytes] = block[5 + dataBytes] = '\0';
    return block + sizeof(uint32_t);
}

char* AllocTextStorage(uint32_t bytes) {
    return static_cast<char*>(Allocate(bytes, bytes));
}

wchar_t* AllocWideStorage(uint32_t units) {
    // The Windows build's units are 16 bits; natively wchar_t is wider, so room for it.
    if (units > 0x7FFFFFF0u / sizeof(wchar_t)) return nullptr;
    auto* p = static_cast<char*>(Allocate(units * sizeof(wchar_t) + sizeof(wchar_t), units * 2));
    return reinterpret_cast<wchar_t*>(p);
}

void FreeTextStorage(void* data) {
    if (data) free(static_cast<char*>(data) - sizeof(uint32_t));
}

// Conversions stand in for code page 1252's ASCII half: each byte one unit and back, which is
// all the root-name comparison needs; lengths follow the same rules as the Windows build.
WideString ToWide(TextRef text) {
    WideString wide = WideString::Allocate(text.Length(), false);
    for (uint32_t i = 0; i < wide.Units(); ++i) wide.Units16()[i] = text.At(i);
    return wide;
}

ByteString ToBytes(const wchar_t* units, uint32_t count) {
    if (!units) return ByteString();
    ByteString text = ByteString::Allocate(count, false);
    for (uint32_t i = 0; i < text.Length(); ++i)
        text.Bytes()[i] = units[i] < 0x100 ? static_cast<char>(units[i]) : '?';
    return text;
}
