"""Local sky in batches: altitude and azimuth of 10 bodies, and of 3, over N instants at one
site, without and with refraction; and one body at one new instant.

orbyx_ext: one horizontal() call on the list of instants. skyfield: the site's at(t) once
on a Time array, then observe(body).apparent().altaz() per body (the rotation matrices
are cached on the Time array, as orbyx_ext builds one sky frame per instant). Instants
lie where the leap-second kernel and the Earth orientation table reach, TT 1973..2024.
Without skyfield (PyPy) only orbyx_ext is timed. Usage: local_sky.py [N]
"""
import sys
import tempfile

import numpy as np
from common import BODIES, instants, interpreter, median_seconds, skyfield_name
from de421_oracle import SKYFIELD_NAMES, load_skyfield_de421, open_de421, skyfield_timescale_from_c04

import orbyx
import orbyx_ext

SITE_LONGITUDE_DEG, SITE_LATITUDE_DEG, SITE_HEIGHT_M = -70.7367, -30.2407, 2715.0  # Cerro Pachon
SITE_FIRST_JD, SITE_LAST_JD = 2441683.5, 2460676.5  # 1973..2024
WEATHER = {"pressure_mbar": 740.0, "temperature_c": 8.0}


def skyfield_or_none():
    try:
        return load_skyfield_de421(), skyfield_timescale_from_c04()
    except ImportError:
        return None


def report(title, entries, ours, peer):
    print(f"{title} ({interpreter()})")
    print(f"  orbyx_ext {ours:8.3f} s   {entries / ours / 1e6:8.3f} M body-instants/s")
    if peer is not None:
        print(f"  skyfield  {peer:8.3f} s   {entries / peer / 1e6:8.3f} M body-instants/s")
        print(f"  ratio     {peer / ours:8.1f}x throughput in favour of orbyx_ext (target: >= 2 M body-instants/s)")


def batch(engine, site, bodies, julian_days, sky, weather):
    batch_instants = instants(julian_days, "tt")
    ours = median_seconds(lambda: orbyx_ext.horizontal(engine, bodies, site, batch_instants, **weather), repeat=3)
    peer = None
    if sky is not None:
        from skyfield.api import wgs84

        eph, ts = sky
        targets = [eph[skyfield_name(body)] for body in bodies]
        observer = eph["earth"] + wgs84.latlon(SITE_LATITUDE_DEG, SITE_LONGITUDE_DEG, elevation_m=SITE_HEIGHT_M)
        skyfield_weather = {"temperature_C": weather["temperature_c"], "pressure_mbar": weather["pressure_mbar"]} \
            if weather else {}

        def skyfield_batch():
            at_site = observer.at(ts.tt_jd(julian_days))
            for target in targets:
                at_site.observe(target).apparent().altaz(**skyfield_weather)

        peer = median_seconds(skyfield_batch, repeat=3)
    refraction = "refracted" if weather else "no refraction"
    report(f"altitude and azimuth, {len(bodies)} bodies x {len(julian_days)} instants, {refraction}",
           len(bodies) * len(julian_days), ours, peer)


def single(engine, site, sky):
    julian_days = iter(np.random.default_rng(5).uniform(SITE_FIRST_JD, SITE_LAST_JD, 200_000))
    ours = median_seconds(lambda: orbyx_ext.horizontal(engine, "mars", site, orbyx.Instant.tt(next(julian_days))),
                          repeat=5, number=2000)
    print(f"one altitude and azimuth (Mars, a new instant) ({interpreter()})")
    print(f"  orbyx_ext {ours * 1e6:8.2f} us")
    if sky is not None:
        from skyfield.api import wgs84

        eph, ts = sky
        observer = eph["earth"] + wgs84.latlon(SITE_LATITUDE_DEG, SITE_LONGITUDE_DEG, elevation_m=SITE_HEIGHT_M)
        mars = eph[SKYFIELD_NAMES["mars"]]
        peer = median_seconds(lambda: observer.at(ts.tt_jd(next(julian_days))).observe(mars).apparent().altaz(),
                              repeat=5, number=100)
        print(f"  skyfield  {peer * 1e6:8.2f} us   ratio {peer / ours:.0f}x")


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
    engine = open_de421(tempfile.mkdtemp(prefix="orbyx-bench-"), time_kernels=True)
    site = orbyx.GeodeticObserver(SITE_LONGITUDE_DEG, SITE_LATITUDE_DEG, SITE_HEIGHT_M)
    sky = skyfield_or_none()
    julian_days = np.sort(np.random.default_rng(1973).uniform(SITE_FIRST_JD, SITE_LAST_JD, count))
    batch(engine, site, BODIES, julian_days, sky, {})
    batch(engine, site, BODIES, julian_days, sky, WEATHER)
    batch(engine, site, BODIES[:3], julian_days, sky, {})
    single(engine, site, sky)


if __name__ == "__main__":
    main()
