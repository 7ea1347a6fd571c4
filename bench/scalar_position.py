"""One position per call: Mars, geocentric ecliptic.

Apparent (true ecliptic of date): orbyx Engine.position against skyfield's
earth.at(t).observe(mars).apparent() and its ecliptic frame. Each call builds its own
time object from the next of 1,000 TT days, so neither side reuses a cached frame.
Geometric (J2000): the median time of one Engine.position call on ready Instants,
each call at the next of 1,000 instants 86 ms apart (one Chebyshev record each),
and repeated at one instant (where the engine hands back the position it computed
last). Medians of timeit repeats.
"""
import itertools

from common import de421_engine, epochs, interpreter, median_seconds, skyfield_name, skyfield_setup

import orbyx


def main():
    engine = de421_engine()
    eph, ts = skyfield_setup()
    from skyfield.framelib import ecliptic_frame

    days = itertools.cycle([float(jd) for jd in epochs(1000, seed=3)])
    apparent = orbyx.apparent("geocentric", "ecliptic")
    earth, mars = eph["earth"], eph[skyfield_name("mars")]

    def orbyx_apparent():
        engine.position("mars", orbyx.Instant.tt(next(days)), apparent)

    def skyfield_apparent():
        earth.at(ts.tt_jd(next(days))).observe(mars).apparent().frame_latlon(ecliptic_frame)

    ours = median_seconds(orbyx_apparent, repeat=25, number=2000)
    peer = median_seconds(skyfield_apparent, repeat=15, number=20)

    geometric = orbyx.geometric("geocentric", "ecliptic")
    ready = itertools.cycle([orbyx.Instant.tdb(2460000.5 + 1e-6 * i) for i in range(1000)])
    scalar = median_seconds(lambda: engine.position("mars", next(ready), geometric), repeat=51, number=20000)
    baseline = median_seconds(lambda: next(ready), repeat=51, number=20000)
    instant = orbyx.Instant.tdb(2460000.5)
    repeated = median_seconds(lambda: engine.position("mars", instant, geometric), repeat=51, number=20000)

    print(f"scalar position, Mars geocentric ecliptic ({interpreter()})")
    print(f"  apparent  orbyx    {ours * 1e6:9.2f} us per call")
    print(f"  apparent  skyfield {peer * 1e6:9.2f} us per call")
    print(f"  apparent  orbyx takes 1/{peer / ours:.0f} of skyfield's time (target 1/200 or less)")
    print(f"  geometric orbyx    {scalar * 1e6:9.3f} us per call, median "
          f"(a lambda taking the next instant costs {baseline * 1e6:.3f} us; target <= 1.5 us)")
    print(f"  geometric orbyx    {repeated * 1e6:9.3f} us per call at one instant (remembered)")


if __name__ == "__main__":
    main()
