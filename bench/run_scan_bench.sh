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
source "$(dirname "$0")/bench_lib.sh" scan
native=${1:-$root/build-native}
win=${2:-$root/build-win}
reps=${3:-7}

[ -f "$native/CMakeCache.txt" ] || cmake -S "$root" -B "$native" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
bench_build "$native" scan_native
have_win=0
if [ -f "$win/CMakeCache.txt" ] && bench_build "$win" scan_bench; then have_win=1; fi

"$native/scan_native" --make-tree "$work/tree"
echo
echo "== native: portable scan against find"
"$native/scan_native" "$work/tree" "$reps"

if [ $have_win -eq 1 ]; then
    echo
    echo "== Wine: Windows scan against a two-pass FindFirstFileA scan"
    bench_wine "$win/scan_bench.exe" "Z:${work//\//\\}\\tree" "$reps"
fi
