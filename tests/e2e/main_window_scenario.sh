# The program driven as a user would, from start to close. Sourced by the
# *_test.sh scripts, which choose the locale; needs e2e_lib.sh first.

prog=$E2E_WORK/program
mkdir -p "$prog"
cp "$BUILD_DIR/vlakomluv.exe" "$prog/"

write_vkm "$prog/Alfa.vkm" <<'EOF'
[Info]
Name=Trať Žďár - Líšeň
WAV_odjezd=odjezd.wav
WAV_prijezd=prijezd.wav,gong.wav
WAV_Konec=konec.wav
[Hlaseni]
1=a1.wav
2=a2.wav,a3.wav
3=a4.wav
4=a5.wav
[Uzivatelske_klavesy]
a=ALT+B;uzivatel.wav;Uživatelské oznámení č. 1
EOF
for w in odjezd prijezd gong konec a1 a2 a3 a4 a5 uzivatel; do write_wav "$prog/$w.wav"; done
write_vkm "$prog/Gama.vkm" <<'EOF'
[Info]
Name=Linka Gama
[Hlaseni]
1=a1.wav
EOF
write_vkm "$prog/linky/Beta.vkm" <<'EOF'
[Info]
Name=Linka Beta
Klavesy_prijezd=K
Klavesy_odjezd=J
[Hlaseni]
1=b1.wav
EOF
write_wav "$prog/linky/b1.wav"
write_vkm "$prog/linky/bez_jmena.vkm" <<'EOF'
[Info]
WAV_odjezd=odjezd.wav
[Hlaseni]
1=a1.wav
EOF

VK_RETURN=0x0D VK_P=0x50 VK_F1=0x70 VK_B=0x42 VK_J=0x4A VK_K=0x4B VK_Q=0x51 MOD_ALT=1

# key_in_window KEY FOCUS [STATE...]: a key pressed in the main window leaves the
# focus on FOCUS (Start or the list: never a speed button), plays nothing and opens
# no box; the window then shows every STATE line.
key_in_window() {
    local key=$1 focus=$2
    shift 2
    xdotool key "$key"
    expect "focus=$focus" "active=yes" "$@"
    drv box 0.3 >/dev/null && fail "$key in the window opened a box"
    take_new_wavs
    [ -z "$NEW_WAVS" ] || fail "$key in the window played $NEW_WAVS"
}

# close_box_with KEY: the program's message box closes when KEY is pressed in it.
close_box_with() {
    local box_x
    box_x=$(x_window "Upozorn.*") || {
        fail "no box window to press $1 in"
        drv close-box >/dev/null || true
        return 0
    }
    focus_x_window "$box_x"
    xdotool key "$1"
    sleep 0.5
    if drv box 1 >/dev/null; then
        fail "$1 did not close the box"
        drv close-box >/dev/null || true
    fi
}

files_before=$(cd "$prog" && find . -type f -printf '%p %s %T@\n' | sort)

step "start: the lines found in the folder and below it, nothing selected, no keys bound"
start_program "$prog"
expect "window=Vlakomluv pro MSTS" "group= &Výběr linky " "group= &Simulace a testy " \
    "combo.count=3" "combo.item=Trať Žďár - Líšeň" "combo.item=Linka Gama" "combo.item=Linka Beta" \
    "combo.selected=-1" "lblHlaseni=''" "lblHlaseniPopis=''" \
    "button Start=enabled" "default=Start" "button -1=disabled" "button >=disabled" "button +1=disabled" \
    "button Start.tabstop=yes" "combo.tabstop=yes" "button -1.tabstop=no" "button >.tabstop=no" \
    "button +1.tabstop=no" "button ....tabstop=no"
drv hotkey-free $VK_RETURN >/dev/null || fail "Enter is bound before any line was started"
alfa=$(item_index "Trať Žďár - Líšeň")
beta=$(item_index "Linka Beta")
gama=$(item_index "Linka Gama")

step "keyboard in the window: Tab and Shift+Tab between Start and the list, arrows stay, mnemonics"
main_x=$(x_window "Vlakomluv pro MSTS")
focus_x_window "$main_x"
expect "active=yes" "focus=button Start"
key_in_window Tab combo
key_in_window shift+Tab "button Start"
for arrow in Right Down Left Up; do key_in_window "$arrow" "button Start"; done
key_in_window shift+Tab combo
key_in_window Tab "button Start"
key_in_window alt+v combo
key_in_window alt+s "button Start"
key_in_window alt+v combo "combo.selected=-1"

