#!/usr/bin/env python3
"""The floors of the house: which folder of src/ may include which.

Every folder of src/ is a room on a floor; a file may include its own room and the rooms
on the floors below, and the core (up to remote/) no Qt or system header. The build runs
`layers.py --check src`, so an include that points up (or sideways, to another room of the
same floor) fails it.

  scripts/layers.py --check [SRC]   the wrong-way includes, if any; status 1 then
  scripts/layers.py [SRC]           the map: each room with its lines and the rooms it
                                    includes, from the top floor down
"""
# SPDX-License-Identifier: GPL-3.0-or-later
import pathlib
import re
import sys

# From the ground up. Rooms of one floor know nothing of each other.
FLOORS = [
    ["base"],  # texts, the instrument's limits, time and event types
    ["platform"],  # what the logic needs of the world: interfaces only
    ["chart", "layout", "link", "settings", "meter", "limits"],
    ["record", "program"],
    ["history"],
    ["app"],  # Form1: the window model, its procedures by subsystem, its main loop
    ["remote"],  # remote control's language, spoken to Form1
    ["posix"],  # files and descriptors
    ["access"],  # old Access step tables, through libmdb
    ["vxi11"],  # the LAN instrument's remote procedures, through libtirpc
    ["qt"],  # what every Qt room shares
    ["qt/widgets", "qt/serial"],  # the window's controls; the serial port
    ["qt/steps"],  # the step store and its grid
    ["qt/window"],  # the main window that holds them all, and its services
    ["qt/remote"],  # the remote-control socket
    ["qt/tools"],  # the tool strip's windows
    ["main"],  # the command line and main()
]
FLOOR_OF = {room: level for level, rooms in enumerate(FLOORS) for room in rooms}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
# The core (the floors up to remote/) is standard C++: no Qt, no header of the system's.
CORE_TOP = FLOOR_OF["remote"]
SYSTEM_HEADER = re.compile(
    r'^\s*#\s*include\s+<((?:Q\w*)|(?:\w+\.h)|(?:sys|arpa|netinet)/[\w/]+\.h)>', re.MULTILINE
)


def room_of(relative):
    """The room of a path under src/: its folder, as deep as the map knows it."""
    folder = str(pathlib.PurePosixPath(relative).parent)
    while folder not in FLOOR_OF and "/" in folder:
        folder = folder.rsplit("/", 1)[0]
    return folder


def sources(src):
    for path in sorted(src.rglob("*")):
        if path.suffix in (".h", ".cpp"):
            yield path.relative_to(src).as_posix(), path.read_text(encoding="utf-8")


def survey(src):
    """Lines per room, the arrows between rooms, and every include that breaks the map."""
    lines, arrows, wrong = {}, {}, []
    for relative, text in sources(src):
        room = room_of(relative)
        lines[room] = lines.get(room, 0) + text.count("\n")
        if room not in FLOOR_OF:
            wrong.append(f"src/{relative}: the folder {room}/ is on no floor of scripts/layers.py")
            continue
        if FLOOR_OF[room] <= CORE_TOP:
            for header in SYSTEM_HEADER.findall(text):
                wrong.append(f"src/{relative}: includes <{header}>, but {room}/ is standard C++ only")
        for target in INCLUDE.findall(text):
            if not (src / target).is_file():
                continue  # a system header or a generated file
            other = room_of(target)
            if other == room:
                continue
            arrows.setdefault(room, {}).setdefault(other, 0)
            arrows[room][other] += 1
            if FLOOR_OF.get(other, len(FLOORS)) >= FLOOR_OF[room]:
                wrong.append(f"src/{relative}: includes {target}, which is not below {room}/")
    return lines, arrows, wrong


def main(argv):
    check = "--check" in argv
    rest = [a for a in argv if a != "--check"]
    src = pathlib.Path(rest[0] if rest else pathlib.Path(__file__).parent.parent / "src")
    lines, arrows, wrong = survey(src)
    if not check:
        for level in reversed(range(len(FLOORS))):
            for room in FLOORS[level]:
                targets = ", ".join(f"{t} ({n})" for t, n in sorted(arrows.get(room, {}).items()))
                print(f"floor {level:2}  {room + '/':12} {lines.get(room, 0):5} lines  -> {targets or '-'}")
        print(f"src/ {sum(lines.values())} lines; {len(wrong)} include(s) against the map")
    for line in wrong:
        print(line, file=sys.stderr)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
