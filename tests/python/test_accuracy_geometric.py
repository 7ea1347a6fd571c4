"""Geometric J2000 positions from DE421 against states summed by jplephem on the same
kernel, and batch results against the scalar ones entry by entry.

The outer planets are their system barycentres here: see de421_oracle.
"""
import numpy as np
import pytest

import orbyx
from conftest import DUMMY_SHA256, de421_path
from de421_oracle import (AU_KM, BODIES, BODY_NAIF, DE421_END_JD, DE421_START_JD, ORIGIN_NAIF,
                          JplephemStates, cartesian_km, longitude_speed_deg_per_day, open_de421,
                          to_j2000_ecliptic)

# A few hundred TDB epochs over the whole kernel, both ends included.
EPOCHS = np.concatenate([[DE421_START_JD, DE421_END_JD],
                         np.random.default_rng(421).uniform(DE421_START_JD, DE421_END_JD, 298)])

PAIRS = [(body, origin) for origin in ORIGIN_NAIF for body in BODIES
         if BODY_NAIF[body] != ORIGIN_NAIF[origin]]

# 1 mm, widened for distant bodies: a longitude in degrees carries about 1e-15 rad,
# which alone moves Pluto by several millimetres when turned back into a vector.
POSITION_TOLERANCE_KM = 1e-6
ROUNDING_PER_KM = 3e-15
SPEED_TOLERANCE = 1e-9  # relative to the body's total angular rate |v| / rho


@pytest.fixture(scope="module")
def engine(tmp_path_factory):
    return open_de421(tmp_path_factory.mktemp("de421"))


@pytest.fixture(scope="module")
def jplephem_states():
    states = JplephemStates()
    yield states
    states.close()


def test_outer_planets_need_the_planet_centre_kernel(engine):
    bare = orbyx.open(de421_path(), DUMMY_SHA256)
    instant = orbyx.Instant.tdb(2451545.0)
    options = orbyx.geometric("barycentric", "equatorial")
    for body in ("jupiter", "saturn", "uranus", "neptune", "pluto"):
        with pytest.raises(ValueError) as info:
            bare.position(body, instant, options)
        assert str(info.value) == (f"no SPK segment continues the center chain from target "
                                   f"{BODY_NAIF[body]} at TDB epoch 0")
        engine.position(body, instant, options)
    # Mars (499) is in DE421 itself, so it needs no help.
    bare.position("mars", instant, options)


def scalar_columns(engine, body, instants, options):
    rows = []
    for instant in instants:
        p = engine.position(body, instant, options)
        rows.append((p.longitude_deg, p.latitude_deg, p.distance_au, p.longitude_speed_deg_per_day))
    return np.array(rows)


@pytest.mark.parametrize("coordinate_system", ["equatorial", "ecliptic"])
@pytest.mark.parametrize("body, origin", PAIRS, ids=[f"{b}-{o}" for b, o in PAIRS])
def test_geometric_j2000_position_matches_jplephem(engine, jplephem_states, body, origin,
                                                   coordinate_system):
    instants = [orbyx.Instant(jd, "tdb") for jd in EPOCHS]
    got = scalar_columns(engine, body, instants, orbyx.PositionOptions(origin, coordinate_system, "j2000"))

    position, velocity = jplephem_states.relative(body, origin, EPOCHS)
    if coordinate_system == "ecliptic":
        position, velocity = to_j2000_ecliptic(position), to_j2000_ecliptic(velocity)
    distance_km = np.linalg.norm(position, axis=0)

    error_km = np.linalg.norm(cartesian_km(got[:, 0], got[:, 1], got[:, 2]) - position, axis=0)
    allowed_km = POSITION_TOLERANCE_KM + ROUNDING_PER_KM * distance_km
    worst = np.argmax(error_km / allowed_km)
    assert np.all(error_km <= allowed_km), (
        f"{body} {origin} {coordinate_system}: {error_km[worst] * 1e6:.3f} mm off at "
        f"JD {EPOCHS[worst]} TDB (distance {distance_km[worst]:.6e} km)")

    assert np.all(got[:, 0] >= 0.0) and np.all(got[:, 0] < 360.0)
    assert np.allclose(got[:, 2] * AU_KM, distance_km, rtol=2e-15, atol=POSITION_TOLERANCE_KM)

    rho = np.hypot(position[0], position[1])
    angular_rate = np.linalg.norm(velocity, axis=0) / rho * np.degrees(1.0) * 86400.0
    speed_error = np.abs(got[:, 3] - longitude_speed_deg_per_day(position, velocity))
    worst = np.argmax(speed_error / angular_rate)
    assert np.all(speed_error <= SPEED_TOLERANCE * angular_rate), (
        f"{body} {origin}: longitude speed {got[worst, 3]} vs "
        f"{longitude_speed_deg_per_day(position, velocity)[worst]} deg/day at JD {EPOCHS[worst]}")


