"""Rise, set and transit from DE421 against skyfield's almanac on the same kernel,
the same C04 table and the same leap seconds.

Both sides define a rise or set as the instant the topocentric apparent centre
reaches the given altitude above the geodetic horizon (skyfield with a fixed
horizon_degrees adds neither refraction nor a radius), and a transit as hour angle
zero. What remains between them, all far below the tolerance: IAU 2000B against
IAU 2000A nutation, orbyx's solar deflection of the Moon (skyfield's almanac
leaves deflection out), the pole's effect on skyfield's hour angle, and each
side's own stopping rule (orbyx: eight steps at the sidereal rate; skyfield: three
secant steps and an interpolation).
"""
import numpy as np
import pytest

import orbyx
from de421_oracle import load_skyfield_de421, open_de421, skyfield_timescale_from_c04

TOLERANCE_S = 0.5
SECONDS_PER_DAY = 86400.0

# (east longitude, latitude, height m) on GRS80.
SITES = {
    "paris": (2.3522, 48.8566, 35.0),
    "sydney": (151.2093, -33.8688, 58.0),
    "quito": (-78.4678, -0.1807, 2850.0),
    "anchorage": (-149.9003, 61.2181, 30.0),
    "ushuaia": (-68.3030, -54.8019, 20.0),
    "tokyo": (139.6917, 35.6895, 40.0),
}
# UTC dates across the seasons and decades, none the eve of a leap second.
DATES = [(1987, 3, 20), (1996, 6, 21), (2004, 9, 22), (2013, 12, 21), (2022, 5, 5)]
ALTITUDES = {"sun": orbyx.SUN_UPPER_LIMB_ALTITUDE_DEG, "moon": orbyx.MEAN_REFRACTION_ALTITUDE_DEG}
# Half-width of the window skyfield searches around each of orbyx's events.
WINDOW_DAYS = 0.35


@pytest.fixture(scope="module")
def engine(tmp_path_factory):
    return open_de421(tmp_path_factory.mktemp("de421-rise-set"), time_kernels=True)


@pytest.fixture(scope="module")
def sky():
    return load_skyfield_de421(), skyfield_timescale_from_c04()


def skyfield_observer(eph, longitude, latitude, height):
    from skyfield.toposlib import Geoid

    grs80 = Geoid("GRS80", 6378137.0, 298.257222101)
    return eph["earth"] + grs80.latlon(latitude, longitude, elevation_m=height)


def skyfield_event_ut1(sky, observer, body, kind, near_ut1, altitude_deg):
    """UT1 Julian day of skyfield's event of `kind` nearest to `near_ut1`."""
    from skyfield import almanac

    eph, ts = sky
    start, end = ts.ut1_jd(near_ut1 - WINDOW_DAYS), ts.ut1_jd(near_ut1 + WINDOW_DAYS)
    if kind == "transit":
        found = almanac.find_transits(observer, eph[body], start, end).ut1
    else:
        search = almanac.find_risings if kind == "rise" else almanac.find_settings
        times, crosses = search(observer, eph[body], start, end, horizon_degrees=altitude_deg)
        found = times.ut1[crosses]
    assert len(found) > 0, f"skyfield finds no {kind} of the {body} near UT1 {near_ut1}"
    return found[np.argmin(np.abs(found - near_ut1))]


