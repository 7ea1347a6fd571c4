#!/usr/bin/env python3
"""Writes the data files the orbyx command line ships as its defaults.

  src/cli/orbyx_cli/data/leapseconds.tls     leap seconds from astropy-iers-data
  src/cli/orbyx_cli/data/planet_centres.bsp  Jupiter..Pluto centres on their barycentres

Usage: tools/write_default_data.py [--check] [--output-dir DIR]
--check writes nothing and exits 1 when the files in place differ from what
would be written. The output depends only on the leap-second table, so it is
byte-identical from run to run.
"""
import argparse
import datetime
import importlib.util
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
# The test suite's DAF writer is the project's only one; a shipped kernel is
# written with it rather than with a second copy.
sys.path.insert(0, str(ROOT / "tests" / "python"))
from daf_writer import build_daf, tdb_seconds, type2_segment  # noqa: E402

DATA_DIR = ROOT / "src" / "cli" / "orbyx_cli" / "data"
TOOL = "tools/write_default_data.py"

MONTHS = ("JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC")
MJD_ZERO = datetime.date(1858, 11, 17)
FIRST_LEAP_SECOND_ENTRY = (datetime.date(1972, 1, 1), 10)

LEAP_SECOND_KERNEL_HEAD = f"""KPL/LSK

\\begintext

Leap-second kernel shipped with the orbyx command line as its default.

TAI-UTC is the IERS leap-second table (Bulletin C) as published in the
Leap_Second.dat file of the astropy-iers-data package; entries before
1972 are left out, as this table starts at 1972 January 1 with 10 s.
The DELTET constants are the standard values relating TDB and TT.

Written by orbyx's {TOOL}; do not edit.

\\begindata

DELTET/DELTA_T_A =   32.184
DELTET/K         =    1.657D-3
DELTET/EB        =    1.671D-2
DELTET/M         = (  6.239996D0   1.99096871D-7 )

DELTET/DELTA_AT  = (
"""

# DE441's span, the widest of the JPL DE kernels.
CENTRES_START_JULIAN_DAY = -3100015.5
CENTRES_END_JULIAN_DAY = 8000016.5
J2000_FRAME = 1
PLANET_SYSTEMS = (("MARS", 4), ("JUPITER", 5), ("SATURN", 6), ("URANUS", 7), ("NEPTUNE", 8), ("PLUTO", 9))
CENTRES_INTERNAL_NAME = "ORBYX PLANET CENTRES ON BARYCENTRES"
CENTRES_COMMENTS = f"""\
orbyx default kernel: planet centres on their system barycentres
=================================================================

Each planet's centre (499, 599, 699, 799, 899, 999) is placed on its
system barycentre (4 ... 9) with zero position and velocity, in J2000,
over JD -3100015.5 ... 8000016.5 TDB (the span of DE441).

DE421 and similar planetary kernels give the barycentres of these
systems but no centres for Jupiter ... Pluto; this kernel lets those
names resolve. The offsets it implies reach about 2,000 km for Pluto
(Charon), a few hundred km for Jupiter and Saturn, and less for the
others. A satellite kernel attached by the user gives the true centres.

Written by orbyx's {TOOL}; do not edit.
"""
# The NAIF comment area: lines end with NUL, the text with EOT, and each
# comment record holds 1000 characters.
COMMENT_LINE_END = b"\0"
COMMENT_END = b"\x04"
COMMENT_CHARACTERS_PER_RECORD = 1000


def leap_second_table_path():
    spec = importlib.util.find_spec("astropy_iers_data")
    if spec is None:
        sys.exit("astropy-iers-data is not installed")
    return pathlib.Path(spec.submodule_search_locations[0]) / "data" / "Leap_Second.dat"


def read_leap_seconds(path):
    """(date, TAI-UTC) of each entry from 1972 on, checked for consistency."""
    entries = []
    for line in path.read_text(encoding="ascii").splitlines():
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        mjd, day, month, year, tai_minus_utc = line.split()
        date = datetime.date(int(year), int(month), int(day))
        if MJD_ZERO + datetime.timedelta(days=float(mjd)) != date:
            sys.exit(f"{path}: MJD {mjd} is not {date}")
        if date >= FIRST_LEAP_SECOND_ENTRY[0]:
            entries.append((date, int(tai_minus_utc)))
    if not entries or entries[0] != FIRST_LEAP_SECOND_ENTRY:
        sys.exit(f"{path}: the table does not start at 1972-01-01 with 10 s")
    for (date, seconds), (next_date, next_seconds) in zip(entries, entries[1:]):
        if next_date <= date or next_seconds != seconds + 1 or next_date.day != 1:
            sys.exit(f"{path}: entry {next_date} {next_seconds} s does not follow {date} {seconds} s")
    return entries


def leap_second_kernel(entries):
    rows = [f"{seconds:27d},  @{date.year}-{MONTHS[date.month - 1]}-{date.day}" for date, seconds in entries]
    return (LEAP_SECOND_KERNEL_HEAD + ",\n".join(rows) + " )\n\n\\begintext\n").encode("ascii")


def comment_records(text):
    lines = text.rstrip("\n").split("\n")
    area = b"".join(line.encode("ascii") + COMMENT_LINE_END for line in lines) + COMMENT_END
    return [area[at:at + COMMENT_CHARACTERS_PER_RECORD]
            for at in range(0, len(area), COMMENT_CHARACTERS_PER_RECORD)]


def planet_centres_kernel():
    start, end = tdb_seconds(CENTRES_START_JULIAN_DAY), tdb_seconds(CENTRES_END_JULIAN_DAY)
    # Degree 1 rather than 0: readers such as jplephem differentiate only from two coefficients.
    zero_record = ([0.0, 0.0], [0.0, 0.0], [0.0, 0.0])
    segments = [type2_segment(barycentre * 100 + 99, barycentre, start, end - start, [zero_record],
                              frame=J2000_FRAME, name=f"{planet} CENTRE AT {planet} BARYCENTRE")
                for planet, barycentre in PLANET_SYSTEMS]
    return build_daf(segments, internal_name=CENTRES_INTERNAL_NAME,
                     comment_records=comment_records(CENTRES_COMMENTS))


def default_data():
    return {
        "leapseconds.tls": leap_second_kernel(read_leap_seconds(leap_second_table_path())),
        "planet_centres.bsp": planet_centres_kernel(),
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="exit 1 if the files in place differ from what would be written")
    parser.add_argument("--output-dir", type=pathlib.Path, default=DATA_DIR)
    arguments = parser.parse_args()

    files = default_data()
    if arguments.check:
        stale = [name for name, content in files.items()
                 if not (arguments.output_dir / name).is_file()
                 or (arguments.output_dir / name).read_bytes() != content]
        if stale:
            print(f"{', '.join(stale)} in {arguments.output_dir} differ from what {TOOL} writes; "
                  "run it to rewrite them", file=sys.stderr)
            sys.exit(1)
        return
    arguments.output_dir.mkdir(parents=True, exist_ok=True)
    for name, content in files.items():
        (arguments.output_dir / name).write_bytes(content)


if __name__ == "__main__":
    main()
