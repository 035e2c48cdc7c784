#!/usr/bin/env bash
# Announcements play while the window goes on answering: a press moves the line at
# once during a long announcement, quick presses play their announcements one after
# another in order, Stop ends the sound and drops what waits, and presses made while
# a message box is open are not lost. The corrections from the keyboard keep the gong
# right: take back (also while the announcement sounds), skip (also past the last), repeat, and
# the list of announcements after a restart, typed into by number; a key named for two roles keeps
# its first.
#   announcements_test.sh BUILD_DIR
source "$(dirname "$0")/e2e_lib.sh" "$@"

prog=$E2E_WORK/program
mkdir -p "$prog"
cp "$BUILD_DIR/vlakomluv.exe" "$prog/"
write_vkm "$prog/Dlouha.vkm" <<'EOF2'
[Info]
Name=Dlouhá linka
WAV_odjezd=gong.wav
WAV_prijezd=gong.wav
WAV_Konec=konec.wav
[Hlaseni]
1=a1.wav,dlouhe.wav
2=a2.wav
3=a3.wav
4=a4.wav,dlouhe.wav
5=a5.wav
6=a6.wav
7=a7.wav
[Uzivatelske_klavesy]
EOF2
# A user announcement of 10,000 sounds (more than eight minutes).
printf 'd=ALT+D;%sDeset tisíc\n' "$(printf 'a1.wav,%.0s' $(seq 10000) | sed 's/,$/;/')" | write_vkm "$E2E_WORK/user.vkm"
cat "$E2E_WORK/user.vkm" >>"$prog/Dlouha.vkm"
for w in gong konec a1 a2 a3 a4 a5 a6 a7; do write_wav "$prog/$w.wav"; done
sox -R -n -r 22050 -b 16 -c 1 "$prog/dlouhe.wav" synth 3 sine 330 2>/dev/null
# Ten announcements, departures and arrivals told apart by their gongs; Z both takes back and stops.
{
    printf '[Info]\nName=Opravy\nWAV_odjezd=odj.wav\nWAV_prijezd=pri.wav\nWAV_Konec=konec.wav\n'
    printf 'Klavesy_zpet=Z\nKlavesy_vpred=V\nKlavesy_znovu=R\nKlavesy_stop=Z\n[Hlaseni]\n1=o1.wav\n2=o2.wav\n3=o3.wav\n'
    printf '4=o4.wav\n5=o5.wav,dlouhe.wav\n'
    for n in 6 7 8 9 10; do printf '%s=o%s.wav\n' "$n" "$n"; done
} | write_vkm "$prog/Opravy.vkm"
for w in odj pri o1 o2 o3 o4 o5 o6 o7 o8 o9 o10; do write_wav "$prog/$w.wav"; done
write_vkm "$prog/Zmizela.vkm" <<'EOF2'
[Info]
Name=Zmizelá linka
[Hlaseni]
1=a1.wav
EOF2

start_program "$prog"
expect "combo.count=3" "button ■=disabled"
drv select "$(item_index "Dlouhá linka")"
drv click Start
expect "lblHlaseni=a1.wav,dlouhe.wav" "button ■=disabled"
open_focus_window 120
focus_x=$FOCUS_X
take_new_wavs

step "during a long announcement the label moves at once, and three quick presses queue in order"
xdotool key Return
# The window shows the next announcement while the first (3 s) still sounds.
drv expect 2 "lblHlaseni=a2.wav" "button ■=enabled" || fail "the window did not answer during the announcement"
xdotool key Return
drv expect 2 "lblHlaseni=a3.wav" "button ■=enabled" || fail "the second press did not move the line at once"
xdotool key Return
drv expect 2 "lblHlaseni=a4.wav,dlouhe.wav" "button ■=enabled" || fail "the third press did not move the line at once"
expect_wavs "gong.wav a1.wav dlouhe.wav gong.wav a2.wav gong.wav a3.wav"
expect "button ■=disabled"

step "Stop ends the announcement and drops the waiting one"
xdotool key Return
xdotool key Return
expect "lblHlaseni=a6.wav" "button ■=enabled"
mouse_click "■"
expect "button ■=disabled" "lblHlaseni=a6.wav"
sleep 1.5  # the dropped announcement would have started by now
take_new_wavs
[ "$NEW_WAVS" = "gong.wav a4.wav dlouhe.wav" ] || fail "after Stop: played [$NEW_WAVS]"

step "a message box open while keys are pressed: the presses still play"
rm "$prog/Zmizela.vkm"
drv select "$(item_index "Zmizelá linka")"
drv click Start
drv box 10 >"$E2E_WORK/box" || fail "no box for a missing file"
focus_x_window "$focus_x"
xdotool key Return
expect "lblHlaseni=a7.wav"
expect_wavs "gong.wav a6.wav"
drv box 1 >/dev/null || fail "the box closed"
drv close-box

