#!/usr/bin/env bash
# Makes the demo line in OUT_DIR (make_demo.sh) and then spoils it the way lines recorded over
# years are spoiled, for trying the line check's repair (vkmcheck --uprav): against the line's
# median, sounds 8 LU quieter, 3 LU quieter with 400 ms of silence at its end, 4 LU louder, one
# with a DC offset, one at 8 kHz among 22.05 kHz, one in IMA ADPCM, one clipped.
#   demo/make_uneven.sh OUT_DIR
set -euo pipefail
out=${1:?usage: make_uneven.sh OUT_DIR}
bash "$(dirname "$0")/make_demo.sh" "$out" >/dev/null
spoil() {  # file sox-output-options effects...
    local f=$out/$1 opts=$2
    shift 2
    sox -R "$f" $opts "$f.tmp.wav" "$@" 2>/dev/null
    mv "$f.tmp.wav" "$f"
}
# 6 dB down for all but the clipped one, so that the louder ones have room below full scale.
spoil gong.wav "" gain -6
spoil odjezd_praha.wav "" gain -14
spoil prijezd_cesky_brod.wav "" gain -9 pad 0 0.4
spoil odjezd_cesky_brod.wav "" gain -2
spoil prijezd_kolin.wav "" gain -6 dcshift 0.03
spoil konec.wav "-r 8000" gain -6
spoil bezpecnost.wav "-e ima-adpcm" gain -6
spoil zpozdeni.wav "" gain 10
