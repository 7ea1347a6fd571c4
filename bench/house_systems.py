"""The companion's house systems: 10,000 sites and instants per system.

orbyx_ext: one house_cusps call per (site, UT1/TT pair) on ready GeodeticObserver
objects and float Julian days (the call also gives the Vertex and East Point).
pyswisseph: houses_ex on the same UT day, latitude and longitude (its own sidereal
time, obliquity and division). Koch sites stay within +-60 degrees, the others within
+-85. Medians of timeit repeats.
"""
import swisseph as swe
from common import interpreter, median_seconds
from house_cusps import COUNT, work

import orbyx
import orbyx_ext

SWISS_CODES = {"koch": b"K", "regiomontanus": b"R", "porphyry": b"O", "alcabitius": b"B",
               "topocentric": b"T", "morinus": b"M", "meridian": b"X", "vehlow": b"V", "sripati": b"S"}


def main():
    print(f"companion house systems, {COUNT} sites and instants per system ({interpreter()})")
    print("  (in brackets: pyswisseph's time over orbyx_ext's; above 1 favours orbyx_ext)")
    for system, code in SWISS_CODES.items():
        cases = work(60.0 if system == "koch" else 85.0)
        calls = [(orbyx.GeodeticObserver(lon, lat), ut1, tt) for ut1, tt, lon, lat in cases]

        def ours():
            for observer, ut1, tt in calls:
                orbyx_ext.house_cusps(observer, ut1, tt, system)

        def peer():
            for ut1, _, lon, lat in cases:
                swe.houses_ex(ut1, lat, lon, code)

        ours_s = median_seconds(ours, repeat=7) / COUNT
        peer_s = median_seconds(peer, repeat=7) / COUNT
        print(f"  {system:13s} orbyx_ext {ours_s * 1e6:6.2f} us   houses_ex {peer_s * 1e6:6.2f} us "
              f"({peer_s / ours_s:5.2f}x) per call")


if __name__ == "__main__":
    main()
