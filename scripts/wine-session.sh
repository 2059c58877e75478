# Sourced by the run and test scripts: a Wine prefix of the project's own, a
# wineserver that stays up, and a display (Xvfb when there is none).
#   wine_session_start PREFIX-DIR [virtual-desktop]   wine_session_stop

export WINEDEBUG=-all
# No Mono or Gecko install prompts, and no Linux menu entries made from the
# shortcuts the installer creates.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
WINE64=/usr/lib/wine/wine64
wine_session_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

wine_session_xvfb_pid=""

wine_session_start() {
    local prefix=$1 desktop=${2:-}
    export WINEPREFIX=$prefix WINEARCH=win64
    mkdir -p "$WINEPREFIX"

    if [ -z "${DISPLAY:-}" ] || [ -n "${TOLVA_FORCE_XVFB:-}" ]; then
        local n=90
        while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
        wine_session_xvfb_pid=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    fi

    # Wine's background processes keep the output pipes of whoever starts them
    # first; start them here, with their output sent elsewhere, so that no
    # later caller (ctest) waits for them.
    (wineserver -p && "$WINE64" wineboot -i) </dev/null >/dev/null 2>&1
    if [ -n "$wine_session_xvfb_pid" ]; then
        # Our Xvfb has no window manager, and Wine then waits about two seconds
        # whenever a window with a title bar is hidden or destroyed, unless its
        # windows are unmanaged.
        "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    fi
    if [ -n "$desktop" ]; then
        # Every window of the prefix in one virtual desktop, where windows can
        # be maximised, stack as Windows stacks them and have real title bars.
        "$WINE64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
        "$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$desktop" /f </dev/null >/dev/null 2>&1
    else
        "$WINE64" reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f </dev/null >/dev/null 2>&1 || true
    fi
    # Wine's own fonts (MS Sans Serif, the Marlett glyphs of the title bar
    # buttons) where every program of the prefix finds them.
    cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    # The desktop is made when Wine starts; start it again with these settings.
    (wineserver -k; wineserver -w; wineserver -p && "$WINE64" wineboot) </dev/null >/dev/null 2>&1
    # The first program with windows starts more of Wine's background
    # processes; let one start them here rather than under the caller.
    "$WINE64" "$wine_session_root/dist/x64/uirobot.exe" list </dev/null >/dev/null 2>&1 || true
}

wine_session_stop() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k </dev/null >/dev/null 2>&1 || true
    if [ -n "$wine_session_xvfb_pid" ]; then
        kill "$wine_session_xvfb_pid" 2>/dev/null || true
        wait "$wine_session_xvfb_pid" 2>/dev/null || true
        wine_session_xvfb_pid=""
    fi
}
