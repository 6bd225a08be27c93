#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Makes the old Access step tables the tests convert, as Jet 3 and Jet 4 files.

    python3 tools/make-jet/make_jet.py tests/data

writes jet3-steps.mdb and jet4-steps.mdb into the folder. The same run makes the same
bytes, so the files can be made again and compared with the ones in the repository.
The values follow the rules below, which the tests repeat to check every row.
"""

import os
import sys
from datetime import datetime

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import jet_file as jet  # noqa: E402 (found through the line above)
from jet_file import DATETIME, DOUBLE, LONG, SINGLE, TEXT, Column, Table  # noqa: E402

JET3_STEPS = 2000  # 26-byte rows: 28 data pages
JET4_STEPS = 200  # with their notes: 3 data pages


def volts(i):
    return (i * 7 % 3100) / 100


def amperes(i):
    return (i % 500) / 200


def seconds(i):
    return (i % 60) * 0.5 + 1  # whole and half seconds: exact in a Single too


def step_columns(time_type):
    return [Column("ID", LONG), Column("U", DOUBLE), Column("A", DOUBLE), Column("T", time_type)]


def jet3_step_table():
    """The step table of the program's Access 97 days, over many data pages."""
    rows = [[i, volts(i), amperes(i), seconds(i)] for i in range(1, JET3_STEPS + 1)]
    return Table("QZ7150PPS1", step_columns(SINGLE), rows)


def jet3_tables():
    settings = Table(
        "Einstellungen",
        [Column("ID", LONG), Column("Name", TEXT, 30), Column("Wert", DOUBLE)],
        [[1, "Grenze U", 30.0], [2, "Grenze A", 5.0]],
    )
    # The name needs CP1252; the ids rise, but not one by one.
    sales = Table("Umsätze", step_columns(DOUBLE),
                  [[10, 1.5, 0.25, 60.0], [20, 3.0, 0.5, 120.0], [30, 4.5, 0.75, 180.0]])
    # A fifth field of text, with letters of CP1252 beyond Latin-1 (the dash), a text
    # that reads as a number, and empty values in a fixed-length field and in the text.
    course = Table(
        "Ablauf",
        step_columns(DOUBLE) + [Column("Bemerkung", TEXT, 50)],
        [
            [1, 5.0, 1.0, 10.0, "Vorwärmen"],
            [2, 12.0, None, 30.0, "Halten – 30 s"],
            [3, None, 0.5, 5.0, None],
            [4, 0.0, 0.0, 20.0, "Abkühlen"],
            [5, 24.0, 2.5, 60.0, "0815"],
        ],
    )
    return [jet3_step_table(), settings, sales, course]


def note(i):
    """A Jet 4 text: letters outside every 8-bit code page, every seventh one empty."""
    return None if i % 7 == 0 else f"Ω-Stufe {i} →"


def jet4_tables():
    rows = [[i, volts(i), amperes(i), None if i % 11 == 0 else seconds(i), note(i)]
            for i in range(1, JET4_STEPS + 1)]
    steps = Table("QZ7150PPS1", step_columns(DOUBLE) + [Column("Notiz", TEXT, 40)], rows)
    times = Table(
        "Zeiten",
        step_columns(DOUBLE) + [Column("Start", DATETIME)],
        [
            [1, 5.0, 1.0, 60.0, datetime(2003, 4, 5, 6, 7, 8)],
            [2, 6.0, 1.5, 90.0, None],
            [3, 7.0, 2.0, 120.0, datetime(1999, 12, 31, 23, 59, 59)],
        ],
    )
    return [steps, times]


def main(arguments):
    if len(arguments) != 2:
        print(f"usage: {arguments[0]} FOLDER", file=sys.stderr)
        return 2
    folder = arguments[1]
    os.makedirs(folder, exist_ok=True)
    for name, fmt, tables in (("jet3-steps.mdb", jet.JET3, jet3_tables()),
                              ("jet4-steps.mdb", jet.JET4, jet4_tables())):
        path = os.path.join(folder, name)
        with open(path, "wb") as out:
            out.write(jet.database(fmt, tables))
        print(f"{path}: {fmt.name}, {', '.join(table.name for table in tables)}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
