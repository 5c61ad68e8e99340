// Text values: counted byte strings in the ANSI code page, and their UTF-16 counterpart.
//
// Layout of every value: a 32-bit byte count, the bytes, then a NUL that is not counted.
// A value points at its first byte; the empty value has no storage (a null pointer).
#pragma once

#include <stddef.h>
#include <stdint.h>

// A borrowed text: points at the bytes of a ByteString or a literal, count in front.
struct TextRef {
    const char* bytes = nullptr;

    uint32_t Length() const { return bytes ? reinterpret_cast<const uint32_t*>(bytes)[-1] : 0; }
    bool Empty() const { return Length() == 0; }
    // Zero-terminated form for system calls; an embedded NUL ends it there.
    const char* CStr() const { return bytes ? bytes : ""; }
    unsigned char At(uint32_t i) const { return static_cast<unsigned char>(bytes[i]); }
};

// Static storage of a literal in the value layout, used where it lies.
template <size_t N>
struct TextLiteral {
    uint32_t count;
    char bytes[N];
    consteval TextLiteral(const char (&s)[N]) : count(N - 1), bytes{} {
        for (size_t i = 0; i < N; ++i) bytes[i] = s[i];
    }
};

template <TextLiteral L>
constexpr TextRef operator""_t() {
    return TextRef{L.bytes};
}

class ByteString {
public:
    constexpr ByteString() = default;
    ByteString(TextRef text);
    ByteString(const ByteString& other) : ByteString(TextRef(other)) {}
    ByteString(ByteString&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ~ByteString() { Free(); }

    ByteString& operator=(const ByteString& other) { return *this = TextRef(other); }
    ByteString& operator=(TextRef text);
    ByteString& operator=(ByteString&& other) noexcept;

    operator TextRef() const { return TextRef{p_}; }
    uint32_t Length() const { return TextRef{p_}.Length(); }
    bool Empty() const { return p_ == nullptr; }
    const char* CStr() const { return p_ ? p_ : ""; }
    // Writable bytes of a value made by Allocate; null for the empty value.
    char* Bytes() { return p_; }

    // A value of n bytes with unspecified content (NUL after); empty on failure or for n = 0.
    // Out of memory records runtime error 7 unless told to stay quiet.
    static ByteString Allocate(uint32_t n, bool recordError = true);
    // A copy of n bytes from memory.
    static ByteString FromBytes(const void* data, uint32_t n);

    void Free();

private:
    char* p_ = nullptr;
};

class WideString {
public:
    constexpr WideString() = default;
    WideString(const WideString& other);
    WideString(WideString&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ~WideString() { Free(); }
    WideString& operator=(const WideString& other);
    WideString& operator=(WideString&& other) noexcept;

    // Length in UTF-16 units (the count word holds bytes).
    uint32_t Units() const { return p_ ? reinterpret_cast<const uint32_t*>(p_)[-1] / 2 : 0; }
    bool Empty() const { return p_ == nullptr; }
    const wchar_t* CStr() const { return p_ ? p_ : L""; }
    wchar_t* Units16() { return p_; }

    static WideString Allocate(uint32_t units, bool recordError = true);
    static WideString FromUnits(const wchar_t* data, uint32_t units);

    void Free();

private:
    wchar_t* p_ = nullptr;
};

// Conversions with the calling thread's code page (CP_ACP unless changed).
// The code page meant: the system's ANSI, OEM or the thread's ANSI one for the three that
// stand for another, else the code page itself.
uint32_t ActualCodePage(uint32_t codePage);
// The flags ToWide passes: MB_PRECOMPOSED where the code page takes it, else 0.
uint32_t MultiByteFlags(uint32_t codePage);
WideString ToWide(TextRef text);
ByteString ToBytes(const wchar_t* units, uint32_t count);
ByteString ToBytes(const WideString& text);

// What std::move does, without the standard library in the program.
template <class T>
constexpr T&& Move(T& value) {
    return static_cast<T&&>(value);
}

// The system's message for a Windows error code, without its line break; "Error" and the
// number when the system has none.
WideString SystemMessageText(uint32_t error);

// Text operations; positions are 1-based byte positions.
ByteString operator+(TextRef a, TextRef b);
ByteString operator+(ByteString&& a, TextRef b);
ByteString operator+(TextRef a, ByteString&& b);
ByteString operator+(ByteString&& a, ByteString&& b);
ByteString Leftmost(TextRef text, int32_t n);
ByteString Rightmost(TextRef text, int32_t n);
int32_t Find(TextRef text, TextRef pattern, int32_t start = 1);
// <0, 0, >0 by unsigned bytes, a proper prefix being less.
int CompareText(TextRef a, TextRef b);
int CompareText(const WideString& a, const WideString& b);
int CompareText(const wchar_t* a, uint32_t na, const wchar_t* b, uint32_t nb);
// UTF-16 texts joined; a text in the ANSI code page is converted first.
WideString operator+(WideString&& a, const WideString& b);
WideString operator+(WideString&& a, TextRef b);
// The units before the first zero, at most `most`.
uint32_t UnitsBeforeZero(const wchar_t* units, uint32_t most);
// Whether the text has a character that shows: anything but spaces, control characters and
// the characters that draw nothing (zero-width, bidirectional and other formatting ones).
bool HasVisibleCharacter(const wchar_t* units, uint32_t count);
inline bool operator==(TextRef a, TextRef b) {
    return CompareText(a, b) == 0;
}
ByteString TrimLeading(TextRef text);
ByteString TrimTrailing(TextRef text);
ByteString Trim(TextRef text);
ByteString FromZeroTerminated(const char* buffer);
// At most size - 1 bytes, stopping at an embedded NUL, then a NUL; nothing for size 0.
void ToZeroTerminated(TextRef text, char* buffer, uint32_t size);
ByteString CharCodeToText(int32_t code);
// A space for zero and positive numbers, "-" for negative ones, then the digits.
ByteString NumberToText(int64_t number);
// The local date as MM-DD-YYYY.
ByteString CurrentDateText();
