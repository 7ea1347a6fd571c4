"""Type 3 segments (Chebyshev position and velocity), Type 13 segments (Hermite windows
over unequal steps) and Types 1 and 21 through orbyx_ext.open, against SPICE (spkgeo) on
the same files: the real JUP310 excerpt and kernels of the test writer. The agreement asked is 1 mm and
1e-9 km/s. The worst seen for Type 3, on the excerpt and the writer's kernels alike, is
2.4e-7 km (two units in the last place at 7e8 km) and 1.1e-14 km/s; for Type 13 on an
Io-like orbit with windows of up to 8 states, 1.5e-8 km and 2.4e-11 km/s (the wide
window; up to 4 states, 2e-10 km and 2e-13 km/s). Types 1 and 21 (modified difference
arrays) on the writer's kernels of an asteroid-like orbit equal SPICE's states to the bit."""
import math
import os
import random
from dataclasses import replace

import pytest

import orbyx
import orbyx_ext
from conftest import DUMMY_SHA256, JUP310, LEAPSECONDS
from daf_writer import (big_endian_twin, build_daf, constant_segment, kepler_mda_records, mda_segment,
                        padded_to_records, tdb_seconds, type3_segment, type13_segment)

UNSUPPORTED = "unsupported SPK segment type 3"
UNSUPPORTED_13 = "unsupported SPK segment type 13"
POSITION_KM, VELOCITY_KM_PER_S = 1e-6, 1e-9
J2000_JD = 2451545.0


@pytest.fixture
def spice():
    sp = pytest.importorskip("spiceypy")
    yield sp
    sp.kclear()


def instant_at(seconds):
    return orbyx.Instant.tdb(J2000_JD + seconds / 86400.0)


def assert_agrees_with_spice(sp, engine, target, center, seconds):
    for epoch in seconds:
        expected, _ = sp.spkgeo(target, epoch, "J2000", center)
        got = orbyx_ext.geometric_state(engine, target, center, instant_at(epoch))
        for axis in range(3):
            assert abs(got[axis] - expected[axis]) <= POSITION_KM, (target, center, epoch, axis)
            assert abs(got[axis + 3] - expected[axis + 3]) <= VELOCITY_KM_PER_S, (target, center, epoch, axis)


def assert_big_endian_twin_agrees(write_file, kernel, target, center, seconds):
    """The same kernel in big-endian order gives the same bits."""
    little = orbyx_ext.open(write_file("little.bsp", kernel), DUMMY_SHA256)
    big = orbyx_ext.open(write_file("big.bsp", big_endian_twin(kernel)), DUMMY_SHA256)
    supported = little.supported_range
    for epoch in seconds:
        day = min(max(J2000_JD + epoch / 86400.0, supported.start_julian_day), supported.end_julian_day)
        instant = orbyx.Instant.tdb(day)
        assert orbyx_ext.geometric_state(big, target, center, instant) == \
            orbyx_ext.geometric_state(little, target, center, instant)


def record_boundaries(sp, path, target):
    """Each record start of `target`'s Type 3 segments, from the directories SPICE reads."""
    handle = sp.dafopr(path)
    try:
        sp.dafbfs(handle)
        starts = []
        while sp.daffna():
            _, integers = sp.dafus(sp.dafgs(), 2, 6)
            target_id, data_type, end = int(integers[0]), int(integers[3]), int(integers[5])
            if target_id == target and data_type == 3:
                init, length, _, count = sp.dafgda(handle, end - 3, end)
                starts += [init + k * length for k in range(int(count) + 1)]
        return starts
    finally:
        sp.dafcls(handle)


def spice_epochs(instant):
    """The TDB seconds past J2000 an orbyx TDB instant stands for: a Julian day holds
    epochs some 40 microseconds apart, and SPICE is handed the same one."""
    return (instant.julian_day - J2000_JD) * 86400.0


