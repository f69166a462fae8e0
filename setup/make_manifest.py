#!/usr/bin/env python3
"""Reads the installation manifest list and writes it as a resource string table.

make_manifest.py manifest.txt out.rci out.h
String 115 is the total of the installation groups; group g holds its count at g, its source
directory at g+1, its destination at g+2 (absent for the target root) and its names from g+3.
Groups marked "driver", "win64" or "added" stay out of the total: the driver group is copied only
by the distribution copy, the win64 group also by an installation on 64-bit Windows, the added
group also by every installation.
The header names each group's ids and count after its source directory (MANIFEST_UTILS_GROUP,
_DESTINATION, _FIRST_NAME, _COUNT) for the code that walks a fixed group.
"""
import sys


def read_manifest(path):
    """Returns [(group id, source, destination or None, kind or None, [names])], kind being
    "driver", "win64" or "added" for the groups outside the total."""
    groups = []
    with open(path, encoding="ascii") as lines:
        for raw in lines:
            line = raw.strip()
            if not line or line.startswith("#"):
                continue
            words = line.split()
            if words[0] == "group":
                destination = None if words[3] == "-" else words[3]
                kind = words[4] if len(words) > 4 else None
                if kind not in (None, "driver", "win64", "added"):
                    sys.exit(f"group {words[1]}: unknown kind {kind}")
                groups.append((int(words[1]), words[2], destination, kind, []))
            else:
                groups[-1][4].append(line)
    return groups


def main():
    groups = read_manifest(sys.argv[1])
    total = sum(len(names) for _, _, _, kind, names in groups if not kind)
    out = ["// Generated from setup/manifest.txt by make_manifest.py.", "STRINGTABLE", "BEGIN",
           f'    115 "{total}"']
    for group, source, destination, _, names in groups:
        if group + 2 + len(names) >= group + 100:
            sys.exit(f"group {group}: {len(names)} names do not fit below the next group")
        out.append(f'    {group} "{len(names)}"')
        out.append(f'    {group + 1} "{source}"')
        if destination:
            out.append(f'    {group + 2} "{destination}"')
        out += [f'    {group + 3 + k} "{name}"' for k, name in enumerate(names)]
    out.append("END")
    with open(sys.argv[2], "w", encoding="ascii") as rci:
        rci.write("\n".join(out) + "\n")
    header = ["// Generated from setup/manifest.txt by make_manifest.py.", "#pragma once"]
    for group, source, _, _, names in groups:
        name = f"MANIFEST_{source.upper()}"
        header += [f"#define {name}_GROUP {group}", f"#define {name}_DESTINATION {group + 2}",
                   f"#define {name}_FIRST_NAME {group + 3}", f"#define {name}_COUNT {len(names)}"]
    with open(sys.argv[3], "w", encoding="ascii") as ids:
        ids.write("\n".join(header) + "\n")


if __name__ == "__main__":
    main()
