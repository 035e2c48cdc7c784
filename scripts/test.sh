#!/usr/bin/env bash
# Builds everything and runs every test: native (also under ASan/UBSan) and under Wine.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1
# Wine names files in the Unix locale's encoding: UTF-8, whatever the caller had.
export LANG=C.UTF-8
unset LC_ALL

jobs=$(nproc)
fail=0
run() { echo "== $*"; "$@" || fail=1; }

run cmake -S . -B build-native -DVKM_WERROR=ON
run cmake --build build-native -j"$jobs"
run cmake -S . -B build-asan -DVKM_WERROR=ON -DVKM_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
run cmake --build build-asan -j"$jobs"
run cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DVKM_WERROR=ON
run cmake --build build-win -j"$jobs"
[ $fail -eq 0 ] || { echo "BUILD FAILED"; exit 1; }

run ctest --test-dir build-native --output-on-failure -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run ctest --test-dir build-asan --output-on-failure -j"$jobs"

source scripts/wine-env.sh
vkm_wine_start headless
trap vkm_wine_stop EXIT
run ctest --test-dir build-win --output-on-failure
exit $fail
