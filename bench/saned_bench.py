#!/usr/bin/env python3
"""A page from saned through Orvane against scanimage through the same saned, in one run.

An A4 page at 300 dpi in 24-bit colour from SANE's test device: orvscan.exe (large blocks: 1127
lines, the largest the server sends) through the installed library and server, and scanimage with
the same options, three rounds each, alternating; the ratio of the medians. Then the server's
largest private bytes while an application takes an A4 page at 300 and at 600 dpi (a 104 MB
page): flat when the server streams.
Run by `./run bench` in its Wine session, after install_bench_binaries:
  saned_bench.py WINE_RUN PEER_DIR PORT
"""
import os
import re
import statistics
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "harness"))
import saned_peer  # noqa: E402

WINE_RUN, PEER, PORT = sys.argv[1], sys.argv[2], int(sys.argv[3])
DRIVE_C = os.path.join(os.environ["WINEPREFIX"], "drive_c")
PAGES = {300: (2480, 3508, 1127), 600: (4960, 7016, 563)}  # width, lines, lines a block


def watched(command):
    """A command line under server_memory.exe: its output, wall s and the server's peak KB."""
    # Into a file: the server and driver program inherit it and may hold it after the run.
    path = os.path.join(PEER, "watched.txt")
    with open(path, "w") as out:
        subprocess.run([WINE_RUN, "C:\\ORVBENCH\\server_memory.exe", command],
                       stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT, timeout=600)
    with open(path, errors="replace") as f:
        out = f.read()
    figures = re.search(r"wall_ms=(\d+) exit=(-?\d+) server_private_peak_kb=(\d+)", out)
    if not figures or figures.group(2) != "0":
        sys.exit("failed: %s\n%s" % (command, out))
    return out, int(figures.group(1)) / 1000, int(figures.group(3))


def orvscan():
    """orvscan.exe, A4 at 300 dpi: (wall s, transfer s)."""
    out, wall, _ = watched("C:\\ORVSCAN\\orvscan.exe /mode:color /res:300 /area:0,0,2480,3508 "
                           "/lines:1127 /out:C:\\ORVBENCH\\page.bmp")
    return wall, int(re.search(r"bytes in (\d+) ms", out).group(1)) / 1000


def server_peak(dpi):
    """The server's peak private KB while scanapp.exe takes an A4 colour page at dpi in blocks of
    at most 8 MB (orvscan.exe keeps areas within the capability's maximum at 300 dpi)."""
    width, lines, block = PAGES[dpi]
    gets = ["get=%d,%d" % (block, block * width * 3)] * (-(-lines // block))
    out, _, peak = watched(" ".join(["C:\\ORVBENCH\\scanapp.exe", "init", "open",
                                     "setattr=16,%d,%d,%d" % (dpi, width, lines), "start=0,0"]
                                    + gets + ["close", "quit"]))
    done = sum(int(n) for n in re.findall(r"^get (\d+)", out, re.M))
    if done != width * 3 * lines:
        sys.exit("scanapp got %d bytes of %d:\n%s" % (done, width * 3 * lines, out))
    return peak


def scanimage():
    return saned_peer.scanimage(PEER, ["--mode", "Color", "--depth", "8", "--resolution", "300",
                                       "-l", "0", "-t", "0", "-x", "210", "-y", "297"],
                                os.path.join(PEER, "page.pnm"))


def main():
    saned = saned_peer.Saned(PEER, PORT).start()
    try:
        with open(os.path.join(DRIVE_C, "windows", "KELTO32", "ORVMAIN.INI"), "w",
                  newline="\r\n") as out:
            out.write("[Scanner]\nSource=SANE\n[SANE]\nHost=127.0.0.1\nPort=%d\nDevice=%s\n"
                      "[SANE Options]\ntest-picture=Color pattern\n" % (PORT, saned_peer.DEVICE))
        rounds = [(scanimage(), orvscan()) for _ in range(3)]
        memory = {dpi: server_peak(dpi) for dpi in PAGES}
    finally:
        saned.stop()
    print("A4, 300 dpi, 24-bit colour (2480 x 3508, 26.1 MB), SANE test device through saned")
    print("| round | scanimage s | orvscan.exe s | orvscan transfer s | ratio | ratio (transfer) |")
    print("|---:|---:|---:|---:|---:|---:|")
    for number, (alone, (wall, transfer)) in enumerate(rounds, 1):
        print("| %d | %.2f | %.2f | %.2f | %.2f | %.2f |" % (number, alone, wall, transfer,
                                                            wall / alone, transfer / alone))
    alone = statistics.median(r[0] for r in rounds)
    wall = statistics.median(r[1][0] for r in rounds)
    transfer = statistics.median(r[1][1] for r in rounds)
    print("| median | %.2f | %.2f | %.2f | **%.2f** | **%.2f** |" % (alone, wall, transfer,
                                                                   wall / alone, transfer / alone))
    print("ratio (orvscan.exe / scanimage, medians): %.2f whole program, %.2f transfer alone; "
          "aim 1.3" % (wall / alone, transfer / alone))
    print("server private bytes, peak: A4 300 dpi (26 MB page) %d KB; A4 600 dpi (104 MB page) "
          "%d KB" % (memory[300], memory[600]))


if __name__ == "__main__":
    main()
