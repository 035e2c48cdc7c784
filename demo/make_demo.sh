#!/usr/bin/env bash
# Makes the demo line in OUT_DIR: Demo.vkm and its sounds, spoken in Czech by
# espeak-ng, with a three-tone gong from sox. Nothing here is committed but the
# definition file and this script.
#   demo/make_demo.sh OUT_DIR
set -euo pipefail
out=${1:?usage: make_demo.sh OUT_DIR}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
cp "$here/Demo.vkm" "$out/Demo.vkm"

say() {  # file text
    [ -s "$out/$1" ] && [ "$out/$1" -nt "$here/make_demo.sh" ] && return 0
    espeak-ng -v cs -s 145 -w "$out/$1.tmp.wav" "$2"
    # 22 kHz 16-bit mono: what every WAV player takes. The speaker's silence at each end is cut
    # (joined to the next fragment it would be a pause inside the announcement), 10 ms faded in and
    # out (a click at the join otherwise), and 80 ms left after the last word.
    sox -R "$out/$1.tmp.wav" -r 22050 -b 16 -c 1 "$out/$1" \
        silence 1 0.01 -50d reverse silence 1 0.01 -50d fade q 0.01 reverse fade q 0.01 pad 0 0.08
    rm -f "$out/$1.tmp.wav"
}

if [ ! -s "$out/gong.wav" ] || [ "$out/gong.wav" -ot "$here/make_demo.sh" ]; then
    tmp=$(mktemp -d)
    i=0
    for note in 784 659 523; do
        i=$((i + 1))
        sox -R -n -r 22050 -b 16 -c 1 "$tmp/$i.wav" synth 0.7 sine $note sine $((note * 2)) \
            remix 1-2 fade q 0.005 0.7 0.6 gain -8
    done
    sox -R "$tmp/1.wav" "$tmp/2.wav" "$tmp/3.wav" "$out/gong.wav"
    rm -rf "$tmp"
fi

say odjezd_praha.wav "Vážení cestující, vítáme vás ve vlaku do Kolína. Příští stanice Český Brod."
say prijezd_cesky_brod.wav "Vlak přijíždí do stanice Český Brod."
say odjezd_cesky_brod.wav "Vlak odjíždí ze stanice Český Brod. Příští stanice Kolín."
say prijezd_kolin.wav "Vlak přijíždí do stanice Kolín, kde končí."
say konec.wav "Děkujeme, že jste cestovali s námi. Prosíme, vystupte."
say bezpecnost.wav "Upozorňujeme cestující, že ve vlaku je zakázáno kouřit."
say zpozdeni.wav "Omlouváme se, vlak má zpoždění přibližně pět minut."
