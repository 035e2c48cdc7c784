# Sourced by the scripts: a private Wine prefix and, when there is no display, Xvfb.
# Sets WINEPREFIX, DISPLAY; call vkm_wine_stop at the end.
VKM_ROOT=${VKM_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$VKM_ROOT/build-win/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
VKM_XVFB_PID=""

vkm_wine_start() {  # [headless]  1: always start our own Xvfb
    if [ "${1:-}" = headless ] || [ -z "${DISPLAY:-}" ]; then
        # Xvfb picks a free display number itself and writes it to the pipe.
        local fifo
        fifo=$(mktemp -u /tmp/vkm-xvfb.XXXXXX)
        mkfifo "$fifo"
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
        VKM_XVFB_PID=$!
        local n
        read -r -t 20 n <"$fifo" || n=""
        rm -f "$fifo"
        [ -n "$n" ] || { echo "Xvfb did not start" >&2; return 1; }
        export DISPLAY=":$n"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w 2>/dev/null || true
    fi
}

vkm_wine_stop() {
    wineserver -k 2>/dev/null || true
    if [ -n "$VKM_XVFB_PID" ]; then kill "$VKM_XVFB_PID" 2>/dev/null || true; wait "$VKM_XVFB_PID" 2>/dev/null || true; fi
}

# A private PulseAudio with a null sink, so that Wine plays sounds in real time
# without a sound card. Sets PULSE_SERVER; call vkm_pulse_stop at the end.
VKM_PULSE_DIR=""
vkm_pulse_start() {
    command -v pulseaudio >/dev/null || return 1
    VKM_PULSE_DIR=$(mktemp -d /tmp/vkm-pulse.XXXXXX)
    XDG_RUNTIME_DIR=$VKM_PULSE_DIR HOME=$VKM_PULSE_DIR pulseaudio -n --daemonize=yes --exit-idle-time=-1 \
        --use-pid-file=yes -L module-null-sink -L "module-native-protocol-unix socket=$VKM_PULSE_DIR/native" \
        >/dev/null 2>&1 || return 1
    export PULSE_SERVER="unix:$VKM_PULSE_DIR/native"
    for _ in $(seq 50); do [ -S "$VKM_PULSE_DIR/native" ] && return 0; sleep 0.1; done
    return 1
}

vkm_pulse_stop() {
    [ -n "$VKM_PULSE_DIR" ] || return 0
    local pid
    pid=$(cat "$VKM_PULSE_DIR"/pulse/pid 2>/dev/null || true)
    if [ -n "$pid" ] && kill "$pid" 2>/dev/null; then
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -rf "$VKM_PULSE_DIR" 2>/dev/null || true
    VKM_PULSE_DIR=""
}
