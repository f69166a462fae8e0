#!/usr/bin/env python3
"""Writes originals of awkward sizes and kinds into DIR, packs each with the compressor given and
lists their names in DIR/names.txt for the expansion test."""
import os
import random
import shutil
import subprocess
import sys

tool, out = sys.argv[1], sys.argv[2]
shutil.rmtree(out, ignore_errors=True)
os.makedirs(out)
rng = random.Random(5)
files = {"EMPTY.TXT": b""}
for n in range(1, 16):
    # Distinct letters, runs of one letter and spaces (the expander's window starts as spaces).
    kinds = [b"abcdefghijklmnop"[:n], b"a" * n, b" " * n]
    files["SMALL%02d.DAT" % n] = kinds[n % 3]
words = [b"scanner", b"driver", b"Orvane", b"page", b"line", b"|", b"ORVDR07.EX_", b"\r\n"]
files["TEXT.TXT"] = b" ".join(rng.choice(words) for _ in range(9000))
files["RANDOM.BIN"] = bytes(rng.randrange(256) for _ in range(20000))
files["ZEROS.BIN"] = bytes(70000)
# Repeats at the largest distances the window allows.
block = bytes(rng.randrange(256) for _ in range(4095))
files["WINDOW.BIN"] = block * 3 + block + b"x" + block
with open(tool, "rb") as native:
    files["SAMPLE.EXE"] = native.read()

for name, data in files.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
    subprocess.run([tool, os.path.join(out, name), out + "/"], check=True)
with open(os.path.join(out, "names.txt"), "w") as f:
    f.write("\n".join(files) + "\n")
