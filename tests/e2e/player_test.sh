#!/usr/bin/env bash
# The Win32 player under Wine: a sound list of real WAV files in a folder with a
# Czech name, one missing, one not a WAV file at all, some with impossible headers,
# two never finished and one compressed, is queued as one announcement; the process
# waits until the player is idle. Which files the process opened, and in which
# order, is read from Wine's file trace; what became of each file from the player's
# own report.
set -uo pipefail
BUILD=${1:?build directory}
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
source "$ROOT/scripts/wine-env.sh"
export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix}

work=$(mktemp -d /tmp/vkm-player.XXXXXX)
cleanup() { vkm_pulse_stop; vkm_wine_stop; [ -n "${KEEP:-}" ] || rm -rf "$work"; }
trap cleanup EXIT
vkm_wine_start
have_sound=0
vkm_pulse_start && have_sound=1

dir="$work/Zvuky Tratě"
mkdir -p "$dir/sub"
sox -R -n -r 22050 -c 1 -b 16 "$dir/gong.wav" synth 0.6 sine 660
sox -R -n -r 22050 -c 1 -b 16 "$dir/příjezd.wav" synth 0.4 sine 440
sox -R -n -r 44100 -c 2 -b 16 "$dir/sub/konec.wav" synth 0.2 sine 330
sox -R -n -r 22050 -c 1 -e ima-adpcm "$dir/ima.wav" synth 0.3 sine 550
head -c 300 /dev/zero | tr '\0' x >"$dir/broken.wav"
# Headers no file can have; handed to the system, some of them end the process.
python3 - "$dir" <<'PY'
import struct, sys
def wave(channels, rate, block_align, bits, data_claim, data, tag=1, extra=b''):
    fmt = struct.pack('<HHIIHH', tag, channels, rate, rate * block_align, block_align, bits)
    fmt += struct.pack('<H', len(extra)) + extra if tag != 1 else b''
    body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', data_claim) + data
    return b'RIFF' + struct.pack('<I', len(body)) + body
pcm = bytes(range(256)) * 8
files = {
    'ch0.wav': wave(0, 22050, 2, 16, len(pcm), pcm),
    'align0.wav': wave(1, 22050, 0, 16, len(pcm), pcm),
    'rate0.wav': wave(1, 0, 2, 16, len(pcm), pcm),
    'claims4gb.wav': wave(1, 22050, 2, 16, 0xFFFFFFFF, pcm[:1000]),  # never finished, as is
    'unfinished.wav': wave(1, 22050, 2, 16, 0, pcm),
    # MS ADPCM blocks of 1 byte cannot hold their block headers; MP3 data of zeros gives nothing.
    'msadpcm1.wav': wave(2, 22050, 1, 4, 1 << 16, pcm * 32, 2, struct.pack('<HH', 500, 7) + pcm[:28]),
    'mp3zeros.wav': wave(1, 22050, 1, 0, 8192, bytes(8192), 0x55, struct.pack('<HIHHH', 1, 2, 209, 1, 1393)),
}
for name, data in files.items():
    open(sys.argv[1] + '/' + name, 'wb').write(data)
PY

list="gong.wav,missing.wav,broken.wav,,příjezd.wav,ch0.wav,align0.wav,rate0.wav,claims4gb.wav,unfinished.wav"
list="$list,msadpcm1.wav,mp3zeros.wav,ima.wav"
list="$list,sub\\konec.wav,"
winedir=$(winepath -w "$dir/")
WINEDEBUG=+timestamp,trace+file timeout 120 wine "$BUILD/play_list.exe" "$winedir" "$list" \
    >"$work/out.txt" 2>"$work/trace.txt"
status=$?
# The same list stopped after 300 ms.
timeout 60 wine "$BUILD/play_list.exe" "$winedir" "$list" 300 >"$work/stopped.txt" 2>/dev/null
stop_status=$?

# "time name found|missing" for every path below the folder that Wine resolved.
python3 "$ROOT/tests/e2e/wine_opened_files.py" "$work/trace.txt" "$dir" >"$work/opened.txt"

expected_opened='gong.wav found
missing.wav missing
broken.wav found
příjezd.wav found
ch0.wav found
align0.wav found
rate0.wav found
claims4gb.wav found
unfinished.wav found
msadpcm1.wav found
mp3zeros.wav found
ima.wav found
sub\konec.wav found'
actual_opened=$(cut -d' ' -f2- "$work/opened.txt")
# Without a default sound in the Wine prefix, the built-in tone stands in.
expected_files='file gong.wav converted ok
file missing.wav tone unreadable
file broken.wav tone not-wave
file příjezd.wav converted ok
file ch0.wav tone bad-header
file align0.wav tone bad-header
file rate0.wav tone bad-header
file claims4gb.wav converted ok
file unfinished.wav converted ok
file msadpcm1.wav tone bad-header
file mp3zeros.wav tone unsupported
file ima.wav converted ok
file sub\konec.wav copied ok'
actual_files=$(tr -d "\r" <"$work/out.txt" | grep "^file ")

passed=0 failed=0
check() {  # name condition...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); echo "ok: $name"; else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
check "player exits normally once idle" test "$status" -eq 0
check "files opened in list order, each once, missing one tried, empty names skipped" \
    test "$actual_opened" = "$expected_opened"
if [ "$actual_opened" != "$expected_opened" ]; then echo "--- opened:"; cat "$work/opened.txt"; fi
if [ $have_sound -eq 1 ]; then
    check "every file played, converted or replaced as it should" test "$actual_files" = "$expected_files"
    if [ "$actual_files" != "$expected_files" ]; then echo "--- played:"; cat "$work/out.txt"; fi
    # 1.57 s of sound files and seven 0.25 s tones: the player is busy until they have sounded.
    took=$(awk '$1=="seconds"{print $2}' "$work/out.txt")
    echo "queued to idle: $took s (3.32 s of sound)"
    check "busy until the whole announcement has sounded" awk -v t="$took" 'BEGIN{exit !(t >= 3.1)}'
    stopped=$(awk '$1=="seconds"{print $2}' "$work/stopped.txt")
    echo "stopped after 0.3 s: idle after $stopped s"
    check "Stop ends the announcement and the player becomes idle" \
        awk -v s="$stop_status" -v t="$stopped" 'BEGIN{exit !(s == 0 && t < 2.0)}'
else
    echo "no sound server: what played not checked"
fi
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
