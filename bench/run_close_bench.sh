#!/usr/bin/env bash
# Closing the program while its sound server does not answer: in the middle of an announcement the
# private PulseAudio server is frozen (SIGSTOP) or killed, then the window is closed (WM_CLOSE).
#   [VKM_EXE=vlakomluv.exe] bash bench/run_close_bench.sh [WIN_BUILD_DIR [RUNS]]
# Prints, for each way and run, the time from WM_CLOSE to the window gone and to the process end,
# and the process's exit code; then the same with the sound server answering, for comparison.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build-win}" && pwd)
RUNS=${2:-3}
cd "$ROOT" || exit 1
export LANG=C.UTF-8
unset LC_ALL
if [ ! -f "$BUILD/player_bench.exe" ] || [ ! -f "$BUILD/vkm_driver.exe" ]; then
    cmake --build "$BUILD" -j2 --target player_bench vlakomluv vkm_driver >/dev/null || exit 1
fi
source scripts/wine-env.sh
export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix}
work=$(mktemp -d /tmp/vkm-close-bench.XXXXXX)
program_pid="" pulse_pid=""
cleanup() {
    set +e
    [ -n "$pulse_pid" ] && kill -CONT "$pulse_pid" 2>/dev/null
    [ -n "$program_pid" ] && kill -KILL "$program_pid" 2>/dev/null
    vkm_pulse_stop
    vkm_wine_stop
    rm -rf "$work"
}
trap cleanup EXIT
vkm_wine_start headless
wineserver -p </dev/null >/dev/null 2>&1

mkdir -p "$work/program"
cp "${VKM_EXE:-$BUILD/vlakomluv.exe}" "$work/program/vlakomluv.exe"
sox -n -r 44100 -c 2 -b 16 "$work/program/long.wav" synth 8 sine 440 vol 0.3
printf '[Info]\r\nName=Bench\r\n[Hlaseni]\r\n1=long.wav\r\n' >"$work/program/Bench.vkm"
drv() { wine "$BUILD/vkm_driver.exe" "$@" </dev/null >"$work/drv.txt" 2>/dev/null; }
now() { date +%s.%N; }

one_close() {  # WAY (stop, kill or none) RUN
    local way=$1 run=$2 ended="" code t0 t_gone
    vkm_pulse_start || { echo "PulseAudio did not start"; exit 1; }
    pulse_pid=$(cat "$VKM_PULSE_DIR/pulse/pid")
    # A reader at low latency, so that the null sink plays in real time.
    parec --device=null.monitor --latency-msec=10 >/dev/null 2>&1 &
    local parec_pid=$!
    (cd "$work/program" && exec wine ./vlakomluv.exe </dev/null >/dev/null 2>&1) &
    program_pid=$!
    drv wait 60
    drv expect 30 "combo.count=1"
    drv select 0
    drv click Start
    drv expect 10 "button >=enabled"
    drv click ">"
    sleep 0.7  # the announcement sounds
    case $way in
        stop) kill -STOP "$pulse_pid" ;;
        kill) kill -KILL "$pulse_pid" ;;
    esac
    sleep 0.3
    wine "$BUILD/player_bench.exe" close wait </dev/null >"$work/close.txt" 2>/dev/null &
    local closer=$!
    # The process's end, polled every 5 ms (a minute at most).
    for _ in $(seq 12000); do
        kill -0 "$program_pid" 2>/dev/null || { ended=$(now); break; }
        sleep 0.005
    done
    if [ -z "$ended" ]; then
        kill -KILL "$program_pid" 2>/dev/null
        code="killed after 60 s"
    else
        wait "$program_pid"
        code=$?
    fi
    program_pid=""
    wait "$closer"
    t0=$(awk '$1=="close"{print $2}' "$work/close.txt" | tr -d '\r')
    t_gone=$(awk '$1=="gone"{print $2}' "$work/close.txt" | tr -d '\r')
    awk -v way="$way" -v run="$run" -v t0="$t0" -v g="$t_gone" -v e="$ended" -v code="$code" 'BEGIN {
        printf "%-5s run %d: WM_CLOSE to window gone %s, to process end %s, exit code %s\n", way, run,
            (g == "" ? "-" : sprintf("%.0f ms", 1000 * (g - t0))),
            (e == "" ? "-" : sprintf("%.0f ms", 1000 * (e - t0))), code }'
    [ "$way" = stop ] && kill -CONT "$pulse_pid" 2>/dev/null
    kill "$parec_pid" 2>/dev/null
    wait "$parec_pid" 2>/dev/null
    vkm_pulse_stop
    pulse_pid=""
}

for way in stop kill none; do
    for run in $(seq "$RUNS"); do one_close "$way" "$run"; done
done
