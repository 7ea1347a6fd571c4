"""Equinoxes, solstices and lunations from DE421 against skyfield's almanac on the same
kernel, compared in TT; and sidereal longitudes against a direct formula.

skyfield's almanac.seasons and almanac.moon_phases evaluate the apparent places with
IAU 2000B nutation, as orbyx does, so the two differ only by:
- skyfield's search: find_discrete stops once its bracket is narrower than 1 ms;
- aberration: orbyx's first-order formula against skyfield's relativistic one, and
  skyfield's deflection by Jupiter and Saturn besides the Sun; at the Sun and in the
  Moon-Sun elongation these part by a few hundredths of a milliarcsecond;
- TDB - TT: orbyx's built-in formula against skyfield's series, microseconds.
Measured over 1950-2049 (seasons) and 2020-2024 (lunations; the test runs 2023-2024),
the events agree to 0.8 ms and 0.3 ms, and skyfield's angle at orbyx's instant is
within 0.02 mas of the target for the Sun and 0.03 mas for the elongation (0.5 ms and
0.05 ms of time). The tolerances leave room for that, yet a lunation off by TDB - TT
(1.7 ms, 0.9 mas of elongation) would fail.
"""
import numpy as np
import pytest

import orbyx
from de421_oracle import load_skyfield_de421, open_de421

SECONDS_PER_DAY = 86400.0
SEASONS = ["march_equinox", "june_solstice", "september_equinox", "december_solstice"]
SEASON_YEARS = (1950, 2050)
LUNATION_YEARS = (2023, 2025)
EVENT_TOLERANCE_S = 0.005
ANGLE_TOLERANCE_MAS = 0.1


@pytest.fixture(scope="module")
def engine(tmp_path_factory):
    return open_de421(tmp_path_factory.mktemp("de421"))


@pytest.fixture(scope="module")
def skyfield():
    from skyfield.api import load

    # Geocentric apparent places need TT and TDB only: the bundled timescale will do.
    return load_skyfield_de421(), load.timescale(builtin=True)


def chained_events(search, kind, first_query_tt, count):
    """`count` events of one kind, each searched from the one before: every query after
    the first falls exactly on an event, which must give the next one."""
    found, query = [], first_query_tt
    for _ in range(count):
        event = search(orbyx.Instant.tt(query), kind)
        assert event.time_scale == "tt"
        found.append(event.julian_day)
        query = event.julian_day
    return np.array(found)


def orbyx_events_like(skyfield_kinds, names, search, first_query_tt):
    """orbyx's events in the order of skyfield's, chained per kind."""
    events = np.empty(len(skyfield_kinds))
    for code, name in names.items():
        where = np.flatnonzero(skyfield_kinds == code)
        events[where] = chained_events(search, name, first_query_tt, len(where))
    return events


def skyfield_longitude_deg(skyfield, body, tt_julian_days):
    """skyfield's apparent ecliptic longitude of date with IAU 2000B nutation, as its
    almanac computes it, at TT days split to keep their full precision."""
    from skyfield.framelib import ecliptic_frame
    from skyfield.nutationlib import iau2000b_radians

    eph, ts = skyfield
    whole = np.floor(tt_julian_days)
    t = ts.tt_jd(whole, tt_julian_days - whole)
    t._nutation_angles_radians = iau2000b_radians(t)
    _, longitude, _ = eph["earth"].at(t).observe(eph[body]).apparent().frame_latlon(ecliptic_frame)
    return longitude.degrees


def wrapped_mas(angle_deg):
    return ((np.asarray(angle_deg) + 180.0) % 360.0 - 180.0) * 3.6e6


def report(label, ours, theirs, angle_mas):
    seconds = (ours - theirs) * SECONDS_PER_DAY
    worst = np.argmax(np.abs(seconds))
    summary = (f"{label}: {len(ours)} events, worst {seconds[worst]:+.6f} s (TT JD {theirs[worst]:.5f}), "
               f"worst angle at orbyx's instant {np.abs(angle_mas).max():.4f} mas")
    print(summary)
    return np.abs(seconds).max(), summary


