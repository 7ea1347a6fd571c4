"""Opening an Engine on real and synthetic SPK kernels: file record, summary chain, coverage."""
import os
import random

import pytest

import orbyx
from conftest import DE430, DE441_1969, DUMMY_SHA256, JUP310, de421_path
from daf_writer import (RECORD_BYTES, big_endian_twin, build_daf, constant_segment,
                        summary_chain, tdb_seconds)

START_JD, END_JD = 2457080.5, 2457088.5
MID_JD = 2457084.5
S, M, E = tdb_seconds(START_JD), tdb_seconds(MID_JD), tdb_seconds(END_JD)
DAY = 86400.0


def good_segments():
    return [constant_segment(10, S, E), constant_segment(3, S, E), constant_segment(301, S, E, center=3)]


def open_error(path, sha256=DUMMY_SHA256):
    with pytest.raises(ValueError) as info:
        orbyx.Engine(path, sha256)
    assert info.type is ValueError
    return str(info.value)


def julian_day_range(engine):
    supported = engine.supported_range
    return supported.start_julian_day, supported.end_julian_day


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


# --- real kernels ---

REAL_KERNELS = [
    (de421_path(), 2414864.5, 2471184.5),
    # Several targets have two segments meeting end to start at JD 2440432.5,
    # so their coverage runs on to the second segment's end.
    (DE441_1969, 2440428.5, 2440436.5),
    (DE430, 2457080.5, 2457088.5),
    # Type 3 segments count for coverage like any other; types are checked only when evaluated.
    (JUP310, 2457084.0, 2457085.25),
]


@pytest.mark.parametrize("path, start, end", REAL_KERNELS, ids=lambda v: os.path.basename(str(v)))
def test_real_kernel_opens_with_common_coverage_and_metadata(path, start, end):
    engine = orbyx.Engine(path, DUMMY_SHA256.upper())
    assert julian_day_range(engine) == (start, end)
    assert engine.supported_range.time_scale == "tdb"
    metadata = engine.kernel_metadata
    assert metadata.as_dict() == {
        "engine_version": "0.1.0",
        "kernel_name": os.path.basename(path),
        "kernel_sha256": DUMMY_SHA256,
        "coordinate_frame": "ICRF/J2000",
        "additional_kernels": [],
    }


def test_open_function_matches_constructor():
    by_keyword = orbyx.open(path=DE430, sha256=DUMMY_SHA256)
    assert julian_day_range(by_keyword) == julian_day_range(orbyx.Engine(DE430, DUMMY_SHA256))
    assert by_keyword.kernel_metadata.kernel_name == "de430-2015-03-02.bsp"


@pytest.mark.parametrize("path, start, end", REAL_KERNELS, ids=lambda v: os.path.basename(str(v)))
def test_big_endian_twin_opens_like_little_endian_original(write_file, path, start, end):
    twin = write_file("twin.bsp", big_endian_twin(read_bytes(path)))
    engine = orbyx.Engine(twin, DUMMY_SHA256)
    assert julian_day_range(engine) == (start, end)
    expected = orbyx.Engine(path, DUMMY_SHA256).kernel_metadata.as_dict()
    expected["kernel_name"] = "twin.bsp"
    assert engine.kernel_metadata.as_dict() == expected


def test_opening_reads_only_file_record_and_summary_chain(write_file):
    original = read_bytes(de421_path())
    needed = {1}
    for number, _ in summary_chain(original):
        needed |= {number, number + 1}
    junk = bytearray(b"\xff" * len(original))
    for number in needed:
        start = (number - 1) * RECORD_BYTES
        junk[start:start + RECORD_BYTES] = original[start:start + RECORD_BYTES]
    engine = orbyx.Engine(write_file("de421-junk.bsp", bytes(junk)), DUMMY_SHA256)
    assert julian_day_range(engine) == (2414864.5, 2471184.5)


# --- file record ---

COUNTS = "invalid DAF file record: summary component counts must be non-zero"
TOO_WIDE = "invalid DAF file record: packed summary cannot fit in a DAF summary record"
POINTERS = "invalid DAF file record: summary record pointers are inconsistent"
FREE_INSIDE = "invalid DAF file record: first free address points inside the file record"

