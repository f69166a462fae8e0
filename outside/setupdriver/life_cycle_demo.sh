# The demo's life cycle, sourced by ./run inside a Wine session (WINEPREFIX, ORV_OUT, ROOT set):
# the medium laid out from the tested tree, the real installation program run from it with its
# wizard answered by orvdrive.exe, a page scanned through the installed package, and on request the
# removal by the installed uninstaller; or the same with the installed server scanning from a SANE
# device shared by saned.

DEMO_MODEL="Kelto ColorPro 24"

# Windows path of a Unix path (Wine's drive Z: is the Unix root).
demo_windows_path() {
    local path=$1
    echo "Z:${path//\//\\}"
}

# The medium as a user gets it, in $ORV_OUT/demo/medium: the x86_64 binaries (with ORVLIB64.LIB)
# and the i686 ORVLIB32.DLL with ORVLIB32.LIB, the stand-ins for the TWAIN files Wine has no 64-bit copy of, the
# prefix's 64-bit TWAIN manager and system libraries.
demo_lay_out_medium() {
    python3 "$ROOT/outside/medium/build_medium.py" --build "$ORV_OUT/x86_64/bin" \
        --build "$ORV_OUT/x86_64/lib" --build "$ORV_OUT/i686/bin" --build "$ORV_OUT/i686/lib" \
        --szdd "$ORV_OUT/host/bin/orvszdd" --platform "$WINEPREFIX/drive_c/windows/system32" \
        --platform "$ORV_OUT/x86_64/bin/twainstandins" "$ORV_OUT/demo/medium"
}

demo_install() {
    demo_set_up
    # The chart, even where an earlier --saned demo left the installation on a SANE device.
    demo_set_source "$WINEPREFIX/drive_c/windows/KELTO32/ORVMAIN.INI" Chart
    demo_scan "$@"
}

demo_set_up() {
    local bin="$ORV_OUT/x86_64/bin" outdir="$ORV_OUT/demo"
    echo "== Distribution medium"
    demo_lay_out_medium
    echo "== ORVSETUP.EXE from the medium, wizard answered by orvdrive.exe"
    "$ROOT/tests/harness/wine-run" "$bin/orvdrive.exe" install \
        "$(demo_windows_path "$outdir/medium/ORVSETUP.EXE")" "$DEMO_MODEL" </dev/null
    echo "== Installed: C:\\windows\\KELTO32"
    (cd "$WINEPREFIX/drive_c/windows/KELTO32" && ls)
}

demo_scan() {
    local bin="$ORV_OUT/x86_64/bin" outdir="$ORV_OUT/demo" scan="$WINEPREFIX/drive_c/ORVSCAN"
    # The sample application is the user's: it lives apart from the library, which loads only
    # from the Windows directory.
    echo "== orvscan.exe through the installed library, server and driver program"
    mkdir -p "$scan" "$outdir"
    cp "$bin/orvscan.exe" "$scan/"
    rm -f "$scan/page.bmp"
    "$ROOT/tests/harness/wine-run" 'C:\ORVSCAN\orvscan.exe' '/out:C:\ORVSCAN\page.bmp' "$@" </dev/null
    cp "$scan/page.bmp" "$outdir/page.bmp"
    echo "Image: $outdir/page.bmp"
    if command -v convert >/dev/null; then
        convert "$outdir/page.bmp" "$outdir/page.png"
        echo "PNG:   $outdir/page.png"
    fi
}