step "Enter presses Start, Space on Start too: the warning, which Enter and Space close"
xdotool key Return
drv box 10 >"$E2E_WORK/box" || fail "Enter showed no box"
grep -qx "caption=Upozornění" "$E2E_WORK/box" || fail "box caption: $(cat "$E2E_WORK/box")"
grep -qx "text=Není vybrána žádná zvuková mapa" "$E2E_WORK/box" || fail "box text: $(cat "$E2E_WORK/box")"
grep -qx "owner=main" "$E2E_WORK/box" || fail "the box is not owned by the main window"
close_box_with Return
focus_x_window "$main_x"
key_in_window alt+s "button Start"
xdotool key space
drv box 10 >"$E2E_WORK/box" || fail "Space on Start showed no box"
close_box_with space
expect "combo.selected=-1"

step "Start clicked without a selection"
drv click Start
drv box 10 >"$E2E_WORK/box" || fail "Start showed no box"
grep -qx "text=Není vybrána žádná zvuková mapa" "$E2E_WORK/box" || fail "box text: $(cat "$E2E_WORK/box")"
drv close-box

step "a key another program holds: the warning names it, Enter closes it and plays nothing"
hold_key_elsewhere 120 $VK_F1
drv select "$alfa"
drv click Start
drv box 10 >"$E2E_WORK/box" || fail "no warning about F1"
grep -qx "text=Některé klávesy nelze použít (používá je jiný program nebo jsou chybně zapsané): F1" \
    "$E2E_WORK/box" || fail "box text: $(cat "$E2E_WORK/box")"
close_box_with Return
expect "lblHlaseni=a1.wav" "button -1=disabled"
take_new_wavs
[ -z "$NEW_WAVS" ] || fail "Enter on the warning played $NEW_WAVS"
drv hotkey-free $VK_RETURN >/dev/null && fail "Enter is not bound after the warning"
focus_x_window "$main_x"  # a Wine window: Enter is the line's key now, wherever it is pressed
xdotool key Return
expect "lblHlaseni=a2.wav,a3.wav"
expect_wavs "odjezd.wav a1.wav"
drv release-key || fail "the driver held no key"
for _ in $(seq 50); do drv hotkey-free $VK_F1 >/dev/null && break; sleep 0.1; done

step "a line started: first announcement shown, its keys bound"
drv select "$alfa"
drv click Start
expect "combo.selected=$alfa" "lblHlaseni=a1.wav" "button >=enabled" "button +1=enabled" "button -1=disabled"
for key in "$VK_RETURN" "$VK_P" "$VK_F1" "$VK_B $MOD_ALT"; do
    # shellcheck disable=SC2086
    drv hotkey-free $key >/dev/null && fail "key $key is not bound after Start"
done
drv hotkey-free $VK_Q >/dev/null || fail "Q is bound, though the line does not name it"
take_new_wavs
[ -z "$NEW_WAVS" ] || fail "sounds played before any announcement: $NEW_WAVS"

step "hotkeys pressed while another window has the focus"
open_focus_window 120
focus_x=$FOCUS_X
xdotool key Return
expect "lblHlaseni=a2.wav,a3.wav" "button -1=enabled" "button >=enabled" "button +1=enabled"
expect_wavs "odjezd.wav a1.wav"
xdotool key p
expect "lblHlaseni=a4.wav"
expect_wavs "prijezd.wav gong.wav a2.wav a3.wav"
xdotool key F1
expect "lblHlaseni=a5.wav"
expect_wavs "odjezd.wav a4.wav"
xdotool key Return
expect "lblHlaseni=" "button -1=disabled" "button >=disabled" "button +1=disabled"
expect_wavs "prijezd.wav gong.wav a5.wav konec.wav"
xdotool key x
xdotool key alt+b
expect "lblHlaseniPopis=Uživatelské oznámení č. 1" "lblHlaseni="
expect_wavs "uzivatel.wav"
sleep 0.5
keys=$(tr -d '\r' <"$E2E_WORK/keys.log" | tr '\n' ' ')
case " $keys" in
    *" key 88 "*) ;;
    *) fail "the focus window did not get the unbound X key: [$keys]" ;;
esac
for vk in 13 80 112 66; do
    case " $keys" in *" key $vk "*) fail "the bound key $vk reached the focused window: [$keys]" ;; esac
done

step "Start again restarts the line and keeps the user announcement's description"
drv click Start
expect "lblHlaseni=a1.wav" "lblHlaseniPopis=Uživatelské oznámení č. 1" "button -1=disabled" "button >=enabled"