@pytest.mark.parametrize("target, center", [(599, 5), (501, 5), (504, 599), (599, 10), (5, 399)])
def test_the_jupiter_excerpt_agrees_with_spice(spice, write_file, target, center):
    with open(JUP310, "rb") as excerpt:
        spice.furnsh(write_file("jup310.bsp", padded_to_records(excerpt.read())))
    engine = orbyx_ext.open(JUP310, DUMMY_SHA256)
    supported = engine.supported_range
    first, last = (tdb_seconds(day) for day in (supported.start_julian_day, supported.end_julian_day))
    inside = [start for start in record_boundaries(spice, JUP310, target) if first <= start <= last]
    epochs = [first, last] + [at + shift for at in inside for shift in (-1e-3, 0.0, 1e-3)
                              if first <= at + shift <= last]
    epochs += [first + (last - first) * k / 37 for k in range(37)]
    assert_agrees_with_spice(spice, engine, target, center, [spice_epochs(instant_at(e)) for e in epochs])


def random_type3_records(rng, count, degree):
    """Records with Jupiter-like sizes: each series falls by a decade per degree, and the
    records do not join, so a record picked wrongly at a boundary shows."""
    def series(scale):
        return [rng.uniform(-1, 1) * scale * 10.0 ** -k for k in range(degree + 1)]

    return [tuple(series(7e8) for _ in range(3)) + tuple(series(13.0) for _ in range(3)) for _ in range(count)]


@pytest.mark.parametrize("degree, count, interval_days", [(0, 1, 8.0), (1, 3, 2.0), (6, 10, 0.8), (14, 4, 2.0)])
def test_writer_kernels_agree_with_spice_at_every_boundary(spice, write_file, degree, count, interval_days):
    rng = random.Random(degree * 100 + count)
    init, length = tdb_seconds(2457080.5), interval_days * 86400.0
    segment = type3_segment(599, 0, init, length, random_type3_records(rng, count, degree))
    path = write_file("type3.bsp", padded_to_records(build_daf([segment])))
    spice.furnsh(path)
    engine = orbyx_ext.open(path, DUMMY_SHA256)
    end = init + count * length
    epochs = [init, end] + [init + k * length + shift for k in range(1, count) for shift in (-1.0, 0.0, 1.0)]
    epochs += [rng.uniform(init, end) for _ in range(20)]
    assert_agrees_with_spice(spice, engine, 599, 0, [spice_epochs(instant_at(e)) for e in epochs])
    assert_big_endian_twin_agrees(write_file, build_daf([segment]), 599, 0, epochs)


def test_orbyx_open_still_refuses_type3_and_attaching_follows_the_engine(write_file):
    init, length = tdb_seconds(2457080.5), 86400.0
    records = random_type3_records(random.Random(1), 4, 3)
    primary = write_file("primary.bsp", build_daf([
        type3_segment(599, 5, init, length, records), constant_segment(5, init, init + 4 * length),
        constant_segment(10, init, init + 4 * length), constant_segment(399, init, init + 4 * length)]))
    attached = write_file("attached.bsp", build_daf([type3_segment(502, 599, init, length, records)]))
    day = orbyx.Instant.tdb(2457082.5)
    options = orbyx.PositionOptions("barycentric", "equatorial", "j2000")

    standard = orbyx.open(primary, DUMMY_SHA256)
    for refused in (lambda: standard.position("jupiter", day, options),
                    lambda: standard.positions(["sun", "jupiter"], [day, day], options)):
        with pytest.raises(ValueError) as info:
            refused()
        assert info.type is ValueError and str(info.value) == UNSUPPORTED

    extended = orbyx_ext.open(primary, DUMMY_SHA256)
    assert type(extended) is orbyx.Engine
    state = orbyx_ext.geometric_state(extended, "jupiter", 0, day)
    position = extended.position("jupiter", day, options)
    batch = extended.positions(["sun", "jupiter"], [day, day], options)
    assert position.distance_au * 149597870.7 == pytest.approx(math.dist(state[:3], (0, 0, 0)), rel=1e-14)
    assert batch[0, 1, 0] == position.longitude_deg

    # An attached kernel evaluates what the engine it joins evaluates.
    extended.with_additional_kernel_file(attached, DUMMY_SHA256)
    standard.with_additional_kernel_file(attached, DUMMY_SHA256)
    assert orbyx_ext.geometric_state(extended, 502, 599, day) == orbyx_ext.geometric_state(extended, 599, 5, day)
    with pytest.raises(ValueError, match=f"^{UNSUPPORTED}$"):
        orbyx_ext.geometric_state(standard, 502, 599, day)


