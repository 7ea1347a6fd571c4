"""The engine's failures as the command words them: dates in the user's scale, bodies by
name, and the flag or file to act on; never Julian days, TDB seconds or C++ names."""
import re
from pathlib import Path

import pytest

from daf_writer import build_daf, constant_segment, tdb_seconds

SITE = ("--lat", "48.85", "--lon", "2.35", "--at", "2024-01-01")
ENGINE_WORDING = re.compile(r"Julian day|\bJD\b|\d{7}\.\d|epoch|::|Engine\.|SpkEphemeris|center chain")


@pytest.fixture(scope="module")
def files(tmp_path_factory, eop_c04):
    def kernel(links, data_type=2):  # fixed places over 1968 to 2050, one per (target, centre)
        segments = [constant_segment(target, tdb_seconds(2440000.5), tdb_seconds(2470000.5), center=center,
                                     data_type=data_type) for target, center in links]
        return build_daf(segments)

    folder = tmp_path_factory.mktemp("engine_messages")
    rows = Path(eop_c04).read_text(encoding="utf-8").splitlines(keepends=True)
    contents = {"no_emb.bsp": kernel([(10, 0), (399, 3)]), "short.bsp": b"not a kernel\n",
                "cycle.bsp": kernel([(2000001, 2000002), (2000002, 2000001)]),
                "type9.bsp": kernel([(2000001, 10)], data_type=9),
                "old_eop.txt": "".join(rows[:3200]).encode()}  # the C04 table cut in 1970
    for name, content in contents.items():
        (folder / name).write_bytes(content)
    return folder


@pytest.mark.parametrize("arguments, expected", [
    (("positions", "--at", "2024-01-01T12:00", "--scale", "tt", "--bodies", "sun", "--kernel", "no_emb.bsp"),
     "no kernel places earth barycenter (3) at 2024-01-01T12:00:00 TT: attach a kernel that holds it then "
     "with --add-kernel"),
    (("sky", *SITE, "--bodies", "2000001", "--add-kernel", "cycle.bsp"),
     "the kernels' segments lead from ceres (2000001) round in a cycle: leave out the --kernel or --add-kernel"),
    (("sky", *SITE, "--bodies", "2000001", "--add-kernel", "type9.bsp"), "SPK segments of type 9 cannot be read"),
    (("sky", *SITE, "--eop", "old_eop.txt"),
     "the EOP table of --eop ends before the first entry of the leap-second kernel of --lsk"),
    (("positions", "--kernel", "short.bsp"), "short.bsp: too short for an SPK kernel"),
])
def test_engine_failures_name_the_body_date_and_flag(cli, files, arguments, expected):
    status, out, err = cli(*(files / word if word.endswith((".bsp", ".txt")) else word for word in arguments))
    assert (status, out) == (1, "")
    assert err.count("\n") == 1 and expected in err and not ENGINE_WORDING.search(err), err
