// The cached Group Policy template reader over bytes it did not write: never a crash or an
// overrun, and what it reports holds together. A malformed file defines nothing; a
// well-formed one has its path, whose GUID is one of its parts. The same text as UTF-16
// after a byte order mark reads the same (natively each byte is one unit of the code page).
#include <stdint.h>
#include <stddef.h>
#include <string.h>

#include <string>

#include "persist/policy_template.h"

#define CHECK(c) \
    if (!(c)) __builtin_trap()

namespace {

bool Same(const WideString& a, const WideString& b) {
    return CompareText(a, b) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteString file = ByteString::FromBytes(data, static_cast<uint32_t>(size));
    TemplateSettings read = ParseTemplate(file);
    if (!read.wellFormed) {
        CHECK(!read.caption && !read.message && read.gpoPath.Empty() && read.gpoGuid.Empty());
        return 0;
    }
    CHECK(!read.gpoPath.Empty());
    const WideString& guid = read.gpoGuid;
    if (!guid.Empty()) {
        CHECK(guid.Units() == GuidUnits && guid.CStr()[0] == L'{' && guid.CStr()[37] == L'}');
        bool inPath = false;
        for (uint32_t i = 0; i + GuidUnits <= read.gpoPath.Units() && !inPath; ++i) {
            inPath = memcmp(read.gpoPath.CStr() + i, guid.CStr(), GuidUnits * sizeof(wchar_t)) == 0;
        }
        CHECK(inPath);
    }
    if ((size >= 2 && data[0] == 0xFF && data[1] == 0xFE) || size >= LongestPolicyTemplate / 2)
        return 0;
    std::string utf16 = "\xFF\xFE";
    for (size_t i = 0; i < size; ++i) utf16 += {static_cast<char>(data[i]), '\0'};
    TemplateSettings wide =
        ParseTemplate(ByteString::FromBytes(utf16.data(), static_cast<uint32_t>(utf16.size())));
    CHECK(wide.wellFormed && wide.caption == read.caption && wide.message == read.message);
    CHECK(Same(wide.gpoPath, read.gpoPath) && Same(wide.gpoGuid, read.gpoGuid));
    return 0;
}
