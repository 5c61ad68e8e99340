// The built executable as a file: machine, subsystem, imports and resources.
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

std::wstring ExePath() {
    const char* path = std::getenv("QUILLMARK_EXE");
    EXPECT_NE(nullptr, path);
    std::string narrow = path ? path : "";
    return std::wstring(narrow.begin(), narrow.end());
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

TEST(Package, PortableExecutableForThirtyTwoBitWindowsGui) {
    std::string file = ReadFileBytes(ExePath()).value_or("");
    ASSERT_GT(file.size(), 1024u);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(file.data());
    ASSERT_EQ(IMAGE_DOS_SIGNATURE, dos->e_magic);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(file.data() + dos->e_lfanew);
    ASSERT_EQ(IMAGE_NT_SIGNATURE, nt->Signature);
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, nt->FileHeader.Machine);
    EXPECT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, nt->OptionalHeader.Magic);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, nt->OptionalHeader.Subsystem);
    EXPECT_LE(file.size(), 64u * 1024u) << "the program outgrew its 64 KiB";
}

TEST(Package, ImportsOnlyWindowsOwnLibraries) {
    // Mapped as an image so that import directory addresses can be read directly.
    HMODULE image = LoadLibraryExW(ExePath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(nullptr, image);
    auto* base = reinterpret_cast<const char*>(image);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(0u, dir.VirtualAddress);
    const std::set<std::string> allowed = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                           "comctl32.dll", "advapi32.dll", "shell32.dll",
                                           "ole32.dll",    "oleaut32.dll", "msvcrt.dll"};
    std::set<std::string> seen;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         entry->Name != 0; ++entry) {
        std::string name = Lower(base + entry->Name);
        seen.insert(name);
        EXPECT_TRUE(allowed.count(name)) << "imports " << name;
    }
    for (const char* needed : {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll",
                               "ole32.dll", "oleaut32.dll", "comctl32.dll"}) {
        EXPECT_TRUE(seen.count(needed)) << "does not import " << needed;
    }
    FreeLibrary(image);
}

std::string ResourceText(HMODULE module, LPCWSTR type, LPCWSTR name) {
    HRSRC found = FindResourceW(module, name, type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    return std::string(static_cast<const char*>(LockResource(loaded)),
                       SizeofResource(module, found));
}

TEST(Package, ManifestAsksForCommonControlsSixAndNoElevation) {
    HMODULE module = LoadLibraryExW(ExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    std::string manifest = ResourceText(module, RT_MANIFEST, MAKEINTRESOURCEW(1));
    FreeLibrary(module);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\""));
    EXPECT_NE(std::string::npos, manifest.find("version=\"6.0.0.0\""));
    EXPECT_NE(std::string::npos, manifest.find("processorArchitecture=\"x86\""));
    EXPECT_NE(std::string::npos, manifest.find("publicKeyToken=\"6595b64144ccf1df\""));
    EXPECT_EQ(std::string::npos, manifest.find("requestedExecutionLevel"));
}

TEST(Package, IconGroupHundredHoldsSixteenThirtyTwoAndFortyEight) {
    HMODULE module = LoadLibraryExW(ExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
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
        auto* e = reinterpret_cast<const GroupEntry*>(group.data() + 6 + i * sizeof(GroupEntry));
        sizes.insert(e->width);
        EXPECT_EQ(e->width, e->height);
        // Each image is really there and can be made into an icon.
        std::string image = ResourceText(module, RT_ICON, MAKEINTRESOURCEW(e->id));
        EXPECT_EQ(e->bytes, image.size());
        HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(image.data()),
                                              static_cast<DWORD>(image.size()), TRUE, 0x00030000,
                                              e->width, e->height, 0);
        EXPECT_NE(nullptr, icon) << "icon of " << int(e->width) << " pixels";
        if (icon) DestroyIcon(icon);
    }
    EXPECT_EQ((std::set<int>{16, 32, 48}), sizes);
    // The only icon group: it is the one the shell shows.
    EXPECT_EQ(nullptr, FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON));
    FreeLibrary(module);
}

TEST(Package, VersionRecordOneOneZeroZeroNamedQuillmark) {
    std::wstring path = ExePath();
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

}  // namespace
