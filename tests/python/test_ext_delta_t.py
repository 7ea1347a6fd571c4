"""UT1 outside the engine's time tables, from orbyx_ext's ΔT model joined to them."""
import numpy as np
import pytest

import orbyx
import orbyx_ext
from conftest import DE430, DUMMY_SHA256, LEAPSECONDS, eop_c04_path

SECOND = 1 / 86400
# The leap-second kernel's first entry, 1972-01-01.
FIRST_LEAP_SECOND_UTC = 2441317.5


@pytest.fixture(scope="module")
def engine():
    return orbyx.open(DE430, DUMMY_SHA256, LEAPSECONDS, DUMMY_SHA256, eop_c04_path(), DUMMY_SHA256)


def last_table_day():
    with open(eop_c04_path(), encoding="ascii") as table:
        return max(float(line.split()[4]) for line in table if line[:4].strip().isdigit()) + 2400000.5


def tt_of_year(year):
    return 2451545.0 + (year - 2000.0) * 365.25


def delta_t(engine, tt):
    """TT - UT1 in seconds, with where UT1 came from."""
    ut1 = orbyx_ext.convert(engine, orbyx.Instant.tt(tt), "ut1")
    return (tt - ut1.instant.julian_day) / SECOND, ut1.source


def test_model_follows_the_published_splines_as_skyfield_does(engine):
    from skyfield.api import load

    timescale = load.timescale(builtin=True)
    years = np.linspace(1800.0, 1962.0, 400)
    ours = np.array([delta_t(engine, tt_of_year(year))[0] for year in years])
    theirs = timescale.tt_jd(tt_of_year(years)).delta_t
    # Same splines, same year argument: left only the rounding of a Julian day's bits.
    np.testing.assert_allclose(ours, theirs, rtol=0, atol=0.05)


@pytest.mark.parametrize("edge", ["first", "last"])
def test_model_meets_the_tables_at_their_edges(engine, edge):
    utc = FIRST_LEAP_SECOND_UTC if edge == "first" else last_table_day()
    tt = orbyx_ext.convert(engine, orbyx.Instant.utc(utc), "tt").instant.julian_day
    outward = -1 if edge == "first" else 1
    # A minute each way: the engine reads TT through UTC, whose first estimate takes
    # today's leap seconds and so falls before 1972 for the first 27 s of it.
    inside, inside_source = delta_t(engine, tt - outward * 60 * SECOND)
    outside, outside_source = delta_t(engine, tt + outward * 60 * SECOND)
    assert (inside_source, outside_source) == ("tables", "model")
    # ΔT drifts by microseconds a day: the two sides agree to the last bits of the
    # Julian days they come from (40 µs).
    assert outside == pytest.approx(inside, abs=1e-4)
    # Further out the model takes over, but ΔT runs on without steps: it changes by
    # at most about 1.5 s a year.
    steps = np.diff([delta_t(engine, tt + outward * days)[0] for days in np.arange(0.0, 4000.0, 10.0)])
    assert np.max(np.abs(steps)) < 0.05


@pytest.mark.parametrize("day", [1458849.3, 2378496.7, 2488069.1])  # 720 BC, 1800, 2100
@pytest.mark.parametrize("start", ["utc", "ut1", "tt", "tdb"])
@pytest.mark.parametrize("target", ["utc", "ut1", "tt", "tdb"])
def test_conversions_outside_the_tables_go_there_and_back(engine, day, start, target):
    there = orbyx_ext.convert(engine, orbyx.Instant(day, start), target)
    back = orbyx_ext.convert(engine, there.instant, start)
    assert back.instant.julian_day == pytest.approx(day, abs=1e-4 * SECOND)
    # TT and TDB differ by the same terms on any day; UT1 is modelled off the tables,
    # and so is UTC before leap seconds, while after them UTC to TT stays the kernel's.
    ut1_involved = "ut1" in (start, target) or ("utc" in (start, target) and day < FIRST_LEAP_SECOND_UTC)
    expected = "unchanged" if start == target else "model" if ut1_involved else "tables"
    assert there.source == back.source == expected


def test_civil_time_before_leap_seconds_is_read_as_ut1(engine):
    utc_1960 = orbyx.Instant.utc(2436934.5)
    ut1 = orbyx_ext.convert(engine, utc_1960, "ut1")
    assert (ut1.instant.julian_day, ut1.instant.time_scale, ut1.source) == (2436934.5, "ut1", "model")
    tt = orbyx_ext.convert(engine, utc_1960, "tt")
    assert tt.source == "model"
    assert tt.instant.julian_day == orbyx_ext.convert(engine, ut1.instant, "tt").instant.julian_day
    # ΔT was 33.1 s at the start of 1960.
    assert (tt.instant.julian_day - 2436934.5) / SECOND == pytest.approx(33.1, abs=0.1)


def test_the_model_needs_both_time_kernels():
    only_leap_seconds = orbyx.open(DE430, DUMMY_SHA256, LEAPSECONDS, DUMMY_SHA256)
    with pytest.raises(ValueError, match="an Earth orientation table"):
        orbyx_ext.convert(only_leap_seconds, orbyx.Instant.tt(2415020.5), "ut1")
    with pytest.raises(ValueError, match="precedes the kernel.s earliest leap-second entry"):
        orbyx_ext.convert(only_leap_seconds, orbyx.Instant.utc(2415020.5), "tt")


@pytest.fixture(scope="module")
def de421(tmp_path_factory):
    from de421_oracle import open_de421

    return open_de421(tmp_path_factory.mktemp("de421-model"), time_kernels=True)


PARIS = orbyx.GeodeticObserver(2.35, 48.85, 35.0)
EVERY_COMPUTATION = {
    "horizontal": lambda engine, t: orbyx_ext.horizontal(engine, "moon", PARIS, t)[:3],
    "horizontal batch": lambda engine, t: orbyx_ext.horizontal(engine, ["sun", "moon"], PARIS, [t]).altitude_deg.tolist(),
    "phenomena from a site": lambda engine, t: orbyx_ext.phenomena(engine, "moon", t, PARIS),
    "moon_age": lambda engine, t: orbyx_ext.moon_age(engine, t)[:2],
    "stations": lambda engine, t: [(station.instant.julian_day, station.direction) for station in
                                   orbyx_ext.stations(engine, "mars", t, orbyx.Instant.tt(t.julian_day + 800))],
}


@pytest.mark.parametrize("computation", EVERY_COMPUTATION)
@pytest.mark.parametrize("instant", [orbyx.Instant.utc(2437000.5), orbyx.Instant.ut1(2470000.5)],
                         ids=["utc-1960", "ut1-2050"])
def test_every_computation_reads_an_instant_beyond_the_tables_by_the_model(de421, computation, instant):
    # The same answer as for the TT instant the model makes of it, where the tables cannot.
    tt = orbyx_ext.convert(de421, instant, "tt")
    assert tt.source == "model"
    compute = EVERY_COMPUTATION[computation]
    assert compute(de421, instant) == compute(de421, tt.instant)
