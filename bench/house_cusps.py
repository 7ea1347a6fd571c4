"""House cusps: 10,000 sites and instants per system.

orbyx: one house_cusps call per (site, UT1/TT pair) on ready GeodeticObserver objects
and float Julian days. pyswisseph: houses_ex on the same UT day, latitude and longitude
(its own sidereal time, obliquity and division), and houses_armc on the RAMC and true
obliquity orbyx reported (division alone). Placidus sites stay within +-60 degrees,
the others within +-85. Medians of timeit repeats.
"""
import numpy as np
import swisseph as swe
from common import interpreter, median_seconds

import orbyx

COUNT = 10_000
SWISS_CODES = {"placidus": b"P", "campanus": b"C", "equal": b"E", "whole_sign": b"W"}
DELTA_T_DAYS = 69.2 / 86400.0


def work(latitude_limit_deg, seed=1404):
    rng = np.random.default_rng(seed)
    ut1 = rng.uniform(2433282.5, 2469807.5, COUNT)  # 1950..2050
    longitude = rng.uniform(-180.0, 180.0, COUNT)
    latitude = rng.uniform(-latitude_limit_deg, latitude_limit_deg, COUNT)
    return [(float(d), float(d) + DELTA_T_DAYS, float(lon), float(lat))
            for d, lon, lat in zip(ut1, longitude, latitude)]


def main():
    print(f"house cusps, {COUNT} sites and instants per system ({interpreter()})")
    print("  (in brackets: pyswisseph's time over orbyx's; above 1 favours orbyx)")
    for system, code in SWISS_CODES.items():
        cases = work(60.0 if system == "placidus" else 85.0)
        observers = [orbyx.GeodeticObserver(lon, lat) for _, _, lon, lat in cases]
        calls = list(zip(observers, cases))
        angles = []
        for observer, (ut1, tt, _, latitude) in calls:
            cusps = orbyx.house_cusps(observer, ut1, tt, system)
            angles.append((cusps.ramc_deg, latitude, cusps.true_obliquity_deg))

        def ours():
            for observer, (ut1, tt, _, _) in calls:
                orbyx.house_cusps(observer, ut1, tt, system)

        def peer_full():
            for ut1, _, lon, lat in cases:
                swe.houses_ex(ut1, lat, lon, code)

        def peer_division():
            for ramc, lat, obliquity in angles:
                swe.houses_armc(ramc, lat, obliquity, code)

        ours_s = median_seconds(ours, repeat=7) / COUNT
        full_s = median_seconds(peer_full, repeat=7) / COUNT
        division_s = median_seconds(peer_division, repeat=7) / COUNT
        print(f"  {system:10s} orbyx {ours_s * 1e6:7.2f} us   houses_ex {full_s * 1e6:7.2f} us "
              f"({full_s / ours_s:5.2f}x)   houses_armc {division_s * 1e6:7.2f} us "
              f"({division_s / ours_s:5.2f}x) per call")


if __name__ == "__main__":
    main()
