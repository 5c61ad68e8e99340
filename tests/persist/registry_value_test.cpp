// String values read and written through the real registry of the test prefix, in a scratch
// key deleted around each test.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <string>

#include "persist/registry_value.h"
#include "scratch.h"

namespace {

const char kScratch[] = "Software\\QuillmarkScratch";
const std::string kPath = std::string("HKEY_CURRENT_USER\\") + kScratch;

class RegistryValue : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kScratch); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kScratch); }

    static void Store(const std::string& name, DWORD type, const std::string& data,
                      const std::string& subkey = kScratch) {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, subkey.c_str(), &key));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name.c_str(), 0, type,
                                                reinterpret_cast<const BYTE*>(data.data()),
                                                static_cast<DWORD>(data.size())));
        RegCloseKey(key);
    }

    struct Stored {
        LONG result = -1;
        DWORD type = 0;
        std::string data;
    };
    static Stored Query(const std::string& name, const std::string& subkey = kScratch) {
        Stored stored;
        HKEY key;
        stored.result = RegOpenKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ, &key);
        if (stored.result != ERROR_SUCCESS) return stored;
        DWORD size = 0;
        RegQueryValueExA(key, name.c_str(), nullptr, &stored.type, nullptr, &size);
        stored.data.assign(size, '\xAA');
        stored.result = RegQueryValueExA(key, name.c_str(), nullptr, &stored.type,
                                         reinterpret_cast<BYTE*>(stored.data.data()), &size);
        stored.data.resize(size);
        RegCloseKey(key);
        return stored;
    }

    // The key the routine opened is no longer a valid handle: it was closed.
    static void ExpectKeyClosed() { EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(RegistryKey)); }

    static ByteString Read(const std::string& name, const std::string& path = kPath) {
        ByteString value = ReadRegistryString(B(path), B(name));
        return value;
    }
};

TEST_F(RegistryValue, WriteStoresTheWholeTextAsRegSz) {
    struct Row {
        std::string text, stored;
    };
    const Row rows[] = {
        {"Line one\r\nLine two", "Line one\r\nLine two"},
        {"", ""},  // one byte of data: the terminator
        {std::string(3000, 'w'), std::string(3000, 'w')},
        {"  blanks kept  ", "  blanks kept  "},  // stored as given, trimmed when read
        {std::string("ab\0cd", 5), "ab"},        // a REG_SZ ends at its first zero byte
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 20));
        EXPECT_EQ(ERROR_SUCCESS, WriteRegistryString(B(kPath), "v"_t, B(row.text)));
        ExpectKeyClosed();
        Stored stored = Query("v");
        EXPECT_EQ(ERROR_SUCCESS, stored.result);
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), stored.type);
        EXPECT_EQ(row.stored + '\0', stored.data);
        if (row.text.find_first_of(std::string(" \0", 2)) == std::string::npos) {
            EXPECT_EQ(row.stored, Bytes(Read("v")));
        }
    }
}

TEST_F(RegistryValue, ReadTrimsBlanksAndStopsAtTheFirstZero) {
    struct Row {
        DWORD type;
        std::string data, read;
    };
    const Row rows[] = {
        {REG_SZ, std::string("  a b  \0", 8), "a b"},
        {REG_SZ, std::string("    \0", 5), ""},
        {REG_SZ, std::string("\tx \r\n \0", 7), "\tx \r\n"},  // only 0x20 is a blank
        {REG_SZ, std::string("ab\0cd\0", 6), "ab"},
        {REG_SZ, std::string("no terminator", 13), "no terminator"},
        {REG_SZ, std::string(3000, 'r') + '\0', std::string(3000, 'r')},
        {REG_EXPAND_SZ, std::string("%SystemRoot%\\x\0", 15), "%SystemRoot%\\x"},
        {REG_MULTI_SZ, std::string("one\0two\0\0", 9), "one"},
        {REG_DWORD, std::string("ABC\0", 4), "ABC"},  // raw bytes of 0x00434241
        {REG_BINARY, std::string("\x01\x02", 2), "\x01\x02"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.read.substr(0, 20));
        Store("v", row.type, row.data);
        EXPECT_EQ(row.read, Bytes(Read("v")));
        ExpectKeyClosed();
    }
}

