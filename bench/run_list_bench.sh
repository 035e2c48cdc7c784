#!/usr/bin/env bash
# Opening the list of a line's announcements (the jump after a restart), under Wine on a
# private Xvfb display, for lines of 1,000, 10,000 and 100,000 announcements.
#
#   bash bench/run_list_bench.sh [WIN_BUILD_DIR [REPS]]
set -euo pipefail
source "$(dirname "$0")/bench_lib.sh" list
win=${1:-$root/build-win}
reps=${2:-15}
bench_build "$win" list_bench
export WINEPREFIX="$work/wineprefix"
source "$root/scripts/wine-env.sh"
vkm_wine_start headless
wine_started=1
trap 'vkm_wine_stop; bench_cleanup' EXIT
echo "== Wine: the list of announcements, from opening to its rows drawn"
wine "$win/list_bench.exe" "$reps" 2>"$work/wine.log" || { cat "$work/wine.log"; exit 1; }
