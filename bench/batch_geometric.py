"""Batch geometric positions: 10 bodies x N instants, geocentric J2000 ecliptic.

orbyx: one Engine.positions call. skyfield: for each body, (body - earth).at(t) on one
Time array, then ecliptic latitude, longitude and distance. Usage: batch_geometric.py [N]
"""
import sys

from common import (BODIES, de421_engine, epochs, instants, interpreter, median_seconds,
                    skyfield_name, skyfield_setup)

import orbyx


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
    julian_days = epochs(count)
    engine = de421_engine()
    batch_instants = instants(julian_days)
    options = orbyx.geometric("geocentric", "ecliptic")

    eph, ts = skyfield_setup()
    from skyfield.framelib import ecliptic_J2000_frame

    t = ts.tdb_jd(julian_days)
    earth = eph["earth"]
    vectors = [eph[skyfield_name(body)] - earth for body in BODIES]

    def skyfield_batch():
        for vector in vectors:
            vector.at(t).frame_latlon(ecliptic_J2000_frame)

    ours = median_seconds(lambda: engine.positions(BODIES, batch_instants, options), repeat=5)
    peer = median_seconds(skyfield_batch, repeat=3)
    n = count * len(BODIES)
    print(f"batch geometric, {len(BODIES)} bodies x {count} instants ({interpreter()})")
    print(f"  orbyx     {ours:8.3f} s   {n / ours / 1e6:8.2f} M positions/s")
    print(f"  skyfield  {peer:8.3f} s   {n / peer / 1e6:8.2f} M positions/s")
    print(f"  ratio     {peer / ours:8.1f}x throughput in favour of orbyx (target >= 25x)")


if __name__ == "__main__":
    main()
