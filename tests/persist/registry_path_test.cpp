// Registry path texts resolved to a root key and the subkey below it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "persist/registry_path.h"

namespace {

ByteString B(const std::string& s) {
    return ByteString::FromBytes(s.data(), static_cast<uint32_t>(s.size()));
}

std::string Bytes(TextRef t) {
    return std::string(t.CStr(), t.Length());
}

// A predefined root key by its number: a 32-bit LONG, sign-extended to a handle on x64.
HKEY PredefinedKey(uint32_t number) {
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(number)));
}

struct PathRow {
    const char* path;
    HKEY root;
    const char* subkey;  // the path argument afterwards
};

TEST(RegistryPath, SplitsIntoRootAndSubkey) {
    const HKEY none = nullptr;
    const PathRow rows[] = {
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
         HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER, ""},
        {"HKEY_DYN_DATA\\x", HKEY_DYN_DATA, "x"},  // last row of the table
        // A trailing backslash makes the path invalid: left as it was.
        {"HKEY_CURRENT_USER\\", none, "HKEY_CURRENT_USER\\"},
        {"HKEY_CURRENT_USER\\Software\\", none, "HKEY_CURRENT_USER\\Software\\"},
        // Lower case and short forms fail the prefix test.
        {"hkey_current_user\\Software", none, "hkey_current_user\\Software"},
        {"HKCU\\Software", none, "HKCU\\Software"},
        {"HKEY", none, "HKEY"},
        // The prefix alone passes but names no root.
        {"HKEY_", none, ""},
        // An unknown root still yields its subkey; the root name is not trimmed or folded.
        {"HKEY_NOWHERE\\Software\\Q", none, "Software\\Q"},
        {"HKEY_LOCAL_MACHINE \\SOFTWARE", none, "SOFTWARE"},
        {"HKEY_Local_Machine\\SOFTWARE", none, "SOFTWARE"},
        // Later backslashes are kept as they stand.
        {"HKEY_USERS\\\\.DEFAULT", HKEY_USERS, "\\.DEFAULT"},
        {"", none, ""},
    };
    for (const PathRow& row : rows) {
        SCOPED_TRACE(row.path);
        ByteString path = B(row.path);
        HKEY root = reinterpret_cast<HKEY>(0x1234);
        SplitRegistryPath(path, root);
        EXPECT_EQ(row.root, root);
        EXPECT_EQ(row.subkey, Bytes(path));
    }
}

TEST(RegistryPath, RootNamesAreExact) {
    EXPECT_EQ(PredefinedKey(0x80000000u), RootKeyFromName("HKEY_CLASSES_ROOT"_t));
    EXPECT_EQ(PredefinedKey(0x80000004u), RootKeyFromName("HKEY_PERFORMANCE_DATA"_t));
    EXPECT_EQ(PredefinedKey(0x80000005u), RootKeyFromName("HKEY_CURRENT_CONFIG"_t));
    EXPECT_EQ(nullptr, RootKeyFromName("HKEY_USERS "_t));
    EXPECT_EQ(nullptr, RootKeyFromName("HKEY_USER"_t));
    EXPECT_EQ(nullptr, RootKeyFromName(B(std::string("HKEY_USERS\0", 11))));
    EXPECT_EQ(nullptr, RootKeyFromName(TextRef{}));
}

}  // namespace
