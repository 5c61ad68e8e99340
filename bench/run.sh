#!/usr/bin/env bash
# Benchmarks Quillmark.exe against the floor program (bench/floor.cpp) under Wine, in a
# throwaway Wine world of its own, with the two programs interleaved round by round. Both are
# built for x86 where the machine executes 32-bit code, else for x64.
# Prints a table and writes it as CSV to <build>/bench/results.csv and bench/results.csv.
#   bench/run.sh
# Knobs (environment): ARCH (x86 or x64; the machine's choice), BUILD_DIR (build-bench, or
# build-bench-x64), ROUNDS (5), LAUNCHES per round and program (8), KEYS per round (200),
# SAVES per round (50), IDLE_ROUNDS (3), IDLE_SECONDS (10).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck disable=SC1091
. "$root/cmake/machine.sh"
if [ -z "${ARCH:-}" ]; then
  if reason=$(x86_not_run_reason); then
    echo "== x64 (x86: $reason)"
    ARCH=x64
  else
    ARCH=x86
  fi
fi
case "$ARCH" in
x86) preset=mingw toolchain=mingw-i686 strip=i686-w64-mingw32-strip suffix= ;;
x64) preset=mingw-x64 toolchain=mingw-x86_64 strip=x86_64-w64-mingw32-strip suffix=-x64 ;;
*) echo "ARCH is x86 or x64" >&2; exit 2 ;;
esac
build=${BUILD_DIR:-$root/build-bench$suffix}
rounds=${ROUNDS:-5}
launches=${LAUNCHES:-8}
keys=${KEYS:-200}
saves=${SAVES:-50}
idle_rounds=${IDLE_ROUNDS:-3}
idle_seconds=${IDLE_SECONDS:-10}

echo "== building for $ARCH"
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset "$preset" -B "$build" -DQUILLMARK_TESTS=OFF --no-warn-unused-cli >/dev/null
fi
cmake --build "$build" --target Quillmark >/dev/null
cmake -S "$root/bench" -B "$build/bench" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain.cmake" -DQM_GENERATED="$build/generated" >/dev/null
cmake --build "$build/bench" >/dev/null

world=$(mktemp -d /tmp/qm-bench.XXXXXX)
raw=$build/bench/raw.txt
: >"$raw"
trap '"$root/cmake/wine-env.sh" stop "$world"' EXIT
echo "== starting the Wine world in $world"
"$root/cmake/wine-env.sh" start "$world" "$ARCH" >/dev/null
# shellcheck disable=SC1091
. "$world/env"

winpath() { local p=$1; echo "Z:${p//\//\\}"; }
quill=$build/Quillmark.exe
floor=$build/bench/floor.exe
driver=$build/bench/driver.exe
save_dir=$world/save
mkdir -p "$save_dir"

# Both programs open on the same stored notice.
key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System'
notice="This computer system is for authorised use only. Activity on it may be monitored and \
recorded, and anyone using it consents to such monitoring. Unauthorised use may lead to \
disciplinary action and to civil and criminal penalties."
store_notice() {
  "$QM_WINE" reg add "$key" /v legalnoticecaption /t REG_SZ /d "Authorised use only" /f >/dev/null 2>&1
  "$QM_WINE" reg add "$key" /v legalnoticetext /t REG_SZ /d "$1" /f >/dev/null 2>&1
}
store_notice "$notice"
# The longest message the editor loads, 16,384 characters: one unbroken run, which the
# message box must break anywhere, and words, which it wraps at the blanks.
long=16384
unbroken=$(python3 -c "print(('abcdefghij' * 2000)[:$long])")
words=$(python3 -c "import sys; print((sys.argv[1] + ' ') * 80)" "$notice" | cut -c1-$long)