def test_seasons_match_skyfield(engine, skyfield):
    from skyfield import almanac

    eph, ts = skyfield
    start, end = ts.tt(SEASON_YEARS[0], 1, 1), ts.tt(SEASON_YEARS[1], 1, 1)
    times, kinds = almanac.find_discrete(start, end, almanac.seasons(eph))
    ours = orbyx_events_like(kinds, dict(enumerate(SEASONS)), engine.next_season_event, start.tt)

    angle_mas = wrapped_mas(skyfield_longitude_deg(skyfield, "sun", ours) - 90.0 * kinds)
    worst, summary = report("seasons", ours, times.tt, angle_mas)
    assert len(ours) == 4 * (SEASON_YEARS[1] - SEASON_YEARS[0])
    assert worst <= EVENT_TOLERANCE_S, summary
    assert np.abs(angle_mas).max() <= ANGLE_TOLERANCE_MAS, summary


def test_new_and_full_moons_match_skyfield(engine, skyfield):
    from skyfield import almanac

    eph, ts = skyfield
    start, end = ts.tt(LUNATION_YEARS[0], 1, 1), ts.tt(LUNATION_YEARS[1], 1, 1)
    times, phases = almanac.find_discrete(start, end, almanac.moon_phases(eph))
    syzygies = phases % 2 == 0  # new (0) and full (2); the quarters are not searched
    times, phases = times[syzygies], phases[syzygies]
    ours = orbyx_events_like(phases, {0: "new_moon", 2: "full_moon"}, engine.next_lunation, start.tt)

    elongation = skyfield_longitude_deg(skyfield, "moon", ours) - skyfield_longitude_deg(skyfield, "sun", ours)
    angle_mas = wrapped_mas(elongation - 90.0 * phases)
    worst, summary = report("lunations", ours, times.tt, angle_mas)
    assert len(ours) >= 24 * (LUNATION_YEARS[1] - LUNATION_YEARS[0])
    assert worst <= EVENT_TOLERANCE_S, summary
    assert np.abs(angle_mas).max() <= ANGLE_TOLERANCE_MAS, summary


# Reference values and Julian centuries from J2000 of each mode's epoch.
AYANAMSHA_EPOCHS = {"lahiri": (23.25, (2435553.5 - 2451545.0) / 36525.0),
                    "fagan_bradley": (24.0 + 2.0 / 60.0 + 31.36 / 3600.0, (2433282.42345905 - 2451545.0) / 36525.0)}
P_A_ARCSEC = [0.0, 5028.796195, 1.1054348, 0.00007964, -0.000023857, -0.0000000383]


def ayanamsha_deg(mode, tt_julian_day):
    value, t0 = AYANAMSHA_EPOCHS[mode]
    t = (tt_julian_day - 2451545.0) / 36525.0
    precession = np.polynomial.polynomial.polyval([t, t0], P_A_ARCSEC)
    return value + (precession[0] - precession[1]) / 3600.0


def ayanamsha_rate_deg_per_day(tt_julian_day):
    t = (tt_julian_day - 2451545.0) / 36525.0
    rate = np.polynomial.polynomial.polyval(t, np.polynomial.polynomial.polyder(P_A_ARCSEC))
    return rate / 36525.0 / 3600.0


@pytest.mark.parametrize("mode", ["lahiri", "fagan_bradley"])
@pytest.mark.parametrize("body", ["sun", "moon", "mars"])
def test_sidereal_longitude_is_tropical_less_ayanamsha(engine, mode, body):
    options = orbyx.apparent("geocentric", "ecliptic")
    for tt in (2433282.5, 2451545.0, 2460000.5):
        instant = orbyx.Instant.tt(tt)
        tropical = engine.position(body, instant, options)
        sidereal = engine.sidereal_position(body, instant, options, mode)
        expected = (tropical.longitude_deg - ayanamsha_deg(mode, tt)) % 360.0
        assert abs(wrapped_mas(sidereal.longitude_deg - expected)) < 1e-3
        assert sidereal.longitude_speed_deg_per_day == pytest.approx(
            tropical.longitude_speed_deg_per_day - ayanamsha_rate_deg_per_day(tt), abs=1e-15)
        assert (sidereal.latitude_deg, sidereal.distance_au) == (tropical.latitude_deg, tropical.distance_au)


@pytest.mark.parametrize("options", [orbyx.geometric("geocentric", "ecliptic"),
                                     orbyx.apparent("geocentric", "equatorial")])
def test_sidereal_needs_the_ecliptic_of_date(engine, options):
    with pytest.raises(ValueError, match="^sidereal longitudes require ecliptic of date$"):
        engine.sidereal_position("sun", orbyx.Instant.tt(2451545.0), options, "lahiri")
