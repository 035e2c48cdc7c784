# Sourced by the end-to-end tests: a private Xvfb display and Wine prefix, the test
# driver, and clean-up of everything started here.
#   [E2E_PROGRAM_LANG=locale] source e2e_lib.sh BUILD_DIR
# The program runs in E2E_PROGRAM_LANG (which sets its ANSI code page); the shell
# and the driver always run in C.UTF-8, so that UTF-8 arguments reach the driver
# intact even where the locale is not installed.
set -euo pipefail
E2E_PROGRAM_LANG=${E2E_PROGRAM_LANG:-C.UTF-8}
export LANG=C.UTF-8 LC_ALL=C.UTF-8

BUILD_DIR=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/vkm-e2e.XXXXXX")
E2E_PIDS=()
E2E_FAILED=0

export WINEPREFIX=$E2E_WORK/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
source "$E2E_ROOT/scripts/wine-env.sh"

e2e_cleanup() {
    set +e  # clean up all of it, and keep the test's exit status
    local pid
    for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${E2E_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
    vkm_wine_stop
    if [ -n "${VKM_PULSE_DIR:-}" ]; then
        # Let our PulseAudio end before its folder goes.
        pid=$(cat "$VKM_PULSE_DIR/pulse/pid" 2>/dev/null)
        if [ -n "$pid" ]; then
            kill "$pid" 2>/dev/null
            for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        fi
        vkm_pulse_stop
    fi
    rm -rf "$E2E_WORK"
}
trap e2e_cleanup EXIT
trap 'echo "FAIL: line $LINENO of ${BASH_SOURCE[0]##*/}: $BASH_COMMAND"' ERR

for tool in Xvfb xdotool sox; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh installs it)"; exit 1; }
done
# Our own display, numbered by Xvfb itself so that tests running side by side
# cannot pick the same one (key presses go to the display's focused window).
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$E2E_WORK/display" >/dev/null 2>&1 &
VKM_XVFB_PID=$!
for _ in $(seq 100); do [ -s "$E2E_WORK/display" ] && break; sleep 0.1; done
[ -s "$E2E_WORK/display" ] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -1 "$E2E_WORK/display")"
vkm_wine_start  # the prefix
# Sounds really play where a private PulseAudio can run; without one the player
# still opens every file and the announcement passes in silence.
if vkm_pulse_start; then echo "sound: PulseAudio null sink"; else echo "sound: none"; fi

DRIVER=$BUILD_DIR/vkm_driver.exe
[ -f "$DRIVER" ] || { echo "missing $DRIVER: build the MinGW build first"; exit 1; }
[ -f "$BUILD_DIR/vlakomluv.exe" ] || { echo "missing $BUILD_DIR/vlakomluv.exe"; exit 1; }

drv() { wine "$DRIVER" "$@"; }

fail() {
    echo "FAIL: $*"
    E2E_FAILED=1
}

step() { echo "-- $*"; }

# expect LINE...: the window shows every line (waits up to E2E_WAIT seconds).
E2E_WAIT=${E2E_WAIT:-15}
expect() { drv expect "$E2E_WAIT" "$@" || fail "state: $*"; }

# A definition file from UTF-8 text, written in code page 1250 with CR LF line ends.
write_vkm() {  # path
    mkdir -p "$(dirname "$1")"
    sed 's/$/\r/' | iconv -f UTF-8 -t CP1250 >"$1"
}

# A short WAV file (a 50 ms tone).
write_wav() {  # path
    mkdir -p "$(dirname "$1")"
    sox -R -n -r 8000 -b 16 -c 1 "$1" synth 0.05 sine 440 2>/dev/null
}

# Starts the program from dir with its file opens and sound device calls traced into
# $E2E_WORK/trace.log.
start_program() {  # dir
    (cd "$1" && LANG=$E2E_PROGRAM_LANG LC_ALL=$E2E_PROGRAM_LANG WINEDEBUG=trace+file,trace+winmm \
        exec wine ./vlakomluv.exe 2>"$E2E_WORK/trace.log" >/dev/null) &
    PROGRAM_PID=$!
    E2E_PIDS+=("$PROGRAM_PID")
    drv wait 60 || { fail "the window did not appear"; exit 1; }
}