# 200 cached Group Policy templates as a domain computer keeps them, each about 11 KB of
# password, rights and registry settings, none of them the notice; the driver moves their
# folder in for every other launch.
python3 - "$WINEPREFIX/drive_c/windows/security/templates/policies.bench" <<'PY'
import os, sys
folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
for n in range(200):
    lines = ['[Unicode]', 'Unicode=yes', '[Version]', 'signature="$CHICAGO$"', 'Revision=1',
             'GPOPath=\\\\corp.example\\sysvol\\corp.example\\Policies\\'
             '{%08X-0000-0000-0000-000000000000}\\Machine' % n,
             '[System Access]', 'MinimumPasswordAge = 1', 'PasswordComplexity = 1',
             '[Registry Values]']
    lines += ['MACHINE\\System\\CurrentControlSet\\Control\\Lsa\\Setting%d=4,%d' % (k, k)
              for k in range(40)]
    lines += ['[Privilege Rights]']
    lines += ['SeRight%dPrivilege = *S-1-5-32-544,*S-1-5-32-545,'
              '*S-1-5-21-1004336348-1177238915-682003330-%d' % (k, k) for k in range(30)]
    text = '\r\n'.join(lines) + '\r\n'
    with open(os.path.join(folder, 'gpt%05d.inf' % n), 'wb') as f:
        f.write(b'\xff\xfe' + text.encode('utf-16-le'))
PY

# The pointer starts in the middle of the screen, over the windows, and wakes them about a
# thousand times a second. Under Wine 8 SetCursorPos from the driver does not move the X
# pointer, and Xvfb puts it back in the middle whenever its last client leaves: so one X
# client parks it and stays for the whole run, and every phase checks where it is.
cat >"$world/xpointer.py" <<'PY'
import ctypes, ctypes.util, signal, sys
x = ctypes.cdll.LoadLibrary(ctypes.util.find_library('X11') or 'libX11.so.6')
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XQueryPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_void_p] * 7
x.XWarpPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int,
                           ctypes.c_int, ctypes.c_uint, ctypes.c_uint, ctypes.c_int, ctypes.c_int]
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
display = x.XOpenDisplay(None)
root = x.XDefaultRootWindow(display)

def where():
    r, c = ctypes.c_ulong(), ctypes.c_ulong()
    v = [ctypes.c_int() for _ in range(5)]
    x.XQueryPointer(display, root, ctypes.byref(r), ctypes.byref(c), *map(ctypes.byref, v))
    return v[0].value, v[1].value

if sys.argv[1] == 'park':
    x.XWarpPointer(display, 0, root, 0, 0, 0, 0, 0, 0)
    x.XSync(display, 0)
    print('pointer parked at %d %d' % where(), flush=True)
    while True:
        signal.pause()
else:
    at = where()
    if at != (0, 0):
        print(f'fail pointer at {at[0]} {at[1]}, not in the corner')
PY
xpointer() { python3 "$world/xpointer.py" "$@"; }
python3 "$world/xpointer.py" park &
parker=$!
trap 'kill "$parker" 2>/dev/null; "$root/cmake/wine-env.sh" stop "$world"' EXIT
sleep 0.5
# Wine ends the desktop soon after its last program, and a new one takes seconds.
"$QM_WINE" "$driver" keep 3600 >/dev/null 2>&1 &
drive() {
  local round=$1
  shift
  xpointer check | sed "s/^/$round /" >>"$raw"
  "$QM_WINE" "$driver" "$@" 2>/dev/null | sed "s/^/$round /" >>"$raw" || true
}
# The first GUI programs of a fresh world pay for setting it up: not counted.
drive warmup start 1 "$(winpath "$quill")" "$(winpath "$floor")"

# CPU of the program's threads and of this world's wineserver over the idle window.
proc_sample() {
  python3 - "$@" <<'PY'
import os, sys, time
label, seconds, prefix, exe = sys.argv[1], float(sys.argv[2]), sys.argv[3], sys.argv[4]
tick = os.sysconf('SC_CLK_TCK')

def ours(pid):
    try:
        env = open(f'/proc/{pid}/environ', 'rb').read().split(b'\0')
        cmd = open(f'/proc/{pid}/cmdline', 'rb').read().split(b'\0')
    except OSError:
        return None
    return cmd if b'WINEPREFIX=' + prefix.encode() in env else None

def find():
    program = server = None
    for pid in filter(str.isdigit, os.listdir('/proc')):
        cmd = ours(pid)
        if not cmd:
            continue
        if cmd[0].endswith((b'wineserver', b'wineserver32', b'wineserver64')):
            server = pid
        elif exe and cmd[0].lower().endswith(exe.lower().encode()):
            program = pid
    return program, server

def cpu(pid):
    # utime + stime of every thread, in milliseconds; voluntary switches as wake-ups
    ms = switches = 0
    if pid is None:
        return 0.0, 0
    for tid in os.listdir(f'/proc/{pid}/task'):
        try:
            fields = open(f'/proc/{pid}/task/{tid}/stat').read().rsplit(')', 1)[1].split()
            ms += (int(fields[11]) + int(fields[12])) * 1000 / tick
            for line in open(f'/proc/{pid}/task/{tid}/status'):
                if line.startswith('voluntary_ctxt_switches'):
                    switches += int(line.split()[1])
        except OSError:
            pass
    return ms, switches

program, server = find()
if exe and program is None:
    print(f'fail idle {label} process not found')
    sys.exit()
p0, s0 = cpu(program), cpu(server)
time.sleep(seconds)
p1, s1 = cpu(program), cpu(server)
scale = 10.0 / seconds  # per 10 seconds
if exe:
    print(f'idle_cpu {label} {(p1[0] - p0[0]) * scale:.1f}')
    print(f'idle_wakeups {label} {(p1[1] - p0[1]) / seconds:.1f}')
print(f'idle_server {label} {(s1[0] - s0[0]) * scale:.1f}')
PY
}

