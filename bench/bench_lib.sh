# Sourced by the benchmark scripts: a work folder removed at the end (and the Wine
# server of the private prefix ended), building a target when needed, and running a
# Windows benchmark program in a private Wine prefix pinned to one CPU.
#   source bench/bench_lib.sh NAME          (the work folder is /tmp/vkm-NAME-bench.XXXXXX)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d "/tmp/vkm-$1-bench.XXXXXX")
wine_started=0
bench_cleanup() {
    if [ $wine_started -eq 1 ]; then wineserver -k 2>/dev/null || true; fi
    rm -rf "$work"
}
trap bench_cleanup EXIT

bench_build() {  # DIR TARGET...
    local dir=$1
    shift
    cmake --build "$dir" --target "$@" -j2 >"$work/build.log" 2>&1 || { cat "$work/build.log"; return 1; }
}

# bench_wine PROGRAM ARGS...: in a private prefix, made by the benchmark itself, so that its
# wineserver runs on the same CPU as the program: Wine asks its server for every folder
# and file, and a wake-up across CPUs makes each request several times slower on some
# virtual machines. No display is needed.
bench_wine() {
    export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    local pin=()
    if command -v taskset >/dev/null && [ "$(nproc)" -gt 1 ]; then
        pin=(taskset -c 0)
        echo "(Wine and its server pinned to CPU 0)"
    fi
    wine_started=1
    env -u DISPLAY "${pin[@]}" wine "$@" 2>"$work/wine.log" || {
        cat "$work/wine.log"
        return 1
    }
}
