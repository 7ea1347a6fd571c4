"""Corrected batches (light time, deflection, aberration) against scalar positions, bit for bit."""
import numpy as np
import pytest

import orbyx
from de421_oracle import DE421_END_JD, DE421_START_JD, open_de421

BODIES = ["sun", "moon", "mercury", "venus", "earth", "mars", "jupiter", "saturn", "uranus", "neptune",
          "pluto"]
SITE = orbyx.GeodeticObserver(-70.7, -30.2, 2200.0)
# A site needs UT1 and the pole, so its instants stay within the leap-second and C04 tables.
SITE_FIRST_JD, SITE_LAST_JD = 2442413.5, 2460676.5

FRAMES = {
    "true-ecliptic-of-date": lambda origin, site: orbyx.apparent(origin, "ecliptic", site),
    "true-equator-of-date": lambda origin, site: orbyx.apparent(origin, "equatorial", site),
    "j2000-equator": lambda origin, site: orbyx.PositionOptions(
        origin, "equatorial", "j2000", light_time=True, gravitational_deflection=True, aberration=True,
        observer=site),
}


def spread_julian_days(first, last, seed):
    """Rising days over [first, last], then close pairs (a second and a microsecond apart),
    then days in no order: the batch evaluations see rising and scattered epochs alike."""
    rng = np.random.default_rng(seed)
    rising = np.sort(rng.uniform(first, last, 1500))
    close = rng.uniform(first, last - 1.0, 250)
    pairs = np.concatenate([close, close + 1.0 / 86400.0, close + 1e-6 / 86400.0])
    return np.concatenate([rising, pairs, rng.uniform(first, last, 500)])


@pytest.fixture(scope="module")
def engine(tmp_path_factory):
    return open_de421(tmp_path_factory.mktemp("de421"), time_kernels=True)


@pytest.mark.parametrize("frame", FRAMES)
@pytest.mark.parametrize("origin", ["geocentric", "topocentric"])
def test_corrected_batch_equals_scalar_positions_bit_for_bit(engine, origin, frame):
    if origin == "topocentric":
        site, bodies, days = SITE, BODIES, spread_julian_days(SITE_FIRST_JD, SITE_LAST_JD, 1)
    else:
        # Light leaves the bodies up to hours earlier, so the first day of the kernel is left out.
        site, bodies, days = None, [b for b in BODIES if b != "earth"], spread_julian_days(
            DE421_START_JD + 1.0, DE421_END_JD, 2)
    options = FRAMES[frame](origin, site)
    instants = [orbyx.Instant.tt(float(day)) for day in days]

    batch = engine.positions(bodies, instants, options)

    scalar = np.array([[(p.longitude_deg, p.latitude_deg, p.distance_au, p.longitude_speed_deg_per_day)
                        for p in (engine.position(body, instant, options) for body in bodies)]
                       for instant in instants])
    np.testing.assert_array_equal(batch.view(np.int64), scalar.view(np.int64))
