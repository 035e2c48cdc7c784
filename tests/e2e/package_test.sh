#!/usr/bin/env bash
# The download as a user gets it: dist/vlakomluv-VERSION-win64.zip (made by
# scripts/package.sh) unpacked into a fresh folder; the program there offers the
# demo line and plays it, the line check finds no fault in it, the version
# resource carries the version the zip is named by, and the guide's page holds every
# picture the guide names, each a picture that is not blank.
#   package_test.sh BUILD_DIR
E2E_WAIT=60  # the spoken announcements take seconds
source "$(dirname "$0")/e2e_lib.sh" "$@"

version=$(head -1 "$E2E_ROOT/VERSION")
zip=$E2E_ROOT/dist/vlakomluv-$version-win64.zip
[ -f "$zip" ] || { echo "missing $zip: scripts/package.sh makes it (scripts/test.sh runs it)"; exit 1; }

step "unpacked into a fresh folder"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$E2E_WORK/unpacked"
prog=$E2E_WORK/unpacked/vlakomluv-$version-win64
for f in vlakomluv.exe vkmcheck.exe navod.md navod.html LICENSE.txt demo/Demo.vkm demo/gong.wav demo/odjezd_praha.wav; do
    [ -f "$prog/$f" ] || fail "the zip lacks $f"
done
size=$(stat -c %s "$prog/vlakomluv.exe")
echo "vlakomluv.exe: $size bytes"
[ "$size" -le 524288 ] || fail "vlakomluv.exe is $size bytes, more than 0.5 MB: not the release build"
strings -el "$prog/vlakomluv.exe" | grep -qx "$version.0" || fail "the version resource does not say $version"

step "the guide's page, read by an HTML parser, holds every picture the guide names"
python3 - "$prog/navod.html" "$prog/navod.md" "$E2E_WORK/pictures" <<'PY' || fail "the guide's page"
import base64, html.parser, os, re, sys
page, guide, out = sys.argv[1:]
class Pictures(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.sources = []
    def handle_starttag(self, tag, attrs):
        if tag == "img":
            self.sources.append(dict(attrs).get("src") or "")
parser = Pictures()
parser.feed(open(page, encoding="utf-8").read())
named = re.findall(r"!\[[^\]]*\]\(([^)\s]+)\)", open(guide, encoding="utf-8").read())
print(f"{len(named)} pictures named in the guide, {len(parser.sources)} in the page")
if not named or len(parser.sources) != len(named):
    sys.exit("the page does not hold the guide's pictures")
os.makedirs(out)
for n, source in enumerate(parser.sources, 1):
    if source.startswith("data:"):
        data = base64.b64decode(source.split(",", 1)[1])
    else:
        path = os.path.join(os.path.dirname(page), source)
        if not os.path.isfile(path):
            sys.exit(f"picture {n} ({source}) is not beside the page")
        data = open(path, "rb").read()
    if not data.startswith(b"\x89PNG\r\n\x1a\n"):
        sys.exit(f"picture {n} is no PNG picture")
    open(os.path.join(out, f"{n}.png"), "wb").write(data)
PY
for picture in "$E2E_WORK"/pictures/*.png; do
    stats=$(identify -format '%k %[fx:standard_deviation]' "$picture")
    awk -v c="${stats% *}" -v d="${stats#* }" 'BEGIN { exit !(c > 1 && d >= 0.05) }' ||
        fail "picture ${picture##*/} of the guide's page is blank ($stats)"
done
grep -qF "Klávesy linky a klávesy simulátoru" "$prog/navod.html" || fail "the page is not the guide"

step "the line check finds no fault in the demo line"
status=0
(cd "$prog" && wine ./vkmcheck.exe demo >"$E2E_WORK/check.txt") || status=$?
[ "$status" -eq 0 ] || { fail "vkmcheck on the demo line: exit $status"; cat "$E2E_WORK/check.txt"; }

step "the program offers the demo line and plays it"
start_demo_line "$prog"
open_focus_window 60
xdotool key Return
expect "lblHlaseni=prijezd_cesky_brod.wav"
expect_wavs "gong.wav odjezd_praha.wav"
drv close
drv gone 20 || fail "the window did not close"
e2e_finish