@pytest.mark.parametrize("arguments", [
    (JUP310,), (JUP310, "abc"), ("missing.bsp", DUMMY_SHA256), (JUP310, DUMMY_SHA256, LEAPSECONDS),
    (JUP310, DUMMY_SHA256, None, None, "eop.txt", None), (JUP310, 3),
])
def test_companion_open_takes_and_refuses_what_orbyx_open_does(arguments):
    errors = []
    for opener in (orbyx.open, orbyx_ext.open):
        with pytest.raises((TypeError, ValueError)) as info:
            opener(*arguments)
        errors.append((info.type, str(info.value)))
    assert errors[0] == errors[1]


def test_companion_open_attaches_the_time_kernels():
    engine = orbyx_ext.open(JUP310, DUMMY_SHA256, leap_second_kernel=LEAPSECONDS, leap_second_sha256=DUMMY_SHA256)
    # UTC is some 68 s behind TDB in 2015: Io moves by over a thousand km meanwhile.
    utc, tdb = orbyx.Instant.utc(2457084.5), orbyx.Instant.tdb(2457084.5)
    io = [orbyx_ext.geometric_state(engine, 501, 5, instant)[:3] for instant in (utc, tdb)]
    assert 1000 < math.dist(*io) < 1300


def test_companion_functions_read_type3_on_an_extended_engine():
    day = orbyx.Instant.tdb(2457084.5)
    with pytest.raises(ValueError, match=f"^{UNSUPPORTED}$"):
        orbyx_ext.phenomena(orbyx.open(JUP310, DUMMY_SHA256), "jupiter", day)
    seen = orbyx_ext.phenomena(orbyx_ext.open(JUP310, DUMMY_SHA256), "jupiter", day)
    assert 4.0 < seen.distance_au < 6.5 and 0 < seen.phase_angle_deg < 12


# One record of degree 1 (RSIZE 14) over [init, init + 1 day]; words by index.
RADIUS, X1, VZ1, RSIZE, N, INTLEN, MID = 1, 3, 13, -2, -1, -3, 0


@pytest.mark.parametrize("word, value, reason", [
    (RSIZE, 11.0, "record size does not describe six equal coefficient sets"),
    (RSIZE, 8.0, "directory size does not match the segment address range"),
    (N, 2.0, "directory size does not match the segment address range"),
    (N, 0.5, "record count"),
    (INTLEN, -86400.0, "directory epoch and interval length must be finite and valid"),
    (RADIUS, 0.0, "record midpoint and radius must be finite and valid"),
    (MID, 1e9, "selected record does not cover the requested epoch"),
    (VZ1, math.nan, "Chebyshev coefficients and argument must be finite"),
    (X1, math.inf, "Chebyshev coefficients and argument must be finite"),
])
def test_broken_type3_segments_are_refused_with_their_reason(write_file, word, value, reason):
    init = tdb_seconds(2457080.5)
    segment = type3_segment(599, 0, init, 86400.0, [([1e8, 2.0],) * 3 + ([1.0, 0.5],) * 3])
    words = list(segment.words)
    words[word] = value
    segment.words = words
    engine = orbyx_ext.open(write_file("broken.bsp", build_daf([segment])), DUMMY_SHA256)
    day = orbyx.Instant.tdb(2457080.75)
    message = f"^invalid SPK Type 3 segment: {reason}$"
    with pytest.raises(ValueError, match=message):
        orbyx_ext.geometric_state(engine, 599, 0, day)
    with pytest.raises(ValueError, match=message):
        engine.positions(["jupiter"], [day, orbyx.Instant.tdb(2457081.0)], orbyx.geometric("barycentric"))


def io_like_states(epochs):
    """States of a tilted circular orbit of Io's size and period, km and km/s."""
    radius, rate = 4.2e5, 2 * math.pi / (1.77 * 86400.0)
    states = []
    for epoch in epochs:
        angle = rate * (epoch - epochs[0])
        c, s = math.cos(angle), math.sin(angle)
        states.append((radius * c, 0.9 * radius * s, 0.4 * radius * s,
                       -radius * rate * s, 0.9 * radius * rate * c, 0.4 * radius * rate * c))
    return states


