"""The synthetic-kernel writer, checked against jplephem as an independent reader."""
import numpy as np
import pytest
from jplephem.spk import SPK
from numpy.polynomial import chebyshev

from conftest import DE430, DE441_1969, JUP310
from daf_writer import big_endian_twin, build_daf, summary_chain, tdb_seconds, type2_segment

INIT = tdb_seconds(2457080.5)
DAY = 86400.0

# Per segment: target, center, interval length, records of (x, y, z) coefficients.
SEGMENTS = [
    (10, 0, 4 * DAY, [([1.0e6, 2.0e3, -5.0], [-3.0e5, 1.0e2, 7.0], [42.0, -8.0, 0.5]),
                      ([1.1e6, -2.0e3, 4.0], [-2.9e5, 3.0e2, -1.0], [40.0, 6.0, -0.25])]),
    (3, 0, 2 * DAY, [([1.5e8, 1.0e5], [-2.0e7, 3.0e4], [9.0e6, -1.0e3])] * 3),
    (301, 3, DAY, [([3.8e5, -10.0, 2.0, 0.125], [1.0e4, 20.0, -3.0, 0.5], [-2.0e4, 5.0, 1.0, -0.75])] * 4),
]


def synthetic_segments():
    return [type2_segment(target, center, INIT, interval, records, name=f"SEGMENT {target}")
            for target, center, interval, records in SEGMENTS]


def expected_state(init, interval, records, julian_day):
    """Position (km) and velocity (km/day) from the written coefficients."""
    k = min(int((tdb_seconds(julian_day) - init) // interval), len(records) - 1)
    s = 2.0 * (tdb_seconds(julian_day) - init - k * interval) / interval - 1.0
    position = [chebyshev.chebval(s, axis) for axis in records[k]]
    rate = [chebyshev.chebval(s, chebyshev.chebder(axis)) * 2.0 / interval * DAY for axis in records[k]]
    return np.array(position), np.array(rate)


@pytest.mark.parametrize("big_endian", [False, True])
def test_synthetic_type2_kernel_reads_back_through_jplephem(write_file, big_endian):
    data = build_daf(synthetic_segments(), summaries_per_record=2, big_endian=big_endian)
    assert [nsum for _, nsum in summary_chain(data)] == [2, 1]

    kernel = SPK.open(write_file("synthetic.bsp", data))
    try:
        assert kernel.daf.endian == (">" if big_endian else "<")
        assert [(s.target, s.center, s.frame, s.data_type) for s in kernel.segments] == \
            [(target, center, 1, 2) for target, center, _, _ in SEGMENTS]
        for segment, (target, _, interval, records) in zip(kernel.segments, SEGMENTS):
            assert segment.source.decode() == f"SEGMENT {target}"
            assert segment.start_second == INIT
            assert segment.end_second == INIT + len(records) * interval
            rsize = 2 + 3 * len(records[0][0])
            assert segment.end_i - segment.start_i + 1 == rsize * len(records) + 4
            for julian_day in np.linspace(segment.start_jd, segment.end_jd, 7):
                position, rate = segment.compute_and_differentiate(julian_day)
                want_position, want_rate = expected_state(INIT, interval, records, julian_day)
                np.testing.assert_allclose(position, want_position, rtol=1e-12, atol=1e-6)
                np.testing.assert_allclose(rate, want_rate, rtol=1e-12, atol=1e-6)
    finally:
        kernel.close()


def test_chain_overrides_reach_the_file():
    data = build_daf(synthetic_segments(), summaries_per_record=1, chain={0: {"next": 6}, 2: {"nsum": 0}})
    # Summary records are 2, 4 and 6; record 2 now skips straight to record 6.
    assert summary_chain(data) == [(2, 1), (6, 0)]


@pytest.mark.parametrize("path", [DE430, DE441_1969, JUP310])
def test_big_endian_twin_of_real_kernel_gives_identical_states(write_file, path):
    with open(path, "rb") as f:
        little = f.read()
    twin = big_endian_twin(little)
    assert len(twin) == len(little) and twin != little

    original, swapped = SPK.open(path), SPK.open(write_file("twin.bsp", twin))
    try:
        assert swapped.daf.endian == ">"
        assert swapped.comments() == original.comments()
        assert len(swapped.segments) == len(original.segments)
        for a, b in zip(original.segments, swapped.segments):
            assert (a.source, a.start_second, a.end_second, a.target, a.center, a.frame,
                    a.data_type, a.start_i, a.end_i) == \
                   (b.source, b.start_second, b.end_second, b.target, b.center, b.frame,
                    b.data_type, b.start_i, b.end_i)
            for julian_day in np.linspace(a.start_jd, a.end_jd, 5):
                for want, got in zip(a.compute_and_differentiate(julian_day),
                                     b.compute_and_differentiate(julian_day)):
                    assert np.array_equal(want, got)
    finally:
        original.close()
        swapped.close()
