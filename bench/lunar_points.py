"""The Moon's nodes and apogees: 2,000 instants per point.

orbyx_ext: one lunar_point call per TT Instant (longitude, latitude and rate on the
true ecliptic of date; the true and osculating points read the Moon's state on DE421).
pyswisseph: calc_ut with FLG_SPEED on the matching point (its Moshier ephemeris, which
needs no files). Medians of timeit repeats.
"""
import swisseph as swe
from common import de421_engine, epochs, instants, interpreter, median_seconds

import orbyx_ext

COUNT = 2000
SWISS_POINTS = {"mean_node": swe.MEAN_NODE, "true_node": swe.TRUE_NODE, "mean_apogee": swe.MEAN_APOG,
                "osculating_apogee": swe.OSCU_APOG}


def main():
    engine = de421_engine()
    days = [float(jd) for jd in epochs(COUNT, seed=11)]
    at = instants(days, "tt")
    print(f"the Moon's nodes and apogees, {COUNT} instants per point ({interpreter()})")
    print("  (in brackets: pyswisseph's time over orbyx_ext's; above 1 favours orbyx_ext)")
    for point, code in SWISS_POINTS.items():
        def ours():
            for instant in at:
                orbyx_ext.lunar_point(engine, point, instant)

        def peer():
            for day in days:
                swe.calc_ut(day, code, swe.FLG_MOSEPH | swe.FLG_SPEED)

        ours_s = median_seconds(ours, repeat=7) / COUNT
        peer_s = median_seconds(peer, repeat=7) / COUNT
        print(f"  {point:18s} orbyx_ext {ours_s * 1e6:6.2f} us   calc_ut {peer_s * 1e6:6.2f} us "
              f"({peer_s / ours_s:5.2f}x) per call")


if __name__ == "__main__":
    main()
