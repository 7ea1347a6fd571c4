"""A real kernel with Type 3 segments (JUP310 excerpt) as the primary kernel: Jupiter's
chain starts on a Type 3 segment and fails; the Type 2 chains in it still evaluate."""
import numpy as np
import pytest

import orbyx
from conftest import DUMMY_SHA256, JUP310

UNSUPPORTED = "unsupported SPK segment type 3"
MIDDLE = orbyx.Instant.tdb(2457084.5)  # inside the kernel's common coverage


@pytest.fixture(scope="module")
def engine():
    return orbyx.open(JUP310, DUMMY_SHA256)


OPTIONS = {
    "geometric": lambda origin: orbyx.geometric(origin),
    "light-time": lambda origin: orbyx.PositionOptions(origin, "equatorial", "j2000", light_time=True),
    "apparent": lambda origin: orbyx.apparent(origin),
}


@pytest.mark.parametrize("options", OPTIONS)
@pytest.mark.parametrize("origin", ["barycentric", "heliocentric", "geocentric"])
def test_jupiter_fails_on_its_type3_segment(engine, origin, options):
    request = OPTIONS[options](origin)
    with pytest.raises(ValueError) as scalar:
        engine.position("jupiter", MIDDLE, request)
    assert scalar.type is ValueError and str(scalar.value) == UNSUPPORTED

    with pytest.raises(ValueError) as batch:
        engine.positions(["earth", "jupiter"] if origin != "geocentric" else ["jupiter"],
                         [MIDDLE, orbyx.Instant.tdb(2457085.0)], request)
    assert str(batch.value) == UNSUPPORTED


def test_type2_chains_of_the_same_kernel_evaluate(engine):
    from jplephem.spk import SPK

    position = engine.position("earth", MIDDLE, orbyx.PositionOptions("barycentric", "equatorial"))
    kernel = SPK.open(JUP310)
    try:
        expected = kernel[0, 3].compute(MIDDLE.julian_day) + kernel[3, 399].compute(MIDDLE.julian_day)
    finally:
        kernel.close()
    lon, lat = np.radians(position.longitude_deg), np.radians(position.latitude_deg)
    got = position.distance_au * 149597870.7 * np.array(
        [np.cos(lat) * np.cos(lon), np.cos(lat) * np.sin(lon), np.sin(lat)])
    assert np.linalg.norm(got - expected) < 1e-6