idle_one() {
  local round=$1 exe=$2 label
  label=$(basename "$exe" .exe)
  local out=$world/hold.txt
  : >"$out"
  "$QM_WINE" "$driver" hold $((idle_seconds + 3)) "$(winpath "$exe")" >"$out" 2>/dev/null &
  local holder=$!
  xpointer check | sed "s/^/$round /" >>"$raw"
  for _ in $(seq 600); do grep -q '^ready' "$out" && break; sleep 0.05; done
  sleep 1 # let the start-up paint settle
  proc_sample "$label" "$idle_seconds" "$WINEPREFIX" "$(basename "$exe")" | sed "s/^/$round /" >>"$raw"
  wait "$holder" || true
  grep '^fail' "$out" | sed "s/^/$round /" >>"$raw" || true
}

echo "== wineserver alone for ${idle_seconds}s"
proc_sample none "$idle_seconds" "$WINEPREFIX" "" | sed "s/^/baseline /" >>"$raw"

for round in $(seq "$rounds"); do
  echo "== round $round of $rounds"
  store_notice "$unbroken"
  drive "$round" load start_unbroken "$long" "$launches" "$(winpath "$quill")" "$(winpath "$floor")"
  store_notice "$words"
  drive "$round" load start_words "$long" "$launches" "$(winpath "$quill")" "$(winpath "$floor")"
  # Every round's start and the rest begin from the same short notice.
  store_notice "$notice"
  drive "$round" start "$launches" "$(winpath "$quill")" "$(winpath "$floor")"
  # A domain computer's cached Group Policy templates against none, launch by launch.
  drive "$round" templates "$launches" "$(winpath "$quill")"
  # Side by side, sample by sample: a change in the machine's load falls on both alike.
  drive "$round" keys "$keys" "$(winpath "$quill")" "$(winpath "$floor")"
  # The floor's Save does nothing: its click is what pressing a button costs by itself.
  drive "$round" save "$saves" "$(winpath "$save_dir")" "$(winpath "$quill")" "$(winpath "$floor")"
  if [ "$round" -le "$idle_rounds" ]; then
    idle_one "$round" "$quill"
    idle_one "$round" "$floor"
  fi
done

strip_size() {
  "$strip" -o "$world/stripped.exe" "$1"
  stat -c %s "$world/stripped.exe"
}
echo "- size Quillmark $(strip_size "$quill")" >>"$raw"
echo "- size floor $(strip_size "$floor")" >>"$raw"

status=0
python3 - "$raw" "$build/bench/results.csv" "$ARCH" <<'PY' || status=$?
import collections, statistics, sys
raw, csv_path, arch = sys.argv[1], sys.argv[2], sys.argv[3]
samples = collections.defaultdict(list)  # (measure, program, round) -> values
failures, notes = [], []
for line in open(raw):
    parts = line.split()
    if len(parts) >= 2 and parts[1] == 'fail':
        failures.append(' '.join(parts[1:]))
    elif len(parts) >= 2 and parts[1] == 'note':
        notes.append(' '.join(parts[2:]))
    elif len(parts) == 4 and parts[0] != 'warmup':
        try:
            samples[(parts[1], parts[2], parts[0])].append(float(parts[3]))
        except ValueError:
            pass

