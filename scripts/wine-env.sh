# Sourced by the scripts: a private Wine prefix and, when there is no display, Xvfb.
# Sets WINEPREFIX, DISPLAY; call vkm_wine_stop at the end.
VKM_ROOT=${VKM_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$VKM_ROOT/build-win/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
VKM_XVFB_PID=""

vkm_wine_start() {  # [headless]  1: always start our own Xvfb
    if [ "${1:-}" = headless ] || [ -z "${DISPLAY:-}" ]; then
        local n=90
        while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        VKM_XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
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
