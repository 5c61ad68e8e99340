// Text values: layout, value semantics, operations and conversions, on the real allocator.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>
#include <vector>

#include "runtime/errors.h"
#include "runtime/text.h"

namespace {

std::string Bytes(TextRef t) {
    return std::string(t.CStr(), t.Length());
}

ByteString B(const std::string& s) {
    return ByteString::FromBytes(s.data(), static_cast<uint32_t>(s.size()));
}

TEST(TextValue, LayoutHasCountInFrontAndNulAfter) {
    ByteString s = B(std::string("a\0b", 3));
    const char* p = s.CStr();
    EXPECT_EQ(3u, reinterpret_cast<const uint32_t*>(p)[-1]);
    EXPECT_EQ('\0', p[3]);
    // The count word is the OLE allocator's own: it reads the same length back.
    EXPECT_EQ(3u, SysStringByteLen(reinterpret_cast<BSTR>(const_cast<char*>(p))));
    EXPECT_EQ(std::string("a\0b", 3), Bytes(s));  // embedded NUL kept

    ByteString empty;
    EXPECT_EQ(nullptr, static_cast<TextRef>(empty).bytes);  // no storage at all
    EXPECT_STREQ("", empty.CStr());

    TextRef literal = "HKEY"_t;
    EXPECT_EQ(4u, reinterpret_cast<const uint32_t*>(literal.bytes)[-1]);
    EXPECT_EQ('\0', literal.bytes[4]);
    EXPECT_EQ(literal.bytes, "HKEY"_t.bytes);  // used where it lies, not copied
}

TEST(TextValue, CopiesMovesAndReusesStorage) {
    ByteString a = B("abc");
    const char* storage = a.CStr();

    ByteString moved = std::move(a);
    EXPECT_EQ(storage, moved.CStr());  // a move hands the storage over
    EXPECT_TRUE(a.Empty());

    ByteString copy = moved;
    EXPECT_NE(storage, copy.CStr());  // a copy owns its own bytes
    EXPECT_EQ("abc", Bytes(copy));

    ByteString target = B("xyz");
    const char* targetStorage = target.CStr();
    target = moved;  // equal length: the target's storage is reused
    EXPECT_EQ(targetStorage, target.CStr());
    EXPECT_EQ("abc", Bytes(target));
    target = "longer"_t;  // another length: new storage
    EXPECT_EQ("longer", Bytes(target));
    target = target;
    EXPECT_EQ("longer", Bytes(target));

    ByteString fresh = B("one");
    const char* freshStorage = fresh.CStr();
    ByteString sum = std::move(fresh) + ""_t;  // empty side: no new value
    EXPECT_EQ(freshStorage, sum.CStr());
    ByteString sum2 = ByteString() + std::move(sum);
    EXPECT_EQ(freshStorage, sum2.CStr());
}

TEST(TextValue, Operations) {
    EXPECT_EQ(6u, B("ab\r\ncd").Length());  // CR LF counts 2
    EXPECT_EQ("abcd", Bytes("ab"_t + "cd"_t));
    EXPECT_EQ("cd", Bytes(TextRef(ByteString()) + "cd"_t));  // a side without storage
    EXPECT_EQ("ab", Bytes("ab"_t + TextRef(ByteString())));
    EXPECT_EQ("HKEY", Bytes(Leftmost("HKEY"_t, 5)));
    EXPECT_EQ("", Bytes(Leftmost("HKEY"_t, 0)));
    EXPECT_EQ("", Bytes(Leftmost("HKEY"_t, -1)));
    EXPECT_EQ("EY", Bytes(Rightmost("HKEY"_t, 2)));
    EXPECT_EQ("HKEY", Bytes(Rightmost("HKEY"_t, 9)));

    EXPECT_EQ(19, Find("HKEY_LOCAL_MACHINE\\SOFTWARE"_t, "\\"_t, 1));
    EXPECT_EQ(0, Find("HKEY_LOCAL_MACHINE"_t, "\\"_t, 1));
    EXPECT_EQ(0, Find(""_t, "a"_t, 1));
    EXPECT_EQ(4, Find("abcabc"_t, "ab"_t, 2));
    EXPECT_EQ(0, Find("ab"_t, "abc"_t, 1));
    EXPECT_EQ(3, Find(B(std::string("a\0b", 3)), "b"_t, 1));  // past an embedded NUL

    EXPECT_EQ(0, CompareText("abc"_t, B("abc")));
    EXPECT_LT(CompareText("ab"_t, "abc"_t), 0);  // a proper prefix is less
    EXPECT_GT(CompareText("\xE9"_t, "z"_t), 0);  // unsigned bytes
    EXPECT_NE(0, CompareText("ABC"_t, "abc"_t));

    ByteString padded = B("  a b  ");
    EXPECT_EQ("a b", Bytes(Trim(padded)));
    EXPECT_EQ("a b  ", Bytes(TrimLeading(padded)));
    EXPECT_EQ("  a b", Bytes(TrimTrailing(padded)));
    EXPECT_EQ("\ta\r\n", Bytes(Trim(" \ta\r\n "_t)));  // tabs, CR and LF stay
    EXPECT_TRUE(Trim("    "_t).Empty());

    EXPECT_EQ("", Bytes(FromZeroTerminated(nullptr)));
    EXPECT_EQ("abc", Bytes(FromZeroTerminated("abc")));
    char buffer[4];
    memset(buffer, 'x', sizeof(buffer));
    ToZeroTerminated("abcdef"_t, buffer, 4);
    EXPECT_STREQ("abc", buffer);
    memset(buffer, 'x', sizeof(buffer));
    ToZeroTerminated(B(std::string("a\0b", 3)), buffer, 4);
    EXPECT_STREQ("a", buffer);

    EXPECT_EQ(std::string(1, '\x22'), Bytes(CharCodeToText(34)));
    EXPECT_EQ(std::string(1, '\x0D'), Bytes(CharCodeToText(13)));
    EXPECT_EQ(std::string(1, '\x41'), Bytes(CharCodeToText(0x141)));  // low 8 bits
}

// A text shows something unless all it has is spaces, controls and characters that draw
// nothing: zero-width, bidirectional and other formatting ones, tags (U+E0001, U+E0FFF) and
// the like (U+1BCA0, U+1D17A).
TEST(TextValue, VisibleCharacters) {
    for (const wchar_t* nothing :
         {L"", L"     \t\r\n\x7F\x85\xA0", L"\x200B\x200C\x200D\x2060\xFEFF",
          L"\x202E\x2066\x2069\x061C\x200E\x00AD\x034F\x3164\xFFA0\xFE0F\x180E\x2028\x202F\x205F",
          L"\x3000\xDB40\xDC01\xDB43\xDFFF\xD82F\xDCA0\xD834\xDD7A"})
        EXPECT_FALSE(HasVisibleCharacter(nothing, lstrlenW(nothing))) << nothing;
    // Each beside one of those ranges, a lone half of a pair, U+E1000 and U+1D17B.
    for (const wchar_t* something :
         {L"\x7E", L"\xA1", L"\xAC", L"\xAE", L"\x061B", L"\x061D", L"\x2010", L"\x2027", L"\x2030",
          L"\x205E", L"\x2070", L"\xFFF9", L"\xD800", L"\xDB44\xDC00", L"\xD834\xDD7B",
          L" \u200Ba"})
        EXPECT_TRUE(HasVisibleCharacter(something, lstrlenW(something))) << something;
}

TEST(TextValue, NumberToTextSigns) {
    struct Row {
        int64_t value;
        const char* text;
    } rows[] = {
        {2047, " 2047"},
        {0, " 0"},
        {1, " 1"},
        {-5, "-5"},
        {-12, "-12"},
        {999999999999999, " 999999999999999"},  // 15 digits, exact
        {INT64_MIN, "-9223372036854775808"},
    };
    for (const Row& row : rows) EXPECT_EQ(row.text, Bytes(NumberToText(row.value))) << row.value;

    EXPECT_EQ("Characters Left:  2047", Bytes("Characters Left: "_t + NumberToText(2047)));
    EXPECT_EQ("Characters Left: -2", Bytes("Characters Left: "_t + NumberToText(2047 - 2049)));
}

TEST(TextValue, CurrentDateText) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    ByteString date = CurrentDateText();
    ASSERT_EQ(10u, date.Length());
    char expected[16];
    snprintf(expected, sizeof(expected), "%02u-%02u-%04u", now.wMonth, now.wDay, now.wYear);
    EXPECT_EQ(expected, Bytes(date));
    EXPECT_EQ(std::to_string(now.wYear), Bytes(Rightmost(date, 4)));
}