def spice_written_words(sp, path, epochs, states, window):
    os.remove(path)
    handle = sp.spkopn(path, "spkw13", 0)
    sp.spkw13(handle, 502, 5, "J2000", epochs[0], epochs[-1], "SPKW13", 2 * window - 1, len(epochs), states, epochs)
    sp.spkcls(handle)
    handle = sp.dafopr(path)
    try:
        sp.dafbfs(handle)
        sp.daffna()
        _, integers = sp.dafus(sp.dafgs(), 2, 6)
        return list(sp.dafgda(handle, int(integers[4]), int(integers[5])))
    finally:
        sp.dafcls(handle)


@pytest.mark.parametrize("window, count", [(1, 2), (2, 7), (3, 250), (4, 150), (8, 305)])
def test_writer_type13_kernels_agree_with_spice(spice, write_file, window, count):
    rng = random.Random(window * 1000 + count)
    epochs = [tdb_seconds(2457080.5)]
    for _ in range(count - 1):
        epochs.append(epochs[-1] + rng.uniform(600.0, 3000.0))
    states = io_like_states(epochs)
    written = type13_segment(502, 5, epochs, states, window)
    path = write_file("type13.bsp", padded_to_records(build_daf([
        written, constant_segment(5, epochs[0] - 86400.0, epochs[-1] + 86400.0)])))
    # The writer lays the words out as SPICE's own writer does.
    assert spice_written_words(spice, write_file("spkw13.bsp", b""), epochs, states, window) == list(written.words)
    spice.furnsh(path)
    engine = orbyx_ext.open(path, DUMMY_SHA256)
    between = [(a + b) / 2 for a, b in zip(epochs, epochs[1:])]
    asked = epochs[::3] + between[::3] + [epochs[-1]] + [rng.uniform(epochs[0], epochs[-1]) for _ in range(20)]
    seconds = [spice_epochs(instant_at(epoch)) for epoch in asked]
    assert_agrees_with_spice(spice, engine, 502, 5, [e for e in seconds if epochs[0] <= e <= epochs[-1]])
    assert_big_endian_twin_agrees(write_file, build_daf([written, constant_segment(5, epochs[0] - 86400.0,
                                                                                   epochs[-1] + 86400.0)]),
                                  502, 5, asked)

    with pytest.raises(ValueError, match=f"^{UNSUPPORTED_13}$"):
        orbyx_ext.geometric_state(orbyx.open(path, DUMMY_SHA256), 502, 5, instant_at(epochs[0]))


def type13_words_with(count, changes):
    epochs = [tdb_seconds(2457080.5) + 600.0 * k for k in range(count)]
    segment = type13_segment(599, 0, epochs, io_like_states(epochs), 2)
    words = list(segment.words)
    for word, value in changes.items():
        words[word] = value
    segment.words = words
    return segment


# 150 states: 900 state words, 150 epochs, one directory entry (word 1050), window less one, N.
@pytest.mark.parametrize("changes, reason", [
    ({-2: 40.0}, "window size exceeds the state count or 32"),
    ({-2: -1.0}, "window size"),
    ({-1: 149.0}, "state count does not match the segment address range"),
    ({1050: 1e12}, "epoch directory does not match the epochs"),
    ({1050: math.nan}, "epoch directory must be finite and strictly increasing"),
    ({900 + 120: 0.0}, "epochs must be finite and strictly increasing"),
    ({6 * 121 + 4: math.inf}, "states must be finite"),
])
def test_broken_type13_segments_are_refused_with_their_reason(write_file, changes, reason):
    engine = orbyx_ext.open(write_file("broken.bsp", build_daf([type13_words_with(150, changes)])), DUMMY_SHA256)
    start = tdb_seconds(2457080.5)
    late = [instant_at(start + 600.0 * 120.5), instant_at(start + 600.0 * 121.25)]
    with pytest.raises(ValueError, match=f"^invalid SPK Type 13 segment: {reason}$"):
        orbyx_ext.geometric_state(engine, 599, 0, late[0])
    with pytest.raises(ValueError, match=f"^invalid SPK Type 13 segment: {reason}$"):
        engine.positions(["jupiter"], late, orbyx.geometric("barycentric"))


# An asteroid-like ellipse about the Sun (km, radians) and the Sun's GM (km^3/s^2).
ASTEROID = (4.1e8, 0.15, 0.3, 1.0, 0.5)
SUN_GM = 1.32712440018e11