@pytest.mark.parametrize("body", ["sun", "moon"])
@pytest.mark.parametrize("site", SITES)
def test_rise_transit_set_match_skyfield(engine, sky, site, body):
    _, ts = sky
    longitude, latitude, height = SITES[site]
    observer = orbyx.GeodeticObserver(longitude, latitude, height)
    sky_observer = skyfield_observer(sky[0], longitude, latitude, height)
    altitude = ALTITUDES[body]

    worst = {"rise": (0.0, None), "transit": (0.0, None), "set": (0.0, None)}
    for date in DATES:
        local_noon = ts.utc(*date).ut1 + 0.5 - longitude / 360.0
        events = engine.rise_set_transit(body, observer, orbyx.Instant.ut1(local_noon), altitude)
        ours = {"rise": events.rise_ut1_julian_day, "transit": events.transit_ut1_julian_day,
                "set": events.set_ut1_julian_day}
        assert ours["rise"] < ours["transit"] < ours["set"], (date, ours)
        assert abs(ours["transit"] - local_noon) < 0.55
        for kind, ut1 in ours.items():
            theirs = skyfield_event_ut1(sky, sky_observer, body, kind, ut1, altitude)
            difference_s = abs(ut1 - theirs) * SECONDS_PER_DAY
            if difference_s >= worst[kind][0]:
                worst[kind] = (difference_s, date)

    summary = ", ".join(f"{kind} {seconds:.4f} s ({date})" for kind, (seconds, date) in worst.items())
    print(f"{body} at {site}: worst {summary}")
    assert max(seconds for seconds, _ in worst.values()) <= TOLERANCE_S, summary


def test_next_events_follow_one_another_like_skyfield(engine, sky):
    """A week of next_horizon_event chained from each result: every event once, in order."""
    eph, ts = sky
    site = "paris"
    observer = orbyx.GeodeticObserver(*SITES[site])
    from skyfield import almanac

    # The Moon's day is about 24.8 h: a week holds 6 or 7 of its sets.
    start = ts.utc(2019, 10, 27).ut1
    for body, kind, search in [("sun", "rise", almanac.find_risings), ("moon", "set", almanac.find_settings)]:
        times, crosses = search(
            skyfield_observer(eph, *SITES[site]), eph[body], ts.ut1_jd(start), ts.ut1_jd(start + 7.0),
            horizon_degrees=ALTITUDES[body])
        expected = times.ut1[crosses]

        found, after = [], start
        while True:
            event = engine.next_horizon_event(body, observer, orbyx.Instant.ut1(after), kind, ALTITUDES[body])
            assert event.kind.name == kind
            if event.ut1_julian_day > start + 7.0:
                break
            found.append(event.ut1_julian_day)
            after = event.ut1_julian_day
        assert len(found) == len(expected), (body, found, list(expected))
        worst = np.max(np.abs(np.array(found) - expected)) * SECONDS_PER_DAY
        print(f"next {kind} of the {body} at {site}, one week: {len(found)} events, worst {worst:.4f} s")
        assert worst <= TOLERANCE_S


def test_midnight_sun_has_a_transit_but_no_rise_or_set(engine, sky):
    from skyfield import almanac

    eph, ts = sky
    observer = orbyx.GeodeticObserver(15.6267, 80.0, 0.0)
    sky_observer = skyfield_observer(eph, 15.6267, 80.0, 0.0)
    solstice = ts.utc(2021, 6, 21).ut1
    altitude = orbyx.SUN_UPPER_LIMB_ALTITUDE_DEG

    events = engine.rise_set_transit("sun", observer, orbyx.Instant.ut1(solstice + 0.5), altitude)
    assert events.rise_ut1_julian_day is None and events.set_ut1_julian_day is None
    theirs = skyfield_event_ut1(sky, sky_observer, "sun", "transit", events.transit_ut1_julian_day, altitude)
    difference_s = abs(events.transit_ut1_julian_day - theirs) * SECONDS_PER_DAY
    print(f"midnight-Sun transit at 80 N: {difference_s:.4f} s from skyfield")
    assert difference_s <= TOLERANCE_S

    _, crosses = almanac.find_risings(sky_observer, eph["sun"], ts.ut1_jd(solstice), ts.ut1_jd(solstice + 3.0),
                                      horizon_degrees=altitude)
    assert not crosses.any()
    with pytest.raises(ValueError, match=r"^no Rise of Sun within 3 days after the query instant$"):
        engine.next_horizon_event("sun", observer, orbyx.Instant.ut1(solstice), "rise", altitude)
    transit = engine.next_horizon_event("sun", observer, orbyx.Instant.ut1(solstice), "transit", altitude)
    assert solstice < transit.ut1_julian_day < solstice + 1.0
