"""Topocentric and sidereal batches of orbyx_ext on any day of DE421: inside the time
tables the Engine's own bits, beyond them the site turned by the ΔT model, checked
against skyfield turned by the same model's TT - UT1."""
import numpy as np
import pytest

import orbyx
import orbyx_ext
from de421_oracle import (BODIES, SKYFIELD_NAMES, c04_rows, load_skyfield_de421, longitude_as_iau2000b,
                          open_de421)

PLACE_BODIES = [body for body in BODIES if body != "earth"]
SITE = orbyx.GeodeticObserver(-70.7, -29.25, 2400.0)
# 1975..2025, inside the leap seconds and the C04 table, UTC and TT alike.
INSIDE = [orbyx.Instant.utc(2442600.3), orbyx.Instant.tt(2451545.2), orbyx.Instant.utc(2457754.9),
          orbyx.Instant.tt(2460300.61)]
# The places of date of both sides, once skyfield's nutation is moved to IAU 2000B
# (see test_accuracy_apparent); the pole at rest on both.
SAME_MODEL_TOLERANCE_MAS = 1.5


@pytest.fixture(scope="module")
def engine(tmp_path_factory):
    return open_de421(tmp_path_factory.mktemp("de421-any-date"), time_kernels=True)


@pytest.mark.parametrize("origin", ["geocentric", "topocentric"])
@pytest.mark.parametrize("sidereal_mode", [None, "lahiri", "fagan_bradley"])
def test_inside_the_tables_the_batches_are_the_engines_bits(engine, origin, sidereal_mode):
    options = orbyx.apparent(origin, "ecliptic", observer=SITE if origin == "topocentric" else None)
    batch = orbyx_ext.positions(engine, PLACE_BODIES, INSIDE, options, sidereal_mode=sidereal_mode)
    for i, instant in enumerate(INSIDE):
        for j, body in enumerate(PLACE_BODIES):
            own = engine.sidereal_position(body, instant, options, sidereal_mode) if sidereal_mode else \
                engine.position(body, instant, options)
            expected = (own.longitude_deg, own.latitude_deg, own.distance_au, own.longitude_speed_deg_per_day)
            assert tuple(batch[i, j]) == expected, (body, instant)
            if sidereal_mode is None:
                single = orbyx_ext.position(engine, body, instant, options)
                assert (single.longitude_deg, single.distance_au) == expected[::2]


@pytest.mark.parametrize("first_tt_day", [2415080.5, 2439000.5, 2466000.5], ids=["1900", "1965", "2039"])
def test_beyond_the_tables_the_site_turns_by_the_time_model(engine, first_tt_day):
    pytest.importorskip("skyfield")
    from skyfield.api import wgs84
    from skyfield.framelib import ecliptic_frame
    from skyfield.timelib import Timescale

    epochs = first_tt_day + np.arange(0.0, 3.0, 0.37)
    instants = [orbyx.Instant.tt(day) for day in epochs]
    options = orbyx.apparent("topocentric", "ecliptic", observer=SITE)
    batch = orbyx_ext.positions(engine, PLACE_BODIES, instants, options)
    ut1 = [orbyx_ext.convert(engine, instant, "ut1") for instant in instants]
    assert {converted.source for converted in ut1} == {"model"}
    assert orbyx_ext.position(engine, "moon", instants[-1], options).longitude_deg == batch[-1, 1, 0]

    # skyfield turned by the model's TT - UT1 at the same instants; in 1965, before the
    # leap seconds, the pole still comes from the C04 table (its 9 m move the Moon by 5 mas).
    delta_t = (epochs - np.array([converted.instant.julian_day for converted in ut1])) * 86400.0
    ts = Timescale((epochs, delta_t), np.array([2441317.5]), np.array([10.0]))
    utc, x, y, _ = c04_rows()
    if utc[0] <= epochs[0] <= utc[-1]:
        ts.polar_motion_table = (utc + delta_t.mean() / 86400.0, x, y)
    t = ts.tt_jd(epochs)
    eph = load_skyfield_de421()
    site = eph["earth"] + wgs84.latlon(SITE.latitude_deg, SITE.longitude_east_deg, SITE.height_m)
    worst = 0.0
    for column, body in enumerate(PLACE_BODIES):
        latitude, longitude, _ = site.at(t).observe(eph[SKYFIELD_NAMES[body]]).apparent().frame_latlon(ecliptic_frame)
        along = (batch[:, column, 0] - longitude_as_iau2000b(longitude.degrees, epochs) + 180.0) % 360.0 - 180.0
        worst = max(worst, np.abs(along * np.cos(np.radians(latitude.degrees))).max() * 3.6e6,
                    np.abs(batch[:, column, 1] - latitude.degrees).max() * 3.6e6)
    print(f"topocentric beyond the tables: worst {worst:.3f} mas")
    assert worst <= SAME_MODEL_TOLERANCE_MAS


@pytest.mark.parametrize("frame, sidereal_mode, error, message", [
    ("equatorial", "lahiri", ValueError, "sidereal longitudes require ecliptic of date"),
    ("ecliptic", "vulcan", ValueError, "vulcan"),
])
def test_sidereal_batches_refuse_what_has_no_sidereal_longitude(engine, frame, sidereal_mode, error, message):
    options = orbyx.apparent("topocentric", frame, observer=SITE)
    with pytest.raises(error, match=message):
        orbyx_ext.positions(engine, ["sun"], INSIDE[:1], options, sidereal_mode=sidereal_mode)
