"""`orbyx kernel`: the DAF/SPK summary reader, the listing of real kernels and its failures."""
import csv
import importlib.util
import io
import json
import os
import random
import re
import subprocess
import sys

import pytest
from jplephem.spk import SPK

import orbyx
from conftest import DE430, DE441_1969, JUP310, TESTS_DIR
from daf_writer import Segment, big_endian_twin, build_daf, constant_segment
from orbyx_cli import default_data, spk_summary
from orbyx_cli.main import main

DE421 = os.path.join(importlib.util.find_spec("skyfield_data").submodule_search_locations[0], "data", "de421.bsp")
PLANET_CENTRES = str(default_data.SHIPPED_PLANET_CENTRES)
BODIES = ("sun", "moon", "mercury", "venus", "earth", "mars", "jupiter", "saturn", "uranus", "neptune", "pluto")
OUTER_PLANETS = ("jupiter", "saturn", "uranus", "neptune", "pluto")


def run_kernel(capsys, *arguments):
    status = main(["kernel", *arguments])
    captured = capsys.readouterr()
    return status, captured.out, captured.err


def kernel_json(capsys, *arguments):
    status, out, err = run_kernel(capsys, *arguments, "--format", "json")
    assert (status, err) == (0, "")
    return json.loads(out)


def unevaluable(document):
    return {row["body"]: row["reason"] for row in document["bodies"] if not row["evaluable"]}


# --- the summary reader ----------------------------------------------------------------

@pytest.mark.parametrize("path", [DE421, DE430, DE441_1969, JUP310, PLANET_CENTRES])
def test_summaries_match_jplephem(path):
    summary = spk_summary.read_spk_summary(path)
    kernel = SPK.open(path)
    try:
        expected = [(s.source.decode(), s.target, s.center, s.frame, s.data_type, s.start_jd, s.end_jd,
                     s.start_i, s.end_i) for s in kernel.segments]
        internal_name = kernel.daf.locifn_text.decode().strip()
    finally:
        kernel.close()
    got = [(s.name, s.target, s.center, s.frame, s.data_type, s.start_julian_day, s.end_julian_day,
            s.begin_address, s.end_address) for s in summary.segments]
    assert got == expected
    assert (summary.internal_name, summary.size_bytes, summary.binary_format) == \
        (internal_name, os.path.getsize(path), "LTL-IEEE")


def test_big_endian_twin_reads_the_same(tmp_path):
    twin = tmp_path / "twin.bsp"
    with open(JUP310, "rb") as f:
        twin.write_bytes(big_endian_twin(f.read()))
    original, swapped = spk_summary.read_spk_summary(JUP310), spk_summary.read_spk_summary(str(twin))
    assert swapped.segments == original.segments and len(swapped.segments) == 13
    assert (swapped.binary_format, swapped.endianness, original.endianness) == \
        ("BIG-IEEE", "big-endian", "little-endian")


def many_segments(count=30):
    return [constant_segment(10, 0.0, 86400.0 * (index + 1)) for index in range(count)]


def test_damaged_files_raise_value_error_only(tmp_path):
    # Two summary records and their names: cut anywhere or with bytes overwritten
    # anywhere in the first five records, the reader returns or says what is wrong.
    good = build_daf(many_segments())
    path = tmp_path / "damaged.bsp"
    randomness = random.Random(1)
    variants = [good[:cut] for cut in range(0, len(good), 97)]
    for _ in range(400):
        damaged = bytearray(good)
        for _ in range(randomness.randint(1, 4)):
            damaged[randomness.randrange(5 * 1024)] = randomness.randrange(256)
        variants.append(bytes(damaged))
    outcomes = set()
    for content in variants:
        path.write_bytes(content)
        try:
            spk_summary.read_spk_summary(str(path))
            outcomes.add("read")
        except ValueError as error:
            assert str(error) and "\n" not in str(error)
            outcomes.add("refused")
    assert outcomes == {"read", "refused"}


