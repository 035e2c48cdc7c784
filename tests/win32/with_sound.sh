#!/usr/bin/env bash
# Runs a Windows test program under Wine with a private PulseAudio null sink as
# its sound device (tests/win32/*_sound_test.cpp):
#   with_sound.sh PROGRAM.exe [ARGS...]
set -uo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"
vkm_pulse_start || { echo "PulseAudio did not start (scripts/setup.sh installs it)"; exit 1; }
trap vkm_pulse_stop EXIT
wine "$@"