TEST_F(RegistryValue, MissingKeysAndValues) {
    // Reading under a missing key gives the empty text and creates nothing.
    EXPECT_EQ("", Bytes(Read("v", kPath + "\\Missing")));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Query("v", std::string(kScratch) + "\\Missing").result);

    // A missing value under an existing key: empty, and the key is still closed.
    Store("other", REG_SZ, std::string("x\0", 2));
    EXPECT_EQ("", Bytes(Read("v")));
    ExpectKeyClosed();

    // Writing under a missing key creates it, two levels deep, then stores the value.
    EXPECT_EQ(ERROR_SUCCESS, WriteRegistryString(B(kPath + "\\New\\Deeper"), "v"_t, "made"_t));
    ExpectKeyClosed();
    EXPECT_EQ(std::string("made\0", 5), Query("v", std::string(kScratch) + "\\New\\Deeper").data);

    EXPECT_EQ(1, CreateRegistryKey(B(kPath + "\\Created")));
    ExpectKeyClosed();
    EXPECT_EQ(1, CreateRegistryKey(B(kPath + "\\Created")));  // already present
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kScratch) + "\\Created").c_str(), 0,
                            KEY_READ, &key));
    RegCloseKey(key);
}

TEST_F(RegistryValue, PathsWithoutARootTouchNothing) {
    const char* paths[] = {"HKCU\\Software\\QuillmarkScratch", "HKEY_NOWHERE\\Software\\Q",
                           "HKEY_CURRENT_USER\\Software\\QuillmarkScratch\\", ""};
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        EXPECT_EQ(0, CreateRegistryKey(B(path)));
        EXPECT_NE(ERROR_SUCCESS, WriteRegistryString(B(path), "v"_t, "x"_t));
        EXPECT_EQ("", Bytes(Read("v", path)));
        EXPECT_EQ(nullptr, RegistryRoot);
    }
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Query("v").result);
}

TEST_F(RegistryValue, NamesAreCutAtTheirLimits) {
    // A written value name keeps 254 bytes, a read one 255.
    std::string name(300, 'n');
    EXPECT_EQ(ERROR_SUCCESS, WriteRegistryString(B(kPath), B(name), "cut"_t));
    EXPECT_EQ(std::string("cut\0", 4), Query(name.substr(0, 254)).data);
    Store(name.substr(0, 255), REG_SZ, std::string("read\0", 5));
    EXPECT_EQ("read", Bytes(Read(name)));
}

// Wine enforces key DACLs: a key that denies setting values cannot be opened for writing.
TEST_F(RegistryValue, DeniedWriteReportsTheError) {
    Store("v", REG_SZ, std::string("before\0", 7));
    PSECURITY_DESCRIPTOR denying = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:(D;;0x2;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &denying, nullptr));
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kScratch, 0, WRITE_DAC, &key));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, denying));
    RegCloseKey(key);
    LocalFree(denying);

    EXPECT_EQ(ERROR_ACCESS_DENIED, WriteRegistryString(B(kPath), "v"_t, "after"_t));
    EXPECT_EQ(std::string("before\0", 7), Query("v").data);
    EXPECT_EQ("before", Bytes(Read("v")));  // reading is still allowed
}

// Code page 932 text crosses the ANSI registry calls as Shift-JIS and is stored as UTF-16.
TEST_F(RegistryValue, DoubleByteTextCp932) {
    if (GetACP() != 932) GTEST_SKIP() << "needs code page 932";
    const std::string nihongo =
        "\x93\xfa\x96\x7b\x8c\xea \x83\x65\x83\x58\x83\x67";  // 日本語 テスト
    EXPECT_EQ(ERROR_SUCCESS, WriteRegistryString(B(kPath), "v"_t, B(nihongo)));
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\QuillmarkScratch", 0, KEY_READ, &key));
    wchar_t wide[32] = {};
    DWORD size = sizeof(wide) - sizeof(wchar_t);
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExW(key, L"v", nullptr, nullptr, reinterpret_cast<BYTE*>(wide), &size));
    RegCloseKey(key);
    EXPECT_EQ(std::wstring(L"\u65e5\u672c\u8a9e \u30c6\u30b9\u30c8"), std::wstring(wide));
    EXPECT_EQ(nihongo, Bytes(Read("v")));
}

}  // namespace
