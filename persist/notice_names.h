// Where the logon notice is stored: the key and the names of its two values.
#pragma once

#include "runtime/text.h"

inline constexpr TextRef PolicyKeyPath =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System"_t;
inline constexpr TextRef CaptionValueName = "legalnoticecaption"_t;
inline constexpr TextRef MessageValueName = "legalnoticetext"_t;
