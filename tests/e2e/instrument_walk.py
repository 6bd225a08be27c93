#!/usr/bin/env python3
"""A driver's walk through KELVO as a standard instrument, over one VISA resource: the
IEEE 488.2 common commands, the status model and the DC-supply forms, against the real
program on the simulated supply (10 ohm load). Exits non-zero with the first difference.

  instrument_walk.py RESOURCE     e.g. TCPIP0::127.0.0.1::5025::SOCKET or TCPIP0::127.0.0.1::INSTR
"""
# SPDX-License-Identifier: GPL-3.0-or-later
import sys
import time

import pyvisa

resource = sys.argv[1]
raw = resource.endswith("::SOCKET")
rm = pyvisa.ResourceManager("@py")
options = {"read_termination": "\n", "write_termination": "\n"} if raw else {}
psu = rm.open_resource(resource, timeout=4000, **options)
if not raw:
    psu.read_termination = "\n"
    psu.write_termination = "\n"


def check(what, got, want):
    if got != want:
        sys.exit(f"{resource}: {what}: {got!r}, not {want!r}")


def ask(line):
    return psu.query(line).strip()


def until(what, line, test, seconds=6.0):
    deadline = time.monotonic() + seconds
    got = ask(line)
    while not test(got):
        if time.monotonic() > deadline:
            sys.exit(f"{resource}: {what}: still {got!r}")
        time.sleep(0.1)
        got = ask(line)
    return got


# Who it is; the supply is found within a few seconds of the start.
fields = ask("*IDN?").split(",")
check("identity fields", len(fields), 4)
if not all(fields):
    sys.exit(f"{resource}: an empty identity field: {fields}")
until("supply", "*TST?", lambda got: got == "0", 15)
psu.write("*RST;*CLS")
check("clean", ask("*ESR?;SYST:ERR:COUN?;SYST:VERS?"), "0;0;1999.0")

# The event register, its mask and the status byte.
psu.write("*ESE 60;*SRE 255")
check("masks", ask("*ESE?;*SRE?"), "60;191")
psu.write("FOO")
check("command error", ask("*ESR?"), "32")
check("its number", ask("SYST:ERR?"), '-113,"Undefined header"')
psu.write("VOLT 40")
check("execution error in the status byte", int(ask("*STB?")) & 0x64, 0x64)
check("read and emptied", ask("*ESR?;*ESR?"), "16;0")
psu.write("*CLS;*OPC")
check("operation complete", ask("*ESR?"), "1")
check("*OPC? and *WAI", ask("*WAI;*OPC?"), "1")
psu.write("*ESE 0;*SRE 0")

# Bounds, units, the long tree, APPLy.
check("bounds", ask("VOLT? MAX;VOLT? MIN;CURR? MAX;VOLT:PROT? MAX"), "31.00;0.00;5.100;31.00")
psu.write("SOUR:VOLT:LEV:IMM:AMPL 1500mV;:CURR 250mA")
check("units", ask("VOLT?;CURR?"), "1.50;0.250")
psu.write("APPL 5,0.8")
check("apply", ask("APPL?"), "5.00,0.800")
psu.write("VOLT 5 A")
check("a suffix of the wrong unit", ask("SYST:ERR?"), '-131,"Invalid suffix"')

# The voltage protection is the voltage limit.
psu.write("VOLT:PROT 12")
check("limit", ask("VOLT:PROT?;VOLT? MAX"), "12.00;12.00")
psu.write("VOLT 13")
check("above the limit", ask("SYST:ERR?").split(";")[0], '-222,"Data out of range')
psu.write("VOLT:PROT MAX;CURR:PROT:STAT OFF")
check("no limit, steady", ask("VOLT:PROT?;CURR:PROT:STAT?"), "31.00;0")

# The operation register follows the output; readings are measurements.
psu.write("STAT:PRES;STAT:OPER:ENAB 2048;OUTP ON")
until("output on in the condition", "STAT:OPER:COND?", lambda got: int(got) & 2048 != 0)
check("operation summary", int(ask("*STB?")) & 128, 128)
until("a reading", "MEAS:VOLT?", lambda got: got == "5.00")
check("fetch", ask("FETC:CURR?;MEAS:CURR?;MEAS:POW?"), "0.500;0.500;2.500")
# A current limit below what the load draws: the supply limits the current.
psu.write("CURR 0.2")
until("constant current", "STAT:OPER:COND?", lambda got: int(got) & 1024 != 0)
check("questionable current", int(ask("STAT:QUES:COND?")) & 2, 2)
# The trip: on over-current the output goes off and the trip is latched until cleared.
psu.write("CURR:PROT:STAT ON")
until("tripped", "CURR:PROT:TRIP?", lambda got: got == "1")
check("off by the trip", ask("OUTP?;VOLT:PROT:TRIP?"), "0;0")
psu.write("OUTP:PROT:CLE")
check("cleared", ask("CURR:PROT:TRIP?"), "0")
psu.write("*RST")
check("after *RST", ask("VOLT?;CURR?;OUTP?;CURR:PROT:STAT?"), "0.00;0.000;0;0")
check("no error left", ask("SYST:ERR?"), '0,"No error"')
psu.close()
print(f"{resource}: walked")
