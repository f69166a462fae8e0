#!/usr/bin/env bash
# 32-bit Wine for the i686 half of the tests, the host keeping its 64-bit-only Wine: a Debian i386
# tree holding wine32, unpacked from packages a private apt configuration fetches (the host's
# /etc/apt and dpkg architectures stay as they are), and cached in the output tree. Where the
# kernel runs no 32-bit x86 code, i386 programs go to qemu 10's qemu-i386 through a binfmt_misc
# entry private to the run.
#   wine32.sh prepare        the tree (once), and qemu 10 from bookworm-backports when emulated
#   wine32.sh enter CMD...   CMD in mount and PID namespaces of its own, where the tree sees this
#                            repository and ORV_OUT at their own paths, /dev and /tmp (X and
#                            wineserver sockets); nothing of it outlives CMD
#   wine32.sh path           prints "native" or "emulated"
#   wine32.sh modules        the tree (once), then prints its folder of Wine's 32-bit modules:
#                            the TWAIN source manager and system libraries of a 32-bit Windows
# Environment: ORV_OUT; ORV_I686_CACHE (default $ORV_OUT/wine32) holds the tree; ORV_I686_EMULATE=1
# takes the emulated path on a kernel that could run the code natively. ORV_WINE_TREE=wow64 makes
# the same commands work on a WoW64 tree instead (default cache $ORV_OUT/wow64): amd64 and i386
# packages unpacked together as Debian's multiarch wine64 + wine32 install them, 64-bit Wine that
# runs 32-bit programs with the 32-bit half.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
: "${ORV_OUT:=$repo/out}"
suite=bookworm
x_libraries=(libxcomposite1 libxcursor1 libxfixes3 libxi6 libxinerama1 libxrandr2 libxrender1
             libxxf86vm1)
flavour=${ORV_WINE_TREE:-i386}
if [ "$flavour" = wow64 ]; then
    cache=${ORV_WOW64_CACHE:-$ORV_OUT/wow64}
    architectures=(amd64 i386)
    tree_packages=(wine wine64 wine32:i386 "${x_libraries[@]}" "${x_libraries[@]/%/:i386}"
                   fonts-dejavu-core)
else
    cache=${ORV_I686_CACHE:-$ORV_OUT/wine32}
    architectures=(i386)
    tree_packages=(wine32 wine "${x_libraries[@]}" fonts-dejavu-core)
fi
tree=$cache/root
qemu=/usr/bin/qemu-i386
backports_list=/etc/apt/sources.list.d/orvane-backports.sources
backports_pin=/etc/apt/preferences.d/orvane-backports

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

# Native when the tree's i386 dynamic loader runs as a program of its own.
runs_natively() {
    [ "${ORV_I686_EMULATE:-0}" != 1 ] && "$tree/lib/ld-linux.so.2" --version >/dev/null 2>&1
}

# apt for the tree's architectures only, with its own sources, lists, cache and an empty status file.
apt_private() {
    local dir=$cache/apt
    mkdir -p "$dir/etc/apt.conf.d" "$dir/etc/preferences.d" "$dir/etc/sources.list.d" \
        "$dir/lists/partial" "$dir/archives/partial"
    : >"$dir/status"
    cat >"$dir/etc/sources.list" <<LIST
deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian $suite main
deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian $suite-updates main
deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security $suite-security main
LIST
    cat >"$dir/apt.conf" <<CONF
APT::Architecture "${architectures[0]}";
APT::Architectures { $(printf '"%s"; ' "${architectures[@]}")};
APT::Install-Recommends "false";
Dir::Etc "$dir/etc/";
Dir::Etc::Parts "$dir/etc/apt.conf.d/";
Dir::State "$dir/";
Dir::State::Lists "$dir/lists/";
Dir::State::status "$dir/status";
Dir::Cache "$dir/";
Dir::Cache::Archives "$dir/archives/";
CONF
    APT_CONFIG=$dir/apt.conf apt-get -qq "$@"
}

