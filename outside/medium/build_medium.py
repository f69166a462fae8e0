#!/usr/bin/env python3
"""Lays out the Orvane 2.0 distribution medium from the installation manifest.

build_medium.py --build DIR [--build DIR]... --szdd ORVSZDD [--platform DIR]... [--partial] OUT

OUT receives ORVSETUP.EXE as it is and every manifest file, SZDD-compressed with the last
character of its name replaced by "_", in the group's source directory (UTILS, KELTO32, PIXTRAN,
SYSTEM, DRIVER, UTILS64, UTILS32). A file is taken from the first place that has it: this folder's
files/, the scanner library's public header (ORVLIB.H), the build folders in the order given (the
i686 build's binaries and ORVLIB32.LIB, then the x86_64 build's ORVLIB64.DLL and its import
library), then the platform
folders in the order given (the TWAIN source manager and the system libraries of the Windows the medium is for).
A file found nowhere stops the build and is named; --partial leaves such files off instead, still
naming each, for test media of a tree that lacks them.
"""
import argparse
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "setup"))
from make_manifest import read_manifest  # noqa: E402

SPECIAL = {"ORVLIB.H": os.path.join(ROOT, "scanlib", "include", "orvlib.h")}


def find_in(directory, name):
    """The entry of directory named name regardless of case, or None."""
    if not directory or not os.path.isdir(directory):
        return None
    for entry in os.listdir(directory):
        if entry.lower() == name.lower() and os.path.isfile(os.path.join(directory, entry)):
            return os.path.join(directory, entry)
    return None


def find_source(name, args):
    if name in SPECIAL and os.path.isfile(SPECIAL[name]):
        return SPECIAL[name]
    for directory in [os.path.join(HERE, "files")] + args.build + args.platform:
        found = find_in(directory, name)
        if found:
            return found
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", action="append", required=True,
                        help="build folder with binaries or import libraries (repeatable)")
    parser.add_argument("--szdd", required=True, help="the orvszdd compressor")
    parser.add_argument("--platform", action="append", default=[],
                        help="folder with the platform's files (repeatable)")
    parser.add_argument("--partial", action="store_true", help="leave off missing files")
    parser.add_argument("out")
    args = parser.parse_args()

    groups = read_manifest(os.path.join(ROOT, "setup", "manifest.txt"))
    plan, missing = [], []
    setup = next(filter(None, (find_in(d, "ORVSETUP.EXE") for d in args.build)), None)
    if not setup:
        missing.append("ORVSETUP.EXE")
    for _, source_dir, _, _, names in groups:
        for name in names:
            found = find_source(name, args)
            if found:
                plan.append((found, source_dir, name))
            else:
                missing.append(f"{source_dir}\\{name}")
    if missing and not args.partial:
        sys.exit("medium: missing files, nothing written:\n  " + "\n  ".join(missing))
    for name in missing:
        print(f"medium: left off {name} (not found)", file=sys.stderr)

    if os.path.isdir(args.out):
        shutil.rmtree(args.out)
    os.makedirs(args.out)
    if setup:
        shutil.copyfile(setup, os.path.join(args.out, "ORVSETUP.EXE"))
    for _, source_dir, _, _, _ in groups:
        os.makedirs(os.path.join(args.out, source_dir), exist_ok=True)
    for found, source_dir, name in plan:
        packed = os.path.join(args.out, source_dir, name[:-1] + "_")
        subprocess.run([args.szdd, found, packed], check=True)
    print(f"medium: {len(plan)} files in {args.out}" +
          (f", {len(missing)} left off" if missing else ""))


if __name__ == "__main__":
    main()