FILE_RECORD_FAILURES = {
    "pck identifier": (dict(identifier="DAF/PCK "), 'expected DAF/SPK file identifier, found "DAF/PCK "'),
    "old-style identifier": (dict(identifier="NAIF/DAF"), 'expected DAF/SPK file identifier, found "NAIF/DAF"'),
    "lower-case identifier": (dict(identifier="daf/spk "), 'expected DAF/SPK file identifier, found "daf/spk "'),
    "identifier without blank": (dict(identifier=b"DAF/SPK\0"),
                                 'expected DAF/SPK file identifier, found "DAF/SPK\\0"'),
    "identifier not utf-8": (dict(identifier=b"DAF/\xffPK "),
                             'expected DAF/SPK file identifier, found "DAF/\ufffdPK "'),
    "vax format": (dict(binary_format="VAX-GFLT"), 'unsupported DAF binary format "VAX-GFLT"'),
    "lower-case format": (dict(binary_format="ltl-ieee"), 'unsupported DAF binary format "ltl-ieee"'),
    "format trimmed of nuls": (dict(binary_format=b"BIG\0\0\0\0\0"), 'unsupported DAF binary format "BIG"'),
    "format keeps leading blanks": (dict(binary_format=" LTL-IEE"), 'unsupported DAF binary format " LTL-IEE"'),
    "format not utf-8": (dict(binary_format=b"LTL-IEE\xff"), "invalid UTF-8 in binary format"),
    "nd zero": (dict(nd=0), COUNTS),
    "ni zero": (dict(ni=0), COUNTS),
    "summary of 126 words": (dict(ni=248), TOO_WIDE),
    # Big-endian counts read as little-endian become enormous.
    "big-endian data labelled little": (dict(big_endian=True, binary_format="LTL-IEEE"), TOO_WIDE),
    "forward before record 2": (dict(forward=1, backward=1), POINTERS),
    "backward before forward": (dict(backward=1), POINTERS),
    "free inside file record": (dict(free=128), FREE_INSIDE),
    "internal name not utf-8": (dict(internal_name=b"NIO2SPK \xfe"), "invalid UTF-8 in internal file name"),
    "big-endian nd zero": (dict(big_endian=True, nd=0), COUNTS),
    # The first failing check decides.
    "identifier before format": (dict(identifier="DAF/PCK ", binary_format="VAX-GFLT"),
                                 'expected DAF/SPK file identifier, found "DAF/PCK "'),
    "format before counts": (dict(binary_format="VAX-GFLT", nd=0), 'unsupported DAF binary format "VAX-GFLT"'),
    "counts before pointers": (dict(nd=0, forward=1, backward=1), COUNTS),
    "pointers before free": (dict(backward=1, free=0), POINTERS),
    "free before internal name": (dict(free=0, internal_name=b"\xfe"), FREE_INSIDE),
}


@pytest.mark.parametrize("options, message", FILE_RECORD_FAILURES.values(), ids=FILE_RECORD_FAILURES.keys())
def test_file_record_rejections(write_file, options, message):
    # No segments needed: every row fails before the summaries are read.
    assert open_error(write_file("bad.bsp", build_daf([], **options))) == message


# --- summary chain and summaries ---

def two_records(**options):
    return build_daf(good_segments()[:2], summaries_per_record=1, **options)


