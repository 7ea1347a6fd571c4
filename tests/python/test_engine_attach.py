"""Additional SPK kernels attached to an Engine, and the closed Engine a failed attach leaves."""
import pytest

import orbyx
from conftest import DE430, DE441_1969, DUMMY_SHA256, JUP310, LEAPSECONDS, eop_c04_path
from daf_writer import big_endian_twin, build_daf, constant_segment, tdb_seconds

EOP = eop_c04_path()
S, M, E = tdb_seconds(2457080.5), tdb_seconds(2457084.5), tdb_seconds(2457088.5)
UPPER_SHA256 = "ABCDEF0123456789" * 4
DIGEST = "kernel SHA-256 must contain exactly 64 hexadecimal characters"
CLOSED = "engine is closed"


def value_error(call, *args):
    with pytest.raises(ValueError) as info:
        call(*args)
    assert info.type is ValueError
    return str(info.value)


def fresh_metadata():
    return orbyx.Engine(DE430, DUMMY_SHA256).kernel_metadata.as_dict()


def julian_day_range(engine):
    return engine.supported_range.start_julian_day, engine.supported_range.end_julian_day


def test_attached_kernels_are_listed_in_later_snapshots_only(write_file):
    engine = orbyx.Engine(DE430, DUMMY_SHA256)
    before = engine.kernel_metadata
    assert engine.with_additional_kernel_file(DE441_1969, UPPER_SHA256) is None
    after_one = engine.kernel_metadata
    with open(JUP310, "rb") as f:
        twin = write_file("jup310-big-endian.bsp", big_endian_twin(f.read()))
    assert engine.with_additional_kernel_file(twin, DUMMY_SHA256) is None

    assert before.additional_kernels() == [] and before.as_dict()["additional_kernels"] == []
    assert after_one.additional_kernels() == [("de441-1969.bsp", UPPER_SHA256.lower())]
    listed = [("de441-1969.bsp", UPPER_SHA256.lower()), ("jup310-big-endian.bsp", DUMMY_SHA256)]
    assert engine.kernel_metadata.additional_kernels() == listed
    expected = fresh_metadata()
    expected["additional_kernels"] = listed
    assert engine.kernel_metadata.as_dict() == expected
    # Attached kernels never move the primary kernel's range.
    assert julian_day_range(engine) == (2457080.5, 2457088.5)


# Only the summary chain of an attached kernel is checked, not its coverage.
ATTACHABLE = {
    "no segments": [],
    "coverage gap": [constant_segment(3, S, M), constant_segment(3, M + 1, E)],
    "no common interval": [constant_segment(1, S, M - 1), constant_segment(2, M, E)],
}


@pytest.mark.parametrize("segments", ATTACHABLE.values(), ids=ATTACHABLE.keys())
def test_kernels_that_cannot_be_primary_can_be_attached(write_file, segments):
    engine = orbyx.Engine(DE430, DUMMY_SHA256)
    assert engine.with_additional_kernel_file(write_file("extra.bsp", build_daf(segments)), DUMMY_SHA256) is None
    assert engine.kernel_metadata.additional_kernels() == [("extra.bsp", DUMMY_SHA256)]


REFUSED_BEFORE_ATTACHING = {
    # The digest is checked first, without touching the file.
    "short digest, missing file": ("/no/such.bsp", "0" * 63, DIGEST),
    "non-hex digest": (DE430, "g" * 64, DIGEST),
    "digest before path": (DE430 + "/..", "0" * 65, DIGEST),
    "parent-directory path": (DE430 + "/..", DUMMY_SHA256, "kernel path has no UTF-8 filename"),
    "empty path": ("", DUMMY_SHA256, "kernel path has no UTF-8 filename"),
    "missing file": ("/no/such.bsp", DUMMY_SHA256,
                     "failed to read SPK kernel: No such file or directory (os error 2)"),
    "empty file": (b"", DUMMY_SHA256, "failed to read SPK kernel: failed to fill whole buffer"),
    "pck file": (build_daf([], identifier="DAF/PCK "), DUMMY_SHA256,
                 'expected DAF/SPK file identifier, found "DAF/PCK "'),
    "bad file record": (build_daf([], free=1), DUMMY_SHA256,
                        "invalid DAF file record: first free address points inside the file record"),
}


@pytest.mark.parametrize("path, sha256, message", REFUSED_BEFORE_ATTACHING.values(),
                         ids=REFUSED_BEFORE_ATTACHING.keys())
def test_refused_kernel_leaves_engine_open(write_file, path, sha256, message):
    if isinstance(path, bytes):
        path = write_file("extra.bsp", path)
    engine = orbyx.Engine(DE430, DUMMY_SHA256)
    assert value_error(engine.with_additional_kernel_file, path, sha256) == message
    assert engine.kernel_metadata.as_dict() == fresh_metadata()
    assert engine.with_additional_kernel_file(DE441_1969, DUMMY_SHA256) is None


def truncated_de441():
    with open(DE441_1969, "rb") as f:
        return f.read()[:70 * 1024]  # the second summary record is cut off


# Each opens as a kernel (its file record is sound) but cannot list its segments.
BROKEN_CHAINS = {
    "cycle": (build_daf([constant_segment(10, S, E)], chain={0: {"next": 2}}),
              "invalid DAF summary chain: summary record chain contains a cycle"),
    "summary layout": (build_daf([constant_segment(10, S, E)], ni=5), "unsupported SPK summary layout ND=2, NI=5"),
    "bad segment": (build_daf([constant_segment(10, S, E, begin_address=0)]),
                    "invalid SPK segment: DAF address bounds are invalid"),
    "truncated chain": (truncated_de441(), "failed to read SPK kernel: failed to fill whole buffer"),
}


@pytest.mark.parametrize("data, message", BROKEN_CHAINS.values(), ids=BROKEN_CHAINS.keys())
def test_failed_attach_step_closes_engine_for_good(write_file, data, message):
    engine = orbyx.Engine(DE430, DUMMY_SHA256)
    snapshot = engine.kernel_metadata
    assert value_error(engine.with_additional_kernel_file, write_file("broken.bsp", data), DUMMY_SHA256) == message

    assert value_error(repr, engine) == CLOSED
    assert value_error(getattr, engine, "supported_range") == CLOSED
    assert value_error(getattr, engine, "kernel_metadata") == CLOSED
    assert value_error(engine.with_leap_second_kernel, LEAPSECONDS, DUMMY_SHA256) == CLOSED
    assert value_error(engine.with_eop, EOP, DUMMY_SHA256) == CLOSED
    assert value_error(engine.with_time_kernels, LEAPSECONDS, DUMMY_SHA256, EOP, DUMMY_SHA256) == CLOSED
    assert value_error(engine.with_additional_kernel_file, DE441_1969, DUMMY_SHA256) == CLOSED
    # New files are still opened and checked before the closed engine is noticed.
    assert value_error(engine.with_leap_second_kernel, "/no/such.tls", DUMMY_SHA256) == \
        "failed to read leap-second kernel: No such file or directory (os error 2)"
    assert value_error(engine.with_additional_kernel_file, DE441_1969, "0" * 63) == DIGEST
    # Snapshots are values: the one taken before still reads.
    assert snapshot.as_dict() == fresh_metadata()
