#!/usr/bin/env python3
"""The scanning server against a real SANE peer: saned with SANE's `test` device on 127.0.0.1
(tests/harness/saned_peer.py), the server set to scan from it (ORVMAIN.INI [Scanner] Source=SANE).

Pages: what orvscan.exe writes equals, pixel for pixel, what scanimage reads through the same saned
with the same options, for each mode at a few resolutions and areas. Frames: three-pass colour and a
hand-held device's unknown height. Faults, through scanapp.exe (one application, several pages):
cancel mid-page, saned killed mid-page and started again, saned's authorization.

  saned_test.py WINE_RUN PORT LIBRARY ORVMAIN ORVDR07 ORVSCAN SCANAPP [CASE...]
Runs in a test session of ./run (WINEPREFIX set); uses PORT and PORT + 1.
"""
import os
import shutil
import subprocess
import sys
import socket
import tempfile
import threading
import time
import unittest

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import saned_peer  # noqa: E402

WINE_RUN, PORT = sys.argv[1], int(sys.argv[2])
LIBRARY, SERVER, DRIVER, ORVSCAN, SCANAPP = sys.argv[3:8]
DRIVE_C = os.path.join(os.environ.get("WINEPREFIX", ""), "drive_c")
WINDOWS, APPS = os.path.join(DRIVE_C, "windows"), os.path.join(DRIVE_C, "ORVSANE")
SERVER_DIR = os.path.join(WINDOWS, "KELTO32")
PEER = tempfile.mkdtemp(prefix="orv-saned-")
# Orvane mode: orvscan name, ScanMode bit, bits a pixel, scanimage options. The test device has no
# "Lineart" mode: its 1-bit pages are Gray at depth 1.
MODES = {"bw": (0x01, 1, ["--mode", "Gray", "--depth", "1"]),
         "gray4": (0x04, 4, ["--mode", "Gray", "--depth", "8"]),
         "gray8": (0x08, 8, ["--mode", "Gray", "--depth", "8"]),
         "color": (0x10, 24, ["--mode", "Color", "--depth", "8"])}
BOUND_S = 60  # a failure reaches the application well within the library's 90 s


def settings(port=PORT, user="", password="", device=saned_peer.DEVICE, **options):
    """ORVMAIN.INI: scan from the test device, with SANE options (names with _ for -)."""
    lines = ["[Scanner]", "Source=SANE", "[SANE]", "Host=127.0.0.1", "Port=%d" % port,
             "Device=" + device, "User=" + user, "Password=" + password,
             "[SANE Options]"] + ["%s=%s" % (k.replace("_", "-"), v) for k, v in options.items()]
    with open(os.path.join(SERVER_DIR, "ORVMAIN.INI"), "w", newline="\r\n") as out:
        out.write("\n".join(lines) + "\n")


def run_app(program, arguments, name, wait=True):
    """A Win32 program of C:\\ORVSANE, its output in a file (the server it starts inherits it);
    without wait its process."""
    output = os.path.join(APPS, name + ".txt")
    with open(output, "w") as out:
        process = subprocess.Popen([WINE_RUN, "C:\\ORVSANE\\" + program] + arguments,
                                   stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)
    if not wait:
        return process
    process.wait(180)
    with open(output, errors="replace") as f:
        return f.read().replace("\r", "")


def scanimage_rows(name, options):
    path = os.path.join(PEER, name + ".pnm")
    saned_peer.scanimage(PEER, options, path)
    return saned_peer.read_pnm(path)


