"""The Python face of positions: argument rules, array layout and engine states."""
import numpy
import pytest

import orbyx
from conftest import DE430, DUMMY_SHA256
from daf_writer import (J2000_JULIAN_DAY, RECORD_BYTES, WORD_BYTES, Segment, build_daf, constant_segment,
                        type2_segment)

# Inside the DE430 excerpt's common coverage.
INSTANTS = [orbyx.Instant(2457081.0 + 0.5 * i) for i in range(3)]


@pytest.fixture
def engine():
    return orbyx.open(DE430, DUMMY_SHA256)


def fields(position):
    return [
        position.longitude_deg,
        position.latitude_deg,
        position.distance_au,
        position.longitude_speed_deg_per_day,
    ]


def numpy_allocator_name():
    core = getattr(numpy, "_core", None) or numpy.core  # renamed in NumPy 2
    return core.multiarray.get_handler_name()


def test_batch_array_is_a_fresh_instant_major_float64_block(engine):
    options = orbyx.geometric()
    array = engine.positions(["sun", "moon"], INSTANTS, options)
    assert array.shape == (3, 2, 4) and array.dtype == numpy.float64
    assert array.flags.c_contiguous and array.flags.writeable and array.flags.owndata
    assert list(array[2, 1, :]) == fields(engine.position("moon", INSTANTS[2], options))
    again = engine.positions(("sun", "moon"), tuple(INSTANTS), options)
    callers_allocator = numpy_allocator_name()
    large = engine.positions(["sun", "moon"], INSTANTS[:1] * 65536, options)  # 4 MiB
    assert numpy_allocator_name() == callers_allocator  # its own allocator is set only around it
    assert large.flags.owndata and (large[-1] == array[0]).all()
    array[:] = 0
    assert again[0, 0, 2] > 0.9 and large[0, 0, 2] > 0.9  # results share nothing


def test_empty_batches_keep_their_shape(engine):
    assert engine.positions([], INSTANTS, orbyx.geometric()).shape == (3, 0, 4)
    assert engine.positions(["sun", "venus"], [], orbyx.geometric()).shape == (0, 2, 4)


def test_body_names_are_normalised_and_must_be_str(engine):
    assert engine.position("  MOON\t", INSTANTS[0], orbyx.geometric()).distance_au < 0.003
    with pytest.raises(TypeError):
        engine.position(orbyx.HouseSystem.equal(), INSTANTS[0], orbyx.geometric())
    with pytest.raises(TypeError):
        engine.position("moon", 2457081.0, orbyx.geometric())
    with pytest.raises(TypeError):
        engine.position("moon", INSTANTS[0], "geometric")


def test_batch_argument_rules(engine):
    options = orbyx.geometric()
    with pytest.raises(TypeError, match="Can't extract `str` to `Vec`"):
        engine.positions("sun", INSTANTS, options)
    with pytest.raises(TypeError, match="Can't extract `str` to `Vec`"):
        engine.positions(["sun"], "2457081.0", options)
    with pytest.raises(TypeError):
        engine.positions(["sun", INSTANTS[0]], INSTANTS, options)
    with pytest.raises(TypeError):
        engine.positions(["sun"], [2457081.0], options)
    with pytest.raises(TypeError):
        engine.positions({"sun"}, INSTANTS, options)
    with pytest.raises(ValueError) as error:
        engine.positions(["sun", "vulcan", "nibiru"], INSTANTS, options)
    assert str(error.value) == 'unknown body "vulcan"'


def object_array(items):
    array = numpy.empty(len(items), dtype=object)
    array[:] = items
    return array


@pytest.mark.parametrize("form", [
    tuple, object_array, lambda items: numpy.repeat(object_array(items), 2)[::2],
], ids=["tuple", "object array", "strided object array"])
def test_other_sequences_batch_as_lists_do(engine, form):
    options = orbyx.geometric()
    expected = engine.positions(["sun", "moon"], INSTANTS, options)
    assert (engine.positions(form(["sun", "moon"]), form(INSTANTS), options) == expected).all()
    with pytest.raises(TypeError, match="'instants' item 1 must be Instant, not NoneType"):
        engine.positions(form(["sun"]), form([INSTANTS[0], None]), options)
    with pytest.raises(TypeError, match="'bodies' item 0 must be str, not .*ndarray"):
        engine.positions(object_array(["sun"]).reshape(1, 1), form(INSTANTS), options)


