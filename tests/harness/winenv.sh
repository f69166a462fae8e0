# Test session: one Wine prefix per output tree and architecture (reused while valid), a warm
# wineserver, an Xvfb display and Wine's desktop process, kept for the run and stopped after it.
# Sourced by ./run and tests/harness/wine-run. ORV_WINE_ARCH says which Wine: x86_64 is the host's
# wine64, i686 the 32-bit Wine of the i386 tree ORV_I686_TREE (tests/harness/wine32.sh), whose
# programs run with the tree as their root; wow64 the 64-bit Wine of a WoW64 tree in that variable
# (ORV_WINE_TREE=wow64 wine32.sh), which runs 32-bit programs too.

orv_wine_env() { # arch
    export ORV_WINE_ARCH=$1
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
    if [ "$1" = i686 ]; then
        export WINEPREFIX="$ORV_OUT/prefix-i686" WINEARCH=win32
        export WINESERVER=/usr/lib/wine/wineserver32 # the tree's; it has no shell to find one
    elif [ "$1" = wow64 ]; then
        export WINEPREFIX="$ORV_OUT/prefix-wow64" WINEARCH=win64
        export WINESERVER=/usr/lib/wine/wineserver64
    else
        export WINEPREFIX="$ORV_OUT/prefix" WINEARCH=win64
        unset WINESERVER
    fi
    unset LC_ALL
}

# Sets ORV_WINE_CMD to the command line of Wine program "$1" (wine or wineserver) of the session.
orv_wine_cmd() {
    if [ "${ORV_WINE_ARCH:-x86_64}" != x86_64 ]; then
        local wd=$PWD bits=32 loader=wine
        [ "$ORV_WINE_ARCH" = wow64 ] && bits=64 loader=wine64
        [ -d "$ORV_I686_TREE$wd" ] || wd=/
        local program=/usr/lib/wine/$loader
        [ "$1" = wineserver ] && program=/usr/lib/wine/wineserver$bits
        ORV_WINE_CMD=(unshare --root="$ORV_I686_TREE" --wd="$wd" "$program")
    else
        ORV_WINE_CMD=("/usr/lib/wine/${1}64")
    fi
}
orv_wine() {
    orv_wine_cmd wine
    "${ORV_WINE_CMD[@]}" "$@"
}
orv_wineserver() {
    orv_wine_cmd wineserver
    "${ORV_WINE_CMD[@]}" "$@"
}

orv_prefix_valid() {
    [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]
}

orv_session_start() { # [arch], x86_64 by default
    orv_wine_env "${1:-x86_64}"
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
        local start=$SECONDS
        rm -rf "$WINEPREFIX"
        orv_wine wineboot -i >/dev/null 2>&1 </dev/null
        orv_wineserver -w
        echo "Wine prefix created in $((SECONDS - start)) s"
    fi
    # Persistent wineserver and the desktop process, both quiet so no test pipe is held open. The
    # desktop is the default one: a desktop started later by a test would inherit its output pipe.
    orv_wineserver -p >/dev/null 2>&1 </dev/null
    orv_wine explorer.exe /desktop=Default,1280x1024 >/dev/null 2>&1 </dev/null &
    ORV_DESKTOP_PID=$!
    orv_wine cmd.exe /c exit >/dev/null 2>&1 </dev/null
    # The session's own Wine processes (desktop, services), once the desktop runs; any other one a
    # test leaves is a fault.
    ORV_SESSION_PIDS=
    for _ in $(seq 100); do
        orv_leftovers | grep -q 'explorer.exe /desktop=' && break
        sleep 0.1
    done
    ORV_SESSION_PIDS=$(orv_leftovers | cut -d' ' -f1 | tr '\n' ' ')
    export ORV_SESSION_PIDS

    cat >"$ORV_OUT/session.env" <<ENV
export WINEPREFIX='$WINEPREFIX' WINEDEBUG='$WINEDEBUG' WINEDLLOVERRIDES='$WINEDLLOVERRIDES' WINEARCH=$WINEARCH DISPLAY='$DISPLAY'
export ORV_WINE_ARCH=$ORV_WINE_ARCH ORV_I686_TREE='${ORV_I686_TREE:-}' ${WINESERVER:+WINESERVER=$WINESERVER}
export ORV_SESSION_PIDS='$ORV_SESSION_PIDS'
ENV
}

orv_session_stop() {
    rm -f "$ORV_OUT/session.env"
    orv_wineserver -k >/dev/null 2>&1 || true
    if [ -n "${ORV_DESKTOP_PID:-}" ]; then wait "$ORV_DESKTOP_PID" 2>/dev/null || true; fi
    if [ -n "${ORV_XVFB_PID:-}" ]; then
        kill "$ORV_XVFB_PID" 2>/dev/null || true
        wait "$ORV_XVFB_PID" 2>/dev/null || true
    fi
}

# Wine processes of the session's prefix (its name in their environment, Wine's ntdll loaded)
# other than the session's own, one "pid command line" a line. Wine's service processes count as
# the session's wherever they start: its service manager starts them on demand, with no output.
orv_leftovers() {
    local environ maps pid command candidates=()
    for environ in $(grep -lzxF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null); do
        pid=${environ#/proc/}
        pid=${pid%/environ}
        case " ${ORV_SESSION_PIDS:-} " in *" $pid "*) continue ;; esac
        candidates+=("/proc/$pid/maps")
    done
    [ ${#candidates[@]} -gt 0 ] || return 0
    for maps in $(grep -l '/ntdll\.so$' "${candidates[@]}" 2>/dev/null); do
        pid=${maps#/proc/}
        pid=${pid%/maps}
        command=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)
        case "${command#'C:\windows\system32\'}" in
        rpcss.exe* | svchost.exe* | winedevice.exe* | plugplay.exe*) continue ;;
        esac
        echo "$pid ${command%"${command##*[! ]}"}"
    done
}