def bmp_rows(path):
    """(bits, width, height, rows) of orvscan's bitmap, rows top first as bytes: 24-bit red,
    green, blue; fewer bits one palette index a pixel (the palette is the gray ramp)."""
    with open(path, "rb") as f:
        data = f.read()
    offset = int.from_bytes(data[10:14], "little")
    width, height = int.from_bytes(data[18:22], "little"), int.from_bytes(data[22:26], "little")
    bits = int.from_bytes(data[28:30], "little")
    stride = (width * bits + 31) // 32 * 4
    rows = []
    for y in range(height - 1, -1, -1):
        row = data[offset + y * stride:offset + (y + 1) * stride]
        if bits == 24:
            rgb = bytearray(row[:3 * width])
            rgb[0::3], rgb[2::3] = row[2:3 * width:3], row[0:3 * width:3]
            rows.append(bytes(rgb))
        else:
            per = 8 // bits
            rows.append(bytes(row[x // per] >> (8 - bits - x % per * bits) & (1 << bits) - 1
                              for x in range(width)))
    return bits, width, height, rows


def expected_rows(mode, rows):
    """scanimage's page as Orvane delivers it: 4-bit gray keeps the high nibble of 8-bit gray
    (the server's reduction, the same as for its chart)."""
    return [bytes(v >> 4 for v in row) for row in rows] if mode == "gray4" else rows


def first_difference(page, rows):
    """None when equal, else where the two pages part (without a diff of whole pages)."""
    if page == rows:
        return None
    if len(page) != len(rows):
        return "%d lines against %d" % (len(page), len(rows))
    y = next(y for y in range(len(rows)) if page[y] != rows[y])
    x = next((x for x in range(min(len(page[y]), len(rows[y]))) if page[y][x] != rows[y][x]), -1)
    return "line %d, byte %d: %s against %s" % (y, x, page[y][x:x + 6].hex(), rows[y][x:x + 6].hex())


def mm(pixels, dpi):
    return "%g" % (pixels * 25.4 / dpi)


class SanedPeerCase(unittest.TestCase):
    saned = None

    @classmethod
    def setUpClass(cls):
        for folder in (SERVER_DIR, APPS):
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
        shutil.copy(LIBRARY, WINDOWS)
        for binary in (SERVER, DRIVER):
            shutil.copy(binary, SERVER_DIR)
        for binary in (ORVSCAN, SCANAPP):
            shutil.copy(binary, APPS)
        with open(os.path.join(SERVER_DIR, "ORVANE.IFF"), "w", newline="\r\n") as out:
            out.write("[Scanner]\nCurrentScannerId=7\nCurrentDriver=ORVDR07.EXE\n")
        cls.saned = saned_peer.Saned(PEER, PORT).start()

    @classmethod
    def tearDownClass(cls):
        cls.saned.stop()
        subprocess.run([WINE_RUN, "taskkill", "/f", "/im", "ORVMAIN.EXE"], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        shutil.rmtree(SERVER_DIR, ignore_errors=True)
        shutil.rmtree(APPS, ignore_errors=True)
        os.remove(os.path.join(WINDOWS, os.path.basename(LIBRARY)))

    def orvscan(self, name, mode, dpi, area):
        """orvscan's page of the area (L, T, R, B at dpi); None and the output if none."""
        path = os.path.join(APPS, name + ".bmp")
        output = run_app("orvscan.exe", ["/mode:" + mode, "/res:%d" % dpi,
                                         "/area:%d,%d,%d,%d" % area, "/out:C:\\ORVSANE\\" + name
                                         + ".bmp"], name)
        return (bmp_rows(path) if os.path.exists(path) else None), output

    def scanimage(self, name, mode, dpi, area, extra=()):
        # As the library's page: placed at L, T; R pixels wide, B lines high.
        return scanimage_rows(name, MODES[mode][2] + ["--resolution", str(dpi)] + [
            option for flag, pixels in zip(("-l", "-t", "-x", "-y"), area)
            for option in (flag, mm(pixels, dpi))] + list(extra))

    def scanapp(self, name, commands):
        """scanapp.exe's result lines; meeting files are C:\\ORVSANE\\NAME."""
        run_app("scanapp.exe", ["out=C:\\ORVSANE\\%s.out" % name] + commands, name)
        with open(os.path.join(APPS, name + ".out")) as f:
            return f.read().replace("\r", "")


class Pages(SanedPeerCase):
    # Resolutions where a whole millimetre (the test device's step) is a whole number of pixels.
    CASES = [(mode, 127, (0, 0, 400, 500)) for mode in MODES] + \
            [(mode, 254, (0, 0, 1000, 600)) for mode in MODES] + \
            [("color", 127, (0, 0, 1050, 1485)),  # A4
             ("gray8", 254, (100, 200, 600, 500))]  # away from the corner

    def test_every_mode_equals_scanimage(self):
        settings()
        for mode, dpi, area in self.CASES:
            name = "%s-%d-%d-%d-%d-%d" % ((mode, dpi) + area)
            with self.subTest(name):
                page, output = self.orvscan(name, mode, dpi, area)
                self.assertIsNotNone(page, output)
                kind, width, height, rows = self.scanimage(name, mode, dpi, area)
                self.assertEqual(page[:3], (MODES[mode][1], width, height), output)
                difference = first_difference(page[3], expected_rows(mode, rows))
                print("page %-6s %3d dpi area %-20s %4d x %4d: %s" % (
                    mode, dpi, "%d,%d,%d,%d" % area, width, height,
                    difference or "equal"), flush=True)
                self.assertIsNone(difference)


class Frames(SanedPeerCase):
    AREA = (0, 0, 400, 500)

    def test_three_pass_colour_merges_its_frames(self):
        settings(three_pass="yes")
        page, output = self.orvscan("three-pass", "color", 127, self.AREA)
        self.assertIsNotNone(page, output)
        # The reference is scanimage's one-pass page: the test device draws the same picture.
        # scanimage's own three-pass through saned mixes channels in about one run of two (its
        # net backend places a frame by parameters asked after START, which can already describe
        # the next frame; it warns that it "read more data than announced").
        rows = self.scanimage("three-pass", "color", 127, self.AREA)[3]
        difference = first_difference(page[3], rows)
        print("three-pass colour 127 dpi 400 x 500: %s" % (difference or "equal"), flush=True)
        self.assertIsNone(difference)

    def test_unknown_height_gives_the_lines_asked_for(self):
        # The hand-held device is 11 cm wide whatever the area; it ends the page when it likes.
        settings(hand_scanner="yes")
        page, output = self.orvscan("hand", "gray8", 127, self.AREA)
        self.assertIsNotNone(page, output)
        kind, width, height, rows = self.scanimage("hand", "gray8", 127, self.AREA,
                                                   ["--hand-scanner=yes"])
        self.assertEqual(page[1:3], (400, 500))
        shared = min(height, 500)
        self.assertGreater(shared, 0)
        difference = first_difference(page[3][:shared], [r[:400] for r in rows[:shared]])
        print("unknown height: device %d x %d, page 400 x 500, %d lines compared: %s" % (
            width, height, shared, difference or "equal"), flush=True)
        self.assertIsNone(difference)


def lines_of(text, verb):
    return [line for line in text.splitlines() if line.split(" ")[0] == verb]


def answer_junk(listener):
    """A peer that answers every connection with bytes that are no SANE reply."""
    while True:
        try:
            peer, _ = listener.accept()
        except OSError:
            return
        peer.sendall(b"HTTP/1.0 200 OK\r\n\r\n" + b"\xff" * 64)
        peer.close()


def wait_for_file(path, seconds):
    deadline = time.monotonic() + seconds
    while not os.path.exists(path) and time.monotonic() < deadline:
        time.sleep(0.02)
    return os.path.exists(path)


class Faults(SanedPeerCase):
    WIDTH, LINES = 400, 500  # colour at 127 dpi, without pad32: 1200 bytes a line
    PAGE = ["setattr=16,127,400,500", "start=0,0"]

    def reference_hash(self):
        rows = self.scanimage("reference", "color", 127, (0, 0, self.WIDTH, self.LINES))[3]
        value = 2166136261
        for byte in b"".join(rows):
            value = (value ^ byte) * 16777619 & 0xFFFFFFFF
        return "%08x" % value

    def test_cancel_mid_page_then_the_next_page_is_whole(self):
        settings()
        started = time.monotonic()
        out = self.scanapp("cancel", ["init", "open"] + self.PAGE + [
            "get=50,60000", "cancel"] + self.PAGE + ["get=500,600000", "hash=600000", "close",
                                                      "quit"])
        print("cancel mid-page: %s (%.1f s)" % (" | ".join(out.splitlines()),
                                                 time.monotonic() - started), flush=True)
        self.assertEqual(lines_of(out, "get"), ["get 60000", "get 600000"])
        self.assertEqual(lines_of(out, "cancel"), ["cancel 0"])
        self.assertEqual(lines_of(out, "hash"), ["hash " + self.reference_hash()])

    def test_saned_killed_mid_page_fails_in_bounds_and_the_next_page_works(self):
        # Slow device reads keep most of the page in saned when it dies.
        settings(read_delay="yes", read_delay_duration="200000")
        for meeting in ("mid", "go", "failed", "again"):
            if os.path.exists(os.path.join(APPS, meeting)):
                os.remove(os.path.join(APPS, meeting))
        app = run_app("scanapp.exe", ["out=C:\\ORVSANE\\killed.out", "init", "open"] + self.PAGE + [
            "get=20,24000", "signal=C:\\ORVSANE\\mid", "wait=C:\\ORVSANE\\go", "get=480,576000",
            "signal=C:\\ORVSANE\\failed", "wait=C:\\ORVSANE\\again"] + self.PAGE + [
            "get=500,600000", "hash=600000", "close", "quit"], "killed", wait=False)
        try:
            self.assertTrue(wait_for_file(os.path.join(APPS, "mid"), 120))
            self.saned.kill()
            killed = time.monotonic()
            open(os.path.join(APPS, "go"), "w").close()
            self.assertTrue(wait_for_file(os.path.join(APPS, "failed"), 120))
            failed_after = time.monotonic() - killed
        finally:
            settings()
            self.saned.stop()
            self.saned.start()
            open(os.path.join(APPS, "again"), "w").close()
            app.wait(180)
        with open(os.path.join(APPS, "killed.out")) as f:
            out = f.read()
        print("saned killed mid-page: %s; failure %.2f s after the kill" % (
            " | ".join(out.splitlines()), failed_after), flush=True)
        gets = lines_of(out, "get")
        self.assertEqual(gets[0], "get 24000")
        self.assertLess(int(gets[1].split()[1]), 0)
        self.assertLess(failed_after, BOUND_S)
        self.assertEqual(lines_of(out, "start"), ["start 0", "start 0"])
        self.assertEqual(gets[2:], ["get 600000"])
        self.assertEqual(lines_of(out, "hash"), ["hash " + self.reference_hash()])

    def test_device_faults_give_a_status_in_bounds_and_leave_nothing_broken(self):
        # Each fault, then the page again without it: the same application scans it whole.
        junk = socket.socket()
        junk.bind(("127.0.0.1", 0))
        junk.listen(4)
        threading.Thread(target=answer_junk, args=(junk,), daemon=True).start()
        faults = [("saned not running", dict(port=PORT + 2)),
                  ("an answer that does not parse", dict(port=junk.getsockname()[1])),
                  ("device missing", dict(device="nosuch:0"))] + [
            (status, dict(read_return_value="SANE_STATUS_" + status))
            for status in ("JAMMED", "NO_DOCS", "DEVICE_BUSY", "IO_ERROR")]
        for name, fault in faults:
            with self.subTest(name):
                settings(**fault)
                started = time.monotonic()
                out = self.scanapp("fault", ["init", "caps", "open"] + self.PAGE + [
                    "get=500,600000", "close", "quit"])
                took = time.monotonic() - started
                settings()
                again = self.scanapp("fault-then", ["init", "open"] + self.PAGE + [
                    "get=500,600000", "hash=600000", "close", "quit"])
                print("fault %-30s %s (%.1f s); then %s" % (name, " | ".join(
                    l for l in out.splitlines() if l.split(" ")[0] in ("caps", "start", "get")),
                    took, " ".join(lines_of(again, "get") + lines_of(again, "hash"))), flush=True)
                self.assertLess(int(lines_of(out, "get")[0].split()[1]), 0)
                self.assertLess(took, BOUND_S)
                self.assertEqual(lines_of(again, "hash"), ["hash " + self.reference_hash()])
        junk.close()

    def test_authorization_right_and_wrong_password(self):
        guarded = saned_peer.Saned(os.path.join(PEER, "auth"), PORT + 1, "orvane:secret").start()
        try:
            reference = self.scanimage("auth-ref", "gray8", 127, (0, 0, 400, 500))[3]
            settings(PORT + 1, "orvane", "secret")
            page, output = self.orvscan("auth-right", "gray8", 127, (0, 0, 400, 500))
            self.assertIsNotNone(page, output)
            self.assertIsNone(first_difference(page[3], reference))
            settings(PORT + 1, "orvane", "wrong")
            started = time.monotonic()
            out = self.scanapp("auth-wrong", ["init", "caps", "open"] + Faults.PAGE + [
                "get=500,600000", "close", "quit"])
            print("authorization: right password: page equal; wrong password: %s (%.1f s)" % (
                " | ".join(out.splitlines()), time.monotonic() - started), flush=True)
            # Denied: no capabilities, a page that cannot start, no lines.
            self.assertNotEqual(lines_of(out, "start"), ["start 0"])
            self.assertLess(int(lines_of(out, "get")[0].split()[1]), 0)
        finally:
            guarded.stop()


if __name__ == "__main__":
    try:
        unittest.main(argv=sys.argv[:1] + sys.argv[8:], verbosity=2)  # then: cases to run
    finally:
        shutil.rmtree(PEER, ignore_errors=True)
