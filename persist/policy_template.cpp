// The reader of a cached security template: its bytes in, what it says about the notice out.
#include "persist/policy_template.h"

namespace {

constexpr wchar_t kCaptionEntry[] =
    L"MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\LegalNoticeCaption";
constexpr wchar_t kMessageEntry[] =
    L"MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\LegalNoticeText";

struct Span {
    const wchar_t* p;
    uint32_t n;
};

Span Trimmed(Span s) {
    while (s.n > 0 && (s.p[0] == L' ' || s.p[0] == L'\t')) ++s.p, --s.n;
    while (s.n > 0 && (s.p[s.n - 1] == L' ' || s.p[s.n - 1] == L'\t')) --s.n;
    return s;
}

wchar_t FoldAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
}

// The names compared are ASCII: only its letters fold, whatever the user's locale.
bool SameName(Span s, const wchar_t* name) {
    uint32_t i = 0;
    for (; i < s.n; ++i) {
        if (name[i] == L'\0' || FoldAscii(s.p[i]) != FoldAscii(name[i])) return false;
    }
    return name[i] == L'\0';
}

bool IsHex(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (FoldAscii(c) >= L'a' && FoldAscii(c) <= L'f');
}

WideString GuidIn(const WideString& path) {
    const wchar_t* p = path.CStr();
    for (uint32_t i = 0; i + GuidUnits <= path.Units(); ++i) {
        if (p[i] != L'{' || p[i + GuidUnits - 1] != L'}') continue;
        bool guid = true;
        for (uint32_t k = 1; k + 1 < GuidUnits && guid; ++k) {
            bool dash = k == 9 || k == 14 || k == 19 || k == 24;
            guid = dash ? p[i + k] == L'-' : IsHex(p[i + k]);
        }
        if (guid) return WideString::FromUnits(p + i, GuidUnits);
    }
    return WideString();
}

// A registry entry's data begins with its type's number and a comma ("7,Line one").
bool IsEntryData(Span value) {
    uint32_t digits = 0;
    while (digits < value.n && value.p[digits] >= L'0' && value.p[digits] <= L'9') ++digits;
    return digits > 0 && digits < value.n && value.p[digits] == L',';
}

WideString DecodeTemplate(TextRef file) {
    uint32_t size = file.Length();
    if (size >= 2 && file.At(0) == 0xFF && file.At(1) == 0xFE) {
        if (size % 2 != 0) return WideString();
        WideString text = WideString::Allocate((size - 2) / 2, false);
        wchar_t* units = text.Units16();
        for (uint32_t i = 0; units && i < text.Units(); ++i) {
            units[i] = static_cast<wchar_t>(file.At(2 + 2 * i) | file.At(3 + 2 * i) << 8);
        }
        return text;
    }
    return ToWide(file);
}

}  // namespace

bool SameAsciiName(const wchar_t* units, uint32_t n, const wchar_t* name) {
    return SameName(Span{units, n}, name);
}

TemplateSettings ParseTemplate(TextRef file) {
    TemplateSettings settings;
    if (file.Length() > LongestPolicyTemplate) return settings;
    WideString text = DecodeTemplate(file);
    const wchar_t* p = text.CStr();
    uint32_t n = text.Units();
    bool registryValues = false, sawPath = false;
    for (uint32_t start = 0; start < n;) {
        uint32_t end = start;
        for (; end < n && p[end] != L'\r' && p[end] != L'\n'; ++end) {
            if (p[end] == L'\0') return TemplateSettings();
        }
        Span line = Trimmed(Span{p + start, end - start});
        // CR LF, CR alone and LF alone each end a line.
        start = end + (end + 1 < n && p[end] == L'\r' && p[end + 1] == L'\n' ? 2 : 1);
        if (line.n >= 2 && line.p[0] == L'[' && line.p[line.n - 1] == L']') {
            registryValues = SameName(Trimmed(Span{line.p + 1, line.n - 2}), L"Registry Values");
            continue;
        }
        uint32_t equals = 0;
        while (equals < line.n && line.p[equals] != L'=') ++equals;
        if (equals == line.n) continue;
        Span key = Trimmed(Span{line.p, equals});
        Span value = Trimmed(Span{line.p + equals + 1, line.n - equals - 1});
        if (SameName(key, L"GPOPath")) {
            if (!sawPath) settings.gpoPath = WideString::FromUnits(value.p, value.n);
            sawPath = true;
        } else if (registryValues && IsEntryData(value)) {
            settings.caption = settings.caption || SameName(key, kCaptionEntry);
            settings.message = settings.message || SameName(key, kMessageEntry);
        }
    }
    // Without the object's path the file is no cached copy of one.
    if (settings.gpoPath.Empty()) return TemplateSettings();
    settings.gpoGuid = GuidIn(settings.gpoPath);
    return settings;
}
