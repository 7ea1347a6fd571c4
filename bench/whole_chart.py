"""Whole charts with orbyx_ext against pyswisseph doing the same work.

orbyx_ext.chart: the Sun, the Moon and Mercury to Pluto (apparent, geocentric, true
ecliptic of date, each with the true rate of its longitude), the eight lunar points
and Placidus houses with Vertex and East Point for one site, at a TT instant.
pyswisseph: swe.calc_ut for the same ten bodies with FLG_SPEED, for the mean and true
node and the mean and osculating apogee (the south nodes and perigees are their
opposites), and swe.houses_ex (Placidus), with its built-in Moshier ephemeris
(FLG_MOSEPH). Each chart is drawn at the next of 1,000 instants, so that nothing of
the previous chart's instant can be reused. orbyx_ext.charts: 20,000 such charts in one
call, against the same per-chart work of pyswisseph. Medians of timeit repeats.
"""
import itertools
import tempfile

import swisseph as swe
from common import epochs, interpreter, median_seconds
from de421_oracle import open_de421

import orbyx
import orbyx_ext

LONGITUDE, LATITUDE, HEIGHT = 2.3522, 48.8566, 35.0
SWISS_BODIES = [swe.SUN, swe.MOON, swe.MERCURY, swe.VENUS, swe.MARS, swe.JUPITER, swe.SATURN,
                swe.URANUS, swe.NEPTUNE, swe.PLUTO, swe.MEAN_NODE, swe.TRUE_NODE, swe.MEAN_APOG, swe.OSCU_APOG]
CHARTS = 1000
BATCH = 20000


def main():
    engine = open_de421(tempfile.mkdtemp(prefix="orbyx-bench-"), time_kernels=True)
    observer = orbyx.GeodeticObserver(LONGITUDE, LATITUDE, HEIGHT)
    days = [float(jd) for jd in epochs(CHARTS, seed=11)]
    instants = [orbyx.Instant.tt(jd) for jd in days]
    ours_at = itertools.cycle(instants)
    peer_at = itertools.cycle([orbyx_ext.convert(engine, instant, "ut1").instant.julian_day for instant in instants])
    batch = [orbyx.Instant.tt(float(jd)) for jd in epochs(BATCH, seed=12)]
    flags = swe.FLG_MOSEPH | swe.FLG_SPEED

    def orbyx_chart():
        orbyx_ext.chart(engine, observer, next(ours_at))

    def swisseph_chart():
        ut = next(peer_at)
        for body in SWISS_BODIES:
            swe.calc_ut(ut, body, flags)
        swe.houses_ex(ut, LATITUDE, LONGITUDE, b"P")

    def orbyx_batch():
        orbyx_ext.charts(engine, observer, batch)

    # The same chart on both sides: longitudes to arcseconds, speeds to 3e-4 deg/day
    # (Moshier against DE421).
    instant, ut = next(ours_at), next(peer_at)
    chart = orbyx_ext.chart(engine, observer, instant)
    worst_arcsec = worst_speed = 0.0
    for name, code in zip(orbyx_ext.BODY_NAMES, SWISS_BODIES):
        theirs = swe.calc_ut(ut, code, flags)[0]
        ours = chart.bodies[name]
        worst_arcsec = max(worst_arcsec, abs((ours.longitude_deg - theirs[0] + 180.0) % 360.0 - 180.0) * 3600.0)
        worst_speed = max(worst_speed, abs(ours.longitude_speed_deg_per_day - theirs[3]))
    assert worst_arcsec < 10.0 and worst_speed < 3e-4, (worst_arcsec, worst_speed)

    ours = median_seconds(orbyx_chart, repeat=25, number=CHARTS)
    peer = median_seconds(swisseph_chart, repeat=7, number=CHARTS // 10)
    ours_batch = median_seconds(orbyx_batch, repeat=5)
    print(f"whole chart: 10 bodies with true speeds, 8 lunar points, Placidus houses ({interpreter()})")
    print(f"  orbyx_ext.chart   {ours * 1e6:9.2f} us per chart")
    print(f"  pyswisseph        {peer * 1e6:9.2f} us per chart (Moshier; longitudes within "
          f"{worst_arcsec:.1f} arcsec, speeds within {worst_speed:.1e} deg/day of orbyx's)")
    print(f"  pyswisseph takes {peer / ours:.1f}x orbyx_ext.chart's time")
    print(f"  orbyx_ext.charts  {BATCH / ours_batch:9.0f} charts per second ({BATCH} charts per call)")
    print(f"  pyswisseph        {1.0 / peer:9.0f} charts per second")
    print(f"  orbyx_ext.charts makes {peer * BATCH / ours_batch:.1f}x as many")


if __name__ == "__main__":
    main()
