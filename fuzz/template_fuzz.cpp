// The cached Group Policy template reader over bytes it did not write: never a crash or an
// overrun, and what it reports holds together. A malformed file defines nothing; a
// well-formed one has its path, whose GUID is one of its parts. The same text as UTF-16
// after a byte order mark reads the same (natively each byte is one unit of the code page).
#include <stdint.h>
#include <stddef.h>

#include <string>

#include "persist/policy_template.h"

#define CHECK(c) \
    if (!(c)) __builtin_trap()

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TemplateSettings read = ParseTemplate(ByteString::FromBytes(data, static_cast<uint32_t>(size)));
    std::wstring path(read.gpoPath.CStr(), read.gpoPath.Units());
    std::wstring guid(read.gpoGuid.CStr(), read.gpoGuid.Units());
    CHECK(!path.empty() || (!read.caption && !read.message && read.gpoGuid.Empty()));
    CHECK(guid.empty() || (guid.size() == GuidUnits && guid.front() == L'{' &&
                           guid.back() == L'}' && path.find(guid) != std::wstring::npos));
    if ((size >= 2 && data[0] == 0xFF && data[1] == 0xFE) || size >= LongestPolicyTemplate / 2)
        return 0;
    std::string utf16 = "\xFF\xFE";
    for (size_t i = 0; i < size; ++i) utf16 += {static_cast<char>(data[i]), '\0'};
    TemplateSettings wide =
        ParseTemplate(ByteString::FromBytes(utf16.data(), static_cast<uint32_t>(utf16.size())));
    CHECK(wide.caption == read.caption && wide.message == read.message &&
          CompareText(wide.gpoPath, read.gpoPath) == 0 &&
          CompareText(wide.gpoGuid, read.gpoGuid) == 0);
    return 0;
}