def rounds(measure, program):
    # one median per round: launches, keystrokes and saves are many per round
    if measure == 'save' and program == 'floor':
        measure = 'click'
    # Quillmark against itself: with the templates in the first column, without in the second.
    if measure.endswith('_templates'):
        program = 'with' if program == 'Quillmark' else 'without'
    keys = sorted(k for k in samples if k[0] == measure and k[1] == program)
    return [statistics.median(samples[k]) for k in keys]

rows = [
    # measure, unit, label, target kind, target
    ('start', 'ms', 'start to ready', 'ratio', 1.1),
    ('start_unbroken', 'ms', 'start to ready, 16,384 characters without blanks', 'ratio', 1.1),
    ('start_words', 'ms', 'start to ready, 16,384 characters in words', 'ratio', 1.1),
    ('start_templates', 'ms', 'start to ready, 200 cached templates (floor: none)', 'ratio', 1.2),
    ('idle_templates', 'ms', 'start to idle, 200 cached templates (floor: none)', None, None),
    ('idle_cpu', 'ms CPU/10 s', 'idle CPU, program threads', None, None),
    ('idle_wakeups', '1/s', 'idle voluntary context switches', None, None),
    ('idle_server', 'ms CPU/10 s', 'idle CPU, wineserver', None, None),
    ('size', 'bytes', 'stripped executable', 'max', 65536),
    ('keystroke', 'ms', 'keystroke (type/backspace at 2047)', 'ratio', 1.10),
    ('replace', 'ms', 'whole message replaced (2047/2046)', None, None),
    ('roundtrip', 'ms', 'WM_NULL round trip (send latency)', 'ratio', 1.2),
    ('save', 'ms', 'save (BM_CLICK until return; floor: click alone)', 'max', 5.0),
]

def fmt(x):
    if x is None:
        return '-'
    return f'{x:.0f}' if abs(x) >= 1000 else f'{x:.3g}' if abs(x) < 10 else f'{x:.1f}'

table, csv = [], ['architecture,measure,unit,quillmark_median,quillmark_min,quillmark_max,'
                  'floor_median,floor_min,floor_max,ratio,target,verdict']
for measure, unit, label, kind, target in rows:
    q, f = rounds(measure, 'Quillmark'), rounds(measure, 'floor')
    if not q and not f:
        continue
    qm = statistics.median(q) if q else None
    fm = statistics.median(f) if f else None
    ratio = qm / fm if qm is not None and fm and measure != 'save' else None
    verdict, target_text = '', ''
    if kind == 'ratio':
        target_text = f'<= {target}x floor'
        verdict = 'ok' if ratio is not None and ratio <= target else 'MISSED'
    elif kind == 'max':
        target_text = f'<= {target:g} {unit}'
        verdict = 'ok' if qm is not None and qm <= target else 'MISSED'
    spread = lambda v: f'{fmt(min(v))}-{fmt(max(v))}' if v else '-'
    table.append((f'{label} [{unit}]', fmt(qm), spread(q), fmt(fm), spread(f),
                  f'{ratio:.2f}' if ratio is not None else '-', target_text, verdict))
    csv.append(','.join(str(x) for x in (
        arch, measure, unit, qm, min(q) if q else '', max(q) if q else '', fm if fm is not None else '',
        min(f) if f else '', max(f) if f else '', f'{ratio:.3f}' if ratio else '',
        target_text, verdict)))
base = [v for k, vs in samples.items() if k[0] == 'idle_server' and k[1] == 'none' for v in vs]

header = ('measure', f'Quillmark {arch}', 'spread', f'floor {arch}', 'spread', 'Q/floor', 'target',
          '')
widths = [max(len(r[i]) for r in table + [header]) for i in range(len(header))]
line = lambda r: '  '.join(c.ljust(w) for c, w in zip(r, widths)).rstrip()
print()
print(line(header))
for r in table:
    print(line(r))
print('(median of per-round medians; spread = min-max of the per-round medians)')
if base:
    print(f'wineserver with no program running: {fmt(statistics.median(base))} ms CPU/10 s')
for n in sorted(set(notes)):
    print('note:', n)
print(f'checks failed: {len(failures)}')
for f in failures[:20]:
    print('  ', f)
open(csv_path, 'w').write('\n'.join(csv) + '\n')
sys.exit(1 if failures else 0)
PY
cp "$build/bench/results.csv" "$root/bench/results.csv"
echo "results: $build/bench/results.csv (copied to bench/results.csv), samples: $raw"
exit $status
