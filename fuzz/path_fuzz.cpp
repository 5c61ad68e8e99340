// SplitRegistryPath: a valid path's root name, backslash and subkey rebuild the input.
#include <stdint.h>

#include <string>

#include "persist/registry_path.h"

#define CHECK(c) \
    if (!(c)) __builtin_trap()

namespace {

const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE",
                              "HKEY_USERS",        "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG",
                              "HKEY_DYN_DATA"};

HKEY ModelRoot(const std::string& name) {
    for (int i = 0; i < 7; ++i) {
        if (name == kRoots[i])
            return reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000000u + i));
    }
    return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    // Half the inputs start with a real root name, so the valid paths are well explored.
    if (size > 0 && data[0] < 128) input = std::string(kRoots[data[0] % 7]) + input.substr(1);

    ByteString path = ByteString::FromBytes(input.data(), static_cast<uint32_t>(input.size()));
    HKEY root = reinterpret_cast<HKEY>(1);
    SplitRegistryPath(path, root);
    std::string subkey(path.CStr(), path.Length());

    bool valid = input.compare(0, 5, "HKEY_") == 0 && input.size() >= 5 && input.back() != '\\';
    if (!valid) {
        CHECK(root == nullptr);
        CHECK(subkey == input);  // an invalid path is left as it was
        return 0;
    }
    size_t slash = input.find('\\');
    std::string name = slash == std::string::npos ? input : input.substr(0, slash);
    CHECK(root == ModelRoot(name));
    if (slash == std::string::npos) {
        CHECK(subkey.empty());
    } else {
        CHECK(name + "\\" + subkey == input);  // later backslashes kept as they are
    }
    if (root != nullptr)
        CHECK(RootKeyFromName(ByteString::FromBytes(name.data(), name.size())) == root);
    return 0;
}