CHAIN_FAILURES = {
    "nd 2 ni 5": (build_daf(good_segments(), ni=5), "unsupported SPK summary layout ND=2, NI=5"),
    "largest summary that fits": (build_daf([], ni=246), "unsupported SPK summary layout ND=2, NI=246"),
    "nd 3": (build_daf(good_segments(), nd=3), "unsupported SPK summary layout ND=3, NI=6"),
    "second record points back to first": (two_records(chain={1: {"next": 2}}),
                                           "invalid DAF summary chain: summary record chain contains a cycle"),
    "record points to itself": (build_daf(good_segments(), chain={0: {"next": 2}}),
                                "invalid DAF summary chain: summary record chain contains a cycle"),
    "prev of 1 in first record": (build_daf(good_segments(), chain={0: {"prev": 1}}),
                                  "invalid DAF summary chain: summary record has an incorrect backward pointer"),
    "prev of 0 in second record": (two_records(chain={1: {"prev": 0}}),
                                   "invalid DAF summary chain: summary record has an incorrect backward pointer"),
    "chain ends early": (two_records(chain={0: {"next": 0}}),
                         "invalid DAF summary chain: summary chain ended before the final summary record"),
    "backward names another record": (build_daf(good_segments(), backward=3),
                                      "invalid DAF summary chain: summary chain ended before the final summary record"),
    "nsum 26": (build_daf(good_segments(), chain={0: {"nsum": 26}}),
                "invalid DAF summary chain: summary count exceeds record capacity"),
    "huge nsum": (build_daf(good_segments(), chain={0: {"nsum": 4294967295.0}}),
                  "invalid DAF summary chain: summary count exceeds record capacity"),
    "nsum beyond 32 bits": (build_daf(good_segments(), chain={0: {"nsum": 4294967296.0}}),
                            "invalid DAF summary chain: summary control word is not a non-negative integer"),
    "fractional next": (two_records(chain={0: {"next": 4.5}}),
                        "invalid DAF summary chain: summary control word is not a non-negative integer"),
    "negative prev": (build_daf(good_segments(), chain={0: {"prev": -1.0}}),
                      "invalid DAF summary chain: summary control word is not a non-negative integer"),
    "nan nsum": (build_daf(good_segments(), chain={0: {"nsum": float("nan")}}),
                 "invalid DAF summary chain: summary control word is not a non-negative integer"),
    "infinite next": (build_daf(good_segments(), chain={0: {"next": float("inf")}}),
                      "invalid DAF summary chain: summary control word is not a non-negative integer"),
    "next beyond end of file": (build_daf(good_segments(), chain={0: {"next": 1000}}),
                                "failed to read SPK kernel: failed to fill whole buffer"),
    "forward beyond end of file": (build_daf(good_segments(), forward=1000, backward=1000),
                                   "failed to read SPK kernel: failed to fill whole buffer"),
    # The unwritten fourth slot is all zeros: begin address 0.
    "nsum larger than written": (build_daf(good_segments(), chain={0: {"nsum": 4}}),
                                 "invalid SPK segment: DAF address bounds are invalid"),
    "begin address 0": (build_daf([constant_segment(10, S, E, begin_address=0)]),
                        "invalid SPK segment: DAF address bounds are invalid"),
    "negative begin address": (build_daf([constant_segment(10, S, E, begin_address=-5)]),
                               "invalid SPK segment: DAF address bounds are invalid"),
    "end before begin": (build_daf([constant_segment(10, S, E, begin_address=1000, end_address=999)]),
                         "invalid SPK segment: DAF address bounds are invalid"),
    "start after end": (build_daf([constant_segment(10, E, S)]), "invalid SPK segment: start time is after end time"),
    "nan epoch": (build_daf([constant_segment(10, S, E, doubles=(float("nan"), E))]),
                  "invalid SPK segment: time bounds must be finite"),
    "infinite start after end": (build_daf([constant_segment(10, S, E, doubles=(float("inf"), E))]),
                                 "invalid SPK segment: time bounds must be finite"),
    "segment name not utf-8": (build_daf([constant_segment(10, S, E, name=b"DE-0430\xff")]),
                               "invalid UTF-8 in segment identifier"),
    "name checked before summary": (build_daf([constant_segment(10, E, S, name=b"\xff")]),
                                    "invalid UTF-8 in segment identifier"),
    "first bad summary decides": (build_daf([constant_segment(10, E, S), constant_segment(3, S, E, name=b"\xff")]),
                                  "invalid SPK segment: start time is after end time"),
    "bad summary in second record": (build_daf([constant_segment(10, S, E), constant_segment(3, S, E, begin_address=0)],
                                               summaries_per_record=1),
                                     "invalid SPK segment: DAF address bounds are invalid"),
}


