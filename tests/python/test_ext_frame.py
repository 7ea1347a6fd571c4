"""orbyx_ext uses orbyx's own Engine and Instant under the Engine's thread and borrow
rules, and refuses anything else; importing it leaves orbyx as it was."""
import gc
import sys

import pytest

import orbyx
import orbyx_ext
from conftest import DE430, DUMMY_SHA256, LEAPSECONDS, run_in_thread, run_isolated

IS_PYPY = sys.implementation.name == "pypy"

INSTANT = orbyx.Instant.tt(2457084.0)


def test_importing_the_companion_leaves_orbyx_unchanged():
    lines = run_isolated("""
        import orbyx
        before = {name: id(value) for name, value in vars(orbyx).items()}
        import orbyx_ext
        print(before == {name: id(value) for name, value in vars(orbyx).items()})
    """)
    assert lines == ["True"]


def test_a_foreign_thread_gets_orbyxs_own_refusal():
    engine = orbyx.open(DE430, DUMMY_SHA256)
    from_orbyx = run_in_thread(lambda: engine.supported_range)["error"]
    from_companion = [run_in_thread(call)["error"] for call in (
        lambda: orbyx_ext.convert(engine, INSTANT, "tdb"),
        lambda: orbyx_ext.instant_from_calendar(2015, 3, 2, engine=engine),
    )]
    for error in from_companion:
        assert type(error) is type(from_orbyx)
        assert str(error) == str(from_orbyx) == "orbyx::PyEngine is unsendable, but sent to another thread"
    assert orbyx_ext.convert(engine, INSTANT, "tdb").source == "tables"  # the owner still may


@pytest.mark.skipif(
    IS_PYPY or sys.version_info >= (3, 12),
    reason="only CPython before 3.12 collects cycles in the middle of a C call",
)
def test_a_use_while_an_attach_runs_is_refused():
    # Python code runs inside an attach only through the collector's callbacks.
    engine = orbyx.open(DE430, DUMMY_SHA256)
    seen = []

    def convert(phase, info):
        try:
            orbyx_ext.convert(engine, INSTANT, "tdb")
        except RuntimeError as error:
            seen.append(str(error))

    thresholds = gc.get_threshold()
    gc.callbacks.append(convert)
    try:
        raise KeyError("being handled")
    except KeyError:
        gc.set_threshold(1)
        try:
            engine.with_leap_second_kernel("/no/such.tls", DUMMY_SHA256)
        except ValueError:
            pass
        finally:
            gc.set_threshold(*thresholds)
            gc.callbacks.remove(convert)
    assert seen and set(seen) == {"Already mutably borrowed"}


class Engine:
    """Named and placed like orbyx's class, but not it."""


Engine.__module__ = "orbyx"
Engine.__qualname__ = "Engine"


def test_objects_posing_as_orbyx_classes_are_refused(monkeypatch):
    engine = orbyx.open(DE430, DUMMY_SHA256, LEAPSECONDS, DUMMY_SHA256)
    monkeypatch.setattr(orbyx, "Engine", Engine)
    monkeypatch.setattr(orbyx, "Instant", Engine)
    refusals = {
        "convert() argument 'engine' must be orbyx.Engine, not Engine":
            lambda: orbyx_ext.convert(Engine(), INSTANT, "tt"),
        "convert() argument 'instant' must be orbyx.Instant, not Engine":
            lambda: orbyx_ext.convert(engine, Engine(), "tt"),
        "instant_from_calendar() argument 'engine' must be orbyx.Engine, not Engine":
            lambda: orbyx_ext.instant_from_calendar(2016, 12, 31, 23, 59, 60.0, engine=Engine()),
        "calendar_from_instant() argument 'instant' must be orbyx.Instant, not float":
            lambda: orbyx_ext.calendar_from_instant(2457084.0),
    }
    for message, call in refusals.items():
        with pytest.raises(TypeError) as refused:
            call()
        assert str(refused.value) == message
    # orbyx's real classes still pass, whatever the module's names now hold.
    assert orbyx_ext.convert(engine, INSTANT, "utc").instant.time_scale == "utc"


