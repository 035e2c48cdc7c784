#!/usr/bin/env bash
# The whole program under Wine, driven from outside: lines found, Start, hotkeys
# pressed in another window, the step buttons, the sounds played, a clean close.
# Locale with code page 1252: the Czech text must come out right all the same.
#   main_window_test.sh BUILD_DIR
E2E_PROGRAM_LANG=C.UTF-8
source "$(dirname "$0")/e2e_lib.sh" "$@"
source "$(dirname "$0")/main_window_scenario.sh"
e2e_finish
