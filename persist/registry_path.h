// Registry paths in text form: a root key name, "\", the subkey below it.
#pragma once

#include <windows.h>

#include "runtime/text.h"

// The predefined root key whose name equals the whole text exactly, or null.
HKEY RootKeyFromName(TextRef name);
// Resolves the path: root receives the root key (null for an invalid path or an unknown
// root name) and path becomes the subkey text. An invalid path is left as it was.
void SplitRegistryPath(ByteString& path, HKEY& root);
