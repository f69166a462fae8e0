# Test session: one Wine prefix per output tree (reused while valid), a warm wineserver, an Xvfb
# display and Wine's desktop process, kept for the run and stopped after it. Sourced by ./run.

ORV_WINE=/usr/lib/wine/wine64
ORV_WINESERVER=/usr/lib/wine/wineserver64

orv_wine_env() {
    export WINEPREFIX="$ORV_OUT/prefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
    export WINEARCH=win64
    unset LC_ALL
}

orv_prefix_valid() {
    [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]
}

orv_session_start() {
    orv_wine_env
    mkdir -p "$ORV_OUT"
    # Xvfb picks a free display itself and tells us which.
    local fifo="$ORV_OUT/.displayfd"
    rm -f "$fifo"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    ORV_XVFB_PID=$!
    local num
    read -r num <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$num"

    if ! orv_prefix_valid; then
        echo "Creating Wine prefix $WINEPREFIX"
        rm -rf "$WINEPREFIX"
        "$ORV_WINE" wineboot -i >/dev/null 2>&1 </dev/null
        "$ORV_WINESERVER" -w
    fi
    # Persistent wineserver and the desktop process, both quiet so no test pipe is held open. The
    # desktop is the default one: a desktop started later by a test would inherit its output pipe.
    "$ORV_WINESERVER" -p >/dev/null 2>&1 </dev/null
    "$ORV_WINE" explorer.exe /desktop=Default,1280x1024 >/dev/null 2>&1 </dev/null &
    ORV_DESKTOP_PID=$!
    "$ORV_WINE" cmd.exe /c exit >/dev/null 2>&1 </dev/null

    cat >"$ORV_OUT/session.env" <<ENV
export WINEPREFIX='$WINEPREFIX' WINEDEBUG='$WINEDEBUG' WINEDLLOVERRIDES='$WINEDLLOVERRIDES' WINEARCH=win64 DISPLAY='$DISPLAY'
ENV
}

orv_session_stop() {
    rm -f "$ORV_OUT/session.env"
    "$ORV_WINESERVER" -k >/dev/null 2>&1 || true
    if [ -n "${ORV_DESKTOP_PID:-}" ]; then wait "$ORV_DESKTOP_PID" 2>/dev/null || true; fi
    if [ -n "${ORV_XVFB_PID:-}" ]; then
        kill "$ORV_XVFB_PID" 2>/dev/null || true
        wait "$ORV_XVFB_PID" 2>/dev/null || true
    fi
}
