#!/usr/bin/env python3
"""Writes the uninstaller's manifest string table from the installation manifest list.

make_uninstall_manifest.py manifest.txt out.rci
Same groups as the installation program without the source directory and without the driver
group: string 115 is the total, group g holds its count at g, its directory below the Windows
directory at g+1 (absent for the Windows directory itself) and its names from g+2. The win64
and added groups stay beyond the total, as in the installation program's table.
"""
import os
import sys

# The list is parsed by the installation program's generator, so both read it the same way.
sys.dont_write_bytecode = True  # nothing left beside the sources
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "setup"))
from make_manifest import read_manifest  # noqa: E402


def read_groups(path):
    """Returns [(group id, destination or None, kind, [names])] of the groups to remove."""
    return [(group, destination, kind, names)
            for group, _, destination, kind, names in read_manifest(path) if kind != "driver"]


def main():
    groups = read_groups(sys.argv[1])
    out = ["// Generated from the installation manifest list by make_uninstall_manifest.py.",
           "STRINGTABLE", "BEGIN",
           f'    115 "{sum(len(names) for _, _, kind, names in groups if not kind)}"']
    for group, directory, _, names in groups:
        if group + 1 + len(names) >= group + 100:
            sys.exit(f"group {group}: {len(names)} names do not fit below the next group")
        out.append(f'    {group} "{len(names)}"')
        if directory:
            out.append(f'    {group + 1} "{directory}"')
        out += [f'    {group + 2 + k} "{name}"' for k, name in enumerate(names)]
    out.append("END")
    with open(sys.argv[2], "w", encoding="ascii") as rci:
        rci.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
