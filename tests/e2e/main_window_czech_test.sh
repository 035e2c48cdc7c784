#!/usr/bin/env bash
# The same as main_window_test.sh in a Czech locale (ANSI code page 1250).
#   main_window_czech_test.sh BUILD_DIR
E2E_PROGRAM_LANG=cs_CZ.UTF-8
source "$(dirname "$0")/e2e_lib.sh" "$@"
source "$(dirname "$0")/main_window_scenario.sh"
e2e_finish
