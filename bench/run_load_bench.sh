#!/usr/bin/env bash
# Loading a line (Start) against the number of its announcements: natively for 1,000,
# 10,000 and 100,000 announcements with the growth from the first to the last, and under
# Wine against one GetPrivateProfileSectionA call on the same file.
#
#   bash bench/run_load_bench.sh [NATIVE_BUILD_DIR [WIN_BUILD_DIR [REPS]]]
#
# Defaults: build-native, build-win, 15 repetitions; the programs are built there when
# needed, and the Wine part is skipped without a Windows build. Wine runs in a private
# prefix pinned to one CPU, as in run_scan_bench.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=${1:-$root/build-native}
win=${2:-$root/build-win}
reps=${3:-15}

work=$(mktemp -d /tmp/vkm-load-bench.XXXXXX)
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
build "$native" load_native
have_win=0
if [ -f "$win/CMakeCache.txt" ] && build "$win" load_bench; then have_win=1; fi

echo "== native: loading a line"
"$native/load_native" "$reps"

if [ $have_win -eq 1 ]; then
    echo
    echo "== Wine: loading a line against GetPrivateProfileSectionA on the same file"
    export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    pin=()
    if command -v taskset >/dev/null && [ "$(nproc)" -gt 1 ]; then
        pin=(taskset -c 0)
        echo "(Wine and its server pinned to CPU 0)"
    fi
    wine_started=1
    env -u DISPLAY "${pin[@]}" wine "$win/load_bench.exe" "$reps" 2>"$work/wine.log" || {
        cat "$work/wine.log"
        exit 1
    }
fi
