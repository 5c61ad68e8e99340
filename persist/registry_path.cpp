// Registry paths in text form, resolved to a predefined root key and the subkey below it.
#include "persist/registry_path.h"

namespace {

// The predefined keys as the headers number them: a HKEY constant is a cast, which a
// constant-initialised table cannot hold.
struct RootName {
    TextRef name;
    LONG key;
};

constexpr RootName kRootNames[] = {
    {"HKEY_CLASSES_ROOT"_t, static_cast<LONG>(0x80000000)},
    {"HKEY_CURRENT_USER"_t, static_cast<LONG>(0x80000001)},
    {"HKEY_LOCAL_MACHINE"_t, static_cast<LONG>(0x80000002)},
    {"HKEY_USERS"_t, static_cast<LONG>(0x80000003)},
    {"HKEY_PERFORMANCE_DATA"_t, static_cast<LONG>(0x80000004)},
    {"HKEY_CURRENT_CONFIG"_t, static_cast<LONG>(0x80000005)},
    {"HKEY_DYN_DATA"_t, static_cast<LONG>(0x80000006)},
};

}  // namespace

HKEY RootKeyFromName(TextRef name) {
    WideString wide = ToWide(name);
    for (const RootName& root : kRootNames) {
        if (CompareText(wide, ToWide(root.name)) == 0)
            return reinterpret_cast<HKEY>(static_cast<intptr_t>(root.key));
    }
    return nullptr;
}

void SplitRegistryPath(ByteString& path, HKEY& root) {
    uint32_t length = path.Length();
    int32_t separator = Find(path, "\\"_t);
    if (CompareText(Leftmost(path, 5), "HKEY_"_t) != 0 || path.CStr()[length - 1] == '\\') {
        root = nullptr;
        return;
    }
    if (separator == 0) {
        root = RootKeyFromName(path);
        path.Free();
        return;
    }
    root = RootKeyFromName(Leftmost(path, separator - 1));
    path = Rightmost(path, static_cast<int32_t>(length) - separator);
}