def test_reads_only_the_summary_records_of_a_large_kernel(tmp_path, monkeypatch):
    size = 100 * 1024 * 1024
    last_word = size // 8
    head = build_daf([constant_segment(10, 0.0, 86400.0, end_address=last_word)])
    path = tmp_path / "large.bsp"
    with open(path, "wb") as f:
        f.write(head)
        f.truncate(size)

    read_bytes = []

    class CountingFile(io.FileIO):
        def read(self, size=-1):
            data = super().read(size)
            read_bytes.append(len(data))
            return data

    monkeypatch.setattr(spk_summary, "open", lambda name, mode: CountingFile(name, mode), raising=False)
    summary = spk_summary.read_spk_summary(str(path))
    assert summary.segments[0].end_address == last_word and summary.size_bytes == size
    assert sum(read_bytes) == 3 * 1024  # file record, summary record, name record


# --- the command on real kernels ---------------------------------------------------------

def test_jup310_lists_its_type_3_satellites_as_supported(capsys):
    status, out, err = run_kernel(capsys, JUP310)
    assert (status, err) == (0, "")
    assert "unsupported" not in out
    assert re.search(r"^599 JUPITER\s+5 JUPITER BARYCENTER\s+1\s+3\s+2015-03-02T00:00:00", out, re.M)
    assert re.search(r"^399 EARTH\s+3 EARTH BARYCENTER\s+1\s+2\s+2015-02-27T00:00:00\s+2015-03-07T00:00:00"
                     r"\s+XE-0431LE-0431$", out, re.M)
    assert re.search(r"^jupiter\s+yes$", out, re.M)
    assert re.search(r"^# supported range \(jup310-2015-03-02.bsp\): 2015-03-02T12:00:00 to "
                     r"2015-03-03T18:00:00 TDB \(JD 2457084.0 to 2457085.25\)$", out, re.M)
    assert "# planet centres: 599 from jup310-2015-03-02.bsp for 2015-03-02T00:00:00 to 2015-03-04T00:00:00 TDB\n" \
        in out
    assert re.search(r"^sun\s+yes$", out, re.M) and re.search(r"^earth\s+yes$", out, re.M)


@pytest.mark.parametrize("data_type, supported", [(1, True), (5, False), (13, True), (17, False), (21, True)])
def test_types_beyond_the_companion_s_are_named_unsupported(capsys, write_file, data_type, supported):
    path = write_file("typed.bsp", build_daf([Segment(target=599, center=5, start_epoch=0.0, end_epoch=86400.0,
                                                      data_type=data_type, words=[0.0] * 8)]))
    status, out, _ = run_kernel(capsys, DE430, "--add-kernel", path, "--format", "json")
    rows = json.loads(out)["rows"] if status == 0 else []
    assert status == 0 and rows[-1]["data_type"] == data_type and rows[-1]["supported"] is supported


def test_a_satellite_kernel_s_centre_is_named_beside_the_stand_in(capsys):
    document = kernel_json(capsys, "--add-kernel", JUP310)
    assert [entry["path"] for entry in document["files"]] == [DE421, JUP310, PLANET_CENTRES]
    assert document["header"][-1] == (
        "planet centres: 599 from jup310-2015-03-02.bsp for 2015-03-02T00:00:00 to 2015-03-04T00:00:00 TDB "
        "(outside it, on its system barycentre); 699-999 stand on their system barycentres (orbyx's "
        "planet_centres.bsp): off by up to ~2,000 km for Pluto, a few hundred km for Jupiter and Saturn")
    assert kernel_json(capsys)["header"][-1].startswith("planet centres 599-999 stand on their system barycentres")


def test_de421_lacks_the_outer_planet_centres_that_the_default_data_adds(capsys):
    alone = kernel_json(capsys, DE421)
    assert len(alone["rows"]) == 15 and alone["files"][0]["segments"] == 15
    assert set(unevaluable(alone)) == set(OUTER_PLANETS)
    assert unevaluable(alone)["saturn"] == ("no kernel places saturn (699) at 1976-09-03T00:00:00 TDB: attach a kernel "
                                            "that holds it then with --add-kernel")
    assert alone["supported_range"]["start_julian_day_tdb"] == 2414864.5
    assert alone["supported_range"]["end_julian_day_tdb"] == 2471184.5

    explicit = kernel_json(capsys, DE421, "--add-kernel", PLANET_CENTRES)
    default = kernel_json(capsys)
    for document in (explicit, default):
        assert [entry["path"] for entry in document["files"]] == [DE421, PLANET_CENTRES]
        assert len(document["rows"]) == 21 and unevaluable(document) == {}
        assert [row["body"] for row in document["bodies"]] == list(BODIES)


