"""What the benchmarks share: DE421 for orbyx (with the planet-centre kernel of the test
suite attached) and for skyfield, instants spread over a few decades, and timing."""
import os
import statistics
import sys
import tempfile
import timeit
import warnings

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "python"))
warnings.filterwarnings("ignore", category=RuntimeWarning)  # skyfield-data's expired EOP file

import orbyx  # noqa: E402
from de421_oracle import SKYFIELD_NAMES, load_skyfield_de421, open_de421  # noqa: E402

BODIES = ["sun", "moon", "mercury", "venus", "mars", "jupiter", "saturn", "uranus", "neptune", "pluto"]
FIRST_JD, LAST_JD = 2433282.5, 2469807.5  # 1950..2050


def de421_engine():
    return open_de421(tempfile.mkdtemp(prefix="orbyx-bench-"))


def skyfield_setup():
    from skyfield.api import load

    return load_skyfield_de421(), load.timescale(builtin=True)


def epochs(count, seed=2000):
    return np.sort(np.random.default_rng(seed).uniform(FIRST_JD, LAST_JD, count))


def instants(julian_days, scale="tdb"):
    make = getattr(orbyx.Instant, scale)
    return [make(float(jd)) for jd in julian_days]


def median_seconds(function, repeat, number=1):
    return statistics.median(timeit.repeat(function, repeat=repeat, number=number)) / number


def interpreter():
    return f"{sys.implementation.name} {sys.version.split()[0]}"


def skyfield_name(body):
    return SKYFIELD_NAMES[body]