@pytest.mark.parametrize("data, message", CHAIN_FAILURES.values(), ids=CHAIN_FAILURES.keys())
def test_summary_chain_rejections(write_file, data, message):
    assert open_error(write_file("bad.bsp", data)) == message


def twenty_five_segments():
    return [constant_segment(target, S, E) for target in range(1, 26)]


ACCEPTED = {
    "nsum 25": (build_daf(twenty_five_segments()), (START_JD, END_JD)),
    "one summary per record": (build_daf(good_segments(), summaries_per_record=1), (START_JD, END_JD)),
    "segments over two records": (build_daf(twenty_five_segments() + good_segments()), (START_JD, END_JD)),
    "comment records before the chain": (build_daf(good_segments(), comment_records=[b"comment", b"more"]),
                                         (START_JD, END_JD)),
    "negative zero prev": (build_daf(good_segments(), chain={0: {"prev": -0.0}}), (START_JD, END_JD)),
    "free just past file record": (build_daf(good_segments(), free=129), (START_JD, END_JD)),
    "big-endian with negative target": (build_daf(good_segments() + [constant_segment(-82, S, E)], big_endian=True),
                                        (START_JD, END_JD)),
    "one-word segment": (build_daf([constant_segment(10, S, E, begin_address=2000, end_address=2000)]),
                         (START_JD, END_JD)),
    "type not checked at opening": (build_daf([constant_segment(10, S, E, data_type=99)]), (START_JD, END_JD)),
    "names with nuls and leading blanks": (build_daf([constant_segment(10, S, E, name=b"  DE\0\0")]),
                                           (START_JD, END_JD)),
    "internal name with nuls": (build_daf(good_segments(), internal_name=b"SPK\0\0\0"), (START_JD, END_JD)),
    "start equal to end": (build_daf([constant_segment(10, S, E), constant_segment(3, M, M)]), (MID_JD, MID_JD)),
    "segments meeting end to start": (build_daf([constant_segment(3, S, M), constant_segment(3, M, E),
                                                 constant_segment(10, S, E)]), (START_JD, END_JD)),
    "unsorted nested overlapping segments": (build_daf([constant_segment(3, M - DAY, E), constant_segment(3, S, M),
                                                        constant_segment(3, S + DAY, S + 2 * DAY)]),
                                             (START_JD, END_JD)),
    "targets touching at one instant": (build_daf([constant_segment(1, S, M), constant_segment(2, M, E)]),
                                        (MID_JD, MID_JD)),
    "moon centred on earth narrows the range": (build_daf([constant_segment(10, S, E),
                                                           constant_segment(301, S + DAY, M, center=3)]),
                                                (START_JD + 1, MID_JD)),
}


@pytest.mark.parametrize("data, expected", ACCEPTED.values(), ids=ACCEPTED.keys())
def test_accepted_kernels(write_file, data, expected):
    assert julian_day_range(orbyx.Engine(write_file("ok.bsp", data), DUMMY_SHA256)) == expected


COVERAGE_FAILURES = {
    "gap of one second": ([constant_segment(10, S, E), constant_segment(3, S, M), constant_segment(3, M + 1, E)],
                          "SPK target 3 has discontinuous segment coverage"),
    "gap behind a nested segment": ([constant_segment(3, S, M), constant_segment(3, S, S + DAY),
                                     constant_segment(3, M + 1, E)],
                                    "SPK target 3 has discontinuous segment coverage"),
    "mercury ends before venus starts": ([constant_segment(1, S, M - 1), constant_segment(2, M, E)],
                                         "SPK targets have no common coverage interval"),
    "no segments": ([], "SPK kernel has no segments"),
}


@pytest.mark.parametrize("segments, message", COVERAGE_FAILURES.values(), ids=COVERAGE_FAILURES.keys())
def test_coverage_rejections(write_file, segments, message):
    assert open_error(write_file("bad.bsp", build_daf(segments))) == message


# --- paths, digests, unreadable files ---

