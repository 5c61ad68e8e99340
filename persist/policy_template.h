// A security template cached from a Group Policy object, read from its bytes alone. The file
// is not the program's own, so the reader makes no system call and a fuzzer can drive it.
#pragma once

#include <stdint.h>

#include "runtime/text.h"

// The largest template read, in bytes; a larger file is malformed. Windows writes far smaller.
constexpr uint32_t LongestPolicyTemplate = 16 * 1024 * 1024;
// A GUID as text: "{" 8-4-4-4-12 "}".
constexpr uint32_t GuidUnits = 38;

// What one cached template says about the notice; a malformed one has no path, defines nothing.
struct TemplateSettings {
    bool caption = false;  // its [Registry Values] define legalnoticecaption
    bool message = false;  // ... and legalnoticetext
    WideString gpoPath;    // the text after "GPOPath=", without surrounding blanks
    WideString gpoGuid;    // the first "{...}" GUID in gpoPath, braces included; or empty
};

// Parses a template file's bytes: UTF-16 LE after a byte order mark, else the ANSI code page.
// Malformed: longer than LongestPolicyTemplate, UTF-16 of an odd byte count, a zero unit or
// byte anywhere, or no line "GPOPath=" with text after it.
TemplateSettings ParseTemplate(TextRef file);

// Whether the n units are the name, ASCII letters in either case and nothing else folded.
bool SameAsciiName(const wchar_t* units, uint32_t n, const wchar_t* name);
