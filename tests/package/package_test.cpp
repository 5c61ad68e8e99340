// The built executables as files: machine, subsystem, imports and resources.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/common/files.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

// The executables to check: this build's (QUILLMARK_EXE) and, when named, the other
// architecture's (QUILLMARK_TWIN_EXE); each as a file, whichever architecture runs the test.
struct Executable {
    std::wstring path;
    bool x64;
};

std::wstring Wide(const char* narrow) {
    std::string s = narrow ? narrow : "";
    return std::wstring(s.begin(), s.end());
}

std::vector<Executable> Executables() {
    const bool x64 = sizeof(void*) == 8;
    const char* own = std::getenv("QUILLMARK_EXE");
    EXPECT_NE(nullptr, own);
    std::vector<Executable> exes = {{Wide(own), x64}};
    const char* twin = std::getenv("QUILLMARK_TWIN_EXE");
    if (twin && *twin) exes.push_back({Wide(twin), !x64});
    return exes;
}

std::string Name(const Executable& exe) {
    return (exe.x64 ? "x64 " : "x86 ") + std::string(exe.path.begin(), exe.path.end());
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// The headers of a PE file read from its bytes; the optional header as PE32 or PE32+.
struct PeFile {
    std::string bytes;
    const IMAGE_FILE_HEADER* header = nullptr;
    WORD magic = 0;
    WORD subsystem = 0;
    WORD dllCharacteristics = 0;
    IMAGE_DATA_DIRECTORY imports{};
    IMAGE_DATA_DIRECTORY loadConfig{};

    explicit PeFile(const std::wstring& path) : bytes(ReadFileBytes(path).value_or("")) {
        if (bytes.size() < sizeof(IMAGE_DOS_HEADER)) return;
        auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
        if (dos->e_magic != IMAGE_DOS_SIGNATURE) return;
        if (bytes.size() < dos->e_lfanew + sizeof(IMAGE_NT_HEADERS64)) return;
        auto* nt32 = reinterpret_cast<const IMAGE_NT_HEADERS32*>(bytes.data() + dos->e_lfanew);
        auto* nt64 = reinterpret_cast<const IMAGE_NT_HEADERS64*>(nt32);
        if (nt32->Signature != IMAGE_NT_SIGNATURE) return;
        header = &nt32->FileHeader;
        magic = nt32->OptionalHeader.Magic;
        if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
            subsystem = nt64->OptionalHeader.Subsystem;
            dllCharacteristics = nt64->OptionalHeader.DllCharacteristics;
            imports = nt64->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
            loadConfig = nt64->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG];
        } else {
            subsystem = nt32->OptionalHeader.Subsystem;
            dllCharacteristics = nt32->OptionalHeader.DllCharacteristics;
            imports = nt32->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
            loadConfig = nt32->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG];
        }
    }

    // The file bytes at a relative virtual address, through the section that holds it.
    const char* At(DWORD rva) const {
        auto* section = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
            reinterpret_cast<const char*>(header) + sizeof(IMAGE_FILE_HEADER) +
            header->SizeOfOptionalHeader);
        for (WORD i = 0; i < header->NumberOfSections; ++i, ++section) {
            DWORD start = section->VirtualAddress;
            if (rva >= start && rva < start + section->SizeOfRawData) {
                size_t offset = section->PointerToRawData + (rva - start);
                return offset < bytes.size() ? bytes.data() + offset : nullptr;
            }
        }
        return nullptr;
    }
};

TEST(Package, PortableExecutableForWindowsGui) {
    for (const Executable& exe : Executables()) {
        SCOPED_TRACE(Name(exe));
        PeFile pe(exe.path);
        ASSERT_NE(nullptr, pe.header);
        if (exe.x64) {
            EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, pe.header->Machine);
            EXPECT_EQ(IMAGE_NT_OPTIONAL_HDR64_MAGIC, pe.magic);
        } else {
            EXPECT_EQ(IMAGE_FILE_MACHINE_I386, pe.header->Machine);
            EXPECT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, pe.magic);
        }
        EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, pe.subsystem);
        EXPECT_LE(pe.bytes.size(), 64u * 1024u) << "the program outgrew its 64 KiB";

        // The imports and the DLLs they load come from System32 only (DependentLoadFlags,
        // which the headers call Reserved1).
        const char* config = pe.At(pe.loadConfig.VirtualAddress);
        ASSERT_NE(nullptr, config) << "no load configuration";
        auto* config32 = reinterpret_cast<const IMAGE_LOAD_CONFIG_DIRECTORY32*>(config);
        size_t flags = exe.x64 ? offsetof(IMAGE_LOAD_CONFIG_DIRECTORY64, Reserved1)
                               : offsetof(IMAGE_LOAD_CONFIG_DIRECTORY32, Reserved1);
        ASSERT_GE(config32->Size, flags + sizeof(WORD));
        // Windows reads the record only when the directory entry gives its size.
        EXPECT_EQ(config32->Size, pe.loadConfig.Size);
        EXPECT_EQ(LOAD_LIBRARY_SEARCH_SYSTEM32, *reinterpret_cast<const WORD*>(config + flags));
        // An x86 record that reaches the SafeSEH fields fills them, unless the image has no
        // handlers at all: an empty table would make the loader refuse every handler.
        if (!exe.x64 && !(pe.dllCharacteristics & IMAGE_DLLCHARACTERISTICS_NO_SEH) &&
            config32->Size > offsetof(IMAGE_LOAD_CONFIG_DIRECTORY32, SEHandlerTable)) {
            EXPECT_NE(0u, config32->SEHandlerTable);
        }
    }
}

