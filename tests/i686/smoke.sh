#!/usr/bin/env bash
# The shipped 32-bit binaries under 32-bit Wine. This machine's kernel runs no 32-bit x86 code, so
# i386 programs are handed to qemu-i386-static through a binfmt_misc entry, and Wine runs from a
# Debian i386 tree of its own (the host keeps its 64-bit-only Wine). The tree and a 32-bit prefix
# are built once and cached outside the repository; the 64-bit host wineserver serves the 32-bit
# clients, which saves emulating every server call.
#   smoke.sh REPO ORV_OUT     (as root; the i686 and x86_64 trees of ORV_OUT built)
# Environment: ORV_I686_CACHE (default /var/cache/orvane-i686) holds the tree and the prefix;
# ORV_I686_SERVER=emulated uses the tree's own 32-bit wineserver instead of the host's;
# ORV_I686_RESERVED_VA sets the guest address space qemu reserves (empty: qemu's own 4 GiB).
set -euo pipefail
repo=$1
out=$2
cache=${ORV_I686_CACHE:-/var/cache/orvane-i686}
tree=$cache/root
prefix=$cache/prefix # the same path inside the tree (bind mount), so host and tree agree on it
binfmt=/proc/sys/fs/binfmt_misc
entry=orvane-i386
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
tree_packages=(wine32 wine libxcomposite1 libxcursor1 libxfixes3 libxi6 libxinerama1 libxrandr2
               libxrender1 libxxf86vm1 fonts-dejavu-core fonts-dejavu-extra)
host_server=/usr/lib/wine/wineserver64
# Each of these is one more emulated process start at every boot of the prefix, and the smoke
# needs none of them (drivers, plug and play, RPC and service hosts).
no_services="winedevice.exe,plugplay.exe,svchost.exe,rpcss.exe=d"
chroot=$(command -v chroot)
# qemu 7.2 looks for free guest pages one page at a time over the space it reserved, and Wine maps
# hundreds of times while it starts: 3 GiB instead of 4 saves a quarter of every start's CPU. Wine
# needs more than 2 GiB (its start fails at once with 0x80000000).
reserved_va=${ORV_I686_RESERVED_VA-0xC0000000}

made_entry=0 mounted_binfmt=0 xvfb_pid="" mounts=() made_dirs=()

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
step() { # name command...: runs and prints the wall time of one step
    local name=$1 start
    shift
    echo "== $name"
    start=$(now)
    "$@"
    echo "-- $name: $(elapsed "$start") s"
}

# binfmt_misc: use an existing i386 entry as it is; otherwise add ours and remove it at the end.
register_i386() {
    if [ ! -e "$binfmt/register" ]; then
        mount -t binfmt_misc binfmt_misc "$binfmt"
        mounted_binfmt=1
    fi
    local f
    for f in "$binfmt"/*; do
        case ${f##*/} in register | status) continue ;; esac
        if grep -qx 'enabled' "$f" && grep -q "^magic ${magic_hex}" "$f"; then
            echo "i386 programs already go to $(sed -n 's/^interpreter //p' "$f") (${f##*/})"
            return 0
        fi
    done
    echo ":$entry:M::$magic:$mask:/usr/bin/qemu-i386-static:F" >"$binfmt/register"
    made_entry=1
    echo "registered $entry: i386 programs go to /usr/bin/qemu-i386-static"
}
magic_hex=$(printf '%b' "$magic" | od -An -tx1 | tr -d ' \n')

cleanup() {
    set +e
    if [ -x "$tree/usr/lib/wine/wineserver32" ]; then
        WINEPREFIX=$prefix "$host_server" -k 2>/dev/null
        in_tree /usr/lib/wine/wineserver32 -k 2>/dev/null
    fi
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    local i
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount -l "${mounts[i]}"; done
    for i in "${made_dirs[@]}"; do rmdir "$i"; done
    if [ "$made_entry" = 1 ]; then
        echo -1 >"$binfmt/$entry" && echo "unregistered $entry"
    fi
    [ "$mounted_binfmt" = 1 ] && umount "$binfmt"
}
trap cleanup EXIT

bind() { # host-path tree-path
    mkdir -p "$2"
    mount --bind "$1" "$2"
    mounts+=("$2")
}

# A program of the tree, with the Wine settings of this run.
in_tree() {
    env -i PATH=/usr/bin:/bin HOME=/root USER=root DISPLAY="${DISPLAY:-}" WINEPREFIX="$prefix" \
        WINEARCH=win32 WINEDEBUG="${WINEDEBUG:--all}" \
        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d;$no_services" \
        ${QEMU_STRACE:+QEMU_STRACE=1} ${reserved_va:+QEMU_RESERVED_VA=$reserved_va} \
        "$chroot" "$tree" "$@"
}

# The Debian i386 tree with 32-bit Wine, once; a marker says it is complete.
make_tree() {
    if [ -f "$tree/.orvane-ready" ]; then
        echo "cached: $tree ($(cat "$tree/.orvane-ready"))"
        return 0
    fi
    rm -rf "$tree"
    debootstrap --arch=i386 --variant=minbase bookworm "$tree" http://deb.debian.org/debian
    chroot "$tree" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive chroot "$tree" apt-get install -y -qq \
        --no-install-recommends "${tree_packages[@]}" >/dev/null
    chroot "$tree" apt-get clean
    chroot "$tree" dpkg-query -W -f='${Version}' wine32 >"$tree/.orvane-ready"
}