def test_de430_excerpt_and_its_big_endian_twin_agree(capsys, tmp_path):
    twin = tmp_path / "de430-big.bsp"
    with open(DE430, "rb") as f:
        twin.write_bytes(big_endian_twin(f.read()))
    original, swapped = kernel_json(capsys, DE430), kernel_json(capsys, str(twin))
    assert set(unevaluable(original)) == {"mars", *OUTER_PLANETS}
    assert len(original["rows"]) == 14
    assert original["supported_range"]["start_tdb"] == "2015-02-27T00:00:00"
    assert [entry["endianness"] for entry in original["files"] + swapped["files"]] == \
        ["little-endian", "big-endian"]
    strip = lambda rows: [{key: value for key, value in row.items() if key != "file"} for row in rows]  # noqa: E731
    assert strip(swapped["rows"]) == strip(original["rows"])
    assert (swapped["supported_range"], swapped["bodies"]) == (original["supported_range"], original["bodies"])


def text_sections(out):
    """(comment lines, table rows split into cells) of each blank-line separated section."""
    sections = []
    for block in out.rstrip("\n").split("\n\n"):
        lines = block.split("\n")
        comments = [line[2:] for line in lines if line.startswith("# ")]
        rows = [re.split(r"\s{2,}", line.strip()) for line in lines[len(comments) + 1:]]
        sections.append((comments, rows))
    return sections


def label(naif_id, name):
    return f"{naif_id} {name}" if name else str(naif_id)


def test_text_csv_and_json_show_the_same_listing(capsys, tmp_path):
    odd_ids = tmp_path / "odd.bsp"
    odd_ids.write_bytes(build_daf([constant_segment(2000001, 0.0, 86400.0, center=10, name="ASTEROID")]))
    arguments = (JUP310, "--add-kernel", str(odd_ids))
    document = kernel_json(capsys, *arguments)
    status, text, _ = run_kernel(capsys, *arguments)
    assert status == 0
    sections = text_sections(text)
    assert [line for comments, _ in sections for line in comments] == document["header"]

    segment_cells = [cells for _, rows in sections[:-1] for cells in rows]
    assert segment_cells == [
        [label(row["target"], row["target_name"]), label(row["centre"], row["centre_name"]), str(row["frame"]),
         str(row["data_type"]) + ("" if row["supported"] else " (unsupported)"),
         row["start_tdb"], row["end_tdb"], row["segment_name"]] for row in document["rows"]]
    assert segment_cells[-1][:2] == ["2000001 CERES", "10 SUN"]
    assert sections[-1][1] == [[row["body"], "yes"] if row["evaluable"] else [row["body"], "no", row["reason"]]
                               for row in document["bodies"]]

    status, table, _ = run_kernel(capsys, *arguments, "--format", "csv", "--header")
    assert status == 0
    *segment_tables, body_table = csv_sections(table)
    assert [row for rows in segment_tables for row in rows] == [
        {key: "" if value is None else str(value) for key, value in row.items()} for row in document["rows"]]
    assert body_table == [{"body": row["body"], "evaluable": str(row["evaluable"]), "reason": row["reason"] or ""}
                          for row in document["bodies"]]
    plain = run_kernel(capsys, *arguments, "--format", "csv")[1]
    assert [list(csv.DictReader(io.StringIO(block))) for block in plain.split("\n\n")] == segment_tables + [body_table]


def csv_sections(out):
    """The rows, as dicts, of each table that comment lines lead."""
    blocks = re.split(r"(?:^#.*\n)+", out, flags=re.M)
    return [list(csv.DictReader(io.StringIO(block))) for block in blocks if block]


# --- failures ----------------------------------------------------------------------------

def one_segment(**fields):
    return build_daf([constant_segment(10, 0.0, 86400.0, **fields)])


