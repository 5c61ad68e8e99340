// String values in the registry through the Unicode registry calls; every key is closed
// again before the routine that opened it returns.
#include "persist/registry_value.h"

#include "persist/registry_path.h"

constinit HKEY RegistryRoot = nullptr;
constinit HKEY RegistryKey = nullptr;

namespace {

// Limits of subkey and value name in bytes, the terminating zero included.
constexpr uint32_t kCreateSubkeyBuffer = 256;
constexpr uint32_t kWriteNameBuffer = 255;
constexpr uint32_t kReadNameBuffer = 256;

// A text cut to what a zero-terminated buffer of this size holds, in UTF-16.
WideString CutToWide(TextRef text, uint32_t size) {
    char buffer[kCreateSubkeyBuffer];
    ToZeroTerminated(text, buffer, size < sizeof(buffer) ? size : sizeof(buffer));
    return ToWide(FromZeroTerminated(buffer));
}

// The path split once: its root key (null when it names none) and the subkey below it.
struct KeyPath {
    HKEY root;
    WideString subkey;
};

KeyPath SplitPath(TextRef path, uint32_t subkeySize) {
    ByteString subkey = path;
    HKEY root = nullptr;
    SplitRegistryPath(subkey, root);
    RegistryRoot = root;
    return KeyPath{root, CutToWide(subkey, subkeySize)};
}

LONG CreateKey(const KeyPath& path) {
    KeyHolder key;
    LONG result = RegCreateKeyW(path.root, path.subkey.CStr(), &key.key);
    RegistryKey = key.key;
    return result;
}

const char* TypeName(DWORD type) {
    switch (type) {
        case REG_NONE:
            return "REG_NONE";
        case REG_BINARY:
            return "REG_BINARY";
        case REG_DWORD:
            return "REG_DWORD";
        case REG_DWORD_BIG_ENDIAN:
            return "REG_DWORD_BIG_ENDIAN";
        case REG_LINK:
            return "REG_LINK";
        case REG_RESOURCE_LIST:
            return "REG_RESOURCE_LIST";
        case REG_FULL_RESOURCE_DESCRIPTOR:
            return "REG_FULL_RESOURCE_DESCRIPTOR";
        case REG_RESOURCE_REQUIREMENTS_LIST:
            return "REG_RESOURCE_REQUIREMENTS_LIST";
        case REG_QWORD:
            return "REG_QWORD";
        default:
            return nullptr;
    }
}

RegistryText Unreadable(WideString reason) {
    RegistryText value;
    value.state = ValueState::Unreadable;
    value.reason = Move(reason);
    return value;
}

RegistryText Failed(LONG error) {
    if (error == ERROR_FILE_NOT_FOUND) return RegistryText{};
    return Unreadable(SystemMessageText(static_cast<DWORD>(error)));
}

bool IsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

RegistryText NotText(DWORD type) {
    const char* typeName = TypeName(type);
    ByteString shape = typeName ? FromZeroTerminated(typeName)
                                : "type"_t + NumberToText(static_cast<int64_t>(type));
    RegistryText value = Unreadable(ToWide("stored as "_t + Move(shape) + ", not as text"_t));
    value.type = type;
    return value;
}

// The strings of a REG_MULTI_SZ as lines: each zero becomes CR LF, trailing empty strings go.
WideString JoinedLines(const wchar_t* data, uint32_t units) {
    while (units > 0 && data[units - 1] == L'\0') --units;
    uint32_t breaks = 0;
    for (uint32_t i = 0; i < units; ++i) breaks += data[i] == L'\0';
    WideString lines = WideString::Allocate(units + breaks);
    wchar_t* out = lines.Units16();
    if (!out) return lines;
    for (uint32_t i = 0; i < units; ++i) {
        if (data[i] == L'\0') {
            *out++ = L'\r';
            *out++ = L'\n';
        } else {
            *out++ = data[i];
        }
    }
    return lines;
}

WideString TrimBlanks(const wchar_t* data, uint32_t units) {
    uint32_t first = 0;
    while (first < units && data[first] == L' ') ++first;
    while (units > first && data[units - 1] == L' ') --units;
    return WideString::FromUnits(data + first, units - first);
}

}  // namespace

