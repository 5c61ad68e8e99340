// Text values and the operations on them. Portable: storage comes from errors.h's allocator.
#include "runtime/text.h"

#include <string.h>

#include "runtime/errors.h"

namespace {

ByteString Slice(TextRef text, uint32_t from, uint32_t n) {
    return ByteString::FromBytes(text.bytes + from, n);
}

}  // namespace

// ByteString -------------------------------------------------------------------------------

ByteString ByteString::Allocate(uint32_t n, bool recordError) {
    ByteString s;
    if (n == 0) return s;
    s.p_ = AllocTextStorage(n);
    if (!s.p_ && recordError) RaiseRuntimeError(OutOfMemory);
    return s;
}

ByteString ByteString::FromBytes(const void* data, uint32_t n) {
    ByteString s = Allocate(n);
    if (s.p_) memcpy(s.p_, data, n);
    return s;
}

ByteString::ByteString(TextRef text) : ByteString(FromBytes(text.bytes, text.Length())) {}

ByteString& ByteString::operator=(TextRef text) {
    uint32_t n = text.Length();
    if (text.bytes == p_) return *this;
    if (p_ && n == Length()) {
        // Equal length: the storage we already own takes the bytes.
        memmove(p_, text.bytes, n);
        return *this;
    }
    return *this = FromBytes(text.bytes, n);
}

ByteString& ByteString::operator=(ByteString&& other) noexcept {
    if (this != &other) {
        Free();
        p_ = other.p_;
        other.p_ = nullptr;
    }
    return *this;
}

void ByteString::Free() {
    if (p_) FreeTextStorage(p_);
    p_ = nullptr;
}

// WideString -------------------------------------------------------------------------------

WideString WideString::Allocate(uint32_t units, bool recordError) {
    WideString s;
    if (units == 0) return s;
    // The count word is 32 bits of bytes: larger texts cannot be held.
    if (units <= 0x7FFFFFFEu) s.p_ = AllocWideStorage(units);
    if (!s.p_ && recordError) RaiseRuntimeError(OutOfMemory);
    return s;
}

WideString WideString::FromUnits(const wchar_t* data, uint32_t units) {
    WideString s = Allocate(units);
    if (s.p_) memcpy(s.p_, data, units * sizeof(wchar_t));
    return s;
}

WideString::WideString(const WideString& other) : WideString(FromUnits(other.p_, other.Units())) {}

WideString& WideString::operator=(const WideString& other) {
    if (this == &other) return *this;
    if (p_ && Units() == other.Units()) {
        memcpy(p_, other.p_, Units() * sizeof(wchar_t));
        return *this;
    }
    return *this = FromUnits(other.p_, other.Units());
}

WideString& WideString::operator=(WideString&& other) noexcept {
    if (this != &other) {
        Free();
        p_ = other.p_;
        other.p_ = nullptr;
    }
    return *this;
}

void WideString::Free() {
    if (p_) FreeTextStorage(p_);
    p_ = nullptr;
}

// Operations -------------------------------------------------------------------------------

ByteString operator+(TextRef a, TextRef b) {
    uint32_t na = a.Length(), nb = b.Length();
    if (nb > 0xFFFFFFFFu - na) {
        RaiseRuntimeError(OutOfMemory);
        return ByteString();
    }
    ByteString s = ByteString::Allocate(na + nb);
    if (char* p = s.Bytes()) {
        memcpy(p, a.CStr(), na);
        memcpy(p + na, b.CStr(), nb);
    }
    return s;
}

ByteString operator+(ByteString&& a, TextRef b) {
    if (b.Empty()) return Move(a);
    return TextRef(a) + b;
}

ByteString operator+(TextRef a, ByteString&& b) {
    if (a.Empty()) return Move(b);
    return a + TextRef(b);
}

ByteString operator+(ByteString&& a, ByteString&& b) {
    if (b.Empty()) return Move(a);
    return TextRef(a) + Move(b);
}

ByteString Leftmost(TextRef text, int32_t n) {
    uint32_t length = text.Length();
    if (n <= 0) return ByteString();
    return Slice(text, 0, static_cast<uint32_t>(n) < length ? n : length);
}

ByteString Rightmost(TextRef text, int32_t n) {
    uint32_t length = text.Length();
    if (n <= 0) return ByteString();
    uint32_t take = static_cast<uint32_t>(n) < length ? n : length;
    return Slice(text, length - take, take);
}

int32_t Find(TextRef text, TextRef pattern, int32_t start) {
    uint32_t length = text.Length(), n = pattern.Length();
    if (length == 0 || start < 1 || static_cast<uint32_t>(start) > length) return 0;
    if (n == 0) return start;
    for (uint32_t i = start - 1; n <= length && i <= length - n; ++i) {
        if (memcmp(text.bytes + i, pattern.bytes, n) == 0) return static_cast<int32_t>(i + 1);
    }
    return 0;
}

