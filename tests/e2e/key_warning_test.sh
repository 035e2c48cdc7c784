#!/usr/bin/env bash
# The line's keys work the moment the warning about unusable keys is answered, also while
# the system is still taking the box off the screen (Wine without a window manager takes
# 2 s to withdraw a window):
#   1. a program with a line whose only key is Alt+B plays on Alt+B and is closed;
#   2. another program holds F1; a line with the default keys (Enter, P, F1) and Alt+B is
#      started: the warning names F1 and its OK button is pressed;
#   3. a second later, in another Wine window, Alt+B plays; the same with Enter after the
#      warning was closed with Enter.
#   key_warning_test.sh BUILD_DIR
source "$(dirname "$0")/e2e_lib.sh" "$@"

VK_F1=0x70
first=$E2E_WORK/first
second=$E2E_WORK/second
mkdir -p "$first" "$second"
cp "$BUILD_DIR/vlakomluv.exe" "$first/"
cp "$BUILD_DIR/vlakomluv.exe" "$second/"
write_vkm "$first/Jen.vkm" <<'EOF'
[Info]
Name=Jen uživatelská klávesa
Klavesy_prijezd=K
Klavesy_odjezd=J
[Uzivatelske_klavesy]
a=ALT+B;uzivatel.wav;Uživatelské
EOF
write_vkm "$second/Linka.vkm" <<'EOF'
[Info]
Name=Linka
WAV_odjezd=odjezd.wav
WAV_prijezd=prijezd.wav
[Hlaseni]
1=a1.wav
2=a2.wav
[Uzivatelske_klavesy]
a=ALT+B;uzivatel.wav;Uživatelské
EOF
for w in uzivatel; do write_wav "$first/$w.wav"; done
for w in uzivatel odjezd prijezd a1 a2; do write_wav "$second/$w.wav"; done
open_focus_window 300

step "a program whose only key is Alt+B plays on it, and is closed"
start_program "$first"
expect "combo.count=1"
drv select 0
drv click Start
expect "button >=disabled"
focus_x_window "$FOCUS_X"
xdotool key alt+b
expect "lblHlaseniPopis=Uživatelské"
expect_wavs "uzivatel.wav"
drv close
drv gone 20 || fail "the first program did not close"
wait "$PROGRAM_PID" || fail "the first program ended with an error"
E2E_WAVS_SEEN=0

step "another program holds F1; Start warns of it, and the warning's button is pressed"
hold_key_elsewhere 300 $VK_F1
start_program "$second"
expect "combo.count=1"
drv select 0
drv click Start
drv box 10 >"$E2E_WORK/box" || fail "no warning about F1"
grep -qx "text=Některé klávesy nelze použít (používá je jiný program nebo jsou chybně zapsané): F1" \
    "$E2E_WORK/box" || fail "box text: $(cat "$E2E_WORK/box")"
drv close-box  # its OK button, pressed
sleep 1
focus_x_window "$FOCUS_X"
xdotool key alt+b
expect "lblHlaseniPopis=Uživatelské"
expect_wavs "uzivatel.wav"

step "the warning closed with Enter: that Enter plays nothing, the next Enter plays at once"
drv click Start
drv box 10 >/dev/null || fail "no warning about F1 on the second Start"
box_x=$(x_window "Upozorn.*") || fail "no box window"
focus_x_window "$box_x"
xdotool key Return
sleep 1
focus_x_window "$FOCUS_X"
xdotool key Return
expect "lblHlaseni=a2.wav"
expect_wavs "odjezd.wav a1.wav"

drv release-key || fail "the driver held no key"
drv close
drv gone 20 || fail "the window did not close"
wait "$PROGRAM_PID" || fail "the program ended with an error"
e2e_finish
