"""A whole chart at one instant: ten bodies, tropical and sidereal, and the houses.

orbyx: Engine.position for the Sun, the Moon and Mercury to Pluto (apparent,
geocentric, true ecliptic of date), Engine.sidereal_position for the same ten with the
Lahiri ayanamsha, and house_cusps (Placidus) for one site; a TT instant and a UT1 day
69.2 s earlier. pyswisseph: swe.calc_ut for the same ten (speeds on), again with
FLG_SIDEREAL under SIDM_LAHIRI, and swe.houses_ex (Placidus), with its built-in Moshier
ephemeris (FLG_MOSEPH). Each chart is drawn at the next of 1,000 instants, so that
nothing of the previous chart's instant can be reused. Medians of timeit repeats.
"""
import itertools

import swisseph as swe
from common import BODIES, de421_engine, epochs, interpreter, median_seconds

import orbyx

LONGITUDE, LATITUDE, HEIGHT = 2.3522, 48.8566, 35.0
DELTA_T_DAYS = 69.2 / 86400.0
SWISS_BODIES = [swe.SUN, swe.MOON, swe.MERCURY, swe.VENUS, swe.MARS, swe.JUPITER, swe.SATURN,
                swe.URANUS, swe.NEPTUNE, swe.PLUTO]
CHARTS = 1000


def main():
    engine = de421_engine()
    observer = orbyx.GeodeticObserver(LONGITUDE, LATITUDE, HEIGHT)
    options = orbyx.apparent("geocentric", "ecliptic")
    days = [float(jd) for jd in epochs(CHARTS, seed=7)]
    ours_at = itertools.cycle([(orbyx.Instant.tt(jd), jd - DELTA_T_DAYS, jd) for jd in days])
    peer_at = itertools.cycle([jd - DELTA_T_DAYS for jd in days])

    def orbyx_chart():
        instant, ut1, tt = next(ours_at)
        for body in BODIES:
            engine.position(body, instant, options)
        for body in BODIES:
            engine.sidereal_position(body, instant, options, "lahiri")
        orbyx.house_cusps(observer, ut1, tt, "placidus")

    tropical = swe.FLG_MOSEPH | swe.FLG_SPEED
    sidereal = tropical | swe.FLG_SIDEREAL
    swe.set_sid_mode(swe.SIDM_LAHIRI)

    def swisseph_chart():
        ut = next(peer_at)
        for body in SWISS_BODIES:
            swe.calc_ut(ut, body, tropical)
        for body in SWISS_BODIES:
            swe.calc_ut(ut, body, sidereal)
        swe.houses_ex(ut, LATITUDE, LONGITUDE, b"P")

    # The same chart on both sides, to a few arcseconds (Moshier against DE421).
    instant, ut1, tt = next(ours_at)
    ut = next(peer_at)
    worst = 0.0
    for body, code in zip(BODIES, SWISS_BODIES):
        ours = engine.sidereal_position(body, instant, options, "lahiri").longitude_deg
        theirs = swe.calc_ut(ut, code, sidereal)[0][0]
        worst = max(worst, abs((ours - theirs + 180.0) % 360.0 - 180.0) * 3600.0)
    assert worst < 60.0, worst

    ours = median_seconds(orbyx_chart, repeat=25, number=CHARTS)
    peer = median_seconds(swisseph_chart, repeat=7, number=CHARTS // 10)
    print(f"whole chart: 10 bodies tropical and Lahiri sidereal, Placidus houses ({interpreter()})")
    print(f"  orbyx      {ours * 1e6:9.2f} us per chart (target 15 us)")
    print(f"  pyswisseph {peer * 1e6:9.2f} us per chart (Moshier; sidereal longitudes within "
          f"{worst:.1f} arcsec of orbyx's)")
    print(f"  pyswisseph takes {peer / ours:.1f}x orbyx's time")


if __name__ == "__main__":
    main()
