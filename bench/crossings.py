"""A year of the Moon's sign ingresses and node passages (2024), and ten years of
Mercury's stations (2020-2029).

orbyx_ext: longitude_crossings once per sign boundary over the year, ecliptic_passages
and stations once over their spans. skyfield: find_discrete over the same spans on the
same DE421, on the apparent longitude and latitude of date with IAU 2000B nutation (as
orbyx uses): the sign index, the sign of the latitude, and the sign of a central
difference of the longitude over 0.002 day. pyswisseph (when installed):
swe.mooncross_ut chained from one ingress to the next and swe.mooncross_node_ut
likewise, Moshier ephemeris (it reads no SPK); it has no station search. orbyx_ext is
checked against skyfield first, so both sides do the same work. Times are per event,
medians of timeit repeats.
"""
import tempfile

import numpy as np
from common import interpreter, median_seconds

import orbyx
import orbyx_ext
from de421_oracle import SKYFIELD_NAMES, load_skyfield_de421, open_de421

YEAR = 2024
STATION_YEARS = (2020, 2030)
RATE_HALF_STEP_DAYS = 0.002


def tt_of_year(ts, year):
    return ts.tt(year, 1, 1).tt


def orbyx_ingresses(engine, start, end):
    return [event.instant.julian_day for sign in range(12)
            for event in orbyx_ext.longitude_crossings(engine, "moon", 30.0 * sign, start, end)]


def orbyx_passages(engine, start, end):
    return [event.instant.julian_day for event in orbyx_ext.ecliptic_passages(engine, "moon", start, end)]


def orbyx_stations(engine, start, end):
    return [event.instant.julian_day for event in orbyx_ext.stations(engine, "mercury", start, end)]


def skyfield_places(eph, body):
    from skyfield.framelib import ecliptic_frame
    from skyfield.nutationlib import iau2000b_radians

    earth, target = eph["earth"], eph[SKYFIELD_NAMES[body]]

    def places(t):
        t._nutation_angles_radians = iau2000b_radians(t)
        latitude, longitude, _ = earth.at(t).observe(target).apparent().frame_latlon(ecliptic_frame)
        return longitude.degrees, latitude.degrees

    return places


def skyfield_search(ts, start, end, step_days, state):
    from skyfield.searchlib import find_discrete

    state.step_days = step_days
    return find_discrete(ts.tt_jd(start), ts.tt_jd(end), state)[0].tt


def skyfield_ingresses(eph, ts, start, end):
    places = skyfield_places(eph, "moon")
    return skyfield_search(ts, start, end, 0.5, lambda t: (places(t)[0] // 30.0).astype(int))


def skyfield_passages(eph, ts, start, end):
    places = skyfield_places(eph, "moon")
    return skyfield_search(ts, start, end, 1.0, lambda t: (places(t)[1] > 0.0).astype(int))


def skyfield_stations(eph, ts, start, end):
    places = skyfield_places(eph, "mercury")

    def moving_on(t):
        later, earlier = (ts.tt_jd(t.whole, t.tt_fraction + sign * RATE_HALF_STEP_DAYS) for sign in (1, -1))
        return ((places(later)[0] - places(earlier)[0] + 180.0) % 360.0 > 180.0).astype(int)

    return skyfield_search(ts, start, end, 5.0, moving_on)


def swisseph_chained(search, start_ut, end_ut):
    found, after = [], start_ut
    while True:
        after = search(after)
        if after >= end_ut:
            return found
        found.append(after)
        after += 1e-6


def agreement_ms(ours, theirs):
    ours = np.sort(ours)
    assert len(ours) == len(theirs), (len(ours), len(theirs))
    return np.max(np.abs(ours - theirs)) * 86400e3


def main():
    from skyfield.api import load

    engine = open_de421(tempfile.mkdtemp(prefix="orbyx-bench-"))
    eph, ts = load_skyfield_de421(), load.timescale(builtin=True)
    start, end = tt_of_year(ts, YEAR), tt_of_year(ts, YEAR + 1)
    station_start, station_end = tt_of_year(ts, STATION_YEARS[0]), tt_of_year(ts, STATION_YEARS[1])
    bounds = orbyx.Instant.tt(start), orbyx.Instant.tt(end)
    station_bounds = orbyx.Instant.tt(station_start), orbyx.Instant.tt(station_end)

    cases = [
        ("Moon sign ingresses", lambda: orbyx_ingresses(engine, *bounds), lambda: skyfield_ingresses(eph, ts, start, end)),
        ("Moon node passages", lambda: orbyx_passages(engine, *bounds), lambda: skyfield_passages(eph, ts, start, end)),
        ("Mercury stations", lambda: orbyx_stations(engine, *station_bounds),
         lambda: skyfield_stations(eph, ts, station_start, station_end)),
    ]
    print(f"crossings, passages and stations ({interpreter()})")
    for label, ours, theirs in cases:
        count = len(ours())
        agreement = agreement_ms(ours(), theirs())
        per_event = median_seconds(ours, repeat=15, number=3) / count
        sky_per_event = median_seconds(theirs, repeat=3) / count
        print(f"  {label:20s} {count:4d} events: orbyx_ext {per_event * 1e6:9.2f} us per event, skyfield "
              f"{sky_per_event * 1e6:10.2f} us (1/{sky_per_event / per_event:.0f}: orbyx_ext takes that share "
              f"of skyfield's time; agreement {agreement:.3f} ms)")
    try:
        import swisseph as swe
    except ImportError:
        print("  pyswisseph not installed")
        return
    start_ut, end_ut = start - swe.deltat(start), end - swe.deltat(end)
    searches = [
        ("Moon sign ingresses", lambda: [jd for sign in range(12) for jd in swisseph_chained(
            lambda after: swe.mooncross_ut(30.0 * sign, after, swe.FLG_MOSEPH), start_ut, end_ut)]),
        ("Moon node passages", lambda: swisseph_chained(
            lambda after: swe.mooncross_node_ut(after, swe.FLG_MOSEPH)[0], start_ut, end_ut)),
    ]
    for label, search in searches:
        count = len(search())
        per_event = median_seconds(search, repeat=5) / count
        print(f"  {label:20s} {count:4d} events: pyswisseph {per_event * 1e6:9.2f} us per event (Moshier, chained)")


if __name__ == "__main__":
    main()
