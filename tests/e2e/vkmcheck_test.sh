#!/usr/bin/env bash
# The line check under Wine, as an author runs it: the demo line has no fault (exit
# 0) and no note on its sounds, and renders to a folder with a Czech name; the demo
# made uneven is mended into a copy that has only the clipped sound's note, plays whole
# and stays as it is when mended again, the source untouched and never written onto, also
# through a relative path, a symbolic link, a hard link or a linked folder; a
# line with one of each fault names every one (exit 1); a file that is not there cannot
# be read (exit 2). Its Czech report reaches a pipe as UTF-8.
#   vkmcheck_test.sh BUILD_DIR
source "$(dirname "$0")/e2e_lib.sh" "$@"
[ -f "$BUILD_DIR/vkmcheck.exe" ] || { echo "missing $BUILD_DIR/vkmcheck.exe"; exit 1; }
check() { (cd "$E2E_WORK" && wine "$BUILD_DIR/vkmcheck.exe" "$@"); }

step "the demo line has no fault"
bash "$E2E_ROOT/demo/make_demo.sh" "$E2E_WORK/demo" >/dev/null
status=0
check demo >"$E2E_WORK/demo.txt" || status=$?
[ "$status" -eq 0 ] || fail "the demo line: exit $status"
for line in "  Linka: Ukázková linka Praha - Kolín" "  Kódování: Windows-1250" "  Hlášení: 4" "  Chyby: žádné"; do
    grep -qxF "$line" "$E2E_WORK/demo.txt" || fail "the demo report lacks [$line]"
done
grep -qE '^    1\. odjezd   [0-9]+,[0-9] s' "$E2E_WORK/demo.txt" || fail "no length of the first announcement"
grep -qxF "  Poznámky ke zvukům: žádné" "$E2E_WORK/demo.txt" || fail "the demo line's sounds have notes"
# P by the key's place in the system's layout (MapVirtualKeyExW): the pantograph of the simulator.
grep -qE '^  Klávesy, které potřebuje i simulátor, .* v rozložení klávesnice .+ \(4\):$' "$E2E_WORK/demo.txt" &&
    grep -qxF "    - P (hlášení): pantograf 1, Control Cylinder Compound" "$E2E_WORK/demo.txt" ||
    fail "the simulator's keys: $(cat "$E2E_WORK/demo.txt")"

step "the demo line rendered: every announcement a file, none written over unless asked"
check demo/Demo.vkm --wav-all "vykreslená linka" >"$E2E_WORK/render.txt" || fail "render: exit $?"
for name in 01_odjezd 02_prijezd 03_odjezd 04_prijezd u_ALT+B u_ALT+Z; do
    [ "$(soxi -t "$E2E_WORK/vykreslená linka/$name.wav" 2>/dev/null)" = wav ] || fail "no $name.wav rendered"
done
status=0
check demo/Demo.vkm --wav 2 "vykreslená linka/02_prijezd.wav" >"$E2E_WORK/again.txt" || status=$?
[ "$status" -eq 2 ] || fail "an existing file was written over: exit $status"
check --prepsat demo/Demo.vkm --wav 2 "vykreslená linka/02_prijezd.wav" >/dev/null || fail "--prepsat: exit $?"