@pytest.mark.skipif(not IS_PYPY, reason="only PyPy makes objects of a C class without their value")
def test_an_instant_made_without_its_value_is_refused():
    hollow = object.__new__(orbyx.Instant)
    with pytest.raises(TypeError, match="^orbyx.Instant object holds no value$"):
        orbyx_ext.calendar_from_instant(hollow)


SITE = orbyx.GeodeticObserver(10.0, 45.0, 0.0)
END = orbyx.Instant.tt(2457085.0)
NOT_AN_INSTANT = [2457084.0]

# Every function that takes an engine first, called with an instant it accepts or,
# as NOT_AN_INSTANT, one it refuses.
ENGINE_CALLS = {
    "convert": lambda e, i: orbyx_ext.convert(e, i, "tdb"),
    "geometric_state": lambda e, i: orbyx_ext.geometric_state(e, "moon", "earth", i),
    "geometric_states": lambda e, i: orbyx_ext.geometric_states(e, "moon", "earth", [i]),
    "position": lambda e, i: orbyx_ext.position(e, "moon", i, orbyx.geometric()),
    "positions": lambda e, i: orbyx_ext.positions(e, ["moon"], [i], orbyx.geometric()),
    "chart": lambda e, i: orbyx_ext.chart(e, SITE, i),
    "charts": lambda e, i: orbyx_ext.charts(e, SITE, [i]),
    "longitude_crossings": lambda e, i: orbyx_ext.longitude_crossings(e, "sun", 0.0, i, END),
    "ecliptic_passages": lambda e, i: orbyx_ext.ecliptic_passages(e, "moon", i, END),
    "stations": lambda e, i: orbyx_ext.stations(e, "mars", i, END),
    "horizon_events": lambda e, i: orbyx_ext.horizon_events(e, "sun", SITE, i, END),
    "twilight_events": lambda e, i: orbyx_ext.twilight_events(e, SITE, i, END),
    "lunar_point": lambda e, i: orbyx_ext.lunar_point(e, "mean_node", i),
    "phenomena": lambda e, i: orbyx_ext.phenomena(e, "moon", i),
    "moon_age": lambda e, i: orbyx_ext.moon_age(e, i),
    "horizontal": lambda e, i: orbyx_ext.horizontal(e, "sun", SITE, i),
    "horizontal of several": lambda e, i: orbyx_ext.horizontal(e, ["sun"], SITE, [i]),
    "local_sidereal_time": lambda e, i: orbyx_ext.local_sidereal_time(e, SITE, i),
}


@pytest.mark.parametrize("call", ENGINE_CALLS.values(), ids=ENGINE_CALLS.keys())
def test_engine_checks_come_in_one_order(write_file, call):
    # The engine's type, then its thread, then the other arguments, then whether it is open.
    with pytest.raises(TypeError, match="argument 'engine' must be orbyx.Engine, not NoneType$"):
        call(None, NOT_AN_INSTANT)
    engine = orbyx.open(DE430, DUMMY_SHA256)
    gc.collect()  # engines left by earlier cases are dropped here, not on the thread
    # Popped: the error's frames hold the engine, and the outcome would close a cycle.
    error = str(run_in_thread(lambda: call(engine, NOT_AN_INSTANT)).pop("error"))
    assert error == "orbyx::PyEngine is unsendable, but sent to another thread"

    data = bytearray(open(DE430, "rb").read())
    data[80:84] = (99).to_bytes(4, "little")  # BWARD past the real last record
    with pytest.raises(ValueError):
        engine.with_additional_kernel_file(write_file("broken.bsp", bytes(data)), DUMMY_SHA256)
    with pytest.raises(TypeError):
        call(engine, NOT_AN_INSTANT)
    with pytest.raises(ValueError, match="^engine is closed$"):
        call(engine, INSTANT)
