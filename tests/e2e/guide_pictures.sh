#!/usr/bin/env bash
# The guide's pictures, taken afresh of the real programs under Wine, driven from outside as a
# user drives them (the end-to-end tests' display, prefix and driver):
#   okno.png      the window with the demo line started, an announcement and a user one played
#   seznam.png    the list of announcements (the ▼ button)
#   varovani.png  the warning about a key that another program holds (F1)
#   kontrola.png  vkmcheck.exe on the demo made uneven (demo/make_uneven.sh), in a Wine console
#   oprava.png    vkmcheck.exe --uprav on it: the mended copy and its check
# Each is checked to be there and not blank: more than one colour, and a standard deviation of
# its brightness of at least 0.05 (a window of one colour has 0; these have 0.14 to 0.22).
#   guide_pictures.sh BUILD_DIR OUT_DIR [PROGRAM_DIR]
# BUILD_DIR is the MinGW build with the test driver; PROGRAM_DIR (default BUILD_DIR) holds the
# vlakomluv.exe and vkmcheck.exe pictured (the release build, when the download is made).
E2E_WAIT=60  # the spoken announcements take seconds
source "$(dirname "$0")/e2e_lib.sh" "${1:?usage: guide_pictures.sh BUILD_DIR OUT_DIR [PROGRAM_DIR]}"
out=$(mkdir -p "${2:?usage: guide_pictures.sh BUILD_DIR OUT_DIR [PROGRAM_DIR]}" && cd "$2" && pwd)
programs=$(cd "${3:-$BUILD_DIR}" && pwd)
for tool in import convert identify; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh installs it)"; exit 1; }
done
rm -f "$out"/*.png

# The folder a user unpacks the download into, as the guide names it.
folder=$WINEPREFIX/drive_c/Vlakomluv
mkdir -p "$folder"
cp "$programs/vlakomluv.exe" "$programs/vkmcheck.exe" "$folder/"
bash "$E2E_ROOT/demo/make_demo.sh" "$folder/demo" >/dev/null

# picture X_WINDOW NAME [CONVERT_OPTION...]: the window's client area (no window manager draws a
# frame), without the PNG's dates, so that the same picture makes the same file.
picture() {
    local window=$1 name=$2 stats
    shift 2
    import -window "$window" "png:$E2E_WORK/shot.png"
    convert "$E2E_WORK/shot.png" "$@" -strip "$out/$name"
    stats=$(identify -format '%k %[fx:standard_deviation]' "$out/$name")
    echo "$name: $(identify -format '%wx%h' "$out/$name"), colours and deviation $stats"
    awk -v c="${stats% *}" -v d="${stats#* }" 'BEGIN { exit !(c > 1 && d >= 0.05) }' || fail "$name is blank"
}

step "the warning about a key that another program holds (F1, held before Start)"
hold_key_elsewhere 300 0x70
start_program "$folder"
expect "combo.count=1"
drv select 0
drv click Start
drv box 10 >/dev/null || fail "no warning about F1"
box_x=$(x_window "Upozorn.*") || { fail "no box window"; exit 1; }
sleep 0.5
picture "$box_x" varovani.png
drv close-box
drv release-key >/dev/null || true

step "the window with the demo line started again, now with all its keys"
sleep 1
drv click Start
expect "lblHlaseni=odjezd_praha.wav" "button >=enabled"
open_focus_window 120
xdotool key Return
expect "lblHlaseni=prijezd_cesky_brod.wav"
xdotool key alt+b
expect "lblHlaseniPopis=Bezpečnostní upozornění"
main_x=$(x_window "Vlakomluv pro MSTS")
drv close-focus-window >/dev/null || true
sleep 0.5
picture "$main_x" okno.png

step "the list of announcements"
mouse_click "▼"
list_x=$(x_window "Hlášení linky") || { fail "the list of announcements did not open"; exit 1; }
sleep 0.5
picture "$list_x" seznam.png
focus_x_window "$list_x"
xdotool key Escape
drv close
drv gone 20 || fail "the window did not close"

step "vkmcheck.exe in a console: the demo made uneven, then mended"
bash "$E2E_ROOT/demo/make_uneven.sh" "$folder/nerovna"
# A console of 150 columns and 52 rows (the mended copy's report is 48 lines), its cursor hidden
# so that its blinking does not change the picture.
wine reg add 'HKCU\Console' /v WindowSize /t REG_DWORD /d 0x00340096 /f >/dev/null 2>&1
wine reg add 'HKCU\Console' /v ScreenBufferSize /t REG_DWORD /d 0x01f40096 /f >/dev/null 2>&1
wine reg add 'HKCU\Console' /v CursorVisible /t REG_DWORD /d 0 /f >/dev/null 2>&1
(cd "$folder" && exec wineconsole cmd >/dev/null 2>&1) &
E2E_PIDS+=("$!")
console_x=$(x_window 'C:.windows.system32.cmd.exe') || { fail "no console window"; exit 1; }

# Whether a process of our prefix runs the program.
running() {  # program
    local pid
    for pid in $(pgrep -f "$1" || true); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
    done
    return 1
}
# Types a command into the cleared console and waits until the check it starts has ended.
in_console() {  # command
    focus_x_window "$console_x"
    xdotool type --delay 10 cls
    xdotool key Return
    sleep 0.5
    xdotool type --delay 10 "$1"
    xdotool key Return
    for _ in $(seq 100); do running vkmcheck.exe && break; sleep 0.1; done
    running vkmcheck.exe || echo "(the check ended before it was seen)"
    for _ in $(seq 600); do running vkmcheck.exe || break; sleep 0.1; done
    ! running vkmcheck.exe || fail "$1 did not end"
    sleep 1
}
# The console's text: its scroll bar cut off, the black around the text trimmed to a margin.
width=$(xdotool getwindowgeometry "$console_x" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
text=(-crop "$((width - 22))x2000+0+0" +repage -trim +repage -bordercolor black -border 10)
in_console 'vkmcheck.exe nerovna\Demo.vkm'
picture "$console_x" kontrola.png "${text[@]}"
in_console 'vkmcheck.exe nerovna\Demo.vkm --uprav oprava'
picture "$console_x" oprava.png "${text[@]}"
[ -f "$folder/oprava/Demo.vkm" ] || fail "the mended copy was not made"
e2e_finish
