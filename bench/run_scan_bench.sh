#!/usr/bin/env bash
# Builds a tree of about 100,000 files in 10,000 folders once (in /tmp) and runs
# both catalogue-scan benchmarks on it: the portable scan against `find`, natively,
# and the Windows scan against a plain two-pass FindFirstFileA scan, under Wine.
#
#   bash bench/run_scan_bench.sh [NATIVE_BUILD_DIR [WIN_BUILD_DIR [REPS]]]
#
# The build directories default to build-native and build-win (configured as in
# scripts/test.sh); the two programs are built there when needed. Without a
# Windows build directory only the native figures are given.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=${1:-$root/build-native}
win=${2:-$root/build-win}
reps=${3:-7}

work=$(mktemp -d /tmp/vkm-scan-bench.XXXXXX)
wine_started=0
cleanup() {
    if [ $wine_started -eq 1 ]; then wineserver -k 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

build() {  # DIR TARGET
    cmake --build "$1" --target "$2" -j2 >"$work/build.log" 2>&1 || { cat "$work/build.log"; return 1; }
}
[ -f "$native/CMakeCache.txt" ] || cmake -S "$root" -B "$native" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
build "$native" scan_native
have_win=0
if [ -f "$win/CMakeCache.txt" ] && build "$win" scan_bench; then have_win=1; fi

"$native/scan_native" --make-tree "$work/tree"
echo
echo "== native: portable scan against find"
"$native/scan_native" "$work/tree" "$reps"

if [ $have_win -eq 1 ]; then
    echo
    echo "== Wine: Windows scan against a two-pass FindFirstFileA scan"
    # A private prefix, made by the benchmark itself, so that its wineserver runs on
    # the same CPU as the program: Wine asks its server for every folder, and a
    # wake-up across CPUs makes each request several times slower on some virtual
    # machines. No display is needed.
    export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    pin=()
    if command -v taskset >/dev/null && [ "$(nproc)" -gt 1 ]; then
        pin=(taskset -c 0)
        echo "(Wine and its server pinned to CPU 0)"
    fi
    wine_started=1
    tree_win="Z:${work//\//\\}\\tree"
    env -u DISPLAY "${pin[@]}" wine "$win/scan_bench.exe" "$tree_win" "$reps" 2>"$work/wine.log" || {
        cat "$work/wine.log"
        exit 1
    }
fi