GOOD = one_segment()
MALFORMED = {
    "empty": (b"", "too short for a DAF file: 0 bytes"),
    "short": (GOOD[:1000], "too short for a DAF file: 1000 bytes"),
    "no summary record": (GOOD[:1500], "the file ends before its first summary record"),
    "name record cut": (GOOD[:2100], "name record 3 is cut short"),
    "data cut": (GOOD[:-8], "past the end of the file"),
    "identifier": (build_daf([], identifier=b"NAIF/DAF"), "not a DAF/SPK file: its identifier is 'NAIF/DAF'"),
    "binary format": (build_daf([], binary_format="VAX-GFLT"), "unsupported DAF binary format 'VAX-GFLT'"),
    "ND": (build_daf([], nd=3), "ND=3, NI=6"),
    "NI": (build_daf([], ni=5), "ND=2, NI=5"),
    "FWARD zero": (build_daf([], forward=0), "points to record 0"),
    "FWARD past the end": (build_daf([], forward=99), "points to record 99"),
    "NEXT past the end": (build_daf([], chain={0: {"next": 500}}), "points to record 500"),
    "NEXT to itself": (build_daf([], chain={0: {"next": 2}}), "loops back to record 2"),
    "loop": (build_daf(many_segments(), chain={1: {"next": 2}}), "loops back to record 2"),
    "NEXT fraction": (build_daf([], chain={0: {"next": 2.5}}), "NEXT is 2.5"),
    "PREV": (build_daf(many_segments(), chain={1: {"prev": 7}}), "PREV is 7, expected 2"),
    "NSUM over": (build_daf([], chain={0: {"nsum": 26}}), "NSUM is 26, more than the 25"),
    "NSUM negative": (build_daf([], chain={0: {"nsum": -1}}), "NSUM is -1.0"),
    "NSUM NaN": (build_daf([], chain={0: {"nsum": float("nan")}}), "NSUM is nan"),
    "BWARD": (build_daf([], backward=5), "names 5 as the last"),
    "reversed coverage": (build_daf([Segment(start_epoch=10.0, end_epoch=0.0)]), "not a time span"),
    "NaN coverage": (build_daf([Segment(end_epoch=float("nan"))]), "not a time span"),
    "address zero": (one_segment(begin_address=0), "word addresses 0 to"),
    "address past the end": (one_segment(end_address=10 ** 6), "data end at word 1000000"),
    # Passes the reader: the engine's own check fails it.
    "name not UTF-8": (one_segment(name=b"\xff\xfe"), "invalid UTF-8 in segment identifier"),
}


@pytest.mark.parametrize("case", MALFORMED)
def test_a_malformed_kernel_fails_in_one_line(capsys, write_file, case):
    content, message = MALFORMED[case]
    path = write_file("broken.bsp", content)
    refused_by_engine = case == "name not UTF-8"
    for arguments in ([path], [DE430, "--add-kernel", path]):
        status, out, err = run_kernel(capsys, *arguments)
        assert status == 1
        # Segments the reader could list are shown before the engine's refusal.
        assert (f"# file: {path}" in out) if refused_by_engine else out == ""
        assert err.startswith(f"orbyx: error: {path}: ") and err.count("\n") == 1
        assert message in err


def test_segments_are_listed_when_the_engine_refuses_the_kernel(capsys, write_file):
    apart = build_daf([constant_segment(10, 0.0, 86400.0), constant_segment(399, 172800.0, 259200.0)])
    path = write_file("apart.bsp", apart)
    status, out, err = run_kernel(capsys, path)
    assert status == 1 and err == f"orbyx: error: {path}: SPK targets have no common coverage interval\n"
    assert "10 SUN" in out and "399 EARTH" in out
    status, out, _ = run_kernel(capsys, path, "--format", "json")
    assert (status, out) == (1, "")


def test_a_missing_file_is_a_usage_error(capsys, tmp_path):
    missing = str(tmp_path / "missing.bsp")
    assert run_kernel(capsys, missing) == (2, "", f"orbyx: error: no such file: {missing}\n")
    assert run_kernel(capsys, DE430, "--add-kernel", missing) == \
        (2, "", f"orbyx: error: --add-kernel: no such file: {missing}\n")


def test_the_installed_command_exits_with_the_status(write_file):
    package_dirs = [os.path.dirname(os.path.abspath(orbyx.__file__)),
                    os.path.dirname(os.path.dirname(os.path.abspath(spk_summary.__file__))), TESTS_DIR]
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(package_dirs))

    def run(*arguments):
        return subprocess.run([sys.executable, "-m", "orbyx_cli", "kernel", *arguments],
                              capture_output=True, text=True, env=env, timeout=120)

    listed = run(JUP310)
    assert listed.returncode == 0 and listed.stderr == ""
    assert re.search(r"^jupiter\s+yes$", listed.stdout, re.M)
    broken = run(write_file("broken.bsp", GOOD[:1500]))
    assert broken.returncode == 1 and "Traceback" not in broken.stderr
    assert broken.stdout == "" and broken.stderr.count("\n") == 1
