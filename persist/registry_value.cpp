// String values in the registry through the ANSI registry calls; every key is closed again
// before the routine that opened it returns.
#include "persist/registry_value.h"

#include <string.h>

#include "persist/registry_path.h"

HKEY RegistryRoot;
HKEY RegistryKey;

namespace {

// Buffer sizes for subkeys and value names, the terminating zero included.
constexpr uint32_t kCreateSubkeyBuffer = 256;
constexpr uint32_t kWriteNameBuffer = 255;
constexpr uint32_t kReadNameBuffer = 256;

// Resolves a private copy of the path into RegistryRoot and the subkey buffer.
void ResolvePath(TextRef path, char* subkey, uint32_t size) {
    ByteString copy = path;
    SplitRegistryPath(copy, RegistryRoot);
    ToZeroTerminated(copy, subkey, size);
}

}  // namespace

int32_t CreateRegistryKey(TextRef path) {
    char subkey[kCreateSubkeyBuffer];
    ResolvePath(path, subkey, sizeof(subkey));
    if (!RegistryRoot) return 0;
    if (RegCreateKeyA(RegistryRoot, subkey, &RegistryKey) != ERROR_SUCCESS) return 0;
    RegCloseKey(RegistryKey);
    return 1;
}

LONG WriteRegistryString(TextRef path, TextRef valueName, TextRef value) {
    char subkey[kWriteNameBuffer], name[kWriteNameBuffer];
    ResolvePath(path, subkey, sizeof(subkey));
    ToZeroTerminated(valueName, name, sizeof(name));
    if (!RegistryRoot) return ERROR_BADKEY;

    // REG_SZ ends at its first zero byte; the text's own NUL terminates it in place.
    const char* data = value.CStr();
    const void* zero = memchr(data, 0, value.Length());
    DWORD size =
        (zero ? static_cast<DWORD>(static_cast<const char*>(zero) - data) : value.Length()) + 1;

    bool retried = false;
    for (;;) {
        LONG result = RegOpenKeyExA(RegistryRoot, subkey, 0, KEY_WRITE, &RegistryKey);
        if (result == ERROR_SUCCESS) {
            result = RegSetValueExA(RegistryKey, name, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(data), size);
            RegCloseKey(RegistryKey);
            return result;
        }
        if ((result != ERROR_FILE_NOT_FOUND && result != ERROR_BADKEY) || retried) return result;
        retried = true;
        CreateRegistryKey(path);
    }
}

ByteString ReadRegistryString(TextRef path, TextRef valueName) {
    char subkey[kReadNameBuffer], name[kReadNameBuffer];
    ResolvePath(path, subkey, sizeof(subkey));
    ToZeroTerminated(valueName, name, sizeof(name));
    if (!RegistryRoot) return ByteString();
    if (RegOpenKeyExA(RegistryRoot, subkey, 0, KEY_READ, &RegistryKey) != ERROR_SUCCESS) {
        return ByteString();
    }

    // Ask for the size, then read into a buffer one byte larger, zero-filled, so a zero byte
    // always follows the data; a value that grew in between is asked for again.
    ByteString data;
    DWORD type = REG_SZ, size = 0;
    LONG result = RegQueryValueExA(RegistryKey, name, nullptr, &type, nullptr, &size);
    while (result == ERROR_SUCCESS) {
        data = ByteString::Allocate(size + 1, false);
        if (data.Empty()) {
            result = ERROR_OUTOFMEMORY;
            break;
        }
        memset(data.Bytes(), 0, size + 1);
        result = RegQueryValueExA(RegistryKey, name, nullptr, &type,
                                  reinterpret_cast<BYTE*>(data.Bytes()), &size);
        if (result != ERROR_MORE_DATA) break;
        result = ERROR_SUCCESS;
    }
    RegCloseKey(RegistryKey);
    if (result != ERROR_SUCCESS) return ByteString();
    return Trim(FromZeroTerminated(data.CStr()));
}