# What the tree needs of the maintainer scripts that were not run: libwine puts the mingw zlib
# into Wine's DLL folders as a builtin DLL (without it wineboot fails on zlib1.dll).
finish_tree() {
    local in out dir
    for dir in "$tree"/usr/lib/*-linux-gnu/wine/*-windows; do
        for in in "$tree"/usr/i686-w64-mingw32/lib/zlib*.dll "$tree"/usr/x86_64-w64-mingw32/lib/zlib*.dll; do
            [ -f "$in" ] || continue
            case "$in:$dir" in */i686-*:*/i386-windows | */x86_64-*:*/x86_64-windows) ;; *) continue ;; esac
            out=$dir/${in##*/}
            { head -c 64 "$in"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$in"; } >"$out"
        done
    done
    ldconfig -r "$tree"
    echo 'root:x:0:0:root:/root:/bin/sh' >"$tree/etc/passwd"
    echo 'root:x:0:' >"$tree/etc/group"
    mkdir -p "$tree/proc" "$tree/dev" "$tree/tmp" "$tree/sys" "$tree/root"
}

make_tree() {
    if [ -f "$tree/.orvane-ready" ]; then
        echo "$flavour tree: cached $tree (wine32 $(cat "$tree/.orvane-ready"))"
        return 0
    fi
    local start deb
    start=$(now)
    rm -rf "$tree"
    mkdir -p "$tree"
    apt_private update
    apt_private install --download-only -y "${tree_packages[@]}" >/dev/null
    echo "$flavour tree: $(ls "$cache"/apt/archives/*.deb | wc -l) packages downloaded in $(elapsed "$start") s"
    for deb in "$cache"/apt/archives/*.deb; do dpkg-deb -x "$deb" "$tree"; done
    finish_tree
    dpkg-deb -f "$(ls "$cache"/apt/archives/wine32_*.deb)" Version >"$tree/.orvane-ready"
    rm -f "$cache"/apt/archives/*.deb
    echo "$flavour tree: $tree ready in $(elapsed "$start") s ($(du -sm "$tree" | cut -f1) MB)"
}

# qemu 10 from bookworm-backports, that package only: bookworm's qemu 7.2 needs minutes per Wine
# process start.
install_qemu() {
    if [ -x "$qemu" ] && "$qemu" --version | grep -q 'version \([1-9][0-9]\)\.'; then
        return 0
    fi
    cat >"$backports_list" <<LIST
Types: deb
URIs: http://deb.debian.org/debian
Suites: $suite-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
LIST
    cat >"$backports_pin" <<PIN
Package: *
Pin: release n=$suite-backports
Pin-Priority: -1

Package: qemu-user
Pin: release n=$suite-backports
Pin-Priority: 990
PIN
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends qemu-user >/dev/null
    "$qemu" --version | head -1
}

prepare() {
    make_tree
    if runs_natively; then
        echo "i386 programs: native (this kernel runs 32-bit x86 code)"
    else
        install_qemu
        echo "i386 programs: emulated by $("$qemu" --version | head -1)"
    fi
}

bind() { # host-path tree-path
    mkdir -p "$2"
    mount --rbind "$1" "$2"
}

# Runs inside the namespaces: mounts for the tree, the private emulator entry, then CMD.
inside() {
    mount -t proc proc /proc
    mount -t proc proc "$tree/proc"
    bind /dev "$tree/dev"
    bind /tmp "$tree/tmp"
    bind "$repo" "$tree$repo"
    case "$ORV_OUT/" in "$repo"/*) ;; *) bind "$ORV_OUT" "$tree$ORV_OUT" ;; esac
    if [ "${ORV_I686_PATH}" = emulated ]; then
        # A binfmt_misc instance of this user namespace's own; F opens the emulator now, so it is
        # found from inside the tree too.
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
        echo ':orvane-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
            >/proc/sys/fs/binfmt_misc/register
    fi
    export ORV_I686_TREE=$tree
    exec "$@"
}

enter() {
    [ -f "$tree/.orvane-ready" ] || { echo "wine32.sh: no $flavour tree; run prepare first" >&2; exit 1; }
    local ns=(--mount --propagation private --pid --fork)
    if runs_natively; then
        export ORV_I686_PATH=native
    else
        export ORV_I686_PATH=emulated
        ns+=(--user --map-root-user)
    fi
    exec unshare "${ns[@]}" "${BASH_SOURCE[0]}" __inside "$@"
}

cmd=${1:-}
[ $# -gt 0 ] && shift
case "$cmd" in
prepare) prepare ;;
enter) enter "$@" ;;
__inside) inside "$@" ;;
path) if runs_natively; then echo native; else echo emulated; fi ;;
modules)
    make_tree >&2
    echo "$tree/usr/lib/i386-linux-gnu/wine/i386-windows"
    ;;
*)
    sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
