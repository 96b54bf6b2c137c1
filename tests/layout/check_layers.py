#!/usr/bin/env python3
"""Checks that each folder of src/ includes only from itself and the folders below it.

The rule mirrors the targets' link order in CMake: a folder that reaches up (or sideways) would
make the build depend on the order the linker happens to see the libraries in.
"""
import pathlib
import re
import sys

BELOW = {
    "text": set(),
    "fs": {"text"},
    "messages": {"text"},
    "grid": {"messages", "text"},
    "settings": {"fs", "messages", "text"},
    "desktop": {"settings", "fs", "messages", "text"},
    "exe": {"fs", "text"},
    "scan": {"exe", "grid", "settings", "fs", "messages", "text"},
    "html": {"scan", "exe", "grid", "settings", "fs", "messages", "text"},
    "print": {"grid", "settings", "fs", "messages", "text"},
}
# The front ends may use the whole core; the window also its own folder.
CORE = set(BELOW)
BELOW["ui"] = CORE
BELOW["cli"] = CORE

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/[^"]+"', re.M)
QT = re.compile(r"^\s*#\s*include\s+<Q", re.M)


def main(src: pathlib.Path) -> int:
    faults = []
    folders = sorted(p.name for p in src.iterdir() if p.is_dir())
    for folder in folders:
        if folder not in BELOW:
            faults.append(f"{folder}/: a folder with no place in the layering")
            continue
        for path in sorted((src / folder).glob("*.[ch]*")):
            text = path.read_text(encoding="utf-8", errors="replace")
            for used in INCLUDE.findall(text):
                if used != folder and used not in BELOW[folder]:
                    faults.append(f"{path.relative_to(src)} includes from {used}/")
            if folder in CORE and QT.search(text):
                faults.append(f"{path.relative_to(src)} includes Qt in the core")
    for fault in faults:
        print(fault)
    print(f"{len(folders)} folders checked, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1])))
