"""Type 21 segments (modified difference arrays): one body's geometric states at N epochs.

The kernel is written by the test suite's DAF writer: 10,000 records of an asteroid-like
orbit (a 2.7 AU ellipse), one to three days each, MAXDIM 20 and order 13. orbyx: one
orbyx_ext.geometric_states call on an extended engine. SPICE (spiceypy): spkgeo at each
epoch, the same file and epochs. Usage: segment_types.py [N]
"""
import os
import random
import sys
import tempfile

import numpy as np
from common import interpreter, median_seconds

import orbyx
import orbyx_ext
from daf_writer import build_daf, kepler_mda_records, mda_segment, padded_to_records, tdb_seconds

ASTEROID = (4.1e8, 0.15, 0.3, 1.0, 0.5)  # km, radians
SUN_GM = 1.32712440018e11
TARGET, RECORDS, ORDER, MAXDIM = 2000433, 10_000, 13, 20


def write_kernel(folder):
    rng = random.Random(21)
    start = tdb_seconds(2451545.0)
    finals, last = [], start
    for _ in range(RECORDS):
        last += rng.randint(64, 192) * 1350.0
        finals.append(last)
    steps = [rng.uniform(0.15, 0.3) * 86400.0 for _ in range(ORDER)]
    segment = mda_segment(TARGET, 0, start, kepler_mda_records(ASTEROID, SUN_GM, finals, ORDER, steps), MAXDIM)
    path = os.path.join(folder, "type21.bsp")
    with open(path, "wb") as out:
        out.write(padded_to_records(build_daf([segment])))
    return path, start, finals[-1]


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
    path, first, last = write_kernel(tempfile.mkdtemp(prefix="orbyx-bench-"))
    engine = orbyx_ext.open(path, "0" * 64)
    julian_days = np.sort(np.random.default_rng(2021).uniform(2451545.0 + first / 86400.0,
                                                              2451545.0 + last / 86400.0, count))
    instants = [orbyx.Instant.tdb(float(day)) for day in julian_days]
    seconds = [(instant.julian_day - 2451545.0) * 86400.0 for instant in instants]

    import spiceypy

    spiceypy.furnsh(path)

    def spice_batch():
        return [spiceypy.spkgeo(TARGET, epoch, "J2000", 0)[0] for epoch in seconds]

    ours = median_seconds(lambda: orbyx_ext.geometric_states(engine, TARGET, 0, instants), repeat=5)
    peer = median_seconds(spice_batch, repeat=3)
    ours_states = orbyx_ext.geometric_states(engine, TARGET, 0, instants)
    worst = np.max(np.abs(ours_states[:, :3] - np.array(spice_batch())[:, :3]))
    spiceypy.kclear()
    print(f"Type 21 geometric states, {RECORDS} records x {count} epochs ({interpreter()})")
    print(f"  orbyx     {ours:8.3f} s   {count / ours / 1e6:8.2f} M states/s (target >= 1 M states/s)")
    print(f"  spiceypy  {peer:8.3f} s   {count / peer / 1e6:8.2f} M states/s")
    print(f"  ratio     {peer / ours:8.1f}x throughput in favour of orbyx")
    print(f"  largest position difference {worst:.2e} km")


if __name__ == "__main__":
    main()
