// String values read and written through the real registry of the test prefix, in a scratch
// key deleted around each test.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <string>

#include "persist/registry_value.h"
#include "scratch.h"

namespace {

const wchar_t kScratch[] = L"Software\\QuillmarkScratch";
const std::string kPath = "HKEY_CURRENT_USER\\Software\\QuillmarkScratch";

WideString W(const std::wstring& s) {
    return WideString::FromUnits(s.data(), static_cast<uint32_t>(s.size()));
}

std::wstring Units(const WideString& s) {
    return std::wstring(s.CStr(), s.Units());
}

// The system's message for an error, as the reasons carry it.
std::string Message(DWORD error) {
    return Bytes(SystemMessageText(error));
}

class RegistryValue : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch); }

    // Stores the units as they are: no terminator is added.
    static void Store(const std::wstring& name, DWORD type, const std::wstring& data,
                      const std::wstring& subkey = kScratch) {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CURRENT_USER, subkey.c_str(), &key));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name.c_str(), 0, type,
                                                reinterpret_cast<const BYTE*>(data.data()),
                                                static_cast<DWORD>(data.size() * sizeof(wchar_t))));
        RegCloseKey(key);
    }

    struct Stored {
        LONG result = -1;
        DWORD type = 0;
        std::wstring data;  // terminator included, as stored
    };
    static Stored Query(const std::wstring& name, const std::wstring& subkey = kScratch) {
        Stored stored;
        HKEY key;
        stored.result = RegOpenKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ, &key);
        if (stored.result != ERROR_SUCCESS) return stored;
        DWORD size = 0;
        RegQueryValueExW(key, name.c_str(), nullptr, &stored.type, nullptr, &size);
        stored.data.assign(size / sizeof(wchar_t), L'\xAAAA');
        stored.result = RegQueryValueExW(key, name.c_str(), nullptr, &stored.type,
                                         reinterpret_cast<BYTE*>(stored.data.data()), &size);
        stored.data.resize(size / sizeof(wchar_t));
        RegCloseKey(key);
        return stored;
    }

    // Sets the scratch key's DACL from SDDL.
    static void SetKeyDacl(const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                         &descriptor, nullptr));
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kScratch, 0, WRITE_DAC, &key));
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
        RegCloseKey(key);
        LocalFree(descriptor);
    }

    // The key the routine opened is no longer a valid handle: it was closed.
    static void ExpectKeyClosed() { EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(RegistryKey)); }

    static RegistryText Read(const std::string& name, const std::string& path = kPath) {
        return ReadRegistryString(B(path), B(name));
    }
};

TEST_F(RegistryValue, WriteStoresTheWholeTextInItsType) {
    struct Row {
        std::wstring text;
        DWORD type;
        std::wstring stored;
    };
    const Row rows[] = {
        {L"Line one\r\nLine two", REG_SZ, L"Line one\r\nLine two"},
        {L"", REG_SZ, L""},  // one unit of data: the terminator
        // Far beyond any old limit: nothing is cut.
        {std::wstring(20000, L'w'), REG_SZ, std::wstring(20000, L'w')},
        {L"  blanks kept  ", REG_SZ, L"  blanks kept  "},  // stored as given, trimmed when read
        {std::wstring(L"ab\0cd", 5), REG_SZ, L"ab"},       // a string ends at its first zero
        {L"\u0412\u043d\u0438\u043c\u0430\u043d\u0438\u0435 \u8b66\u544a \U0001F6D1", REG_SZ,
         L"\u0412\u043d\u0438\u043c\u0430\u043d\u0438\u0435 \u8b66\u544a \U0001F6D1"},
        {L"%SystemRoot%\\notice", REG_EXPAND_SZ, L"%SystemRoot%\\notice"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.text.size() << " units, type " << row.type);
        EXPECT_EQ(ERROR_SUCCESS, WriteRegistryString(B(kPath), "v"_t, W(row.text), row.type));
        ExpectKeyClosed();
        Stored stored = Query(L"v");
        EXPECT_EQ(ERROR_SUCCESS, stored.result);
        EXPECT_EQ(row.type, stored.type);
        EXPECT_EQ(row.stored + L'\0', stored.data);
    }
}