def mda_kernel_records(seed, count, order, orders=None, max_order_plus_one=None):
    """Records of unequal lengths (half a day to two days) and unequal steps back from
    each final epoch; `orders` and `max_order_plus_one` override KQ and KQMAX1. Final
    epochs fall on whole 64ths of a day, which a TDB Julian day holds exactly."""
    rng = random.Random(seed)
    finals = [tdb_seconds(2457080.5)]
    for _ in range(count):
        finals.append(finals[-1] + rng.randint(32, 128) * 1350.0)
    steps = [rng.uniform(0.05, 0.2) * 86400.0 for _ in range(order)]
    records = kepler_mda_records(ASTEROID, SUN_GM, finals[1:], order, steps)
    for record in records:
        record.orders = orders or record.orders
        record.max_order_plus_one = max_order_plus_one or record.max_order_plus_one
    return finals[0], records


@pytest.mark.parametrize("maxdim, count, order, orders, max_order_plus_one", [
    (None, 3, 8, None, None),
    (21, 3, 8, (8, 0, 5), None),  # an unaccelerated axis
    (None, 100, 14, (14, 9, 3), 15),  # exactly one directory entry, Type 1's largest KQMAX1
    (15, 200, 15, (15, 11, 1), 16),
    (20, 250, 12, (12, 12, 7), 19),
    (25, 99, 25, None, 26),
    (6, 201, 4, (4, 2, 5), 6),
])
def test_writer_mda_kernels_agree_with_spice(spice, write_file, maxdim, count, order, orders, max_order_plus_one):
    start, records = mda_kernel_records(count * 31 + order, count, order, orders, max_order_plus_one)
    if (max_order_plus_one or 0) > order + 1:  # steps and orders beyond those the records were built for
        size = maxdim or 15
        records = [replace(record, differences=[list(axis) + [1e-16] * (size - order) for axis in record.differences],
                           steps=list(record.steps) + [3e4 + 1e3 * k for k in range(size - order + 1)])
                   for record in records]
    segment = mda_segment(2000433, 0, start, records, maxdim)
    path = write_file("mda.bsp", padded_to_records(build_daf([segment])))
    spice.furnsh(path)
    engine = orbyx_ext.open(path, DUMMY_SHA256)
    rng = random.Random(count)
    finals = [record.final_epoch for record in records]
    asked = [start, finals[-1]] + [final + shift for final in finals for shift in (0.0, 1e-3, -60.0)]
    asked += [rng.uniform(start, finals[-1]) for _ in range(50)]
    instants = [instant_at(seconds) for seconds in asked]
    seconds = [spice_epochs(instant) for instant in instants]
    assert set(finals) <= set(seconds)
    inside = [(instant, epoch) for instant, epoch in zip(instants, seconds) if start <= epoch <= finals[-1]]
    states = orbyx_ext.geometric_states(engine, 2000433, 0, [instant for instant, _ in inside])
    worst = [0.0, 0.0]
    for (instant, epoch), row in zip(inside, states):
        expected, _ = spice.spkgeo(2000433, epoch, "J2000", 0)
        worst[0] = max([worst[0]] + [abs(row[axis] - expected[axis]) for axis in range(3)])
        worst[1] = max([worst[1]] + [abs(row[axis] - expected[axis]) for axis in range(3, 6)])
        assert tuple(row) == orbyx_ext.geometric_state(engine, 2000433, 0, instant)
    assert worst[0] <= POSITION_KM and worst[1] <= VELOCITY_KM_PER_S, worst
    # Scattered epochs take the records out of order and give the same bits.
    shuffled = list(range(len(inside)))
    rng.shuffle(shuffled)
    assert (orbyx_ext.geometric_states(engine, 2000433, 0, [inside[k][0] for k in shuffled]) == states[shuffled]).all()
    assert_big_endian_twin_agrees(write_file, build_daf([segment]), 2000433, 0, asked[:20])
    refused = f"^unsupported SPK segment type {segment.data_type}$"
    with pytest.raises(ValueError, match=refused):
        orbyx_ext.geometric_state(orbyx.open(path, DUMMY_SHA256), 2000433, 0, instants[0])


