#!/usr/bin/env bash
# Closing the program while its sound server is frozen in the middle of an announcement: gone as
# fast as a bare Wine window closed the same way (without a window manager Wine takes its own 2 s
# to withdraw any window), exit code 0 (no crash in the sound driver's threads), its keys free.
#   close_frozen_sound_test.sh BUILD_DIR
# The margin comes from the program's own bounds: at close the window's thread waits for the
# player 250 ms at most (SoundPlayer::kShutdownDeadlineMs) and for the search for lines 250 ms at
# most (BackgroundTask::kStopDeadlineMs); each end is polled every 5 ms.
source "$(dirname "$0")/e2e_lib.sh" "$@"

MARGIN_MS=$((250 + 250 + 2 * 5))
[ -n "${VKM_PULSE_DIR:-}" ] || { echo "FAIL: no PulseAudio for the program (scripts/setup.sh installs it)"; exit 1; }
PULSE_PID=$(cat "$VKM_PULSE_DIR/pulse/pid")
# A frozen server ignores everything but SIGKILL and SIGCONT: thawed before the clean-up ends it.
trap 'kill -CONT "$PULSE_PID" 2>/dev/null; e2e_cleanup' EXIT
[ -f "$BUILD_DIR/bare_window.exe" ] || { echo "missing $BUILD_DIR/bare_window.exe"; exit 1; }

prog=$E2E_WORK/program
mkdir -p "$prog"
cp "$BUILD_DIR/vlakomluv.exe" "$prog/"
sox -n -r 44100 -c 2 -b 16 "$prog/long.wav" synth 8 sine 440 vol 0.3
printf '[Info]\r\nName=Zavreni\r\n[Hlaseni]\r\n1=long.wav\r\n' >"$prog/Zavreni.vkm"

# Closes the process's window of that title: CLOSE_MS from WM_CLOSE to its end, CLOSE_CODE.
close_and_time() {  # pid title
    local pid=$1 ended=""
    drv close-window "$2" >"$E2E_WORK/closed.txt" &
    local closer=$!
    for _ in $(seq 12000); do  # a minute at most, then killed
        kill -0 "$pid" 2>/dev/null || { ended=$(date +%s.%N); break; }
        sleep 0.005
    done
    [ -n "$ended" ] || kill -KILL "$pid" 2>/dev/null || true
    wait "$closer" || true
    wait "$pid" && CLOSE_CODE=0 || CLOSE_CODE=$?
    CLOSE_MS=$(awk -v c="$(tr -d '\r' <"$E2E_WORK/closed.txt")" -v e="${ended:-$(date +%s.%N)}" \
        'BEGIN { printf "%.0f", 1000 * (e - c) }')
}

step "a bare window, closed"
wine "$BUILD_DIR/bare_window.exe" </dev/null >/dev/null 2>&1 &
bare_pid=$!
E2E_PIDS+=("$bare_pid")
close_and_time "$bare_pid" "Bare window"
bare_ms=$CLOSE_MS bare_code=$CLOSE_CODE
echo "bare window: WM_CLOSE to the process's end $bare_ms ms, exit code $bare_code"

step "the program, its sound server frozen in the middle of an announcement, closed"
parec --device=null.monitor --latency-msec=10 >"$E2E_WORK/rec.raw" 2>/dev/null &  # the sink in real time
E2E_PIDS+=("$!")
(cd "$prog" && exec wine ./vlakomluv.exe </dev/null >/dev/null 2>&1) &
PROGRAM_PID=$!
E2E_PIDS+=("$PROGRAM_PID")
drv wait 60 || { fail "the window did not appear"; exit 1; }
expect "combo.count=1"
drv select 0
drv click Start
expect "lblHlaseni=long.wav" "button >=enabled"
drv hotkey-free 0x0D >/dev/null && fail "Enter is not bound after Start"
drv click ">"
sounding=""
for _ in $(seq 100); do
    [ "$(tr -d '\0' <"$E2E_WORK/rec.raw" | head -c 1 | wc -c)" -eq 1 ] && { sounding=1; break; }
    sleep 0.05
done
[ -n "$sounding" ] || fail "the announcement did not sound"
sleep 0.3
kill -STOP "$PULSE_PID"
sleep 0.3  # longer than the player waits for a buffer back (200 ms) before it counts the device gone
close_and_time "$PROGRAM_PID" "Vlakomluv pro MSTS"
prog_ms=$CLOSE_MS prog_code=$CLOSE_CODE
kill -CONT "$PULSE_PID"
echo "program: WM_CLOSE to the process's end $prog_ms ms, exit code $prog_code (margin $MARGIN_MS ms)"
[ "$prog_code" = 0 ] || fail "the program ended with exit code $prog_code"
[ "$bare_code" = 0 ] || fail "the bare window ended with exit code $bare_code"
[ "$prog_ms" -le $((bare_ms + MARGIN_MS)) ] ||
    fail "the program took $prog_ms ms to end, a bare window $bare_ms ms (margin $MARGIN_MS ms)"
for vk in 0x0D 0x50 0x70; do  # Enter, P, F1: the line's keys
    drv hotkey-free $vk >/dev/null || fail "key $vk is still taken after the program ended"
done
e2e_finish