TEST_F(RegistryValue, ReadGivesTextTypeAndState) {
    struct Row {
        DWORD type;
        std::wstring data;
        ValueState state;
        std::wstring text;
        DWORD readType;
        std::string reason;
    };
    const std::wstring longest(16384, L'x');
    const std::wstring unicode = L"\u8b66\u544a \ud55c\uad6d\uc5b4 \u20ac \U0001F600";
    const Row rows[] = {
        {REG_SZ, std::wstring(L"  a b  \0", 8), ValueState::Read, L"a b", REG_SZ, ""},
        {REG_SZ, std::wstring(L"    \0", 5), ValueState::Read, L"", REG_SZ, ""},
        {REG_SZ, std::wstring(L"\tx \r\n \0", 7), ValueState::Read, L"\tx \r\n", REG_SZ, ""},
        {REG_SZ, std::wstring(L"ab\0cd\0", 6), ValueState::Read, L"ab", REG_SZ, ""},
        {REG_SZ, L"no terminator", ValueState::Read, L"no terminator", REG_SZ, ""},
        {REG_SZ, L"", ValueState::Read, L"", REG_SZ, ""},
        {REG_SZ, unicode + L'\0', ValueState::Read, unicode, REG_SZ, ""},
        {REG_EXPAND_SZ, std::wstring(L"%SystemRoot%\\x\0", 15), ValueState::Read,
         L"%SystemRoot%\\x", REG_EXPAND_SZ, ""},
        // Every string a line; the empty strings at the end are the list's terminator.
        {REG_MULTI_SZ, std::wstring(L"Line one\0Line two\0\0Line four\0\0", 30), ValueState::Read,
         L"Line one\r\nLine two\r\n\r\nLine four", REG_MULTI_SZ, ""},
        {REG_SZ, longest + L'\0', ValueState::Read, longest, REG_SZ, ""},
        {REG_SZ, L"  " + longest + L"  ", ValueState::Read, longest, REG_SZ, ""},
        {REG_SZ, longest + L"y", ValueState::Unreadable, L"", REG_SZ,
         "longer than 16384 characters"},
        {REG_MULTI_SZ, std::wstring(8192, L'm') + L'\0' + std::wstring(8192, L'm'),
         ValueState::Unreadable, L"", REG_MULTI_SZ, "longer than 16384 characters"},
        {REG_DWORD, std::wstring(L"AB", 2), ValueState::Unreadable, L"", REG_DWORD,
         "stored as REG_DWORD, not as text"},
        {REG_BINARY, std::wstring(L"\x0102", 1), ValueState::Unreadable, L"", REG_BINARY,
         "stored as REG_BINARY, not as text"},
        {77, L"odd", ValueState::Unreadable, L"", 77, "stored as type 77, not as text"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "type " << row.type << ", " << row.data.size()
                                        << " units: " << Bytes(ToBytes(W(row.data.substr(0, 20)))));
        Store(L"v", row.type, row.data);
        RegistryText value = Read("v");
        ExpectKeyClosed();
        EXPECT_EQ(static_cast<int>(row.state), static_cast<int>(value.state));
        EXPECT_EQ(row.text, Units(value.text));
        EXPECT_EQ(row.readType, value.type);
        EXPECT_EQ(row.reason, Bytes(value.reason));
    }
}

TEST_F(RegistryValue, MissingKeysAndValues) {
    // Reading under a missing key: missing, and nothing is created.
    RegistryText value = Read("v", kPath + "\\Missing");
    EXPECT_EQ(static_cast<int>(ValueState::Missing), static_cast<int>(value.state));
    EXPECT_TRUE(value.text.Empty() && value.reason.Empty());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Query(L"v", std::wstring(kScratch) + L"\\Missing").result);

    // A missing value under an existing key: missing, and the key is still closed.
    Store(L"other", REG_SZ, std::wstring(L"x\0", 2));
    EXPECT_EQ(static_cast<int>(ValueState::Missing), static_cast<int>(Read("v").state));
    ExpectKeyClosed();

    // Writing under a missing key creates it, two levels deep, then stores the value.
    EXPECT_EQ(ERROR_SUCCESS,
              WriteRegistryString(B(kPath + "\\New\\Deeper"), "v"_t, W(L"made"), REG_SZ));
    ExpectKeyClosed();
    EXPECT_EQ(std::wstring(L"made\0", 5),
              Query(L"v", std::wstring(kScratch) + L"\\New\\Deeper").data);

    EXPECT_EQ(1, CreateRegistryKey(B(kPath + "\\Created")));
    ExpectKeyClosed();
    EXPECT_EQ(1, CreateRegistryKey(B(kPath + "\\Created")));  // already present
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kScratch) + L"\\Created").c_str(), 0,
                            KEY_READ, &key));
    RegCloseKey(key);
}