def test_geometric_states_refuse_what_geometric_state_refuses():
    engine = orbyx_ext.open(JUP310, DUMMY_SHA256)
    day = orbyx.Instant.tdb(2457084.5)
    assert orbyx_ext.geometric_states(engine, 501, 5, []).shape == (0, 6)
    for target, instants in ((501, [day, orbyx.Instant.tdb(2400000.5)]), (123456, [day]), ("nobody", [day])):
        with pytest.raises((TypeError, ValueError)) as batch:
            orbyx_ext.geometric_states(engine, target, 5, instants)
        with pytest.raises((TypeError, ValueError)) as single:
            for instant in instants:
                orbyx_ext.geometric_state(engine, target, 5, instant)
        assert (batch.type, str(batch.value)) == (single.type, str(single.value))
    with pytest.raises(TypeError, match="instants"):
        orbyx_ext.geometric_states(engine, 501, 5, [day, 2457084.5])


def broken_mda_segment(maxdim, count, changes, **fields):
    """A segment of `count` records of order 6; `changes` maps word indices to values,
    with the records' words first (4 MAXDIM + 11 each), then the final epochs."""
    start, records = mda_kernel_records(7, count, 6)
    segment = mda_segment(2000433, 0, start, records, maxdim, **fields)
    words = list(segment.words)
    for word, value in changes.items():
        words[word] = value
    segment.words = words
    return segment, records


# 150 records of 71 words (Type 1) or 91 (Type 21, MAXDIM 20); record 120 is asked for.
# Within a record: TL 0, G 1..MAXDIM, then six reference words, DT, KQMAX1, KQ(1..3).
def record_word(maxdim, offset):
    return 120 * (4 * (maxdim or 15) + 11) + offset


MDA_BREAKAGES = [
    (None, {-1: 151.0}, "record count does not match the segment address range"),
    (20, {-2: 26.0}, "difference line size MAXDIM must be an integer from 1 to 25"),
    (None, {-2: 1e12}, "epoch directory does not match the epochs"),
    (20, {-3: math.nan}, "epoch directory must be finite and strictly increasing"),
    (None, {150 * 71 + 119: 0.0}, "epochs must be finite and strictly increasing"),
    (20, {record_word(20, 0): 1.0}, "record's final epoch does not match the epoch list"),
    (None, {record_word(None, 3): 0.0}, "step sizes must be nonzero"),
    (20, {record_word(20, 21 + 2): math.inf}, "record words must be finite"),
    (None, {record_word(None, 67): 16.0}, "KQMAX1 must be an integer from 2 to 15"),
    (None, {record_word(None, 70): 7.0}, "integration orders KQ must be integers from 0 to KQMAX1 - 1"),
]


@pytest.mark.parametrize("maxdim, changes, reason", MDA_BREAKAGES)
def test_broken_mda_segments_are_refused_with_their_reason(write_file, maxdim, changes, reason):
    segment, records = broken_mda_segment(maxdim, 150, changes)
    engine = orbyx_ext.open(write_file("broken.bsp", build_daf([segment])), DUMMY_SHA256)
    late = [instant_at(records[120].final_epoch - 600.0), instant_at(records[120].final_epoch - 300.0)]
    message = f"^invalid SPK Type {segment.data_type} segment: {reason}$"
    with pytest.raises(ValueError, match=message):
        orbyx_ext.geometric_state(engine, 2000433, 0, late[0])
    with pytest.raises(ValueError, match=message):
        orbyx_ext.geometric_states(engine, 2000433, 0, late)


@pytest.mark.parametrize("maxdim, count", [(None, 100), (21, 7)])
def test_epochs_past_the_last_record_are_refused(write_file, maxdim, count):
    # SPICE answers zeros there; a summary may cover more than the records do.
    segment, records = broken_mda_segment(maxdim, count, {}, end_epoch=None)
    segment.end_epoch = records[-1].final_epoch + 3600.0
    engine = orbyx_ext.open(write_file("long.bsp", build_daf([segment])), DUMMY_SHA256)
    assert orbyx_ext.geometric_state(engine, 2000433, 0, instant_at(records[-1].final_epoch))
    with pytest.raises(ValueError, match=f"^invalid SPK Type {segment.data_type} segment: requested epoch is after "
                                         "the last record's final epoch$"):
        orbyx_ext.geometric_state(engine, 2000433, 0, instant_at(records[-1].final_epoch + 60.0))
