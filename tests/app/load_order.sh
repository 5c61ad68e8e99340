#!/usr/bin/env bash
# The program's first call, before anything of its own loads a DLL by name (LoadLibrary, COM,
# the common controls' start), is SetDefaultDllDirectories with System32 alone. Wine's relay
# trace of those calls gives their order; the thread and the return address say whose each is.
#   load_order.sh WORLD_DIR EXE
set -u
# shellcheck disable=SC1091
. "$1/env"
exe=$2
trace=$(mktemp)
calls='SetDefaultDllDirectories;LoadLibraryA;LoadLibraryW;LoadLibraryExA;LoadLibraryExW'
calls+=';CoInitialize;CoInitializeEx;OleInitialize;InitCommonControls;InitCommonControlsEx'
calls+=';CoCreateInstance'
debug='HKCU\Software\Wine\Debug'
"$QM_WINE" reg add "$debug" /v RelayInclude /t REG_SZ /d "$calls" /f >/dev/null 2>&1
WINEDEBUG=+relay "$QM_WINE" "$exe" >/dev/null 2>"$trace" </dev/null &
run=$!
# The editor names its fields once its controls are made: start-up is over by then.
for _ in $(seq 300); do
  grep -q 'Call [a-z0-9]*\.CoCreateInstance(' "$trace" && break
  sleep 0.1
done
kill "$run" 2>/dev/null
wait "$run" 2>/dev/null
"$QM_WINE" reg delete "$debug" /v RelayInclude /f >/dev/null 2>&1
python3 - "$exe" "$trace" <<'PY'
import re, struct, sys
image = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", image, 0x3C)[0]
pe32 = struct.unpack_from("<H", image, pe + 24)[0] == 0x10B
base = struct.unpack_from("<I" if pe32 else "<Q", image, pe + 24 + (28 if pe32 else 24))[0]
size = struct.unpack_from("<I", image, pe + 24 + 56)[0]
# The trace's first line is the program's main thread's; a desktop process it starts writes
# to the same trace.
lines = open(sys.argv[2], errors="replace").read().splitlines()
thread = lines[0].split(":")[0] if lines else ""
own = []
for line in lines:
    found = re.search(r"^(\w+):Call [\w.]+?\.(\w+)\((.*)\) ret=([0-9a-fA-F]+)$",
                      line.strip())
    if found and found.group(1) == thread and base <= int(found.group(4), 16) < base + size:
        own.append((found.group(2), found.group(3)))
print("the program's calls:", ", ".join(name for name, _ in own))
if not any(name == "CoCreateInstance" for name, _ in own):
    sys.exit("the trace ends before the editor was up")
if own[0] != ("SetDefaultDllDirectories", "00000800"):
    sys.exit("the first call is %s(%s), not SetDefaultDllDirectories(00000800)" % own[0])
PY
status=$?
[ $status -eq 0 ] || tail -n 20 "$trace" >&2
rm -f "$trace"
exit $status