step "a key held down (the X server repeats it) plays one announcement"
focus_x_window "$focus_x"
xdotool keydown Return sleep 1.5 keyup Return
expect "lblHlaseni=a2.wav,a3.wav" "button -1=enabled"
expect_wavs "odjezd.wav a1.wav"
drv click Start
expect "lblHlaseni=a1.wav" "button -1=disabled"

step "step buttons with the mouse keep the focus where it was"
focus_x_window "$main_x"
xdotool key alt+v
expect "focus=combo"
mouse_click "+1"
expect "lblHlaseni=a2.wav,a3.wav" "button -1=enabled" "focus=combo"
mouse_click "-1"
expect "lblHlaseni=a1.wav" "button -1=disabled" "focus=combo"
mouse_click ">"
expect "lblHlaseni=a2.wav,a3.wav" "focus=combo"
expect_wavs "odjezd.wav a1.wav"
step "Enter in the window, once bound, plays the next announcement"
xdotool key Return
expect "lblHlaseni=a4.wav" "focus=combo"
expect_wavs "prijezd.wav gong.wav a2.wav a3.wav"
drv box 1 >/dev/null && fail "Enter opened a box instead of announcing"

step "a definition file that has gone: message, the keys bound before stay"
rm "$prog/Gama.vkm"
drv select "$gama"
drv click Start
drv box 10 >"$E2E_WORK/box" || fail "no box for a missing file"
grep -qx "text=Nelze najít definiční soubor vlakového rozhlasu" "$E2E_WORK/box" ||
    fail "box text: $(cat "$E2E_WORK/box")"
grep -qx "caption=Upozornění" "$E2E_WORK/box" || fail "box caption: $(cat "$E2E_WORK/box")"
drv close-box
expect "lblHlaseni=a4.wav"
drv hotkey-free $VK_RETURN >/dev/null && fail "Enter was released by a failed load"

step "another line: the first line's keys released, the new ones bound"
drv select "$beta"
drv click Start
expect "combo.selected=$beta" "lblHlaseni=b1.wav" "lblHlaseniPopis=Uživatelské oznámení č. 1"
for key in "$VK_RETURN" "$VK_P" "$VK_F1" "$VK_B $MOD_ALT"; do
    # shellcheck disable=SC2086
    drv hotkey-free $key >/dev/null || fail "key $key is still bound after starting another line"
done
drv hotkey-free $VK_K >/dev/null && fail "K is not bound"
drv hotkey-free $VK_J >/dev/null && fail "J is not bound"

step "keyboard in the window with a line started: Tab reaches the list of announcements' button, never the step buttons, and plays nothing"
expect "button >=enabled" "button +1=enabled"
focus_x_window "$main_x"
key_in_window alt+s "button Start"
for arrow in Right Down Left Up; do key_in_window "$arrow" "button Start"; done
key_in_window Tab combo
key_in_window Tab "button ▼"
key_in_window Tab "button Start"
key_in_window shift+Tab "button ▼"
key_in_window shift+Tab combo
# On the list the arrows choose another line (and nothing more), as in any dialog.
if [ "$beta" -gt 0 ]; then
    other=$((beta - 1)) away="Up Left" back="Down Right"
else
    other=$((beta + 1)) away="Down Right" back="Up Left"
fi
for i in 1 2; do
    key_in_window "$(echo "$away" | cut -d' ' -f$i)" combo "combo.selected=$other"
    key_in_window "$(echo "$back" | cut -d' ' -f$i)" combo "combo.selected=$beta"
done
key_in_window space combo "lblHlaseni=b1.wav"
key_in_window Return combo "combo.selected=$beta" "lblHlaseni=b1.wav"
key_in_window alt+s "button Start"
key_in_window space "button Start" "lblHlaseni=b1.wav" "button >=enabled"
key_in_window Return "button Start" "lblHlaseni=b1.wav" "button >=enabled"
key_in_window alt+v combo

focus_x_window "$focus_x"
xdotool key k
expect "lblHlaseni=" "button >=disabled"
expect_wavs "b1.wav"

step "closing the window releases the keys and ends the program"
drv close
drv gone 20 || fail "the window did not close"
status=0
wait "$PROGRAM_PID" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with $status"
drv hotkey-free $VK_K >/dev/null || fail "K is still bound after the program ended"
drv hotkey-free $VK_J >/dev/null || fail "J is still bound after the program ended"
drv close-focus-window >/dev/null || true
files_after=$(cd "$prog" && find . -type f -printf '%p %s %T@\n' | sort)
[ "$files_after" = "$(echo "$files_before" | grep -v '^./Gama.vkm ')" ] || fail "the program changed its folder"