TEST(Package, ImportsOnlyWindowsOwnLibraries) {
    const std::set<std::string> allowed = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                           "comctl32.dll", "advapi32.dll", "shell32.dll",
                                           "ole32.dll",    "oleaut32.dll", "msvcrt.dll"};
    for (const Executable& exe : Executables()) {
        SCOPED_TRACE(Name(exe));
        PeFile pe(exe.path);
        ASSERT_NE(nullptr, pe.header);
        ASSERT_NE(0u, pe.imports.VirtualAddress);
        std::set<std::string> seen;
        auto* entry =
            reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(pe.At(pe.imports.VirtualAddress));
        for (; entry && entry->Name != 0; ++entry) {
            const char* name = pe.At(entry->Name);
            ASSERT_NE(nullptr, name);
            seen.insert(Lower(name));
            EXPECT_TRUE(allowed.count(Lower(name))) << "imports " << name;
        }
        for (const char* needed : {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll",
                                   "ole32.dll", "oleaut32.dll", "comctl32.dll"}) {
            EXPECT_TRUE(seen.count(needed)) << "does not import " << needed;
        }
    }
}

std::string ResourceText(HMODULE module, LPCWSTR type, LPCWSTR name) {
    HRSRC found = FindResourceW(module, name, type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    return std::string(static_cast<const char*>(LockResource(loaded)),
                       SizeofResource(module, found));
}

TEST(Package, ManifestAsksForCommonControlsSixOfItsArchitectureNoElevationAndEachScale) {
    for (const Executable& exe : Executables()) {
        SCOPED_TRACE(Name(exe));
        HMODULE module = LoadLibraryExW(exe.path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, module);
        std::string manifest = ResourceText(module, RT_MANIFEST, MAKEINTRESOURCEW(1));
        FreeLibrary(module);
        ASSERT_FALSE(manifest.empty());
        size_t controls = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
        ASSERT_NE(std::string::npos, controls);
        // The dependency's own identity, up to the end of its element.
        std::string dependency =
            manifest.substr(controls, manifest.find("/>", controls) - controls);
        EXPECT_NE(std::string::npos, dependency.find("version=\"6.0.0.0\""));
        EXPECT_NE(std::string::npos, dependency.find(exe.x64 ? "processorArchitecture=\"amd64\""
                                                             : "processorArchitecture=\"x86\""));
        EXPECT_NE(std::string::npos, dependency.find("publicKeyToken=\"6595b64144ccf1df\""));
        EXPECT_EQ(std::string::npos, manifest.find(exe.x64 ? "\"x86\"" : "\"amd64\""));
        EXPECT_EQ(std::string::npos, manifest.find("requestedExecutionLevel"));
        for (const char* dpi :
             {"<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true<",
              "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
              "PerMonitorV2, system<"}) {
            EXPECT_NE(std::string::npos, manifest.find(dpi)) << dpi;
        }
    }
}

TEST(Package, IconGroupHundredHoldsSixteenToSixtyFour) {
    for (const Executable& exe : Executables()) {
        SCOPED_TRACE(Name(exe));
        HMODULE module = LoadLibraryExW(exe.path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, module);
        std::string group = ResourceText(module, RT_GROUP_ICON, MAKEINTRESOURCEW(100));
        ASSERT_GE(group.size(), 6u);
#pragma pack(push, 2)
        struct GroupEntry {
            BYTE width, height, colours, reserved;
            WORD planes, bits;
            DWORD bytes;
            WORD id;
        };
#pragma pack(pop)
        WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
        ASSERT_EQ(group.size(), 6 + count * sizeof(GroupEntry));
        std::set<int> sizes;
        for (WORD i = 0; i < count; ++i) {
            auto* e =
                reinterpret_cast<const GroupEntry*>(group.data() + 6 + i * sizeof(GroupEntry));
            sizes.insert(e->width);
            EXPECT_EQ(e->width, e->height);
            // Each image is really there and can be made into an icon.
            std::string image = ResourceText(module, RT_ICON, MAKEINTRESOURCEW(e->id));
            EXPECT_EQ(e->bytes, image.size());
            HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(image.data()),
                                                  static_cast<DWORD>(image.size()), TRUE,
                                                  0x00030000, e->width, e->height, 0);
            EXPECT_NE(nullptr, icon) << "icon of " << int(e->width) << " pixels";
            if (icon) DestroyIcon(icon);
        }
        EXPECT_EQ((std::set<int>{16, 24, 32, 48, 64}), sizes);
        // The only icon group: it is the one the shell shows.
        EXPECT_EQ(nullptr, FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON));
        FreeLibrary(module);
    }
}

TEST(Package, VersionRecordOneOneZeroZeroNamedQuillmark) {
    for (const Executable& exe : Executables()) {
        SCOPED_TRACE(Name(exe));
        const std::wstring& path = exe.path;
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        ASSERT_NE(0u, size);
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(MAKELONG(1, 1), fixed->dwFileVersionMS);  // 1.1
        EXPECT_EQ(0u, fixed->dwFileVersionLS);              // .0.0
        EXPECT_EQ(MAKELONG(1, 1), fixed->dwProductVersionMS);
        EXPECT_EQ(0u, fixed->dwProductVersionLS);
        wchar_t* product = nullptr;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                                   reinterpret_cast<void**>(&product), &length));
        EXPECT_STREQ(L"Quillmark", product);
    }
}

}  // namespace
