"""Longitude crossings, ecliptic passages and stations of orbyx_ext from DE421 against
skyfield's find_discrete on the same kernel, with IAU 2000B nutation as orbyx uses.

Both sides follow the same apparent places to a few hundredths of a milliarcsecond
(see test_accuracy_seasons) and find_discrete stops at 1 ms: crossings and passages
agree to 20 ms at worst, where a slow Mercury or Mars turns 1 mas in that time.
A station is where a rate vanishes, so a rate error moves it by that error over the
rate's change per day, a few 1e-4 degrees per day per day at the slow planets. The
rate skyfield is given here is a central difference extrapolated to a zero step; what
is left is the two models' difference in aberration (first order against relativistic,
and skyfield's deflection by Jupiter and Saturn), some 1e-5 arcsec per day in rate,
which parts the stations of Pluto by 0.9 s. A station found from orbyx's
longitude_speed_deg_per_day, which leaves out the rates of aberration and of the frame,
would be minutes to hours off.
"""
import numpy as np
import pytest

import orbyx
import orbyx_ext
from de421_oracle import SKYFIELD_NAMES, open_de421
from test_accuracy_seasons import AYANAMSHA_EPOCHS, P_A_ARCSEC, ayanamsha_rate_deg_per_day

SECONDS_PER_DAY = 86400.0
CROSSING_TOLERANCE_S = 0.1
STATION_TOLERANCE_S = 3.0
# Longer for the slow planets, whose rates would otherwise flicker in skyfield's rounding.
STATION_HALF_STEPS_DAYS = {"mercury": 0.02, "venus": 0.02, "mars": 0.02}
SLOW_PLANET_HALF_STEP_DAYS = 0.05
INGRESS_SPAN = (2024, 2026)
STATION_SPAN = (1990, 2030)
APPARENT_ECLIPTIC = orbyx.apparent("geocentric", "ecliptic")


@pytest.fixture(scope="module")
def engine(tmp_path_factory):
    return open_de421(tmp_path_factory.mktemp("de421"))


@pytest.fixture(scope="module")
def sky():
    pytest.importorskip("skyfield")
    from de421_oracle import load_skyfield_de421
    from skyfield.api import load

    # Geocentric apparent places need TT and TDB only: the bundled timescale will do.
    return load_skyfield_de421(), load.timescale(builtin=True)


def ayanamsha_deg(mode, tt_julian_days):
    """The published IAU 2006 precession from each mode's epoch, at many days at once."""
    value, t0 = AYANAMSHA_EPOCHS[mode]
    t = (np.asarray(tt_julian_days) - 2451545.0) / 36525.0
    polyval = np.polynomial.polynomial.polyval
    return value + (polyval(t, P_A_ARCSEC) - polyval(t0, P_A_ARCSEC)) / 3600.0


def skyfield_places(sky, body, t, sidereal_mode=None):
    """skyfield's apparent ecliptic-of-date longitude (less the mode's ayanamsha) and
    latitude, degrees, with IAU 2000B nutation."""
    from skyfield.framelib import ecliptic_frame
    from skyfield.nutationlib import iau2000b_radians

    eph, _ = sky
    t._nutation_angles_radians = iau2000b_radians(t)
    apparent = eph["earth"].at(t).observe(eph[SKYFIELD_NAMES[body]]).apparent()
    latitude, longitude, _ = apparent.frame_latlon(ecliptic_frame)
    if sidereal_mode is None:
        return longitude.degrees, latitude.degrees
    return (longitude.degrees - ayanamsha_deg(sidereal_mode, t.tt)) % 360.0, latitude.degrees


