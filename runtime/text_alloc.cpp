// Text storage from the OLE string allocator, which keeps the byte count in front.
#include <windows.h>
#include <oleauto.h>

#include "runtime/errors.h"

// Larger requests would wrap the allocator's own size arithmetic (Wine's does) and hand
// back a block far smaller than asked; no 32-bit process could hold them anyway.
constexpr uint32_t kLargestText = 0x7FFFFFF0;

char* AllocTextStorage(uint32_t bytes) {
    if (bytes > kLargestText) return nullptr;
    return reinterpret_cast<char*>(SysAllocStringByteLen(nullptr, bytes));
}

wchar_t* AllocWideStorage(uint32_t units) {
    if (units > kLargestText / 2) return nullptr;
    return SysAllocStringLen(nullptr, units);
}

void FreeTextStorage(void* data) {
    SysFreeString(static_cast<BSTR>(data));
}