# The names of the WAV files the program has played, in order, one a line. The player opens an
# announcement's files and a paused stream of the sound device for it (waveOutPause follows the
# open), often before the press, and starts the stream when it plays (waveOutRestart); a stream
# made ready for a press that does not come is never started.
played_wavs() {
    LC_ALL=C awk '
        match($0, /CreateFileW L"[^"]*\.wav"/) {
            f = substr($0, RSTART + 14, RLENGTH - 15); sub(/.*\\/, "", f); opened = opened f "\n"; next }
        /:trace:winmm:waveOutPause \(/ { files[$NF] = opened; opened = ""; next }
        /:trace:winmm:waveOutRestart \(/ { printf "%s", files[$NF]; files[$NF] = "" }' "$E2E_WORK/trace.log"
}

# Sets NEW_WAVS to the WAV files played since the last call, space separated.
E2E_WAVS_SEEN=0
take_new_wavs() {
    local all
    all=$(played_wavs || true)
    NEW_WAVS=$(echo "$all" | tail -n +$((E2E_WAVS_SEEN + 1)) | { grep -v '^$' || true; } | tr '\n' ' ' |
        sed 's/ $//')
    E2E_WAVS_SEEN=$(echo "$all" | grep -c . || true)
}

# expect_wavs "a.wav b.wav": exactly these files were played since the last check.
expect_wavs() {
    local got
    for _ in $(seq $((E2E_WAIT * 10))); do
        got=$({ played_wavs || true; } | tail -n +$((E2E_WAVS_SEEN + 1)) | grep -c . || true)
        [ "$got" -ge "$(echo "$1" | wc -w)" ] && break
        sleep 0.1
    done
    sleep 0.3  # anything beyond the expected files would show now
    take_new_wavs
    [ "$NEW_WAVS" = "$1" ] || fail "played [$NEW_WAVS], expected [$1]"
}

# The index of a line in the drop-down list.
item_index() {  # name
    drv state | grep '^combo.item=' | sed 's/^combo.item=//' | grep -n -x -F "$1" | head -1 | cut -d: -f1 |
        awk '{ print $1 - 1 }'
}

# X window id of a shown window with exactly this title. A window that Wine has
# created but not yet mapped cannot take the focus, so only mapped ones count.
x_window() {  # title
    local id
    for _ in $(seq 50); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# Gives the keyboard focus to an X window (no window manager: no activation).
focus_x_window() {  # id
    for _ in $(seq 20); do
        timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null && { sleep 0.3; return 0; }
        sleep 0.1
    done
    fail "X window $1 does not take the focus"
}

# Shows a Wine window of our own that logs the keys it gets to $E2E_WORK/keys.log (a
# stand-in for the simulator, which holds the keyboard while hotkeys are pressed) and
# gives it the focus; FOCUS_X is its X window.
open_focus_window() {  # seconds it stays
    drv focus-window "${1:-120}" 'Z:'"$(echo "$E2E_WORK/keys.log" | tr / '\\')" &
    E2E_PIDS+=("$!")
    FOCUS_X=$(x_window "vkm focus") || { fail "no focus window"; exit 1; }
    focus_x_window "$FOCUS_X"
}

# Has the driver, as another program, hold a hotkey for the given seconds, and waits until it does.
hold_key_elsewhere() {  # seconds vk
    drv hold-key "$1" "$2" >"$E2E_WORK/hold" &
    E2E_PIDS+=("$!")
    for _ in $(seq 100); do grep -q held "$E2E_WORK/hold" 2>/dev/null && break; sleep 0.1; done
    grep -q held "$E2E_WORK/hold" || fail "the driver could not hold key $2"
}

# Starts the program in dir, which holds the demo line: it is offered alone and starts.
start_demo_line() {  # dir
    start_program "$1"
    expect "combo.count=1" "combo.item=Ukázková linka Praha - Kolín" "combo.selected=-1"
    drv select 0
    drv click Start
    expect "lblHlaseni=odjezd_praha.wav" "button >=enabled"
    take_new_wavs
}

# Clicks with the mouse in the middle of a button of the main window.
mouse_click() {  # caption
    local point
    point=$(drv where "$1") || { fail "no button $1"; return; }
    # shellcheck disable=SC2086
    xdotool mousemove $point click 1
    sleep 0.3
}

e2e_finish() {
    if [ "$E2E_FAILED" -ne 0 ]; then
        echo "end-to-end test FAILED"
        exit 1
    fi
    echo "end-to-end test passed"
}
