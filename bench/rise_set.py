"""A month of sunrises, sunsets and transits at one site (Paris, March 2024).

orbyx: Engine.rise_set_transit once per day around local noon (three events per
call), and Engine.next_horizon_event chained from each event, one call per event.
skyfield: almanac.find_risings, find_settings and find_transits over the month,
each one vectorised call, on the same DE421 and the same C04 timescale; the
altitude is the same fixed -50' for the centre on both sides. pyswisseph (when
installed): swe.rise_trans_true_hor and swe.rise_trans chained per event, Moshier
ephemeris (it reads no SPK), centre of disc without refraction. Both orbyx paths are
checked against skyfield first, so all sides do the same work.
Medians of timeit repeats; times are per event.
"""
import itertools
import tempfile

import numpy as np
from common import interpreter, median_seconds

import orbyx
from de421_oracle import load_skyfield_de421, open_de421, skyfield_timescale_from_c04

LONGITUDE, LATITUDE, HEIGHT = 2.3522, 48.8566, 35.0
DAYS = 31
ALTITUDE = orbyx.SUN_UPPER_LIMB_ALTITUDE_DEG
KINDS = ("rise", "set", "transit")


def orbyx_by_day(engine, observer, first_noon):
    events = {kind: [] for kind in KINDS}
    for day in range(DAYS):
        found = engine.rise_set_transit("sun", observer, orbyx.Instant.ut1(first_noon + day), ALTITUDE)
        events["rise"].append(found.rise_ut1_julian_day)
        events["set"].append(found.set_ut1_julian_day)
        events["transit"].append(found.transit_ut1_julian_day)
    return events


def orbyx_chained(engine, observer, start, end):
    events = {}
    for kind in KINDS:
        found, after = [], start
        while True:
            after = engine.next_horizon_event("sun", observer, orbyx.Instant.ut1(after), kind,
                                              ALTITUDE).ut1_julian_day
            if after > end:
                break
            found.append(after)
        events[kind] = found
    return events


def skyfield_month(eph, ts, start, end):
    from skyfield import almanac
    from skyfield.toposlib import Geoid

    site = eph["earth"] + Geoid("GRS80", 6378137.0, 298.257222101).latlon(
        LATITUDE, LONGITUDE, elevation_m=HEIGHT)
    t0, t1 = ts.ut1_jd(start), ts.ut1_jd(end)
    rises, up = almanac.find_risings(site, eph["sun"], t0, t1, horizon_degrees=ALTITUDE)
    sets, down = almanac.find_settings(site, eph["sun"], t0, t1, horizon_degrees=ALTITUDE)
    transits = almanac.find_transits(site, eph["sun"], t0, t1)
    return {"rise": rises.ut1[up], "set": sets.ut1[down], "transit": transits.ut1}


def swisseph_month(swe, start, end):
    site = (LONGITUDE, LATITUDE, HEIGHT)
    flags = swe.FLG_MOSEPH
    centre = swe.BIT_DISC_CENTER | swe.BIT_NO_REFRACTION
    calls = {
        "rise": lambda jd: swe.rise_trans_true_hor(jd, swe.SUN, swe.CALC_RISE | centre, site, 0.0, 0.0,
                                                   ALTITUDE, flags),
        "set": lambda jd: swe.rise_trans_true_hor(jd, swe.SUN, swe.CALC_SET | centre, site, 0.0, 0.0,
                                                  ALTITUDE, flags),
        "transit": lambda jd: swe.rise_trans(jd, swe.SUN, swe.CALC_MTRANSIT, site, 0.0, 0.0, flags),
    }
    events = {}
    for kind, call in calls.items():
        found, after = [], start
        while True:
            after = call(after + 1.0 / 86400.0)[1][0]
            if after > end:
                break
            found.append(after)
        events[kind] = found
    return events


def worst_difference_s(ours, theirs):
    return max(np.max(np.abs(np.asarray(ours[kind]) - np.asarray(theirs[kind]))) for kind in KINDS) * 86400.0


def main():
    engine = open_de421(tempfile.mkdtemp(prefix="orbyx-bench-"), time_kernels=True)
    eph, ts = load_skyfield_de421(), skyfield_timescale_from_c04()
    observer = orbyx.GeodeticObserver(LONGITUDE, LATITUDE, HEIGHT)
    month_start = ts.utc(2024, 3, 1).ut1
    first_noon = month_start + 0.5 - LONGITUDE / 360.0
    # Every day's three events fall inside [month_start, month_end].
    month_end = month_start + DAYS

    by_day = orbyx_by_day(engine, observer, first_noon)
    chained = orbyx_chained(engine, observer, month_start, month_end)
    peer = skyfield_month(eph, ts, month_start, month_end)
    count = sum(len(peer[kind]) for kind in KINDS)
    assert count == 3 * DAYS and all(len(chained[kind]) == DAYS for kind in KINDS)
    agreement = max(worst_difference_s(by_day, peer), worst_difference_s(chained, peer))

    per_day = median_seconds(lambda: orbyx_by_day(engine, observer, first_noon), repeat=15) / count
    # Each chain also finds the first event past the month, one more call per kind.
    calls = count + len(KINDS)
    per_call = median_seconds(lambda: orbyx_chained(engine, observer, month_start, month_end), repeat=7) / calls
    sky = median_seconds(lambda: skyfield_month(eph, ts, month_start, month_end), repeat=7) / count

    # Where orbyx's time goes: each rise_set_transit makes 25 topocentric apparent
    # positions (8 steps per event and one at transit) and 24 sidereal times.
    # Timed at epochs 86 ms apart, so that the engine cannot hand back a position it
    # computed before.
    options = orbyx.apparent("topocentric", "equatorial", observer)
    steps = itertools.cycle([orbyx.Instant.ut1(first_noon + 1e-6 * i) for i in range(1000)])
    position = median_seconds(lambda: engine.position("sun", next(steps), options), repeat=15, number=2000)

    print(f"sunrise, sunset and transit, Paris, {DAYS} days = {count} events ({interpreter()})")
    print(f"  orbyx rise_set_transit    {per_day * 1e6:9.2f} us per event (one call per day)")
    print(f"  orbyx next_horizon_event  {per_call * 1e6:9.2f} us per event (one call per event, {calls} calls)")
    print(f"  skyfield almanac          {sky * 1e6:9.2f} us per event (three calls per month)")
    print(f"  skyfield takes {sky / per_day:.1f}x orbyx's time per day and {sky / per_call:.1f}x per event; "
          f"orbyx agrees with skyfield to {agreement:.3f} s at worst")
    print(f"  one topocentric apparent Engine.position: {position * 1e6:.2f} us "
          f"(x 25 = {25 * position * 1e6:.0f} us per rise_set_transit call)")
    try:
        import swisseph as swe
    except ImportError:
        print("  pyswisseph not installed")
        return
    swe_events = swisseph_month(swe, month_start, month_end)
    swe_time = median_seconds(lambda: swisseph_month(swe, month_start, month_end), repeat=7) / count
    print(f"  pyswisseph rise_trans     {swe_time * 1e6:9.2f} us per event (Moshier; "
          f"{worst_difference_s(swe_events, peer):.3f} s from skyfield at worst)")


if __name__ == "__main__":
    main()
