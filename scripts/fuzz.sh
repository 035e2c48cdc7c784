#!/usr/bin/env bash
# Runs each fuzz harness (fuzz/*_fuzz.cpp) with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer for a given time, starting from its seed corpus.
#   scripts/fuzz.sh [SECONDS_PER_HARNESS [HARNESS...]]     (default 60 s, every harness)
# Builds into build-fuzz/ with clang. New inputs that reach new code go to
# build-fuzz/corpus/NAME; a crash or a failed check is kept as build-fuzz/findings/NAME-*
# and makes the script fail. To keep a finding found, copy it into fuzz/corpus/NAME:
# the test command replays that folder.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
bash scripts/setup.sh || exit 1
command -v clang++ >/dev/null || { echo "clang++ is missing"; exit 1; }

harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
    for f in fuzz/*_fuzz.cpp; do harnesses+=("$(basename "$f" .cpp)"); done
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVKM_LIBFUZZER=ON -DVKM_SANITIZE=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build build-fuzz -j"$(nproc)" --target "${harnesses[@]}" || exit 1

extra_ini="tests/data/ini demo"
extra_codepage="tests/data/ini"
status=0
mkdir -p build-fuzz/findings
for h in "${harnesses[@]}"; do
    name=${h%_fuzz}
    work=build-fuzz/corpus/$name
    mkdir -p "$work"
    extra_var="extra_$name"
    # shellcheck disable=SC2086
    seeds="fuzz/corpus/$name ${!extra_var:-}"
    echo "== $h: $seconds s"
    # shellcheck disable=SC2086
    ./build-fuzz/"$h" "$work" $seeds -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/findings/$name-" -max_len=70000 -timeout=10 2>build-fuzz/"$name".log
    result=$?
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' \
        build-fuzz/"$name".log | sed 's/^stat::/   /'
    grep -E 'cov: [0-9]+' build-fuzz/"$name".log | tail -1 | sed -E 's/.*(cov: [0-9]+ ft: [0-9]+ corp: [^ ]+).*/   \1/'
    if [ $result -ne 0 ]; then
        echo "   FINDING: see build-fuzz/$name.log and build-fuzz/findings/"
        status=1
    else
        echo "   no findings"
    fi
done
exit $status
