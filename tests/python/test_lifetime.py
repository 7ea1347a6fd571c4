"""Long runs of every kind of call keep memory, references and files flat; misuse from
another thread or from inside a call is refused cleanly; a kernel cut short while it is
mapped fails its reads instead of killing the interpreter."""
import gc
import itertools
import os
import sys
import threading
from dataclasses import dataclass, field
from typing import Callable

import pytest

import orbyx
from conftest import (DE430, DE441_1969, DUMMY_SHA256, LEAPSECONDS, run_in_thread, run_isolated,
                      unraisable_reports)
from daf_writer import build_daf, constant_segment, tdb_seconds

IS_PYPY = sys.implementation.name == "pypy"
needs_refcounts = pytest.mark.skipif(not hasattr(sys, "getrefcount"), reason="no reference counts")

PARIS = orbyx.GeodeticObserver(2.35, 48.85, 35.0)
# Inside the DE430 excerpt (TDB 2457080.5 to 2457088.5).
INSTANT = orbyx.Instant.tt(2457084.0)
INSTANTS = [orbyx.Instant.tt(2457081.0 + 0.01 * i) for i in range(500)]
BODIES = ["sun", "moon", "mercury", "venus"]
MEGABYTE = 2**20

C04_HEADER = "# EOP (IERS) 20 C04 TIME SERIES\n# YR  MM  DD  HH       MJD        x(\")        y(\")  UT1-UTC(s)\n"
# Ten days around the excerpt: enough for UT1, and cheap to read a thousand times.
SMALL_C04 = C04_HEADER + "".join(
    f"2015   3   1   0  {57080 + day}.00   0.168185   0.322199   -0.0286478    0.000427   -0.000145\n"
    for day in range(10)
)


# --- measuring ---------------------------------------------------------------------

PAGE_BYTES = os.sysconf("SC_PAGE_SIZE")


def resident_bytes():
    gc.collect()  # PyPy frees nothing until its collector runs
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * PAGE_BYTES


def held_files_and_mappings(paths):
    """How many open files and memory mappings of these files the process holds."""
    paths = {os.path.realpath(path) for path in paths}
    files = 0
    for descriptor in os.listdir("/proc/self/fd"):
        try:
            files += os.readlink(f"/proc/self/fd/{descriptor}") in paths
        except OSError:  # the descriptor that listed the directory, closed since
            pass
    with open("/proc/self/maps") as maps:
        mappings = sum(line.split(maxsplit=5)[-1].strip() in paths for line in maps)
    return files, mappings


def repeat(call, count):
    for _ in range(count):
        call()


