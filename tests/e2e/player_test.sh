#!/usr/bin/env bash
# The Win32 player under Wine: a sound list of real WAV files in a folder with a
# Czech name, one missing and one broken, plays every file in order, synchronously.
# Which files the process opened, and when, is read from Wine's file trace.
set -uo pipefail
BUILD=${1:?build directory}
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
source "$ROOT/scripts/wine-env.sh"
export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix}

work=$(mktemp -d /tmp/vkm-player.XXXXXX)
cleanup() { vkm_pulse_stop; vkm_wine_stop; [ -n "${KEEP:-}" ] || rm -rf "$work"; }
trap cleanup EXIT
vkm_wine_start
have_sound=0
vkm_pulse_start && have_sound=1

dir="$work/Zvuky Tratě"
mkdir -p "$dir/sub"
sox -n -r 22050 -c 1 -b 16 "$dir/gong.wav" synth 0.6 sine 660
sox -n -r 22050 -c 1 -b 16 "$dir/příjezd.wav" synth 0.4 sine 440
sox -n -r 22050 -c 1 -b 16 "$dir/sub/konec.wav" synth 0.2 sine 330
head -c 300 /dev/urandom >"$dir/broken.wav"

winedir=$(winepath -w "$dir/")
WINEDEBUG=+timestamp,trace+file timeout 120 wine "$BUILD/play_list.exe" "$winedir" \
    "gong.wav,missing.wav,broken.wav,,příjezd.wav,sub\\konec.wav,after-last-comma.wav" \
    >"$work/out.txt" 2>"$work/trace.txt"
status=$?

# "time name found|missing" for every path below the folder that Wine resolved.
python3 "$ROOT/tests/e2e/wine_opened_files.py" "$work/trace.txt" "$dir" >"$work/opened.txt"

expected='gong.wav found
missing.wav missing
broken.wav found
příjezd.wav found
sub\konec.wav found'
actual=$(cut -d' ' -f2- "$work/opened.txt")
passed=0 failed=0
check() {  # name condition...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); echo "ok: $name"; else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
check "player exits normally" test "$status" -eq 0
check "files opened in list order, missing one tried, text after the last comma ignored" \
    test "$actual" = "$expected"
if [ "$actual" != "$expected" ]; then echo "--- opened:"; cat "$work/opened.txt"; fi
if [ $have_sound -eq 1 ]; then
    # Playing is synchronous: the next file is opened only after the previous one has sounded.
    gap=$(awk '$2=="gong.wav"{g=$1} $2=="missing.wav"{m=$1} END{printf "%.2f", m-g}' "$work/opened.txt")
    echo "gong.wav (0.6 s) to the next file: $gap s"
    check "gong.wav plays to its end before the next file" awk -v g="$gap" 'BEGIN{exit !(g >= 0.55)}'
else
    echo "no sound server: synchronous playing not checked"
fi
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