step "corrections: one warning for the key named twice, which keeps its first role"
drv select "$(item_index "Opravy")"
drv click Start
drv box 10 >"$E2E_WORK/box" || fail "no warning for the key named twice"
grep -qx "text=Některé klávesy nelze použít (používá je jiný program nebo jsou chybně zapsané): Z (již použitá dříve)" \
    "$E2E_WORK/box" || fail "the warning: $(cat "$E2E_WORK/box")"
drv close-box
expect "lblHlaseni=o1.wav" "lblKlavesy=Klávesy: Enter, P, F1 · zpět Z · vpřed V · znovu R"
take_new_wavs
focus_x_window "$focus_x"

step "Enter, Enter, take back: the second announcement again, with its own gong"
xdotool key Return Return
expect_wavs "odj.wav o1.wav pri.wav o2.wav"
xdotool key z
expect "lblHlaseni=o2.wav"
xdotool key Return
expect_wavs "pri.wav o2.wav"
step "skip, then the announcement after the skipped one with its gong; repeat twice"
xdotool key v
expect "lblHlaseni=o4.wav"
xdotool key Return
expect_wavs "pri.wav o4.wav"
xdotool key r
sleep 0.5
xdotool key r
expect_wavs "pri.wav o4.wav pri.wav o4.wav"
step "take back while it sounds: it stops at once"
xdotool key Return
expect "button ■=enabled" "lblHlaseni=o6.wav"
sleep 0.5
xdotool key z
drv expect 1 "button ■=disabled" "lblHlaseni=o5.wav,dlouhe.wav" || fail "the announcement taken back still sounds"
expect_wavs "odj.wav o5.wav dlouhe.wav"

step "after a restart, announcement 7 of 10 chosen in the list plays next, with its gong"
drv click Start
drv box 10 >/dev/null || fail "no warning on the second Start"
drv close-box
expect "lblHlaseni=o1.wav"
mouse_click "▼"
list_x=$(x_window "Hlášení linky") || fail "the list of announcements did not open"
focus_x_window "$list_x"
expect "list.count=10" "list.selected=1" "list.next=Další stisk: hlášení 1, odjezd"
step "typing in the list: letters select nothing, a number it lacks leaves the selection and is named"
xdotool type --delay 50 5ab12
expect "list.selected=5" "list.note=Hlášení č. 512 v lince není (má 10 hlášení)."
sleep 1.2  # after a pause a digit starts a new number
xdotool type 7
expect "list.selected=7" "list.note="
xdotool key Return
expect "lblHlaseni=o7.wav"
take_new_wavs
[ -z "$NEW_WAVS" ] || fail "choosing in the list played [$NEW_WAVS]"
focus_x_window "$focus_x"
xdotool key Return
expect_wavs "odj.wav o7.wav"

step "past the last announcement a skip still moves the line, and the list says what the next press plays"
xdotool key v v v
expect "lblHlaseni="
mouse_click "▼"
list_x=$(x_window "Hlášení linky") || fail "the list of announcements did not open"
expect "list.selected=0" "list.next=Další stisk za posledním hlášením: gong odjezdu"
focus_x_window "$list_x"
xdotool key Escape
for _ in $(seq 50); do xdotool search --onlyvisible --name "^Hlášení linky\$" >/dev/null || break; sleep 0.1; done
focus_x_window "$focus_x"
xdotool key Return
expect_wavs "odj.wav"

drv select "$(item_index "Dlouhá linka")"
drv click Start
expect "lblHlaseni=a1.wav,dlouhe.wav"
focus_x_window "$focus_x"
step "an announcement of 10,000 sounds plays at once; Stop ends it, and so does closing the window"
focus_x_window "$focus_x"
xdotool key alt+d
drv expect 5 "lblHlaseniPopis=Deset tisíc" "button ■=enabled" || fail "the long announcement did not start"
mouse_click "■"
drv expect 5 "button ■=disabled" || fail "Stop did not end the long announcement"
focus_x_window "$focus_x"
xdotool key alt+d
drv expect 5 "button ■=enabled" || fail "the long announcement did not start again"
started=$(date +%s.%N)
drv close
drv gone 10 || fail "the window did not close while the long announcement played"
wait "$PROGRAM_PID" || fail "the program ended with an error"
awk -v s="$started" -v e="$(date +%s.%N)" 'BEGIN { printf "closed and ended in %.2f s\n", e - s }'
e2e_finish