def skyfield_rate(sky, body, t, sidereal_mode=None):
    """Central differences over two half-steps, extrapolated to a zero step (Richardson)."""
    _, ts = sky
    half_step = STATION_HALF_STEPS_DAYS.get(body, SLOW_PLANET_HALF_STEP_DAYS)

    def central_difference(step):
        later, earlier = (ts.tt_jd(t.whole, t.tt_fraction + sign * step) for sign in (1, -1))
        moved = skyfield_places(sky, body, later)[0] - skyfield_places(sky, body, earlier)[0]
        return ((moved + 180.0) % 360.0 - 180.0) / (2 * step)

    rate = (4 * central_difference(half_step / 2) - central_difference(half_step)) / 3
    return rate if sidereal_mode is None else rate - ayanamsha_rate_deg_per_day(t.tt)


def skyfield_events(sky, start_tt, end_tt, step_days, state):
    """find_discrete's (TT days, new states) of an integer state function of Time."""
    from skyfield.searchlib import find_discrete

    _, ts = sky
    state.step_days = step_days
    times, values = find_discrete(ts.tt_jd(start_tt), ts.tt_jd(end_tt), state)
    return times.tt, values


def tt(year):
    return orbyx.Instant.tt(2451544.5 + 365.25 * (year - 2000))


def compare(label, ours, their_days, tolerance_s):
    """Same count, then each pair of instants within the tolerance; returns the worst."""
    assert all(event.instant.time_scale == "tt" for event in ours)
    days = np.array([event.instant.julian_day for event in ours])
    assert np.all(np.diff(days) > 0), f"{label}: not in time order"
    assert len(days) == len(their_days), f"{label}: {len(days)} events, skyfield {len(their_days)}"
    seconds = np.abs(days - their_days) * SECONDS_PER_DAY
    worst = seconds.max() if len(seconds) else 0.0
    print(f"{label}: {len(days)} events, worst {worst:.4f} s")
    assert worst <= tolerance_s, label
    return days


@pytest.mark.parametrize("body, sidereal_mode, step_days", [
    ("sun", None, 5.0), ("moon", None, 0.5), ("mercury", None, 2.0), ("mars", None, 5.0),
    ("moon", "lahiri", 0.5), ("mercury", "lahiri", 2.0)])
