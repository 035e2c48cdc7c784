#!/usr/bin/env bash
# The demo line as the run script makes it: every sound it names is a WAV file,
# the program offers the line, and its first announcement and a user announcement
# play.
#   demo_line_test.sh BUILD_DIR
E2E_WAIT=60  # the spoken announcements take seconds to play
source "$(dirname "$0")/e2e_lib.sh" "$@"
for tool in espeak-ng; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh installs it)"; exit 1; }
done

prog=$E2E_WORK/program
mkdir -p "$prog"
cp "$BUILD_DIR/vlakomluv.exe" "$prog/"
bash "$E2E_ROOT/demo/make_demo.sh" "$prog/demo" >/dev/null

step "every sound the demo line names is a WAV file"
names=$(iconv -f CP1250 -t UTF-8 "$prog/demo/Demo.vkm" | tr -d '\r' | grep -E '^(WAV_|[0-9]+=)' | sed 's/^[^=]*=//' |
    sed 's/^ALT+.;//; s/;.*//' | tr ',' '\n' | grep -v '^$' | sort -u)
[ "$(echo "$names" | wc -l)" -ge 8 ] || fail "too few sounds named: $names"
for name in $names; do
    [ "$(soxi -t "$prog/demo/$name" 2>/dev/null)" = wav ] || fail "$name is not a WAV file"
    dur=$(soxi -D "$prog/demo/$name" 2>/dev/null || echo 0)
    awk -v d="$dur" 'BEGIN { exit !(d > 0.3) }' || fail "$name is too short ($dur s)"
done

step "the program offers the demo line and plays it"
start_demo_line "$prog"
open_focus_window 60
xdotool key Return
expect "lblHlaseni=prijezd_cesky_brod.wav" "button -1=enabled"
expect_wavs "gong.wav odjezd_praha.wav"
xdotool key alt+b
expect "lblHlaseniPopis=Bezpečnostní upozornění"
expect_wavs "bezpecnost.wav"

drv close
drv gone 20 || fail "the window did not close"
e2e_finish
