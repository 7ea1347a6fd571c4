"""Batch apparent positions: 10 bodies x N instants, geocentric true ecliptic of date.

orbyx: one Engine.positions call with orbyx.apparent(). skyfield: earth.at(t) once on a
Time array, then observe(body).apparent() per body and latitude, longitude and distance
in its ecliptic frame of date (the frame matrices are cached on the Time array, as orbyx
builds one frame per instant). Usage: batch_apparent.py [N]
"""
import sys

from common import (BODIES, de421_engine, epochs, instants, interpreter, median_seconds,
                    skyfield_name, skyfield_setup)

import orbyx


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
    julian_days = epochs(count)
    engine = de421_engine()
    batch_instants = instants(julian_days, "tt")
    options = orbyx.apparent("geocentric", "ecliptic")

    eph, ts = skyfield_setup()
    from skyfield.framelib import ecliptic_frame

    earth = eph["earth"]
    targets = [eph[skyfield_name(body)] for body in BODIES]

    def skyfield_batch():
        t = ts.tt_jd(julian_days)
        observer = earth.at(t)
        for target in targets:
            observer.observe(target).apparent().frame_latlon(ecliptic_frame)

    ours = median_seconds(lambda: engine.positions(BODIES, batch_instants, options), repeat=3)
    peer = median_seconds(skyfield_batch, repeat=3)
    n = count * len(BODIES)
    print(f"batch apparent, {len(BODIES)} bodies x {count} instants ({interpreter()})")
    print(f"  orbyx     {ours:8.3f} s   {n / ours / 1e6:8.3f} M positions/s")
    print(f"  skyfield  {peer:8.3f} s   {n / peer / 1e6:8.3f} M positions/s")
    print(f"  ratio     {peer / ours:8.1f}x throughput in favour of orbyx (target >= 8x)")


if __name__ == "__main__":
    main()
