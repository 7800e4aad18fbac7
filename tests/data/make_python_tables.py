#!/usr/bin/python3
"""Writes the test tables of tests/data with python3-dbf, a writer independent of ours, and reads
each back with python3-dbfread as a check. Run with Debian's /usr/bin/python3, which has both
packages; the generated files are committed, so the tests do not need Python.

    /usr/bin/python3 tests/data/make_python_tables.py
"""
import datetime
import os
import sys

import dbf
import dbfread

HERE = os.path.dirname(os.path.abspath(__file__))


def path(name):
    return os.path.join(HERE, name)


def remove(*names):
    for name in names:
        try:
            os.remove(path(name))
        except FileNotFoundError:
            pass


def reminders():
    """The planner's reminder table as dBase III, text in code page 850 (one umlaut, one deleted
    record, one blank appointment date, one right-aligned shorter number)."""
    remove("py_reminders.dbf")
    t = dbf.Table(path("py_reminders.dbf"),
                  "ERINNERUNG C(14); TERMINDATU N(14,0); TEXT C(30)",
                  dbf_type="db3", codepage="cp850")
    t.open(dbf.READ_WRITE)
    rows = [
        ("20261206235959", 20261207103000, "B\u00e4cker anrufen"),
        ("20261207000000", 20261208090000, "Zahnarzt"),
        ("20261207000001", 20261209120000, "zu sp\u00e4t"),
        ("20261201000000", 20261202080000, "gel\u00f6scht"),
        ("", None, "ohne Datum"),
        ("20261205000000", 20261207, "kurze Zahl"),
    ]
    for row in rows:
        t.append(row)
    with t[3] as record:
        dbf.delete(record)
    t.close()


def kinds():
    """Every kind a dBase III table can hold, with a memo file."""
    remove("py_kinds.dbf", "py_kinds.dbt")
    t = dbf.Table(path("py_kinds.dbf"),
                  "NAME C(10); BETRAG N(10,2); ANZAHL N(4,0); DATUM D; ERLEDIGT L; NOTIZ M",
                  dbf_type="db3")
    t.open(dbf.READ_WRITE)
    t.append(("Miete", 123.5, 12, datetime.date(2026, 12, 7), True, "erste Notiz"))
    t.append(("Strom", -0.05, -3, datetime.date(2027, 1, 31), False, ""))
    t.append(("", None, None, None, None, None))
    t.close()


def visual_foxpro():
    """Visual FoxPro layout: version 0x30, code page mark 3 (1252), and the 263-byte backlink
    between the descriptors' terminator and the first record."""
    remove("py_vfp.dbf")
    t = dbf.Table(path("py_vfp.dbf"), "ERINNERUNG C(14); TERMINDATU N(14,0); TEXT C(20)",
                  dbf_type="vfp", codepage="cp1252")
    t.open(dbf.READ_WRITE)
    t.append(("20261207000000", 20261207103000, "Gr\u00fc\u00dfe"))
    t.append(("20261208000000", 20261208103000, "zweiter"))
    t.close()


def damaged_copies():
    """Copies of the reminder table with one fault each, for the tool's failure paths."""
    with open(path("py_reminders.dbf"), "rb") as f:
        good = f.read()
    zero_length = bytearray(good)
    zero_length[10:12] = b"\0\0"
    with open(path("damaged_record_length_0.dbf"), "wb") as f:
        f.write(zero_length)
    version = bytearray(good)
    version[0] = 0x02
    with open(path("damaged_version_02.dbf"), "wb") as f:
        f.write(version)


def check(name, expected_records, encoding):
    table = dbfread.DBF(path(name), encoding=encoding, load=True)
    if len(table.records) != expected_records:
        sys.exit("%s: dbfread sees %d records, expected %d" % (name, len(table.records),
                                                              expected_records))


def main():
    reminders()
    kinds()
    visual_foxpro()
    damaged_copies()
    check("py_reminders.dbf", 5, "cp850")
    check("py_kinds.dbf", 3, "cp1252")
    check("py_vfp.dbf", 2, "cp1252")
    return 0


if __name__ == "__main__":
    sys.exit(main())
