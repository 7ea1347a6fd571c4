"""The engine's failures as the command words them: dates in the user's scale, bodies by
name, and the flag or file to act on; never Julian days, TDB seconds or C++ names."""
import re

import pytest

from daf_writer import build_daf, constant_segment, tdb_seconds

SITE = ("--lat", "48.85", "--lon", "2.35")
ENGINE_WORDING = re.compile(r"Julian day|\bJD\b|\d{7}\.\d|epoch|::|Engine\.|SpkEphemeris|center chain")


def kernel(write_file, name, links, data_type=2):
    """Fixed places over 1968 to 2050, one per (target, centre)."""
    segments = [constant_segment(target, tdb_seconds(2440000.5), tdb_seconds(2470000.5), center=center)
                for target, center in links]
    for segment in segments:
        segment.data_type = data_type
    return write_file(name, build_daf(segments))


def old_eop(write_file, eop_c04):
    """The C04 table cut before the first leap second."""
    with open(eop_c04, encoding="utf-8") as table:
        lines = table.read().splitlines(keepends=True)
    return write_file("old_eop.txt", "".join(line for line in lines if line.startswith("#")) +
                      "".join([line for line in lines if not line.startswith("#")][:3000]))


@pytest.mark.parametrize("case, arguments, status, expected", [
    ("broken chain", ("positions", "--at", "2024-01-01T12:00", "--scale", "tt", "--bodies", "sun"), 1,
     "no kernel places earth barycenter (3) at 2024-01-01T12:00:00 TT: attach a kernel that holds it then with "
     "--add-kernel"),
    ("cycle", ("sky", *SITE, "--at", "2024-01-01", "--bodies", "2000001"), 1,
     "the kernels' segments lead from body 2000001 round in a cycle: leave out the --add-kernel file"),
    ("unsupported type", ("sky", *SITE, "--at", "2024-01-01", "--bodies", "2000001"), 1,
     "SPK segments of type 9 cannot be read"),
    ("kernel range", ("positions", "--at", "2100-01-01"), 1, "2100-01-01 is outside the kernel, which covers"),
    ("time tables", ("sky", *SITE, "--at", "2024-01-01"), 1,
     "the EOP table of --eop ends before the first entry of the leap-second kernel of --lsk"),
    ("short kernel", ("positions",), 1, "short.bsp: too short for an SPK kernel"),
    ("bad kernel", ("positions",), 1, "bad.bsp: expected DAF/SPK file identifier"),
    ("bad EOP", ("positions",), 1, "bad.txt: invalid IERS EOP 20 C04 line 1"),
    ("bad leap seconds", ("positions",), 1, "bad.tls: leap-second kernel has no \\begindata section"),
])
def test_engine_failures_name_the_body_date_and_flag(cli, write_file, eop_c04, case, arguments, status, expected):
    files = {
        "broken chain": lambda: ("--kernel", kernel(write_file, "no_emb.bsp", [(10, 0), (399, 3)])),
        "cycle": lambda: ("--add-kernel", kernel(write_file, "cycle.bsp", [(2000001, 2000002), (2000002, 2000001)])),
        "unsupported type": lambda: ("--add-kernel", kernel(write_file, "type9.bsp", [(2000001, 10)], data_type=9)),
        "kernel range": lambda: (),
        "time tables": lambda: ("--eop", old_eop(write_file, eop_c04)),
        "short kernel": lambda: ("--kernel", write_file("short.bsp", "not a kernel\n")),
        "bad kernel": lambda: ("--kernel", write_file("bad.bsp", "not a kernel\n" * 200)),
        "bad EOP": lambda: ("--eop", write_file("bad.txt", "1962 1 1 0 x\n")),
        "bad leap seconds": lambda: ("--lsk", write_file("bad.tls", "KPL/LSK\n")),
    }[case]()
    code, out, err = cli(*arguments, *files)
    assert (code, out) == (status, "")
    assert err.count("\n") == 1 and expected in err and not ENGINE_WORDING.search(err), err
