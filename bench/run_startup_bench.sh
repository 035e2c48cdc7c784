#!/usr/bin/env bash
# Start-up of the program under Wine against a bare Win32 window (bench/win32/bare_window.cpp):
# the time until its window is visible and until its list of lines is ready, in an empty
# folder and at the root of a tree of about 100,000 files in 10,000 folders (a
# simulator's folder); the working set and DLLs of the idle program with a line started;
# the peak working set of a search that meets a 50 MB definition file.
#
#   bash bench/run_startup_bench.sh [WIN_BUILD_DIR [RUNS [NATIVE_BUILD_DIR]]]
#
# Defaults: build-win, 15 runs, build-native (whose scan_native makes the tree). VKM_EXE
# names another vlakomluv.exe to measure (the release one: build-release/vlakomluv.exe);
# the tools always come from WIN_BUILD_DIR. Wine runs in a private prefix on a private
# Xvfb, pinned to one CPU as in run_scan_bench.sh; the programs take turns run after run.
set -euo pipefail
source "$(dirname "$0")/bench_lib.sh" startup
win=$(cd "${1:-$root/build-win}" && pwd)
runs=${2:-15}
native=${3:-$root/build-native}

# This one needs a display (windows are shown): the private prefix runs on its own Xvfb.
export WINEPREFIX=$work/wineprefix
source "$root/scripts/wine-env.sh"
trap 'vkm_wine_stop; bench_cleanup' EXIT

[ -f "$native/CMakeCache.txt" ] || cmake -S "$root" -B "$native" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
bench_build "$native" scan_native
bench_build "$win" startup_bench bare_window
[ -n "${VKM_EXE:-}" ] || bench_build "$win" vlakomluv
exe=$(realpath "${VKM_EXE:-$win/vlakomluv.exe}")

"$native/scan_native" --make-tree "$work/tree"
mkdir -p "$work/empty" "$work/line" "$work/bare" "$work/big"
for dir in tree empty line big; do cp "$exe" "$work/$dir/vlakomluv.exe"; done
cp "$win/bare_window.exe" "$work/bare/bare_window.exe"
{
    printf '[Info]\r\nName=Linka\r\n[Hlaseni]\r\n'
    for i in $(seq 50); do printf '%d=a%d.wav\r\n' "$i" "$i"; done
} >"$work/line/linka.vkm"
python3 - "$work/big/velka.vkm" <<'EOF'
import sys
with open(sys.argv[1], "wb") as f:
    f.write("[Info]\r\nName=Velká linka\r\n[Hlaseni]\r\n".encode("cp1250"))
    lines, size, i = [], 0, 0
    while size < 50 << 20:
        line = b"%d=odjezd_%d.wav,pristi_zastavka_%d.wav\r\n" % (i, i, i)
        lines.append(line)
        size += len(line)
        i += 1
    f.write(b"".join(lines))
EOF
echo "program: $exe ($(stat -c %s "$exe") bytes)"

vkm_wine_start headless
pin=()
if command -v taskset >/dev/null && [ "$(nproc)" -gt 1 ]; then
    pin=(taskset -c 0)
    echo "(Wine and its server pinned to CPU 0)"
fi
winpath() { echo "Z:${1//\//\\}"; }
bench() {  # LABEL ARGS...
    local label=$1
    shift
    echo
    echo "== $label"
    "${pin[@]}" wine "$win/startup_bench.exe" "$@" 2>"$work/wine.log" || { cat "$work/wine.log"; exit 1; }
}
# Wine's first starts in a fresh prefix are slow: a few, unmeasured.
"${pin[@]}" wine "$win/startup_bench.exe" --runs 2 "$(winpath "$work/bare/bare_window.exe")" \
    "$(winpath "$work/empty/vlakomluv.exe")" >/dev/null 2>&1 || true

bench "time to a visible window: bare Win32 window, the program in an empty folder, at the root of the tree" \
    --runs "$runs" "$(winpath "$work/bare/bare_window.exe")" "$(winpath "$work/empty/vlakomluv.exe")" \
    "$(winpath "$work/tree/vlakomluv.exe")"
bench "memory, idle: bare Win32 window; the program with a line started" --runs 1 --memory --start-line \
    "$(winpath "$work/bare/bare_window.exe")" "$(winpath "$work/line/vlakomluv.exe")"
bench "memory: the program beside a 50 MB definition file (the peak is the search's)" --runs 1 --memory \
    "$(winpath "$work/big/vlakomluv.exe")"
