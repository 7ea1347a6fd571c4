"""A year of complete horizon events (2024) for the Sun, the Moon and Mars at Paris.

orbyx_ext: one horizon_events call per body, every rise, set, upper and lower transit.
skyfield: almanac.find_risings, find_settings and find_transits over the year, each one
vectorised call (skyfield has no lower transits), on the same DE421 and the same C04
timescale. Both sides rise and set the centre at the same fixed altitude, and the
events are matched first, so that both do the same work. Medians of timeit repeats;
times are per event found by each side.
"""
import tempfile

import numpy as np
from common import interpreter, median_seconds

import orbyx
import orbyx_ext
from de421_oracle import load_skyfield_de421, open_de421, skyfield_timescale_from_c04

LONGITUDE, LATITUDE, HEIGHT = 2.3522, 48.8566, 35.0
BODIES = {"sun": "sun", "moon": "moon", "mars": "mars"}
ALTITUDE = orbyx.SUN_UPPER_LIMB_ALTITUDE_DEG


def skyfield_year(eph, ts, site, body, start, end):
    from skyfield import almanac

    t0, t1 = ts.ut1_jd(start), ts.ut1_jd(end)
    rises, up = almanac.find_risings(site, eph[body], t0, t1, horizon_degrees=ALTITUDE)
    sets, down = almanac.find_settings(site, eph[body], t0, t1, horizon_degrees=ALTITUDE)
    transits = almanac.find_transits(site, eph[body], t0, t1)
    return {"rise": rises.ut1[up], "set": sets.ut1[down], "upper_transit": transits.ut1}


def orbyx_year(engine, observer, body, start, end):
    return orbyx_ext.horizon_events(engine, body, observer, orbyx.Instant.ut1(start), orbyx.Instant.ut1(end),
                                    ALTITUDE)


def worst_difference_s(ours, theirs):
    worst = 0.0
    for kind, times in theirs.items():
        mine = np.array([event.instant.julian_day for event in ours if event.kind == kind])
        assert len(mine) == len(times), (kind, len(mine), len(times))
        worst = max(worst, np.max(np.abs(mine - times)) * 86400.0)
    return worst


def main():
    from skyfield.toposlib import Geoid

    engine = open_de421(tempfile.mkdtemp(prefix="orbyx-bench-"), time_kernels=True)
    eph, ts = load_skyfield_de421(), skyfield_timescale_from_c04()
    observer = orbyx.GeodeticObserver(LONGITUDE, LATITUDE, HEIGHT)
    site = eph["earth"] + Geoid("GRS80", 6378137.0, 298.257222101).latlon(LATITUDE, LONGITUDE, elevation_m=HEIGHT)
    start = ts.utc(2024, 1, 1).ut1
    end = start + 366.0

    print(f"a year of rises, sets and transits, Paris, 2024 ({interpreter()})")
    for body in BODIES:
        ours = orbyx_year(engine, observer, body, start, end)
        theirs = skyfield_year(eph, ts, site, body, start, end)
        agreement = worst_difference_s(ours, theirs)
        their_count = sum(len(times) for times in theirs.values())
        mine = median_seconds(lambda: orbyx_year(engine, observer, body, start, end), repeat=15) / len(ours)
        sky = median_seconds(lambda: skyfield_year(eph, ts, site, body, start, end), repeat=3) / their_count
        print(f"  {body:5s} orbyx_ext {mine * 1e6:6.3f} us per event ({len(ours)} events), "
              f"skyfield {sky * 1e6:6.2f} us per event ({their_count} events): {sky / mine:5.1f}x; "
              f"agreement {agreement:.4f} s")


if __name__ == "__main__":
    main()
