#!/usr/bin/env bash
# The announcement player against per-file PlaySound, under Wine, heard through a
# private PulseAudio null sink and recorded from its monitor by a low-latency
# reader (without one the null sink plays in 2 s steps and every timing stretches).
#   bash bench/run_player_bench.sh [WIN_BUILD_DIR]
# Prints figures only: silence between fragments, whether each is bit-exact, call
# and key press to first sample (also the first press after Start, with the player
# prepared at Start and without), the end of an announcement of mixed formats, Stop
# to silence, and the program's window closed while it speaks to silence.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build-win}" && pwd)
cd "$ROOT"
export LANG=C.UTF-8
unset LC_ALL
if [ ! -f "$BUILD/player_bench.exe" ]; then
    cmake -S . -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
    cmake --build "$BUILD" -j2 --target player_bench vlakomluv vkm_driver >/dev/null
fi
for tool in wine parec pulseaudio python3 sox xdotool; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh installs it)"; exit 1; }
done
source scripts/wine-env.sh
export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix}
work=$(mktemp -d /tmp/vkm-player-bench.XXXXXX)
parec_pid="" recorder_pid=""
cleanup() {
    set +e
    [ -n "$parec_pid" ] && kill "$parec_pid" 2>/dev/null
    [ -n "$recorder_pid" ] && wait "$recorder_pid" 2>/dev/null
    vkm_pulse_stop
    vkm_wine_stop
    [ -n "${KEEP:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
vkm_wine_start headless
vkm_pulse_start || { echo "PulseAudio did not start"; exit 1; }

python3 bench/player_bench.py make "$work"
# The null sink is named "null"; its monitor gives what it plays. The recorder
# notes when each piece arrives.
mkfifo "$work/pipe"
python3 bench/player_bench.py record "$work/rec.raw" "$work/stamps.txt" <"$work/pipe" &
recorder_pid=$!
parec --device=null.monitor --latency-msec=10 --format=s16le --rate=44100 --channels=2 >"$work/pipe" &
parec_pid=$!
sleep 1
wine "$BUILD/player_bench.exe" "$(winepath -w "$work/")" | tr -d '\r' >"$work/events.txt"
# The first press after Start, each in a process that has played nothing yet.
for run in 0 1 2; do
    for mode in prepared cold; do
        wine "$BUILD/player_bench.exe" "$(winepath -w "$work/")" first-press $mode | tr -d '\r' |
            sed "s/\$/ $run/" >>"$work/events.txt"
        sleep 0.3
    done
done
# The program closed while it speaks: WM_CLOSE to silence.
mkdir -p "$work/program"
cp "$BUILD/vlakomluv.exe" "$work/program/"
cp "$work/long.wav" "$work/program/"
printf '[Info]\r\nName=Bench\r\n[Hlaseni]\r\n1=long.wav\r\n' >"$work/program/Bench.vkm"
for run in 0 1 2; do
    (cd "$work/program" && exec wine ./vlakomluv.exe) &
    program_pid=$!
    wine "$BUILD/vkm_driver.exe" wait 60 >/dev/null
    wine "$BUILD/vkm_driver.exe" expect 30 "combo.count=1" >/dev/null
    wine "$BUILD/vkm_driver.exe" select 0
    wine "$BUILD/vkm_driver.exe" click Start
    wine "$BUILD/vkm_driver.exe" expect 10 "button >=enabled" >/dev/null
    # shellcheck disable=SC2046
    xdotool mousemove $(wine "$BUILD/vkm_driver.exe" where ">" | tr -d '\r') click 1
    sleep 1
    wine "$BUILD/player_bench.exe" close | tr -d '\r' | sed "s/\$/ $run/" >>"$work/events.txt"
    wait "$program_pid" || true
    sleep 0.5
done
sleep 0.5
kill "$parec_pid"
wait "$parec_pid" 2>/dev/null || true
wait "$recorder_pid"
parec_pid="" recorder_pid=""
python3 bench/player_bench.py report "$work"
