#!/usr/bin/env bash
# The announcement player against per-file PlaySound, under Wine, heard through a
# private PulseAudio null sink and recorded from its monitor by a low-latency
# reader (without one the null sink plays in 2 s steps and every timing stretches).
#   [VKM_EXE=vlakomluv.exe] bash bench/run_player_bench.sh [WIN_BUILD_DIR]
# Prints figures only: silence between fragments, whether each is bit-exact, call
# and key press to first sample, the end of an announcement of mixed formats, Stop
# to silence, the cues' length and level, Cancel to silence; then of the program itself:
# a click on ">" to first sample, also against a waveOut stream open and written at the
# click, and its window closed while it speaks to silence.
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
parec_pid="" recorder_pid="" anchor_pid=""
cleanup() {
    set +e
    [ -n "$anchor_pid" ] && kill "$anchor_pid" 2>/dev/null
    [ -n "$parec_pid" ] && kill "$parec_pid" 2>/dev/null
    [ -n "$recorder_pid" ] && wait "$recorder_pid" 2>/dev/null
    vkm_pulse_stop
    vkm_wine_stop
    [ -n "${KEEP:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
vkm_wine_start headless
vkm_pulse_start || { echo "PulseAudio did not start"; exit 1; }
# One Wine server for the whole run, started apart from every pipe: a server (and its services)
# that a command in $(...) starts keeps that pipe open, and the shell waits for ever.
wineserver -p </dev/null >/dev/null 2>&1
winepath -w "$work/" </dev/null >"$work/wdir.txt" 2>/dev/null  # through a file: no pipe for the services
wdir=$(tr -d '\r' <"$work/wdir.txt")

python3 bench/player_bench.py make "$work"
# The null sink is named "null"; its monitor gives what it plays. The recorder
# notes when each piece arrives.
mkfifo "$work/pipe"
python3 bench/player_bench.py record "$work/rec.raw" "$work/stamps.txt" <"$work/pipe" &
recorder_pid=$!
parec --device=null.monitor --latency-msec=10 --format=s16le --rate=44100 --channels=2 >"$work/pipe" &
parec_pid=$!
sleep 1
# Output through a file, not a pipe: a Wine server that the command starts keeps a pipe open.
events() {  # [RUN]: the events the last command wrote to $work/out.txt, numbered by run
    tr -d '\r' <"$work/out.txt" | sed "s/\$/${1:+ $1}/" >>"$work/events.txt"
}
wine "$BUILD/player_bench.exe" "$wdir" >"$work/out.txt"
events
# The program itself, three runs, each a new process: the first click on ">" after Start, a second
# click (warm), then a third that plays a long announcement and the window closed (WM_CLOSE) while
# it speaks. Clicks are real mouse clicks; their times are taken just before them. At each click the
# yardstick writes its own waveOut stream, opened ahead: a byte through the FIFO just before it.
mkdir -p "$work/program"
cp "${VKM_EXE:-$BUILD/vlakomluv.exe}" "$work/program/vlakomluv.exe"
cp "$work/r00.wav" "$work/r01.wav" "$work/long.wav" "$work/program/"
printf '[Info]\r\nName=Bench\r\n[Hlaseni]\r\n1=r00.wav\r\n2=r01.wav\r\n3=long.wav\r\n' >"$work/program/Bench.vkm"
mkfifo "$work/click.fifo"
exec 7<>"$work/click.fifo"  # held open for writing: the yardstick's reads wait for a byte
wine "$BUILD/player_bench.exe" "$wdir" anchor "${wdir}click.fifo" </dev/null >"$work/anchor.txt" 2>/dev/null &
anchor_pid=$!
drv() { wine "$BUILD/vkm_driver.exe" "$@" </dev/null >"$work/drv.txt" 2>/dev/null 7>&-; }
click_play() {  # EVENT RUN: the yardstick is written as the click is made
    local t
    t=$(date +%s.%N)
    echo >&7
    xdotool click 1
    echo "$1 $t $2" >>"$work/events.txt"
}
for run in 0 1 2; do
    (cd "$work/program" && exec wine ./vlakomluv.exe </dev/null >/dev/null 2>&1 7>&-) &
    program_pid=$!
    drv wait 60
    drv expect 30 "combo.count=1"
    drv select 0
    drv click Start
    drv expect 10 "button >=enabled"
    drv where ">"
    # shellcheck disable=SC2046
    xdotool mousemove $(tr -d '\r' <"$work/drv.txt")
    sleep 0.5
    click_play first_click $run
    sleep 1
    click_play warm_click $run
    sleep 1
    click_play long_click $run
    sleep 1
    wine "$BUILD/player_bench.exe" close </dev/null >"$work/out.txt" 2>/dev/null
    events $run
    wait "$program_pid" || true
    sleep 0.5
done
exec 7>&-
kill "$anchor_pid" 2>/dev/null
wait "$anchor_pid" 2>/dev/null || true
anchor_pid=""
tr -d '\r' <"$work/anchor.txt" >>"$work/events.txt"
sleep 0.5
kill "$parec_pid"
wait "$parec_pid" 2>/dev/null || true
wait "$recorder_pid"
parec_pid="" recorder_pid=""
python3 bench/player_bench.py report "$work"
