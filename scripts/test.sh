#!/usr/bin/env bash
# Builds everything and runs every test: native (also under ASan/UBSan) and under Wine,
# the release build (build-release/vlakomluv.exe, what users download) end to end from the
# download's zip (scripts/package.sh), which e2e_package_test unpacks and runs.
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
run cmake -S . -B build-release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DVKM_WERROR=ON
run cmake --build build-release -j"$jobs" --target vlakomluv vkmcheck
[ $fail -eq 0 ] || { echo "BUILD FAILED"; exit 1; }
run bash scripts/package.sh  # dist/vlakomluv-VERSION-win64.zip, which e2e_package_test unpacks
release_size=$(stat -c %s build-release/vlakomluv.exe)
echo "== build-release/vlakomluv.exe: $release_size bytes"
[ "$release_size" -le 524288 ] || { echo "the release exe is larger than 0.5 MB"; fail=1; }

run ctest --test-dir build-native --output-on-failure -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run ctest --test-dir build-asan --output-on-failure -j"$jobs"

source scripts/wine-env.sh
vkm_wine_start headless
trap vkm_wine_stop EXIT
run ctest --test-dir build-win --output-on-failure
exit $fail
