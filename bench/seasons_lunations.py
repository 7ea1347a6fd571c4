"""A year of equinoxes and solstices (4 events) and of new and full Moons (2024).

orbyx: Engine.next_season_event once per kind from the start of the year, and
Engine.next_lunation chained from each new (full) Moon to the next, one call per
event. skyfield: find_discrete over the year on the same DE421, with almanac.seasons
for the seasons and, for the lunations, a function built as almanac.moon_phases is
(IAU 2000B nutation) that splits the elongation into halves instead of quarters, so
that it searches the same events and no quarters. pyswisseph (when installed): swe.solcross_ut per
season, Moshier ephemeris (it reads no SPK); it has no elongation search. orbyx is
checked against skyfield first, so all sides do the same work. Times are per event,
medians of timeit repeats.
"""
import itertools
import tempfile

import numpy as np
from common import interpreter, median_seconds

import orbyx
from de421_oracle import load_skyfield_de421, open_de421

YEAR = 2024
SEASONS = ("march_equinox", "june_solstice", "september_equinox", "december_solstice")
LUNATIONS = ("new_moon", "full_moon")


# The orbyx sides return lists, sorted for the comparison outside the timing: sorting
# a few values through NumPy costs more than a search on PyPy.
def orbyx_seasons(engine, start):
    return [engine.next_season_event(orbyx.Instant.tt(start), kind).julian_day for kind in SEASONS]


def orbyx_lunations(engine, start, end):
    found = []
    for kind in LUNATIONS:
        after = start
        while True:
            after = engine.next_lunation(orbyx.Instant.tt(after), kind).julian_day
            if after > end:
                break
            found.append(after)
    return found


def skyfield_syzygies(eph):
    """0 from new to full Moon, 1 from full to new."""
    from skyfield.framelib import ecliptic_frame
    from skyfield.nutationlib import iau2000b_radians

    earth, moon, sun = eph["earth"], eph["moon"], eph["sun"]

    def half_at(t):
        t._nutation_angles_radians = iau2000b_radians(t)
        e = earth.at(t)
        _, moon_lon, _ = e.observe(moon).apparent().frame_latlon(ecliptic_frame)
        _, sun_lon, _ = e.observe(sun).apparent().frame_latlon(ecliptic_frame)
        return ((moon_lon.radians - sun_lon.radians) // np.pi % 2).astype(int)

    half_at.step_days = 7.0
    return half_at


def skyfield_seasons(eph, ts, start, end):
    from skyfield import almanac

    return almanac.find_discrete(ts.tt_jd(start), ts.tt_jd(end), almanac.seasons(eph))[0].tt


def skyfield_lunations(eph, ts, start, end):
    from skyfield import almanac

    return almanac.find_discrete(ts.tt_jd(start), ts.tt_jd(end), skyfield_syzygies(eph))[0].tt


def swisseph_seasons(swe, start_ut):
    return np.array([swe.solcross_ut(longitude, start_ut, swe.FLG_MOSEPH) for longitude in (0.0, 90.0, 180.0, 270.0)])


def main():
    from skyfield.api import load

    engine = open_de421(tempfile.mkdtemp(prefix="orbyx-bench-"))
    eph, ts = load_skyfield_de421(), load.timescale(builtin=True)
    start, end = ts.tt(YEAR, 1, 1).tt, ts.tt(YEAR + 1, 1, 1).tt

    seasons, lunations = np.sort(orbyx_seasons(engine, start)), np.sort(orbyx_lunations(engine, start, end))
    sky_seasons, sky_lunations = skyfield_seasons(eph, ts, start, end), skyfield_lunations(eph, ts, start, end)
    assert len(seasons) == len(sky_seasons) == 4 and len(lunations) == len(sky_lunations)
    season_agreement = np.max(np.abs(seasons - sky_seasons)) * 86400.0
    lunation_agreement = np.max(np.abs(lunations - sky_lunations)) * 86400.0

    per_season = median_seconds(lambda: orbyx_seasons(engine, start), repeat=25, number=20) / 4
    per_lunation = median_seconds(lambda: orbyx_lunations(engine, start, end), repeat=25, number=5) / len(lunations)
    sky_per_season = median_seconds(lambda: skyfield_seasons(eph, ts, start, end), repeat=5) / 4
    sky_per_lunation = median_seconds(lambda: skyfield_lunations(eph, ts, start, end), repeat=5) / len(lunations)

    # Where orbyx's time goes: every search step asks for one apparent position (the
    # Sun) or two (the Sun and the Moon), each at a new epoch. Timed here at epochs
    # 86 ms apart, so that no per-epoch cache helps.
    options = orbyx.apparent("geocentric", "ecliptic")
    steps = itertools.cycle([orbyx.Instant.tt(start + 40.0 + 1e-6 * i) for i in range(1000)])
    sun = median_seconds(lambda: engine.position("sun", next(steps), options), repeat=25, number=2000)
    moon = median_seconds(lambda: engine.position("moon", next(steps), options), repeat=25, number=2000)

    print(f"seasons and lunations of {YEAR} ({interpreter()})")
    print(f"  orbyx next_season_event  {per_season * 1e6:9.2f} us per event (4 events)")
    print(f"  skyfield almanac.seasons {sky_per_season * 1e6:9.2f} us per event "
          f"(1/{sky_per_season / per_season:.0f}: orbyx takes that share of skyfield's time; "
          f"agreement {season_agreement * 1e3:.3f} ms)")
    print(f"  orbyx next_lunation      {per_lunation * 1e6:9.2f} us per event ({len(lunations)} events)")
    print(f"  skyfield find_discrete   {sky_per_lunation * 1e6:9.2f} us per event "
          f"(1/{sky_per_lunation / per_lunation:.0f}; agreement {lunation_agreement * 1e3:.3f} ms)")
    print(f"  one apparent Engine.position at a new epoch: Sun {sun * 1e6:.2f} us, Moon {moon * 1e6:.2f} us; "
          f"a season search takes {per_season / sun:.1f} Sun positions' time, "
          f"a lunation {per_lunation / (sun + moon):.1f} Sun-and-Moon pairs'")
    try:
        import swisseph as swe
    except ImportError:
        print("  pyswisseph not installed")
        return
    start_ut = start - swe.deltat(start)
    swe_seasons = swisseph_seasons(swe, start_ut)
    swe_tt = np.array([jd + swe.deltat(jd) for jd in swe_seasons])
    swe_time = median_seconds(lambda: swisseph_seasons(swe, start_ut), repeat=25, number=20) / 4
    print(f"  pyswisseph solcross_ut   {swe_time * 1e6:9.2f} us per event (Moshier; "
          f"{np.max(np.abs(swe_tt - sky_seasons)) * 86400.0:.3f} s from skyfield at worst, its own Delta T)")


if __name__ == "__main__":
    main()
