"""Batch apparent positions: 10 bodies x N instants, geocentric true ecliptic of date and
topocentric true equator of date.

orbyx: one Engine.positions call with orbyx.apparent(). skyfield: the observer at(t) once
on a Time array (the Earth, or the Earth plus a WGS84 site), then observe(body).apparent()
per body and the ecliptic latitude, longitude and distance of date, or the right
ascension, declination and distance of date (the frame matrices are cached on the Time
array, as orbyx builds one frame per instant). Topocentric instants lie where orbyx's
leap-second kernel and Earth orientation table reach. Usage: batch_apparent.py [N]
"""
import sys
import tempfile

import numpy as np
from common import (BODIES, de421_engine, epochs, instants, interpreter, median_seconds,
                    skyfield_name, skyfield_setup)
from de421_oracle import open_de421

import orbyx

SITE_LONGITUDE_DEG, SITE_LATITUDE_DEG, SITE_HEIGHT_M = -70.7367, -30.2407, 2715.0  # Cerro Pachon
SITE_FIRST_JD, SITE_LAST_JD = 2441683.5, 2460676.5  # 1973..2024


def report(title, count, ours, peer, target):
    """`target`: what the throughput is held to, as a ratio or a rate."""
    n = count * len(BODIES)
    print(f"batch apparent {title}, {len(BODIES)} bodies x {count} instants ({interpreter()})")
    print(f"  orbyx     {ours:8.3f} s   {n / ours / 1e6:8.3f} M positions/s")
    print(f"  skyfield  {peer:8.3f} s   {n / peer / 1e6:8.3f} M positions/s")
    print(f"  ratio     {peer / ours:8.1f}x throughput in favour of orbyx (target: {target})")


def geocentric(count, eph, ts, targets):
    from skyfield.framelib import ecliptic_frame

    julian_days = epochs(count)
    engine = de421_engine()
    batch_instants = instants(julian_days, "tt")
    options = orbyx.apparent("geocentric", "ecliptic")
    earth = eph["earth"]

    def skyfield_batch():
        observer = earth.at(ts.tt_jd(julian_days))
        for target in targets:
            observer.observe(target).apparent().frame_latlon(ecliptic_frame)

    ours = median_seconds(lambda: engine.positions(BODIES, batch_instants, options), repeat=3)
    peer = median_seconds(skyfield_batch, repeat=3)
    report("geocentric ecliptic of date", count, ours, peer, ">= 50x")


def topocentric(count, eph, ts, targets):
    from skyfield.api import wgs84

    julian_days = np.sort(np.random.default_rng(1973).uniform(SITE_FIRST_JD, SITE_LAST_JD, count))
    engine = open_de421(tempfile.mkdtemp(prefix="orbyx-bench-"), time_kernels=True)
    batch_instants = instants(julian_days, "tt")
    site = orbyx.GeodeticObserver(SITE_LONGITUDE_DEG, SITE_LATITUDE_DEG, SITE_HEIGHT_M)
    options = orbyx.apparent("topocentric", "equatorial", site)
    observer_site = eph["earth"] + wgs84.latlon(SITE_LATITUDE_DEG, SITE_LONGITUDE_DEG, elevation_m=SITE_HEIGHT_M)

    def skyfield_batch():
        observer = observer_site.at(ts.tt_jd(julian_days))
        for target in targets:
            observer.observe(target).apparent().radec(epoch="date")

    ours = median_seconds(lambda: engine.positions(BODIES, batch_instants, options), repeat=3)
    peer = median_seconds(skyfield_batch, repeat=3)
    report("topocentric equator of date", count, ours, peer, ">= 2.5 M positions/s")


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
    eph, ts = skyfield_setup()
    targets = [eph[skyfield_name(body)] for body in BODIES]
    geocentric(count, eph, ts, targets)
    topocentric(count, eph, ts, targets)


if __name__ == "__main__":
    main()