def test_engine_errors_surface_with_their_text(engine):
    with pytest.raises(ValueError) as error:
        engine.positions(["moon"], [INSTANTS[0], orbyx.Instant.tt(2400000.0)], orbyx.geometric())
    assert str(error.value) == (
        "Julian day 2400000 is outside kernel range 2457080.5..2457088.5 Tdb"
    )
    with pytest.raises(ValueError) as error:
        engine.position("earth", INSTANTS[0], orbyx.geometric())
    assert str(error.value) == "spherical coordinates are undefined when target and origin are identical"
    with pytest.raises(ValueError) as error:
        engine.position("moon", orbyx.Instant.utc(2457081.0), orbyx.geometric())
    assert str(error.value) == "conversion from Utc to TDB is not implemented"
    with pytest.raises(ValueError) as error:
        engine.position("moon", INSTANTS[0], orbyx.PositionOptions("geocentric", "ecliptic", apparent=True))
    assert str(error.value) == "apparent requires reference_epoch: OfDate"


def test_batch_checks_come_before_its_array(engine):
    many = 2 ** 21  # many x many results would take 2**47 bytes, more than a process can map
    outside = orbyx.Instant(3e6)
    with pytest.raises(ValueError) as error:
        engine.positions(["earth"] * many, [outside] * many, orbyx.geometric())
    assert str(error.value) == "spherical coordinates are undefined when target and origin are identical"
    with pytest.raises(ValueError, match="^Julian day 3000000 is outside kernel range"):
        engine.positions(["moon"] * many, INSTANTS * (many // 3) + [outside], orbyx.geometric())


# Mars over ten days from J2000, and a later summary on the same data block that
# moves Mars to the Sun over the first or the last four of them.
def shared_block_kernel(recentred):
    day = 86400.0
    mars = type2_segment(499, 0, 0.0, 10 * day, [([2.0e8, 1.0e7], [5.0e7, -2.0e6], [1.0e6, 3.0e5])])
    first_word = 3 * RECORD_BYTES // WORD_BYTES + 1  # after the file record, the summaries and their names
    start, end = (0.0, 4 * day) if recentred == "first" else (6 * day, 10 * day)
    return build_daf([
        mars,
        constant_segment(10, 0.0, 10 * day, position=(1.0e6, 2.0e6, 3.0e5)),
        constant_segment(399, 0.0, 10 * day, position=(-2.6e7, 1.4e8, 6.0e7)),
        Segment(499, 10, start, end, begin_address=first_word, end_address=first_word + len(mars.words) - 1),
    ])


# On both sides of the sizes a batch is cut into inside: each entry is the single position.
@pytest.mark.parametrize("count", [200, 2000])
@pytest.mark.parametrize("recentred", ["first", "last"])
def test_batch_follows_each_instants_own_summary(write_file, recentred, count):
    engine = orbyx.open(write_file("shared.bsp", shared_block_kernel(recentred)), DUMMY_SHA256)
    instants = [orbyx.Instant(float(day)) for day in numpy.linspace(J2000_JULIAN_DAY, J2000_JULIAN_DAY + 10, count)]
    options = orbyx.geometric()
    singles = [[fields(engine.position("mars", instant, options))] for instant in instants]
    assert engine.positions(["mars"], instants, options).tolist() == singles


def test_closed_engine_refuses_positions(engine, tmp_path):
    broken = tmp_path / "broken.bsp"
    data = bytearray(open(DE430, "rb").read())
    data[80:84] = (99).to_bytes(4, "little")  # BWARD past the real last record
    broken.write_bytes(bytes(data))
    with pytest.raises(ValueError):
        engine.with_additional_kernel_file(str(broken), DUMMY_SHA256)
    for call in (
        lambda: engine.position("moon", INSTANTS[0], orbyx.geometric()),
        lambda: engine.positions(["moon"], INSTANTS, orbyx.geometric()),
    ):
        with pytest.raises(ValueError, match="^engine is closed$"):
            call()
    # Arguments are still checked before the closed state is reported.
    with pytest.raises(ValueError, match="unknown body"):
        engine.position("vulcan", INSTANTS[0], orbyx.geometric())


def test_reentrant_attach_during_a_batch_is_refused(engine):
    class CallsBack:
        """A sequence whose item access attaches a file to the engine in use."""

        def __len__(self):
            return 1

        def __getitem__(self, index):
            if index > 0:
                raise IndexError(index)
            engine.with_leap_second_kernel("/unused.tls", DUMMY_SHA256)
            return "sun"

    with pytest.raises(RuntimeError, match="^Already borrowed$"):
        engine.positions(CallsBack(), INSTANTS, orbyx.geometric())
    # A shared use may nest in another.
    class ReadsBack(CallsBack):
        def __getitem__(self, index):
            if index > 0:
                raise IndexError(index)
            engine.position("sun", INSTANTS[0], orbyx.geometric())
            return "sun"

    assert engine.positions(ReadsBack(), INSTANTS, orbyx.geometric()).shape == (3, 1, 4)