step "the demo made uneven, mended into a copy: only the clipped sound is noted, the source unchanged"
cp -r "$E2E_WORK/demo" "$E2E_WORK/nerovna"
bash "$E2E_ROOT/demo/make_uneven.sh" "$E2E_WORK/nerovna"
sums() { (cd "$E2E_WORK/nerovna" && md5sum ./* | sort); }
before=$(sums)
check nerovna/Demo.vkm --uprav oprava >"$E2E_WORK/repair.txt" || fail "repair: exit $?"
sed -n '/^Kontrola opravené kopie:/,$p' "$E2E_WORK/repair.txt" >"$E2E_WORK/copy.txt"
grep -qxF "  Poznámky ke zvukům (1):" "$E2E_WORK/copy.txt" || fail "the copy's notes: $(cat "$E2E_WORK/repair.txt")"
grep -qF "„zpozdeni.wav“ (uživatelská klávesa „ALT+Z“): je přebuzený" "$E2E_WORK/copy.txt" || fail "no clipped note"
grep -qF "„bezpecnost.wav“: " "$E2E_WORK/repair.txt" || fail "the IMA ADPCM sound was not mended"
grep -qF "IMA ADPCM, 22 050 Hz, mono → PCM 16 bitů, 22 050 Hz, mono" "$E2E_WORK/repair.txt" || fail "no IMA ADPCM"
status=0
check nerovna/Demo.vkm --uprav oprava >"$E2E_WORK/again.txt" || status=$?
[ "$status" -eq 2 ] && grep -qF "není prázdná" "$E2E_WORK/again.txt" || fail "a folder not empty: exit $status"
check oprava/Demo.vkm --wav-all oprava-poslech >"$E2E_WORK/copy-render.txt" || fail "rendering the copy: exit $?"
! grep -qF "místo něj" "$E2E_WORK/copy-render.txt" || fail "the copy does not play whole: $(cat "$E2E_WORK/copy-render.txt")"
check oprava/Demo.vkm --uprav oprava2 >"$E2E_WORK/idem.txt" || fail "mending the copy: exit $?"
[ "$(grep -c ': 0,0 dB, oříznuto 0 ms na začátku a 0 ms na konci' "$E2E_WORK/idem.txt")" -eq 8 ] ||
    fail "mending the copy changed it: $(cat "$E2E_WORK/idem.txt")"
refused() {  # FOLDER LINE ARGS...: run in FOLDER, refused as writing onto a file the line reads
    local status=0
    (cd "$E2E_WORK/$1" && wine "$BUILD_DIR/vkmcheck.exe" "${@:2}") >"$E2E_WORK/onto.txt" || status=$?
    [ "$status" -eq 2 ] && grep -qF "tento soubor linka čte" "$E2E_WORK/onto.txt" || fail "not refused: ${*:2} (exit $status)"
}
refused . nerovna/Demo.vkm --prepsat --wav 1 nerovna/GONG.WAV
refused nerovna Demo.vkm --wav 1 gong.wav --prepsat

step "outputs that are the line's files through links are refused, with --prepsat or not"
(cd "$E2E_WORK" && mkdir tvrdy mekky vse && ln -s nerovna odkaz && ln nerovna/gong.wav tvrdy/gong.wav &&
    ln -s ../nerovna/gong.wav mekky/gong.wav && ln nerovna/gong.wav hard.wav && ln -s nerovna/gong.wav sym.wav &&
    ln -s ../nerovna/gong.wav vse/01_odjezd.wav)
for prepsat in "" --prepsat; do
    for output in "--uprav odkaz" "--uprav tvrdy" "--uprav mekky" "--wav 1 hard.wav" "--wav 1 sym.wav" "--wav-all vse"; do
        refused . nerovna/Demo.vkm $prepsat $output
    done
done
[ "$(sums)" = "$before" ] || fail "the source folder changed"
[ -z "$(find "$E2E_WORK" -name '*.tmp')" ] || fail "temporary files left: $(find "$E2E_WORK" -name '*.tmp')"

step "a line with one of each fault"
mkdir -p "$E2E_WORK/linky"
write_wav "$E2E_WORK/linky/ok.wav"
printf 'not a sound' >"$E2E_WORK/linky/text.wav"
head -c 44 "$E2E_WORK/linky/ok.wav" >"$E2E_WORK/linky/useknuty.wav"  # the header alone: its data is gone
write_vkm "$E2E_WORK/linky/Chyby.vkm" <<'EOF2'
[Info]
Name=Linka s chybami
WAV_odjezd=ok.wav,chybí.wav
[Hlaseni]
1=text.wav
2=
3=useknuty.wav
3=znovu.wav
[Uzivatelske_klavesy]
a=WIN+B;ok.wav
b=alt+b;ok.wav
EOF2
status=0
check linky/Chyby.vkm >"$E2E_WORK/faults.txt" || status=$?
[ "$status" -eq 1 ] || fail "the line with faults: exit $status"
for text in "zvuk „chybí.wav“ (WAV_odjezd) chybí" "zvuk „text.wav“ (hlášení „1“) není soubor WAV" \
    "hlášení „2“ je prázdné" "zvuk „useknuty.wav“ (hlášení „3“) je useknutý" "hlášení „3“ je v sekci [Hlaseni] víckrát" \
    "chybně zapsané): WIN+B" "uživatelská klávesa „alt+b“ je Alt+Num 2"; do
    grep -qF "$text" "$E2E_WORK/faults.txt" || fail "the report does not name: $text"
done

step "a compressed sound without a fact chunk is measured through the system's codec, and noted"
mkdir -p "$E2E_WORK/ima"
sox -R -n -r 22050 -c 1 -e ima-adpcm "$E2E_WORK/ima/a.wav" synth 1 sine 440 vol 0.3 fade q 0.01 1 0.01 2>/dev/null
python3 - "$E2E_WORK/ima/a.wav" <<'PY'
import struct, sys
b = open(sys.argv[1], 'rb').read()
i = b.find(b'fact')
b = b[:i] + b[i + 8 + struct.unpack('<I', b[i + 4:i + 8])[0]:]
open(sys.argv[1], 'wb').write(b[:4] + struct.pack('<I', len(b) - 8) + b[8:])
PY
printf '[Info]\r\nName=IMA\r\n[Hlaseni]\r\n1=a.wav\r\n' >"$E2E_WORK/ima/Ima.vkm"
check ima/Ima.vkm >"$E2E_WORK/ima.txt" || fail "the compressed line: exit $?"
grep -qF "  Zvuky: 1 soubor, změřeno 1" "$E2E_WORK/ima.txt" || fail "not measured: $(cat "$E2E_WORK/ima.txt")"
grep -qF "„a.wav“ (hlášení „1“): je komprimovaný bez bloku fact" "$E2E_WORK/ima.txt" || fail "no note on fact"

step "a file that is not there"
status=0
check linky/Zadna.vkm >"$E2E_WORK/none.txt" || status=$?
[ "$status" -eq 2 ] || fail "a missing file: exit $status"
grep -qF "Nelze najít definiční soubor vlakového rozhlasu" "$E2E_WORK/none.txt" || fail "no word on the missing file: $(cat "$E2E_WORK/none.txt")"
[ "$E2E_FAILED" -eq 0 ] || { echo "--- reports:"; cat "$E2E_WORK/demo.txt" "$E2E_WORK/faults.txt"; }
e2e_finish
