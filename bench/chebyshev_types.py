"""Type 2 against Type 3 Chebyshev segments: the cost of one link of a body's chain.

Two written kernels hold the Sun (10) and the Earth-Moon barycentre (3) relative to the
solar-system barycentre and the Moon (301) relative to the latter, all with the same
record count, interval and degree: one kernel as Type 2 (position series), one as
Type 3 (position and velocity series). orbyx: one Engine.positions call for the Sun
and the Moon (geometric, barycentric, J2000) on an engine of orbyx_ext.open, three
links per instant; jplephem: each segment's positions and velocities on the same
epochs as one array. The two types are timed in turns, the best of many rounds, since
the difference is small beside the noise of a shared machine. Usage: chebyshev_types.py [N]
"""
import os
import sys
import tempfile
import timeit

import numpy as np

from common import instants, interpreter, median_seconds

import orbyx
import orbyx_ext
from daf_writer import build_daf, type2_segment, type3_segment

RECORDS, INTERVAL_DAYS, COEFFICIENTS = 4000, 8.0, 13  # about 88 years from J2000
INIT = 0.0
DUMMY_SHA256 = "0" * 64
LINKS = ((10, 0), (3, 0), (301, 3))  # the Sun's chain and the Moon's
ROUNDS = 60


def series(randomness, scale):
    # Decaying coefficients, as in a smooth orbit's series.
    return list(scale * randomness.uniform(-1, 1, COEFFICIENTS) * 0.3 ** np.arange(COEFFICIENTS))


def write_kernels(directory):
    randomness = np.random.default_rng(3)
    interval = INTERVAL_DAYS * 86400.0
    segments = {2: [], 3: []}
    for target, center in LINKS:
        positions = [[series(randomness, 1e6) for _ in range(3)] for _ in range(RECORDS)]
        velocities = [[series(randomness, 1e-2) for _ in range(3)] for _ in range(RECORDS)]
        segments[2].append(type2_segment(target, center, INIT, interval, positions))
        segments[3].append(type3_segment(target, center, INIT, interval,
                                         [p + v for p, v in zip(positions, velocities)]))
    paths = {}
    for data_type, written in segments.items():
        paths[data_type] = os.path.join(directory, f"type{data_type}.bsp")
        with open(paths[data_type], "wb") as stream:
            stream.write(build_daf(written))
    return paths


def jplephem_batch(path, julian_days):
    from jplephem.spk import SPK

    kernel = SPK.open(path)
    segments = [kernel[center, target] for target, center in LINKS]

    def evaluate():
        for segment in segments:
            segment.compute_and_differentiate(julian_days) if segment.data_type == 2 else segment.compute(julian_days)
    return evaluate


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 20_000
    span_days = RECORDS * INTERVAL_DAYS
    julian_days = np.sort(np.random.default_rng(2000).uniform(2451545.0, 2451545.0 + span_days, count))
    batch_instants = instants(julian_days)
    options = orbyx.geometric("barycentric", "equatorial")
    paths = write_kernels(tempfile.mkdtemp(prefix="orbyx-bench-"))
    print(f"Chebyshev segment types, {len(LINKS)} links x {count} epochs, {RECORDS} records of "
          f"{COEFFICIENTS} coefficients per series ({interpreter()})")
    engines = {data_type: orbyx_ext.open(path, DUMMY_SHA256) for data_type, path in paths.items()}
    ours = {data_type: float("inf") for data_type in paths}
    for _ in range(ROUNDS):
        for data_type, engine in engines.items():
            call = lambda: engine.positions(["sun", "moon"], batch_instants, options)  # noqa: E731
            ours[data_type] = min(ours[data_type], timeit.timeit(call, number=1))
    links = count * len(LINKS)
    for data_type, path in paths.items():
        try:
            peer = median_seconds(jplephem_batch(path, julian_days), repeat=3)
            peer_text = f"   jplephem {peer / links * 1e9:8.1f} ns/link"
        except ImportError:
            peer_text = ""
        print(f"  Type {data_type}   orbyx {ours[data_type] / links * 1e9:8.1f} ns/link{peer_text}")
    print(f"  Type 3 / Type 2: {ours[3] / ours[2]:.3f} (target <= 1)")


if __name__ == "__main__":
    main()
