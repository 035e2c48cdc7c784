#!/usr/bin/env bash
# Builds the Windows program and starts it under Wine with the demo line beside it.
#   scripts/run.sh
# The program runs from build-win/run/ (vlakomluv.exe and the folder demo/ with
# the demo line), so that its search for line definitions at start-up covers only
# that folder. Without a display it starts a virtual one (Xvfb) and says how to
# look at it. Sound goes to the PulseAudio (or PipeWire) server of the session;
# without one the program runs silently. VKM_BUILD_DIR names another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

build=${VKM_BUILD_DIR:-build-win}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build "$build" -j"$(nproc)" --target vlakomluv

run_dir=$build/run
mkdir -p "$run_dir"
cp "$build/vlakomluv.exe" "$run_dir/"
bash demo/make_demo.sh "$run_dir/demo"

export WINEPREFIX=${WINEPREFIX:-$PWD/$build/wineprefix}
had_display=${DISPLAY:-}
source scripts/wine-env.sh
vkm_wine_start
trap vkm_wine_stop EXIT
if [ -z "$had_display" ]; then
    echo "No DISPLAY: the program runs on the virtual display $DISPLAY."
    echo "To see it: x11vnc -display $DISPLAY (then a VNC viewer), or"
    echo "           DISPLAY=$DISPLAY import -window root screenshot.png"
fi
if [ -z "${PULSE_SERVER:-}" ] && [ ! -S "${XDG_RUNTIME_DIR:-/run/user/$(id -u)}/pulse/native" ]; then
    echo "No sound server found: the announcements play silently (start pulseaudio for sound)."
fi

echo "Starting $run_dir/vlakomluv.exe (close its window to stop)."
wine "$run_dir/vlakomluv.exe"