@pytest.mark.parametrize("path", ["", "/", ".", "/no/such/dir/..", DE430 + "/..", "kernels/./.."])
def test_path_without_file_name_is_rejected_before_opening(path):
    # A bad digest too: the path is checked first.
    assert open_error(path, "not a digest") == "kernel path has no UTF-8 filename"


@pytest.mark.parametrize("sha256", ["0" * 63, "0" * 65, "g" + "0" * 63, " " + "0" * 63, "0" * 63 + "\n",
                                    "\u00e9" * 32, ""])
def test_malformed_digest_is_rejected_after_file_record(write_file, sha256):
    message = "kernel SHA-256 must contain exactly 64 hexadecimal characters"
    assert open_error(DE430, sha256) == message
    # ...but only once the file record is read,
    assert open_error("/no/such/kernel.bsp", sha256) == \
        "failed to read SPK kernel: No such file or directory (os error 2)"
    assert open_error(write_file("pck.bsp", build_daf(good_segments(), identifier="DAF/PCK ")), sha256) == \
        'expected DAF/SPK file identifier, found "DAF/PCK "'
    # ...and before the summary chain is walked.
    assert open_error(write_file("cycle.bsp", build_daf(good_segments(), chain={0: {"next": 2}})), sha256) == message


def test_upper_case_digest_is_recorded_in_lower_case():
    digest = "0123456789ABCDEFabcdef" * 2 + "ABCDEF0123456789ABCD"
    engine = orbyx.Engine(DE430, digest)
    assert engine.kernel_metadata.kernel_sha256 == digest.lower()


@pytest.mark.parametrize("size", [0, 1, 1023])
def test_file_shorter_than_a_record_fails_to_fill(write_file, size):
    path = write_file("short.bsp", read_bytes(DE430)[:size])
    assert open_error(path) == "failed to read SPK kernel: failed to fill whole buffer"


def test_missing_file_and_directory_report_os_errors(tmp_path):
    assert open_error(str(tmp_path / "missing.bsp")) == \
        "failed to read SPK kernel: No such file or directory (os error 2)"
    assert open_error(str(tmp_path)) == "failed to read SPK kernel: Is a directory (os error 21)"


@pytest.mark.parametrize("path", [DE430, DE441_1969])
def test_truncated_real_kernel_fails_until_its_chain_is_complete(write_file, path):
    original = read_bytes(path)
    chain_end = max(number + 1 for number, _ in summary_chain(original)) * RECORD_BYTES
    expected = julian_day_range(orbyx.Engine(path, DUMMY_SHA256))
    for size in sorted(set(range(0, len(original), 331)) | {chain_end - 1, chain_end, len(original) - 1}):
        truncated = write_file("truncated.bsp", original[:size])
        if size < chain_end:
            assert open_error(truncated) == "failed to read SPK kernel: failed to fill whole buffer", size
        else:
            # Segment data are not read at opening.
            assert julian_day_range(orbyx.Engine(truncated, DUMMY_SHA256)) == expected, size


def parsed_offsets(kernel):
    """Byte offsets that opening reads: file record fields, summaries and their names."""
    offsets = list(range(96))
    for number, nsum in summary_chain(kernel):
        summaries = (number - 1) * RECORD_BYTES
        offsets += range(summaries, summaries + 24 + 40 * nsum)
        offsets += range(summaries + RECORD_BYTES, summaries + RECORD_BYTES + 40 * nsum)
    return offsets


def test_random_and_mutated_files_fail_cleanly(write_file):
    rng = random.Random(20150302)
    seeds = [build_daf(good_segments(), summaries_per_record=1), read_bytes(DE430)]
    hot = [parsed_offsets(seed) for seed in seeds]
    for trial in range(400):
        if trial < 40:
            data = bytearray(rng.getrandbits(8) for _ in range(rng.choice([0, 100, 1024, 6000])))
        else:
            which = rng.randrange(len(seeds))
            data = bytearray(seeds[which])
            for _ in range(rng.randint(1, 3)):
                data[rng.choice(hot[which])] = rng.getrandbits(8)
        try:
            orbyx.Engine(write_file("random.bsp", bytes(data)), DUMMY_SHA256)
        except ValueError:
            pass