int CompareText(TextRef a, TextRef b) {
    uint32_t na = a.Length(), nb = b.Length();
    int c = memcmp(a.CStr(), b.CStr(), na < nb ? na : nb);
    if (c != 0) return c;
    return na < nb ? -1 : (na > nb ? 1 : 0);
}

int CompareText(const WideString& a, const WideString& b) {
    return CompareText(a.CStr(), a.Units(), b.CStr(), b.Units());
}

int CompareText(const wchar_t* a, uint32_t na, const wchar_t* b, uint32_t nb) {
    for (uint32_t i = 0; i < na && i < nb; ++i) {
        if (a[i] != b[i]) return static_cast<uint16_t>(a[i]) < static_cast<uint16_t>(b[i]) ? -1 : 1;
    }
    return na < nb ? -1 : (na > nb ? 1 : 0);
}

WideString operator+(WideString&& a, const WideString& b) {
    uint32_t na = a.Units(), nb = b.Units();
    if (nb == 0) return Move(a);
    WideString s = WideString::Allocate(na + nb);
    if (wchar_t* p = s.Units16()) {
        memcpy(p, a.CStr(), na * sizeof(wchar_t));
        memcpy(p + na, b.CStr(), nb * sizeof(wchar_t));
    }
    return s;
}

WideString operator+(WideString&& a, TextRef b) {
    return Move(a) + ToWide(b);
}

uint32_t UnitsBeforeZero(const wchar_t* units, uint32_t most) {
    uint32_t n = 0;
    while (n < most && units[n] != L'\0') ++n;
    return n;
}

namespace {

// Code points that show nothing: White_Space, the control characters and
// Default_Ignorable_Code_Point of Unicode 15, in order.
struct CodeRange {
    uint32_t first, last;
};
constexpr CodeRange kShowNothing[] = {
    {0x0000, 0x0020},   {0x007F, 0x00A0}, {0x00AD, 0x00AD}, {0x034F, 0x034F},   {0x061C, 0x061C},
    {0x115F, 0x1160},   {0x1680, 0x1680}, {0x17B4, 0x17B5}, {0x180B, 0x180F},   {0x2000, 0x200F},
    {0x2028, 0x202F},   {0x205F, 0x206F}, {0x3000, 0x3000}, {0x3164, 0x3164},   {0xFE00, 0xFE0F},
    {0xFEFF, 0xFEFF},   {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
    {0xE0000, 0xE0FFF},
};

bool ShowsNothing(uint32_t code) {
    for (const CodeRange& range : kShowNothing) {
        if (code < range.first) return false;
        if (code <= range.last) return true;
    }
    return false;
}

}  // namespace

bool HasVisibleCharacter(const wchar_t* units, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t code = static_cast<uint16_t>(units[i]);
        // A pair is one code point; a lone half shows as a replacement character.
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<uint16_t>(units[++i]) - 0xDC00);
        }
        if (!ShowsNothing(code)) return true;
    }
    return false;
}

ByteString TrimLeading(TextRef text) {
    uint32_t length = text.Length(), i = 0;
    while (i < length && text.bytes[i] == ' ') ++i;
    return Slice(text, i, length - i);
}

ByteString TrimTrailing(TextRef text) {
    uint32_t length = text.Length();
    while (length > 0 && text.bytes[length - 1] == ' ') --length;
    return Slice(text, 0, length);
}

ByteString Trim(TextRef text) {
    return TrimLeading(TrimTrailing(text));
}

ByteString FromZeroTerminated(const char* buffer) {
    if (!buffer) return ByteString();
    return ByteString::FromBytes(buffer, static_cast<uint32_t>(strlen(buffer)));
}

void ToZeroTerminated(TextRef text, char* buffer, uint32_t size) {
    if (size == 0) return;
    uint32_t n = 0, length = text.Length();
    while (n < length && n < size - 1 && text.bytes[n] != '\0') {
        buffer[n] = text.bytes[n];
        ++n;
    }
    buffer[n] = '\0';
}

ByteString CharCodeToText(int32_t code) {
    char byte = static_cast<char>(code & 0xFF);
    return ByteString::FromBytes(&byte, 1);
}

ByteString NumberToText(int64_t number) {
    char digits[21];
    char* p = digits + sizeof(digits);
    uint64_t magnitude = number < 0 ? 0 - static_cast<uint64_t>(number) : number;
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    *--p = number < 0 ? '-' : ' ';
    return ByteString::FromBytes(p, static_cast<uint32_t>(digits + sizeof(digits) - p));
}
