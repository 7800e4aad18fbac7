#!/usr/bin/python3
"""Writes a small planner data directory, tests/data/py_planner, whose reminder tables come from
python3-dbf, a writer independent of ours, and whose appointment files are masked here; each
table is read back with python3-dbfread as a check. Run with Debian's /usr/bin/python3, which has
both packages; the generated files are committed, so the tests do not need Python.

    /usr/bin/python3 tests/data/make_python_planner.py

The day is Monday 7 December 2026.
"""
import os
import shutil
import sys

import dbf
import dbfread

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "py_planner")

# account -> (dbf_type, codepage, [(ERINNERUNG, TERMINDATU, lines or None for no file, deleted)])
ACCOUNTS = {
    "Familie": ("db3", "cp1252", [
        ("20261205000000", 20261207090000, ["Arzt: Dr. M\u00fcller", "Rezept mitbringen"], False),
        ("20261206000000", 20261208163000, ["Elternabend, Schule"], False),
        ("20261201000000", 20261206180000, ["Geburtstag Tante Dorothea (gestern)"], False),
        ("20261208000000", 20261209100000, ["Erinnerung erst morgen"], False),
        ("20261204000000", 20261207120000, ["gel\u00f6schter Termin"], True),
        ("", None, None, False),
    ]),
    "Praxis": ("vfp", "cp1252", [
        ("20261207000000", 20261207140000, ["Sitzung mit Frau Sch\u00e4fer"], False),
        ("20261207000000", 20261207140000, ["Sitzung mit Frau Sch\u00e4fer"], False),
        ("20261130000000", 20261210110000, ["Steuerberater", "", "Belege f\u00fcr das Quartal"],
         False),
        ("20261203000000", 20261211080000, None, False),
    ]),
}


def masked(text):
    return bytes(b ^ 0x6E for b in text.encode("cp1252"))


def write_account(name, dbf_type, codepage, rows):
    folder = os.path.join(ROOT, "konten", name)
    os.makedirs(os.path.join(folder, "termine"))
    table_path = os.path.join(folder, "erinnerung.dbf")
    t = dbf.Table(table_path, "ERINNERUNG C(14); TERMINDATU N(14,0); BETREFF C(20)",
                  dbf_type=dbf_type, codepage=codepage)
    t.open(dbf.READ_WRITE)
    for i, (erinnerung, termin, lines, deleted) in enumerate(rows):
        t.append((erinnerung, termin, "Termin %d" % (i + 1)))
        if deleted:
            with t[i] as record:
                dbf.delete(record)
        if termin is not None and lines is not None:
            trm = os.path.join(folder, "termine", "%d.trm" % termin)
            with open(trm, "wb") as f:
                f.write(b"Brevantoliske %d\r\n" % termin)
                for line in lines:
                    f.write(masked(line) + b"\r\n")
    t.close()
    records = dbfread.DBF(table_path, encoding=codepage, load=True).records
    if len(records) != sum(1 for row in rows if not row[3]):
        sys.exit("%s: dbfread sees %d records" % (table_path, len(records)))


def main():
    shutil.rmtree(ROOT, ignore_errors=True)
    for name, (dbf_type, codepage, rows) in ACCOUNTS.items():
        write_account(name, dbf_type, codepage, rows)
    return 0


if __name__ == "__main__":
    sys.exit(main())