# ./run demo --saned [HOST[:PORT]/DEVICE] [orvscan options]: installs, points the installed server
# at the device (ORVMAIN.INI: [Scanner] Source=SANE, [SANE] Host, Port, Device) and scans through it.
# Without an address a saned of its own on 127.0.0.1 serves SANE's test device ("Color pattern",
# an area that holds US Letter) from a private configuration, and is stopped afterwards.
demo_saned() {
    local host=127.0.0.1 port=16566 device=test:0 peer="" options=()
    case "${1:-}" in
    "" | /*) # an orvscan option, not an address
        peer="$ORV_OUT/demo/saned"
        python3 "$ROOT/tests/harness/saned_peer.py" start "$peer" "$port"
        trap "python3 '$ROOT/tests/harness/saned_peer.py' stop '$peer'; orv_session_stop" EXIT
        options=("test-picture=Color pattern")
        ;;
    */*)
        host=${1%%/*} device=${1#*/} port=6566
        case "$host" in *:*) port=${host##*:} host=${host%:*} ;; esac
        shift
        ;;
    *)
        echo "--saned wants HOST[:PORT]/DEVICE, e.g. 127.0.0.1:6566/test:0" >&2
        return 2
        ;;
    esac
    demo_set_up
    local ini="$WINEPREFIX/drive_c/windows/KELTO32/ORVMAIN.INI"
    demo_set_source "$ini" SANE "$host" "$port" "$device" "${options[@]}"
    echo "== $ini"
    cat "$ini"
    demo_scan "$@"
}

# Sets [Scanner] Source of a server settings file, and for SANE its [SANE] and [SANE Options]
# sections, keeping its other keys and sections.
demo_set_source() { # ini Chart | ini SANE host port device [option=value...]
    python3 - "$@" <<'PY'
import sys
path, source, sane = sys.argv[1], sys.argv[2], sys.argv[2] == "SANE"
try:
    lines = open(path, newline="").read().splitlines()
except FileNotFoundError:
    lines = []
kept, section = [], ""
for line in lines:
    if line.strip().startswith("["):
        section = line.strip().lower()
    if sane and section in ("[sane]", "[sane options]"):
        continue
    if section == "[scanner]" and line.split("=")[0].strip().lower() == "source":
        continue
    kept.append(line)
    if line.strip().lower() == "[scanner]":
        kept.append("Source=" + source)
if "[scanner]" not in (l.strip().lower() for l in kept):
    kept += ["[Scanner]", "Source=" + source]
if sane:
    kept += ["[SANE]", "Host=" + sys.argv[3], "Port=" + sys.argv[4], "Device=" + sys.argv[5],
             "[SANE Options]"] + sys.argv[6:]
open(path, "w", newline="").write("\r\n".join(kept) + "\r\n")
PY
}

# Files of the prefix's drive C: that an installation writes, one per line (not the sample
# application in C:\ORVSCAN, which is the user's, nor the platform's TWAIN data sources).
demo_installed_files() {
    (cd "$WINEPREFIX/drive_c" &&
        find . -path ./windows/temp -prune -o -print | sed 's|^\./||' |
        grep -iE 'KELTO32|PIXTRAN|SETSCAN\.INI|ORV|TWAIN|TWUNK|Kelto Applications' |
            grep -viE '^(windows/(system32|syswow64|twain_64)|ORVSCAN)(/|$)' | sort) || true
}

demo_uninstall_entry() {
    if /usr/lib/wine/wine64 reg query \
        'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane20' >/dev/null 2>&1; then
        echo present
    else
        echo absent
    fi
}

demo_uninstall() {
    local bin="$ORV_OUT/x86_64/bin" before after
    if [ ! -f "$WINEPREFIX/drive_c/windows/ORVCLEAN.EXE" ]; then
        echo "Nothing installed: run ./run demo first." >&2
        return 1
    fi
    before=$(mktemp)
    after=$(mktemp)
    demo_installed_files >"$before"
    local entry_before
    entry_before=$(demo_uninstall_entry)
    echo "== ORVCLEAN.EXE from the Windows directory, confirmation answered Yes by orvdrive.exe"
    "$ROOT/tests/harness/wine-run" "$bin/orvdrive.exe" uninstall 'C:\windows\ORVCLEAN.EXE' yes </dev/null
    demo_installed_files >"$after"
    echo "== Removed (drive C:)"
    comm -23 "$before" "$after" | sed 's/^/  /'
    echo "== Stays (drive C:)"
    comm -12 "$before" "$after" | sed 's/^/  /'
    echo "== Uninstall entry HKLM\\...\\Uninstall\\Orvane20: $entry_before -> $(demo_uninstall_entry)"
    rm -f "$before" "$after"
}