TEST_F(RegistryValue, PathsWithoutARootTouchNothing) {
    const char* paths[] = {"HKCU\\Software\\QuillmarkScratch", "HKEY_NOWHERE\\Software\\Q",
                           "HKEY_CURRENT_USER\\Software\\QuillmarkScratch\\", ""};
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        EXPECT_EQ(0, CreateRegistryKey(B(path)));
        EXPECT_EQ(ERROR_BADKEY, WriteRegistryString(B(path), "v"_t, W(L"x"), REG_SZ));
        RegistryText value = Read("v", path);
        EXPECT_EQ(static_cast<int>(ValueState::Unreadable), static_cast<int>(value.state));
        EXPECT_EQ(Message(ERROR_BADKEY), Bytes(value.reason));
        EXPECT_EQ(nullptr, RegistryRoot);
    }
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Query(L"v").result);
}

TEST_F(RegistryValue, NamesAreCutAtTheirLimits) {
    // A written value name keeps 254 bytes, a read one 255.
    std::string name(300, 'n');
    EXPECT_EQ(ERROR_SUCCESS, WriteRegistryString(B(kPath), B(name), W(L"cut"), REG_SZ));
    EXPECT_EQ(std::wstring(L"cut\0", 4), Query(std::wstring(254, L'n')).data);
    Store(std::wstring(255, L'n'), REG_SZ, std::wstring(L"read\0", 5));
    EXPECT_EQ(L"read", Units(Read(name).text));
}

// Wine enforces key DACLs: a key that denies setting values cannot be opened for writing, one
// that denies querying them cannot be opened for reading.
TEST_F(RegistryValue, DeniedAccessIsReported) {
    Store(L"v", REG_SZ, std::wstring(L"before\0", 7));
    SetKeyDacl(L"D:(D;;0x2;;;WD)(A;;KA;;;WD)");  // KEY_SET_VALUE denied
    EXPECT_EQ(ERROR_ACCESS_DENIED, WriteRegistryString(B(kPath), "v"_t, W(L"after"), REG_SZ));
    EXPECT_EQ(std::wstring(L"before\0", 7), Query(L"v").data);
    EXPECT_EQ(L"before", Units(Read("v").text));  // reading is still allowed

    SetKeyDacl(L"D:(D;;0x1;;;WD)(A;;KA;;;WD)");  // KEY_QUERY_VALUE denied
    RegistryText value = Read("v");
    EXPECT_EQ(static_cast<int>(ValueState::Unreadable), static_cast<int>(value.state));
    EXPECT_TRUE(value.text.Empty());
    EXPECT_EQ(Message(ERROR_ACCESS_DENIED), Bytes(value.reason));
    EXPECT_FALSE(value.reason.Empty());
    EXPECT_EQ(ERROR_SUCCESS, WriteRegistryString(B(kPath), "v"_t, W(L"after"), REG_SZ));
    SetKeyDacl(L"D:(A;;KA;;;WD)");
    EXPECT_EQ(std::wstring(L"after\0", 6), Query(L"v").data);
}

// The values cross no code page: what code page 932 lacks survives too.
TEST_F(RegistryValue, TextOutsideTheCodePageCp932) {
    if (GetACP() != 932) GTEST_SKIP() << "needs code page 932";
    const std::wstring text = L"\ud55c\uad6d\uc5b4 \U0001F600 \u20ac \u65e5\u672c\u8a9e";
    EXPECT_EQ(ERROR_SUCCESS, WriteRegistryString(B(kPath), "v"_t, W(text), REG_SZ));
    EXPECT_EQ(text + L'\0', Query(L"v").data);
    EXPECT_EQ(text, Units(Read("v").text));
}

}  // namespace