WideString StringValueText(const wchar_t* data, uint32_t units) {
    return TrimBlanks(data, UnitsBeforeZero(data, units));
}

LONG QueryValueUnits(HKEY key, const wchar_t* name, bool (*accepted)(DWORD type), DWORD& type,
                     WideString& data, uint32_t& units) {
    DWORD size = 0;
    data.Free();
    units = 0;
    LONG result = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS || !accepted(type)) return result;
    for (;;) {
        // One unit more than asked for: the zero after the data is ours.
        data = WideString::Allocate(size / sizeof(wchar_t) + 1, false);
        if (data.Empty()) return ERROR_OUTOFMEMORY;
        DWORD got = size;
        result = RegQueryValueExW(key, name, nullptr, &type,
                                  reinterpret_cast<BYTE*>(data.Units16()), &got);
        if (result == ERROR_MORE_DATA && got > size) {
            size = got;
            continue;
        }
        if (result != ERROR_SUCCESS) return result;
        // Replaced in between by a value of another type.
        if (!accepted(type)) {
            data.Free();
            return result;
        }
        units = got / sizeof(wchar_t);
        data.Units16()[units] = L'\0';
        return result;
    }
}

int32_t CreateRegistryKey(TextRef path) {
    KeyPath key = SplitPath(path, kCreateSubkeyBuffer);
    if (!key.root) return 0;
    return CreateKey(key) == ERROR_SUCCESS ? 1 : 0;
}

LONG WriteRegistryString(TextRef path, TextRef valueName, const WideString& value, DWORD type) {
    KeyPath keyPath = SplitPath(path, kWriteNameBuffer);
    WideString name = CutToWide(valueName, kWriteNameBuffer);
    if (!keyPath.root) return ERROR_BADKEY;

    KeyHolder key;
    LONG result = RegOpenKeyExW(keyPath.root, keyPath.subkey.CStr(), 0, KEY_WRITE, &key.key);
    if (result == ERROR_FILE_NOT_FOUND || result == ERROR_BADKEY) {
        // A missing key is created once and opened again; a second failure stands.
        CreateKey(keyPath);
        result = RegOpenKeyExW(keyPath.root, keyPath.subkey.CStr(), 0, KEY_WRITE, &key.key);
    }
    RegistryKey = key.key;
    if (result != ERROR_SUCCESS) return result;

    // A string value ends at its first zero; the text's own terminator ends it in place.
    uint32_t units = UnitsBeforeZero(value.CStr(), value.Units());
    return RegSetValueExW(key.key, name.CStr(), 0, type,
                          reinterpret_cast<const BYTE*>(value.CStr()),
                          (units + 1) * static_cast<DWORD>(sizeof(wchar_t)));
}

RegistryText ReadRegistryString(TextRef path, TextRef valueName) {
    KeyPath keyPath = SplitPath(path, kReadNameBuffer);
    WideString name = CutToWide(valueName, kReadNameBuffer);
    if (!keyPath.root) return Failed(ERROR_BADKEY);

    KeyHolder key;
    LONG result = RegOpenKeyExW(keyPath.root, keyPath.subkey.CStr(), 0, KEY_READ, &key.key);
    RegistryKey = key.key;
    if (result != ERROR_SUCCESS) return Failed(result);

    DWORD type = REG_NONE;
    WideString data;
    uint32_t units = 0;
    result = QueryValueUnits(key.key, name.CStr(), IsText, type, data, units);
    if (result != ERROR_SUCCESS) return Failed(result);
    if (!IsText(type)) return NotText(type);

    RegistryText value;
    value.state = ValueState::Read;
    value.type = type;
    if (type == REG_MULTI_SZ) {
        WideString lines = JoinedLines(data.CStr(), units);
        value.text = TrimBlanks(lines.CStr(), lines.Units());
    } else {
        value.text = StringValueText(data.CStr(), units);
    }
    if (value.text.Units() > LongestRegistryText) {
        value.text.Free();
        value.state = ValueState::Unreadable;
        value.reason = ToWide("longer than "_t + TrimLeading(NumberToText(LongestRegistryText)) +
                              " characters"_t);
    }
    return value;
}