def resident_growth(call, count, window):
    """How much `count` calls grow the resident set after a warm-up. The collector runs
    after every window of calls: left alone, PyPy lets tens of MB of garbage pile up
    between its own collections. Leaked memory survives every collection."""
    for _ in range(3):
        repeat(call, window)
    before = resident_bytes()
    for _ in range(count // window):
        repeat(call, window)
        gc.collect()
    return resident_bytes() - before


@dataclass
class Workload:
    call: Callable[[], object]
    count: int  # calls whose resident growth is measured
    rss_bound_bytes: int
    inputs: list = field(default_factory=list)  # objects every call is handed

    @property
    def window(self):
        return max(self.count // 10, 1)


def in_turn(calls):
    """One call after the other, round and round; each call's result is returned."""
    turns = itertools.cycle(calls)
    return lambda: next(turns)()


def failing(call):
    def expect_failure():
        with pytest.raises((ValueError, TypeError)):
            call()

    return expect_failure


def failing_calls(engine):
    """The failure paths of the binding: an engine error, an unknown name, wrong types."""
    return in_turn([
        failing(lambda: engine.position("moon", orbyx.Instant.tt(2400000.0), orbyx.geometric())),
        failing(lambda: engine.positions(["sun", "vulcan"], INSTANTS[:3], orbyx.geometric())),
        failing(lambda: engine.position("moon", 2457084.0, orbyx.geometric())),
        failing(lambda: engine.rise_set_transit("sun", PARIS, INSTANT, "low")),
    ])


class Items:
    """A sequence that is neither a list nor a tuple: read through its item access."""

    def __init__(self, items):
        self.items = items

    def __len__(self):
        return len(self.items)

    def __getitem__(self, index):
        return self.items[index]


def batches(engine):
    """Batches of 4 bodies: at 500 instants (a 64 kB array), apparent at 100, and from a
    sequence that is neither a list nor a tuple."""
    return in_turn([
        lambda: engine.positions(BODIES, INSTANTS, orbyx.geometric()),
        lambda: engine.positions(tuple(BODIES), tuple(INSTANTS[:100]), orbyx.apparent()),
        lambda: engine.positions(Items(BODIES), Items(INSTANTS[:50]), orbyx.geometric()),
    ])


def open_attach_drop(eop, broken):
    def cycle():
        engine = orbyx.open(DE430, DUMMY_SHA256)
        engine.with_leap_second_kernel(LEAPSECONDS, DUMMY_SHA256)
        engine.with_eop(eop, DUMMY_SHA256)
        engine.with_time_kernels(LEAPSECONDS, DUMMY_SHA256, eop, DUMMY_SHA256)
        engine.with_additional_kernel_file(DE441_1969, DUMMY_SHA256)
        engine.rise_set_transit("sun", PARIS, INSTANT, -0.8333)
        with pytest.raises(ValueError):
            engine.with_eop("/no/such/c04.txt", DUMMY_SHA256)
        closing = orbyx.open(DE430, DUMMY_SHA256)
        with pytest.raises(ValueError):  # the failed step closes it
            closing.with_additional_kernel_file(broken, DUMMY_SHA256)

    return cycle


@pytest.fixture(scope="module")
def files(tmp_path_factory):
    directory = tmp_path_factory.mktemp("lifetime")
    eop = directory / "c04.txt"
    eop.write_text(SMALL_C04)
    broken = directory / "cycle.bsp"
    start, end = tdb_seconds(2457080.5), tdb_seconds(2457088.5)
    broken.write_bytes(build_daf([constant_segment(10, start, end)], chain={0: {"next": 2}}))
    return str(eop), str(broken)


@pytest.fixture(scope="module")
def workloads(files, de421):
    eop, broken = files
    engine = orbyx.open(DE430, DUMMY_SHA256, LEAPSECONDS, DUMMY_SHA256, eop, DUMMY_SHA256)
    # Seasons are months apart: beyond the excerpt, so DE421.
    seasons = orbyx.open(de421, DUMMY_SHA256)
    geometric, apparent = orbyx.geometric(), orbyx.apparent()
    after = orbyx.Instant.tt(2457081.0)
    around = orbyx.Instant.ut1(2457086.0)
    lahiri = orbyx.SiderealMode.lahiri()
    # The engine is among the inputs: a method must not keep a reference to itself either.
    return {
        "position": Workload(lambda: engine.position("moon", INSTANT, geometric), 1_000_000, 4 * MEGABYTE,
                             [engine, "moon", INSTANT, geometric]),
        "failing calls": Workload(failing_calls(engine), 100_000, 2 * MEGABYTE, [engine, PARIS, INSTANT]),
        "positions": Workload(batches(engine), 1_000, 4 * MEGABYTE, [engine, BODIES, *BODIES, *INSTANTS]),
        "rise_set_transit": Workload(lambda: engine.rise_set_transit("moon", PARIS, around, -0.5), 2_000,
                                     MEGABYTE, [engine, "moon", PARIS, around]),
        "next_season_event": Workload(lambda: seasons.next_season_event(after, "march_equinox"), 10_000,
                                      MEGABYTE, [seasons, after, "march_equinox"]),
        "house_cusps": Workload(lambda: orbyx.house_cusps(PARIS, around, 2457086.0008, "placidus"), 20_000,
                                MEGABYTE, [PARIS, around, "placidus"]),
        "sidereal_position": Workload(lambda: engine.sidereal_position("moon", INSTANT, apparent, lahiri),
                                      100_000, 2 * MEGABYTE, [engine, "moon", INSTANT, apparent, lahiri]),
        "open, attach, drop": Workload(open_attach_drop(eop, broken), 1_000, 2 * MEGABYTE, [eop, broken]),
    }


WORKLOADS = [
    "position", "failing calls", "positions", "rise_set_transit", "next_season_event", "house_cusps",
    "sidereal_position", "open, attach, drop",
]


@pytest.mark.parametrize("name", WORKLOADS)
def test_resident_memory_stays_flat(workloads, name):
    workload = workloads[name]
    growth = resident_growth(workload.call, workload.count, workload.window)
    assert growth < workload.rss_bound_bytes, f"{growth / MEGABYTE:.1f} MB over {workload.count} calls"


@needs_refcounts
@pytest.mark.parametrize("name", WORKLOADS)
def test_no_reference_leaks(workloads, name):
    workload = workloads[name]
    repeat(workload.call, 10)
    before = [sys.getrefcount(item) for item in workload.inputs]
    repeat(workload.call, 200)
    assert [sys.getrefcount(item) for item in workload.inputs] == before
    result = workload.call()
    if result is not None:
        assert sys.getrefcount(result) == 2  # ours, and getrefcount's argument


@pytest.mark.skipif(IS_PYPY, reason="PyPy has no tracemalloc")
@pytest.mark.parametrize("name", WORKLOADS)
def test_traced_memory_stays_flat(workloads, name):
    import tracemalloc

    workload = workloads[name]
    calls = min(workload.count // 5, 5_000)
    tracemalloc.start()
    try:
        repeat(workload.call, 20)
        gc.collect()
        before = tracemalloc.get_traced_memory()[0]
        repeat(workload.call, calls)
        gc.collect()
        growth = tracemalloc.get_traced_memory()[0] - before
    finally:
        tracemalloc.stop()
    # A leaked result would be at least 48 bytes a call.
    assert growth < calls * 8, f"{growth} bytes over {calls} calls"


def test_dropped_engines_release_their_files_and_mappings(files):
    kernels = [DE430, DE441_1969, files[1]]
    cycle = open_attach_drop(*files)
    cycle()
    gc.collect()
    before = held_files_and_mappings(kernels)
    most_files = 0
    for done in range(1, 1_001):
        cycle()
        if IS_PYPY and done % 100 == 0:
            gc.collect()  # PyPy drops an Engine only when its collector reaches it
        most_files = max(most_files, held_files_and_mappings(kernels)[0])
    gc.collect()
    assert held_files_and_mappings(kernels) == before
    # At once on CPython; on PyPy, two kernels a cycle until the next collection.
    assert most_files - before[0] <= (0 if not IS_PYPY else 2 * 100)


# --- threads -----------------------------------------------------------------------

class Spy:
    """Stands for any argument and notes whether anything read it."""

    def __init__(self, touched):
        self._touched = touched

    def _touch(self, *_):
        self._touched.append(True)
        raise AssertionError("argument read")

    __len__ = __getitem__ = __iter__ = __float__ = __index__ = _touch

    @property
    def name(self):
        self._touch()


MEMBERS = {
    "with_leap_second_kernel": lambda e, s: e.with_leap_second_kernel(s, s),
    "with_eop": lambda e, s: e.with_eop(s, s),
    "with_time_kernels": lambda e, s: e.with_time_kernels(s, s, s, s),
    "with_additional_kernel_file": lambda e, s: e.with_additional_kernel_file(s, s),
    "position": lambda e, s: e.position(s, s, s),
    "positions": lambda e, s: e.positions(s, s, s),
    "supported_range": lambda e, s: e.supported_range,
    "kernel_metadata": lambda e, s: e.kernel_metadata,
    "rise_set_transit": lambda e, s: e.rise_set_transit(s, s, s, s),
    "next_horizon_event": lambda e, s: e.next_horizon_event(s, s, s, s, s),
    "next_season_event": lambda e, s: e.next_season_event(s, s),
    "next_lunation": lambda e, s: e.next_lunation(s, s),
    "sidereal_position": lambda e, s: e.sidereal_position(s, s, s, s),
    "repr": lambda e, s: repr(e),
}


def test_every_member_refuses_other_threads_before_reading_arguments():
    engine = orbyx.open(DE430, DUMMY_SHA256)
    touched = []
    errors = {name: run_in_thread(lambda: use(engine, Spy(touched)))["error"] for name, use in MEMBERS.items()}

    assert touched == []
    wrong_thread_error = type(errors["position"])
    assert wrong_thread_error.__bases__ == (BaseException,)
    assert wrong_thread_error not in vars(orbyx).values()  # caught only through the raised error
    for name, error in errors.items():
        assert type(error) is wrong_thread_error, name
        assert str(error) == "orbyx::PyEngine is unsendable, but sent to another thread", name
    # Nothing was taken: the owner can still use the engine exclusively.
    assert engine.with_leap_second_kernel(LEAPSECONDS, DUMMY_SHA256) is None


def test_an_engine_belongs_to_the_thread_that_opened_it():
    opened = {}
    ready, done = threading.Event(), threading.Event()

    def owner():
        opened["engine"] = orbyx.open(DE430, DUMMY_SHA256)
        ready.set()
        done.wait()
        opened["position"] = opened["engine"].position("moon", INSTANT, orbyx.geometric())
        del opened["engine"]  # dropped on its own thread (PyPy: at this collection)
        gc.collect()

    gc.collect()  # so that the owner's collection finds no garbage of this thread
    worker = threading.Thread(target=owner)
    worker.start()
    ready.wait()
    from_third_thread = run_in_thread(lambda: opened["engine"].supported_range)["error"]
    from_main_thread = None
    try:
        opened["engine"].kernel_metadata
    except BaseException as error:  # noqa: B902 - the misuse error is a BaseException
        from_main_thread = str(error)
    done.set()
    worker.join()
    refused = "orbyx::PyEngine is unsendable, but sent to another thread"
    assert str(from_third_thread) == from_main_thread == refused
    assert opened["position"].distance_au < 0.003


def test_an_engine_whose_thread_ended_belongs_to_no_new_thread():
    # New threads tend to inherit the system identity of one that ended.
    with unraisable_reports():  # CPython reports the drop here, off the ended thread
        engine = run_in_thread(lambda: orbyx.open(DE430, DUMMY_SHA256))["value"]
        outcomes = [run_in_thread(lambda: engine.supported_range) for _ in range(10)]
        del engine
    assert [str(outcome.get("error")) for outcome in outcomes] == [
        "orbyx::PyEngine is unsendable, but sent to another thread"] * 10


def test_engines_freed_on_another_thread_release_their_files_and_mappings():
    gc.collect()
    before = held_files_and_mappings([DE430])
    gc.disable()  # only the second thread's collections free them
    try:
        with unraisable_reports() as reports:
            for done in range(1, 1_001):
                cycle = [orbyx.open(DE430, DUMMY_SHA256)]
                cycle.append(cycle)  # dropped here, freed by a collection on both interpreters
                del cycle
                if done % 100 == 0:
                    run_in_thread(gc.collect)
    finally:
        gc.enable()
    assert held_files_and_mappings([DE430]) == before
    if IS_PYPY:  # CPython cannot tell these from drops on the second thread, and reports them
        assert reports == []


# --- re-entrant use ----------------------------------------------------------------

@pytest.fixture
def engine(files):
    eop, _ = files
    return orbyx.open(DE430, DUMMY_SHA256, LEAPSECONDS, DUMMY_SHA256, eop, DUMMY_SHA256)


def attach_from_inside(engine):
    engine.with_leap_second_kernel(LEAPSECONDS, DUMMY_SHA256)


def test_attach_while_reading_batch_instants_is_refused_and_released(engine):
    class AttachingInstants(Items):
        def __getitem__(self, index):
            attach_from_inside(engine)
            return super().__getitem__(index)

    with pytest.raises(RuntimeError, match="^Already borrowed$"):
        engine.positions(BODIES, AttachingInstants(INSTANTS[:2]), orbyx.geometric())
    # The refused call took nothing for good: an exclusive use is possible again.
    assert engine.with_leap_second_kernel(LEAPSECONDS, DUMMY_SHA256) is None

    class ReadingInstants(Items):
        def __getitem__(self, index):
            engine.positions(BODIES, INSTANTS[:2], orbyx.geometric())  # shared uses nest
            return super().__getitem__(index)

    nested = engine.positions(BODIES, ReadingInstants(INSTANTS[:2]), orbyx.geometric())
    assert (nested == engine.positions(BODIES, INSTANTS[:2], orbyx.geometric())).all()


class Altitude:
    def __init__(self, value, inside):
        self.value, self.inside = value, inside

    def __float__(self):
        self.inside()
        return self.value


@pytest.mark.parametrize(
    "search",
    [
        lambda engine, altitude: engine.rise_set_transit("sun", PARIS, orbyx.Instant.ut1(2457086.0), altitude),
        lambda engine, altitude: engine.next_horizon_event("sun", PARIS, orbyx.Instant.ut1(2457086.0), "set",
                                                           altitude),
    ],
    ids=["rise_set_transit", "next_horizon_event"],
)
def test_attach_while_reading_an_altitude_is_refused(engine, search):
    with pytest.raises(RuntimeError, match="^Already borrowed$"):
        search(engine, Altitude(-0.8333, lambda: attach_from_inside(engine)))
    reading = search(engine, Altitude(-0.8333, lambda: engine.position("sun", INSTANT, orbyx.apparent())))
    assert repr(reading) == repr(search(engine, -0.8333))
    assert engine.with_leap_second_kernel(LEAPSECONDS, DUMMY_SHA256) is None


@pytest.mark.parametrize(
    "call",
    [
        lambda engine, kind: engine.next_season_event(INSTANT, kind),
        lambda engine, kind: engine.next_lunation(INSTANT, kind),
        lambda engine, kind: engine.next_horizon_event("sun", PARIS, INSTANT, kind, -0.8333),
        lambda engine, kind: engine.sidereal_position("moon", INSTANT, orbyx.apparent(), kind),
    ],
    ids=["next_season_event", "next_lunation", "next_horizon_event", "sidereal_position"],
)
def test_attach_while_reading_a_name_is_refused(engine, call):
    refused = []

    class AttachingName:
        @property
        def name(self):
            try:
                attach_from_inside(engine)
            except RuntimeError as error:
                refused.append(str(error))
                raise

    # A failed read of `name` stands for a missing name.
    with pytest.raises(ValueError, match="^expected a name string or an orbyx enum with a name attribute$"):
        call(engine, AttachingName())
    assert refused == ["Already borrowed"]
    assert engine.with_leap_second_kernel(LEAPSECONDS, DUMMY_SHA256) is None


@pytest.mark.skipif(
    IS_PYPY or sys.version_info >= (3, 12),
    reason="only CPython before 3.12 collects cycles in the middle of a C call",
)
def test_use_while_an_attach_runs_is_refused():
    # Attach methods convert only str arguments, so Python code can run during one only
    # through the collector: a failing attach inside an except block makes its error
    # object at once (to chain it), which can start a collection and its callbacks.
    engine = orbyx.open(DE430, DUMMY_SHA256)
    seen = []

    def read_range(phase, info):
        try:
            engine.supported_range
        except RuntimeError as error:
            seen.append(str(error))

    thresholds = gc.get_threshold()
    outer = []
    gc.callbacks.append(read_range)
    try:
        raise KeyError("being handled")
    except KeyError:
        gc.set_threshold(1)  # collect at the next allocations
        try:
            engine.with_leap_second_kernel("/no/such.tls", DUMMY_SHA256)
        except ValueError as error:
            outer.append(str(error))
        finally:
            gc.set_threshold(*thresholds)
            gc.callbacks.remove(read_range)
    assert seen and set(seen) == {"Already mutably borrowed"}
    assert outer == ["failed to read leap-second kernel: No such file or directory (os error 2)"]
    assert engine.supported_range.time_scale == "tdb"


# --- in a fresh interpreter, where a crash fails one test instead of the run --------

def test_batch_keeps_the_bodies_it_was_given():
    # Reading the instants may change the list of bodies; the batch must not read
    # the list's old, freed storage (it crashed the interpreter).
    lines = run_isolated("""
        import orbyx
        from conftest import DE430, DUMMY_SHA256
        engine = orbyx.open(DE430, DUMMY_SHA256)
        instant = orbyx.Instant.tt(2457084.0)
        bodies = ["".join(("s", "un")), "".join(("mo", "on"))]  # not interned: freed when dropped
        expected = engine.positions(list(bodies), [instant], orbyx.geometric())

        class Instants:
            def __len__(self):
                return 1

            def __getitem__(self, index):
                if index:
                    raise IndexError(index)
                bodies.clear()
                bodies.extend(object() for _ in range(10_000))
                return instant

        for _ in range(20):
            got = engine.positions(bodies, Instants(), orbyx.geometric())
            print((got == expected).all())
            bodies[:] = ["".join(("s", "un")), "".join(("mo", "on"))]
    """)
    assert lines == ["True"] * 20


SHRINKING = """
    import os, shutil, sys
    import orbyx
    from conftest import DE430, DUMMY_SHA256
    copy, length = sys.argv[1], int(sys.argv[2])
    shutil.copyfile(DE430, copy)  # without the source's read-only mode
    engine = orbyx.open(copy, DUMMY_SHA256)  # reads only the file record and summaries
    os.truncate(copy, length)
    instant = orbyx.Instant.tt(2457084.0)
    for call in (lambda: engine.position("moon", instant, orbyx.geometric()),
                 lambda: engine.positions(["sun", "venus"], [instant], orbyx.geometric())):
        try:
            call()
            print("no error")
        except ValueError as error:
            print(error)
    shutil.copyfile(DE430, copy)  # whole again, in place
    print(engine.position("moon", instant, orbyx.geometric()).distance_au < 0.003)
"""


@pytest.mark.parametrize("length", [4096, 5000], ids=["at a page boundary", "inside a page"])
def test_kernel_cut_short_while_mapped_fails_its_reads(tmp_path, length):
    # Reads from pages the file no longer holds used to end the process with SIGBUS.
    lines = run_isolated(SHRINKING, str(tmp_path / "shrinking.bsp"), str(length))
    failure = "failed to read SPK kernel: failed to fill whole buffer"
    assert lines == [failure, failure, "True"]


def test_an_allocation_that_fails_raises_memory_error():
    # A failed allocation in C++ used to unwind into the interpreter and abort it.
    lines = run_isolated("""
        import resource
        import numpy  # imported before the limit, as the batch array would import it
        import orbyx
        from conftest import DE430, DUMMY_SHA256
        engine = orbyx.open(DE430, DUMMY_SHA256)
        instants = [orbyx.Instant.tt(2457084.0)] * 3_000_000  # 48 MB once converted
        with open("/proc/self/statm") as statm:
            address_space = int(statm.read().split()[0]) * resource.getpagesize()
        _, hard = resource.getrlimit(resource.RLIMIT_AS)
        resource.setrlimit(resource.RLIMIT_AS, (address_space + 24 * 2**20, hard))
        try:
            engine.positions(["sun", "moon"], instants, orbyx.geometric())
        except MemoryError:
            print("MemoryError")
        resource.setrlimit(resource.RLIMIT_AS, (hard, hard))
        print(engine.positions(["moon"], instants[:2], orbyx.geometric()).shape)
    """)
    assert lines == ["MemoryError", "(2, 1, 4)"]