# The host's 64-bit wineserver speaks the same protocol only when it is the same Wine build.
host_server_usable() {
    [ "${ORV_I686_SERVER:-host}" = host ] && [ -x "$host_server" ] &&
        [ "$(dpkg-query -W -f='${Version}' wine64 2>/dev/null)" = "$(cat "$tree/.orvane-ready")" ]
}

start_display() {
    local fifo="$out/.i686-displayfd" num
    rm -f "$fifo"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb_pid=$!
    read -r num <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$num"
    echo "display $DISPLAY"
}

# One wineserver for the whole run: the host's when it matches, else the tree's (emulated). The
# server opens the tree's builtin modules by the paths its clients see, so the host sees the
# tree's Wine modules at the same path for the run (a folder made for it goes again).
start_server() {
    if host_server_usable; then
        local modules=/usr/lib/i386-linux-gnu/wine
        if [ ! -e "$modules" ]; then
            mkdir -p "$modules"
            made_dirs+=("$modules" /usr/lib/i386-linux-gnu)
        fi
        mount --bind "$tree$modules" "$modules"
        mounts+=("$modules")
        WINEPREFIX=$prefix "$host_server" -p >/dev/null 2>&1 </dev/null
        echo "wineserver: host $host_server (native 64-bit)"
    else
        in_tree /usr/lib/wine/wineserver32 -p >/dev/null 2>&1 </dev/null
        echo "wineserver: tree wineserver32 (emulated)"
    fi
}

# The 32-bit prefix, once; a half-made one is made again.
make_prefix() {
    if [ -f "$prefix/.orvane-ready" ]; then
        echo "cached: $prefix"
        return 0
    fi
    in_tree /usr/lib/wine/wine wineboot -i >/dev/null 2>&1 </dev/null
    in_tree /usr/lib/wine/wine cmd.exe /c exit >/dev/null 2>&1 </dev/null
    [ -f "$prefix/drive_c/windows/system32/kernel32.dll" ] || {
        echo "prefix creation failed"
        return 1
    }
    touch "$prefix/.orvane-ready"
}

# The deliverables of the i686 build where an installation puts them.
install_binaries() {
    local bin="$out/i686/bin" windows="$prefix/drive_c/windows"
    local app="$windows/KELTO32"
    rm -rf "$app"
    mkdir -p "$app"
    cp "$bin/ORVLIB32.DLL" "$bin/ORVCLEAN.EXE" "$bin/orvsmoke.exe" "$windows/"
    cp "$bin/ORVMAIN.EXE" "$bin/ORVDR07.EXE" "$app/"
    printf '[Scanner]\r\nCurrentScannerId=7\r\nCurrentDriver=ORVDR07.EXE\r\n' >"$app/ORVANE.IFF"
    rm -f "$windows/orvsmoke.out"
}

# The start-up cost of a process that does nothing: cmd.exe /c exit.
time_empty_start() {
    local start
    start=$(now)
    local rc=0
    in_tree /usr/lib/wine/wine cmd.exe /c exit >"$out/i686-wine.log" 2>&1 </dev/null || rc=$?
    echo "empty process start: $(elapsed "$start") s (exit code $rc)"
    [ $rc -eq 0 ] || { cat "$out/i686-wine.log"; return $rc; }
}

wait_for_x_window() { # title seconds
    local i
    for ((i = 0; i < $2; i++)); do
        xwininfo -root -tree 2>/dev/null | grep -qF "\"$1\"" && return 0
        sleep 1
    done
    echo "no window \"$1\" after $2 s"
    return 1
}

# The scanning server, started ahead: the library waits for a starting server only as long as
# WinExec waits for it to become idle (30 s), less than an emulated start takes. Started ahead it
# is found running, as when another application started it.
start_scanning_server() {
    in_tree /usr/lib/wine/wine 'C:\windows\KELTO32\ORVMAIN.EXE' >/dev/null 2>&1 </dev/null &
    wait_for_x_window "Orvane Scanning Server" 900
}

# Sets smoke_rc: the smoke program's failed checks, or 1 when the page differs.
run_smoke() {
    local windows="$prefix/drive_c/windows" expected actual
    smoke_rc=0
    in_tree /usr/lib/wine/wine 'C:\windows\orvsmoke.exe' 'out=C:\windows\orvsmoke.out' \
        >/dev/null 2>&1 </dev/null || smoke_rc=$?
    tr -d '\r' <"$windows/orvsmoke.out" | sed 's/^/   /'
    echo "exit code $smoke_rc"
    # The 64-bit build delivered this page in the ordinary tests.
    expected=$(cat "$out/x86_64/bin/orvsmoke-page.txt" 2>/dev/null || true)
    actual=$(sed -n 's/^page fnv1a=//p' "$windows/orvsmoke.out" | tr -d '\r')
    if [ -n "$expected" ] && [ "$expected" = "$actual" ]; then
        echo "ok   page digest $actual equals the 64-bit build's"
    else
        echo "FAIL page digest ${actual:-none}, the 64-bit build's ${expected:-none}"
        smoke_rc=1
    fi
}

total_start=$(now)
step "binfmt_misc" register_i386
step "i386 tree with 32-bit Wine" make_tree
bind /proc "$tree/proc"
bind /dev "$tree/dev"
bind /tmp "$tree/tmp" # the X socket and the wineserver socket
mkdir -p "$prefix"
bind "$prefix" "$tree$prefix"
step "display" start_display
step "persistent wineserver" start_server
step "32-bit prefix" make_prefix
step "install" install_binaries
step "empty process" time_empty_start
step "scanning server" start_scanning_server
step "smoke" run_smoke
echo "total: $(elapsed "$total_start") s"
exit "$smoke_rc"
