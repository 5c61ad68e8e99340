// Registry paths in text form, resolved to a predefined root key and the subkey below it.
#include "persist/registry_path.h"

namespace {

struct RootName {
    TextRef name;
    HKEY key;
};

const RootName kRootNames[] = {
    {"HKEY_CLASSES_ROOT"_t, HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER"_t, HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE"_t, HKEY_LOCAL_MACHINE},
    {"HKEY_USERS"_t, HKEY_USERS},
    {"HKEY_PERFORMANCE_DATA"_t, HKEY_PERFORMANCE_DATA},
    {"HKEY_CURRENT_CONFIG"_t, HKEY_CURRENT_CONFIG},
    {"HKEY_DYN_DATA"_t, HKEY_DYN_DATA},
};

}  // namespace

HKEY RootKeyFromName(TextRef name) {
    WideString wide = ToWide(name);
    for (const RootName& root : kRootNames) {
        if (CompareText(wide, ToWide(root.name)) == 0) return root.key;
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