TEST(TextValue, OutOfMemoryRecordsSevenAndGivesEmpty) {
    // Past the largest text and wrapping the allocator's arithmetic: refused on both. Just
    // below the largest, the allocator itself fails in the 2 GiB of an x86 process; an x64
    // process would get (and zero) the 2 GiB, so it is not asked there.
    std::vector<uint32_t> sizes = {0x7FFFFFF1u, 0xFFFFFFF0u};
    if (sizeof(void*) == 4) sizes.push_back(0x7FFFFF00u);
    for (uint32_t size : sizes) {
        ClearRuntimeError();
        ByteString huge = ByteString::Allocate(size);
        EXPECT_TRUE(huge.Empty()) << size;
        EXPECT_EQ(7, LastRuntimeError()) << size;
    }
    ClearRuntimeError();
    // A conversion that cannot get storage records nothing.
    EXPECT_TRUE(ToBytes(L"x", 0).Empty());
    EXPECT_EQ(0, LastRuntimeError());
}

// Code page 1252 (the default run).
TEST(TextConversion, Cp1252RoundTripAndDefaultCharacter) {
    if (GetACP() != 1252) GTEST_SKIP() << "ANSI code page is " << GetACP();
    WideString wide = ToWide("caf\xE9"_t);
    ASSERT_EQ(4u, wide.Units());
    EXPECT_EQ(L'\x00E9', wide.CStr()[3]);
    EXPECT_EQ("caf\xE9", Bytes(ToBytes(wide)));

    // A character outside the code page becomes the default character and stays so;
    // one with a best-fit mapping takes that (alpha becomes a).
    const wchar_t ideograph[] = L"a\x4E00z";
    ByteString bytes = ToBytes(ideograph, 3);
    EXPECT_EQ("a?z", Bytes(bytes));
    const wchar_t alpha[] = L"\x3B1";
    EXPECT_EQ("a", Bytes(ToBytes(alpha, 1)));
    EXPECT_EQ(L'?', ToWide(bytes).CStr()[1]);

    EXPECT_TRUE(ToWide(ByteString()).Empty());
    EXPECT_TRUE(ToBytes(WideString()).Empty());
    // An embedded NUL converts as any other character.
    EXPECT_EQ(3u, ToWide(B(std::string("a\0b", 3))).Units());
}