def test_sign_ingresses_match_skyfield(engine, sky, body, sidereal_mode, step_days):
    start, end = tt(INGRESS_SPAN[0]), tt(INGRESS_SPAN[1])
    ours = sorted((event for sign in range(12) for event in
                   orbyx_ext.longitude_crossings(engine, body, 30.0 * sign, start, end, sidereal_mode)),
                  key=lambda event: event.instant.julian_day)
    their_days, signs = skyfield_events(
        sky, start.julian_day, end.julian_day, step_days,
        lambda t: (skyfield_places(sky, body, t, sidereal_mode)[0] // 30.0).astype(int))
    compare(f"{body} {sidereal_mode or 'tropical'} ingresses", ours, their_days, CROSSING_TOLERANCE_S)
    # The sign entered tells the way: the one after the sign left, or the one before.
    sign_before = np.roll(signs, 1)
    sign_before[0] = (skyfield_places(sky, body, sky[1].tt_jd(start.julian_day), sidereal_mode)[0] // 30.0)
    expected = np.where((signs - sign_before) % 12 == 1, "increasing", "decreasing")
    assert [event.direction for event in ours] == list(expected)


def mercury_retrograde_loop(engine):
    """Mercury's stations of March and April 2025, with their longitudes."""
    retrograde, direct = orbyx_ext.stations(engine, "mercury", tt(2025.1), tt(2025.4))
    longitudes = [engine.position("mercury", station.instant, APPARENT_ECLIPTIC).longitude_deg
                  for station in (retrograde, direct)]
    return (retrograde, direct), longitudes


def test_a_longitude_inside_a_retrograde_loop_is_crossed_three_times(engine, sky):
    (retrograde, direct), (highest, lowest) = mercury_retrograde_loop(engine)
    assert (retrograde.direction, direct.direction) == ("retrograde", "direct")
    target = (lowest + ((highest - lowest) % 360.0) / 2) % 360.0  # this loop spans 0 degrees
    start, end = retrograde.instant.julian_day - 40.0, direct.instant.julian_day + 40.0
    ours = orbyx_ext.longitude_crossings(engine, "mercury", target, orbyx.Instant.tt(start), orbyx.Instant.tt(end))
    assert [event.direction for event in ours] == ["increasing", "decreasing", "increasing"]
    # This state changes at the opposite longitude too, which Mercury stays far from.
    their_days, _ = skyfield_events(
        sky, start, end, 2.0,
        lambda t: ((skyfield_places(sky, "mercury", t)[0] - target + 180.0) % 360.0 > 180.0).astype(int))
    compare("mercury loop", ours, their_days, CROSSING_TOLERANCE_S)


@pytest.mark.parametrize("below_station_deg", [1e-3, 1e-6])
def test_crossings_just_short_of_a_station_are_both_found(engine, below_station_deg):
    (retrograde, _), (highest, _) = mercury_retrograde_loop(engine)
    target = highest - below_station_deg
    station_day = retrograde.instant.julian_day
    ours = orbyx_ext.longitude_crossings(engine, "mercury", target, orbyx.Instant.tt(station_day - 10.0),
                                         orbyx.Instant.tt(station_day + 10.0))
    assert [event.direction for event in ours] == ["increasing", "decreasing"]
    # Within hours of the station, as far on either side, at the target longitude.
    for event in ours:
        assert abs(event.instant.julian_day - station_day) < 0.5
        longitude = engine.position("mercury", event.instant, APPARENT_ECLIPTIC).longitude_deg
        assert abs(longitude - target) < 1e-9


@pytest.mark.parametrize("sidereal_mode", ["krishnamurti", "true_chitra", orbyx_ext.UserAyanamsha(2415020.0, 22.5)])
def test_a_companion_sidereal_crossing_is_where_the_tropical_longitude_is_target_plus_ayanamsha(
        engine, sidereal_mode):
    # A companion ayanamsha, measured from the true equinox, is subtracted from the true
    # tropical longitude; the Moon runs 0.5" a second, so a crossing 1 ms off shows.
    start, end = tt(2024), tt(2025)
    for target in (0.0, 100.0, 250.0):
        crossings = orbyx_ext.longitude_crossings(engine, "moon", target, start, end, sidereal_mode)
        assert len(crossings) in (13, 14)
        for crossing in crossings:
            tropical = engine.position("moon", crossing.instant, APPARENT_ECLIPTIC).longitude_deg
            ayanamsha = orbyx_ext.ayanamsha(sidereal_mode, crossing.instant)
            assert abs((tropical - ayanamsha - target + 180.0) % 360.0 - 180.0) * 3600.0 < 5e-4
            assert crossing.direction == "increasing"


@pytest.mark.parametrize("body, sidereal_mode", [
    *((body, None) for body in ["mercury", "venus", "mars", "jupiter", "saturn", "uranus", "neptune", "pluto"]),
    ("mars", "lahiri"), ("pluto", "fagan_bradley")])
def test_stations_match_skyfield(engine, sky, body, sidereal_mode):
    start, end = tt(STATION_SPAN[0]), tt(STATION_SPAN[1])
    ours = orbyx_ext.stations(engine, body, start, end, sidereal_mode)
    step_days = 5.0 if body in ("mercury", "venus", "mars") else 20.0
    their_days, moving_on = skyfield_events(
        sky, start.julian_day, end.julian_day, step_days,
        lambda t: (skyfield_rate(sky, body, t, sidereal_mode) > 0).astype(int))
    compare(f"{body} {sidereal_mode or 'tropical'} stations", ours, their_days, STATION_TOLERANCE_S)
    assert [event.direction for event in ours] == ["direct" if up else "retrograde" for up in moving_on]


@pytest.mark.parametrize("half_width_days", [1e-4, 0.3, 3.0])
def test_a_station_is_found_the_same_from_a_range_just_around_it(engine, half_width_days):
    (retrograde, direct), _ = mercury_retrograde_loop(engine)
    for station in (retrograde, direct):
        day = station.instant.julian_day
        around = orbyx_ext.stations(engine, "mercury", orbyx.Instant.tt(day - half_width_days),
                                    orbyx.Instant.tt(day + half_width_days))
        assert [event.direction for event in around] == [station.direction]
        assert abs(around[0].instant.julian_day - day) * SECONDS_PER_DAY < 0.001


def test_moon_node_passages_match_skyfield(engine, sky):
    start, end = tt(INGRESS_SPAN[0]), tt(INGRESS_SPAN[1])
    ours = orbyx_ext.ecliptic_passages(engine, "moon", start, end)
    their_days, north = skyfield_events(sky, start.julian_day, end.julian_day, 1.0,
                                        lambda t: (skyfield_places(sky, "moon", t)[1] > 0).astype(int))
    compare("moon node passages", ours, their_days, CROSSING_TOLERANCE_S)
    assert [event.direction for event in ours] == ["ascending" if up else "descending" for up in north]


def plain(events):
    return [(event.instant.julian_day, event.instant.time_scale, event.direction) for event in events]


def test_bounds_in_any_scale_give_the_same_events(tmp_path):
    engine = open_de421(tmp_path, time_kernels=True)
    utc_start, utc_end = orbyx.Instant.utc(2460736.5), orbyx.Instant.utc(2460766.5)  # Mercury turns on 15 March
    tt_start, tt_end = (orbyx_ext.convert(engine, bound, "tt").instant for bound in (utc_start, utc_end))
    lahiri = orbyx.SiderealMode.lahiri()
    for search in (lambda start, end: orbyx_ext.longitude_crossings(engine, "moon", 123.0, start, end, lahiri),
                   lambda start, end: orbyx_ext.ecliptic_passages(engine, "moon", start, end),
                   lambda start, end: orbyx_ext.stations(engine, "mercury", start, end)):
        assert len(search(utc_start, utc_end)) > 0
        assert plain(search(utc_start, utc_end)) == plain(search(tt_start, tt_end))
        assert search(tt_start, tt_start) == []


A_DAY, NEXT_DAY = orbyx.Instant.tt(2460000.5), orbyx.Instant.tt(2460001.5)


@pytest.mark.parametrize("call, error, message", [
    (lambda e: orbyx_ext.stations(e, "mars", NEXT_DAY, A_DAY), ValueError, "^search end is before its start$"),
    (lambda e: orbyx_ext.longitude_crossings(e, "mars", float("nan"), A_DAY, NEXT_DAY), ValueError,
     "^crossing longitude must be finite$"),
    (lambda e: orbyx_ext.ecliptic_passages(e, "moon", A_DAY, orbyx.Instant.tt(2480000.5)), ValueError,
     "^Julian day 2480000.5 is outside kernel range"),
    (lambda e: orbyx_ext.stations(e, "earth", A_DAY, NEXT_DAY), ValueError,
     "^spherical coordinates are undefined when target and origin are identical$"),
    (lambda e: orbyx_ext.stations(e, "mars", A_DAY, NEXT_DAY, "tropical"), ValueError,
     '^unknown sidereal mode "tropical"$'),
    (lambda e: orbyx_ext.stations(e, "mars", A_DAY, NEXT_DAY, (2451545.0, 0.0, "newcomb")), ValueError,
     '^unknown precession model "newcomb"$'),
    (lambda e: orbyx_ext.longitude_crossings(e, "mars", 0.0, A_DAY, 2460001.5), TypeError,
     "^longitude_crossings\\(\\) argument 'end' must be orbyx.Instant, not float$"),
    (lambda e: orbyx_ext.ecliptic_passages(None, "moon", A_DAY, NEXT_DAY), TypeError,
     "^ecliptic_passages\\(\\) argument 'engine' must be orbyx.Engine, not NoneType$"),
])
def test_misuse_is_refused_with_one_sentence(engine, call, error, message):
    with pytest.raises(error, match=message):
        call(engine)