# --- batch against scalar ---

SITE = orbyx.GeodeticObserver(-155.4681, 19.8207, 4205.0)
# Instants within the leap-second and C04 tables, in every time scale.
BATCH_EPOCHS = np.random.default_rng(7).uniform(2442413.5, 2460676.5, 24)
SCALES = ["tdb", "tt", "utc", "ut1"]

ORIGIN_BODIES = {
    "barycentric": BODIES,
    "heliocentric": [b for b in BODIES if b != "sun"],
    "geocentric": [b for b in BODIES if b != "earth"],
    "topocentric": BODIES,  # Earth seen from a site on it points to the geocentre
}

OPTION_SETS = {
    "geometric-j2000-equatorial": lambda origin, site: orbyx.PositionOptions(
        origin, "equatorial", "j2000", observer=site),
    "geometric-true-ecliptic-of-date": lambda origin, site: orbyx.PositionOptions(
        origin, "ecliptic", "of_date", true_ecliptic=True, precession=True, nutation=True,
        observer=site),
    "astrometric-light-time": lambda origin, site: orbyx.PositionOptions(
        origin, "equatorial", "j2000", light_time=True, observer=site),
    "apparent-ecliptic": lambda origin, site: orbyx.apparent(origin, "ecliptic", site),
    "apparent-equatorial": lambda origin, site: orbyx.apparent(origin, "equatorial", site),
}


@pytest.fixture(scope="module")
def timed_engine(tmp_path_factory):
    return open_de421(tmp_path_factory.mktemp("de421-timed"), time_kernels=True)


def assert_batch_equals_scalar(batch, scalar):
    # Floors keep the comparison relative to a full turn for angles and to the
    # body's motion for speeds that pass through zero.
    floor = np.array([360.0, 90.0, 0.0, 1e-3])
    scale = np.maximum(np.maximum(np.abs(batch), np.abs(scalar)), floor)
    difference = np.abs(batch - scalar)
    difference[..., 0] = np.minimum(difference[..., 0], 360.0 - difference[..., 0])
    worst = np.unravel_index(np.argmax(difference / scale), batch.shape)
    assert np.all(difference <= 1e-12 * scale), (
        f"entry {worst}: batch {batch[worst]} vs scalar {scalar[worst]}")


@pytest.mark.parametrize("option_set", OPTION_SETS)
@pytest.mark.parametrize("origin", ORIGIN_BODIES)
def test_batch_positions_equal_scalar_positions(timed_engine, origin, option_set):
    bodies = ORIGIN_BODIES[origin]
    site = SITE if origin == "topocentric" else None
    options = OPTION_SETS[option_set](origin, site)
    instants = [orbyx.Instant(jd, SCALES[i % len(SCALES)]) for i, jd in enumerate(BATCH_EPOCHS)]

    batch = timed_engine.positions(bodies, instants, options)
    assert isinstance(batch, np.ndarray) and batch.dtype == np.float64
    assert batch.shape == (len(instants), len(bodies), 4) and batch.flags.c_contiguous

    scalar = np.empty_like(batch)
    for i, instant in enumerate(instants):
        for b, body in enumerate(bodies):
            p = timed_engine.position(body, instant, options)
            scalar[i, b] = (p.longitude_deg, p.latitude_deg, p.distance_au, p.longitude_speed_deg_per_day)
    assert_batch_equals_scalar(batch, scalar)