// Windows fails MultiByteToWideChar with ERROR_INVALID_FLAGS for MB_PRECOMPOSED in these
// code pages (Wine does not, so only the choice can be checked here).
TEST(TextConversion, PrecomposedOnlyWhereTheCodePageTakesIt) {
    struct Row {
        uint32_t codePage;
        uint32_t flags;
    };
    const Row rows[] = {
        {1252, MB_PRECOMPOSED},
        {932, MB_PRECOMPOSED},
        {936, MB_PRECOMPOSED},
        {1251, MB_PRECOMPOSED},
        {20127, MB_PRECOMPOSED},
        {57001, MB_PRECOMPOSED},
        {57012, MB_PRECOMPOSED},
        {50000, MB_PRECOMPOSED},
        {65001, 0},
        {54936, 0},
        {65000, 0},
        {42, 0},
        {50220, 0},
        {50221, 0},
        {50222, 0},
        {50225, 0},
        {50227, 0},
        {50229, 0},
        {57002, 0},
        {57006, 0},
        {57011, 0},
        // The three that stand for another code page follow the one they stand for.
        {CP_ACP, GetACP() == CP_UTF8 ? 0u : MB_PRECOMPOSED},
        {CP_OEMCP, GetOEMCP() == CP_UTF8 ? 0u : MB_PRECOMPOSED},
        {CP_THREAD_ACP, GetACP() == CP_UTF8 ? 0u : MB_PRECOMPOSED},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.codePage);
        EXPECT_EQ(row.flags, MultiByteFlags(row.codePage));
    }
}

// Run separately with LC_ALL=hi_IN.UTF-8, where Wine's ANSI code page is 65001: lengths are
// UTF-8 bytes, and text comes back whole.
TEST(TextConversionCp65001, Utf8LengthsAndRoundTrip) {
    if (GetACP() != CP_UTF8) GTEST_SKIP() << "ANSI code page is " << GetACP();
    struct Row {
        std::wstring text;
        std::string bytes;
    };
    const Row rows[] = {
        {L"caf\x00E9", "caf\xC3\xA9"},
        {L"\x65E5\r\n", "\xE6\x97\xA5\r\n"},
        {L"\xD83D\xDE00", "\xF0\x9F\x98\x80"},  // an emoji: one pair, four bytes
        {L"\x0928\x092E\x0938\x094D\x0924\x0947",
         "\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5"
         "\x8D\xE0\xA4\xA4\xE0\xA5\x87"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bytes);
        ByteString bytes = ToBytes(row.text.data(), static_cast<uint32_t>(row.text.size()));
        EXPECT_EQ(row.bytes, Bytes(bytes));
        WideString back = ToWide(bytes);
        EXPECT_EQ(row.text, std::wstring(back.CStr(), back.Units()));
    }
}

// Run separately with LC_ALL=ja_JP.UTF-8, where Wine's ANSI code page is 932.
TEST(TextConversionCp932, DoubleByteLengthsAndDefaultCharacter) {
    if (GetACP() != 932) GTEST_SKIP() << "ANSI code page is " << GetACP();
    const wchar_t nihongo[] = L"\x65E5\x672C\x8A9E";  // three ideographs
    ByteString bytes = ToBytes(nihongo, 3);
    EXPECT_EQ(6u, bytes.Length());  // each takes two bytes
    WideString back = ToWide(bytes);
    ASSERT_EQ(3u, back.Units());
    EXPECT_EQ(0, memcmp(nihongo, back.CStr(), 6));

    // Line breaks and mixed widths: "a" CR LF and one ideograph count 1 + 2 + 2.
    const wchar_t mixed[] = L"a\r\n\x65E5";
    EXPECT_EQ(5u, ToBytes(mixed, 4).Length());

    // Outside code page 932: the default character.
    const wchar_t thai[] = L"\x0E01";
    EXPECT_EQ("?", Bytes(ToBytes(thai, 1)));
}

}  // namespace
