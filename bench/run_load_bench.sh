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
source "$(dirname "$0")/bench_lib.sh" load
native=${1:-$root/build-native}
win=${2:-$root/build-win}
reps=${3:-15}

[ -f "$native/CMakeCache.txt" ] || cmake -S "$root" -B "$native" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
bench_build "$native" load_native
have_win=0
if [ -f "$win/CMakeCache.txt" ] && bench_build "$win" load_bench; then have_win=1; fi

echo "== native: loading a line"
"$native/load_native" "$reps"

if [ $have_win -eq 1 ]; then
    echo
    echo "== Wine: loading a line against GetPrivateProfileSectionA on the same file"
    bench_wine "$win/load_bench.exe" "$reps"
fi
