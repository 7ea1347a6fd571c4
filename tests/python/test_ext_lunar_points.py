"""The Moon's nodes and apsides from orbyx_ext on DE421.

The true node and the osculating apogee are those of the two-body orbit (GM of the
Earth plus the Moon) through the Moon's geometric geocentric state on the true ecliptic
and equinox of date: skyfield's osculating elements of the same state, in its true
ecliptic frame with IAU 2000B nutation, give the same points to a few microarcseconds.
The mean node and mean apogee agree with Swiss Ephemeris 2.10 to 0.23" over 1900-2100.
Swiss Ephemeris' own true node and osculating apogee, from its Moshier Moon (no
ephemeris files here) and its own osculating model, differ from these by up to 40"
and 200" over 1900-2050: they are not compared.
"""
import math

import numpy as np
import pytest

import orbyx
import orbyx_ext
from de421_oracle import DE421_END_JD, DE421_START_JD, load_skyfield_de421, open_de421

EARTH_MOON_GM_KM3_S2 = 398600.435436 + 4902.800066
OSCULATING_TOLERANCE_ARCSEC = 0.01
# skyfield's rate here is a central difference over the same minute.
OSCULATING_RATE_TOLERANCE_DEG_PER_DAY = 1e-6
MEAN_TOLERANCE_ARCSEC = 1.0
MEAN_RATE_TOLERANCE_DEG_PER_DAY = 1e-5
RATE_HALF_STEP_DAYS = 60.0 / 86400.0
KERNEL_DAYS = np.random.default_rng(1905).uniform(DE421_START_JD + 1.0, DE421_END_JD - 1.0, 60)  # 1900..2050
MEAN_DAYS = np.linspace(2415020.5, 2488069.5, 97)  # 1900..2100
OPPOSITES = {"mean_south_node": "mean_node", "true_south_node": "true_node",
             "mean_perigee": "mean_apogee", "osculating_perigee": "osculating_apogee"}
POINTS = sorted(OPPOSITES) + sorted(OPPOSITES.values())


@pytest.fixture(scope="module")
def engine(tmp_path_factory):
    return open_de421(tmp_path_factory.mktemp("de421-lunar-points"), time_kernels=True)


def arcsec_apart(a_deg, b_deg):
    return abs((a_deg - b_deg + 180.0) % 360.0 - 180.0) * 3600.0


def skyfield_points(eph, ts, tdb_julian_day):
    """Ascending node longitude, and apogee longitude and latitude, degrees, of the
    osculating orbit on skyfield's true ecliptic of date."""
    from skyfield.elementslib import osculating_elements_of
    from skyfield.framelib import ecliptic_frame
    from skyfield.nutationlib import iau2000b_radians

    t = ts.tdb_jd(tdb_julian_day)
    t._nutation_angles_radians = iau2000b_radians(t)
    state = (eph["moon"] - eph["earth"]).at(t)
    elements = osculating_elements_of(state, reference_frame=ecliptic_frame.rotation_at(t),
                                      gm_km3_s2=EARTH_MOON_GM_KM3_S2)
    node = elements.longitude_of_ascending_node.radians
    inclination = elements.inclination.radians
    # The apogee lies half a turn from the perigee along the orbit, measured from the node.
    from_node = elements.argument_of_periapsis.radians + math.pi
    longitude = node + math.atan2(math.cos(inclination) * math.sin(from_node), math.cos(from_node))
    latitude = math.asin(math.sin(inclination) * math.sin(from_node))
    return math.degrees(node) % 360.0, math.degrees(longitude) % 360.0, math.degrees(latitude)


def test_osculating_node_and_apogee_match_skyfields_elements(engine):
    pytest.importorskip("skyfield")
    from skyfield.api import load

    eph, ts = load_skyfield_de421(), load.timescale(builtin=True)
    for day in KERNEL_DAYS:
        instant = orbyx.Instant.tdb(day)
        node = orbyx_ext.lunar_point(engine, "true_node", instant)
        apogee = orbyx_ext.lunar_point(engine, "osculating_apogee", instant)
        sky_node, sky_apogee, sky_latitude = skyfield_points(eph, ts, day)
        assert arcsec_apart(node.longitude_deg, sky_node) < OSCULATING_TOLERANCE_ARCSEC, day
        assert node.latitude_deg == 0.0
        assert arcsec_apart(apogee.longitude_deg, sky_apogee) < OSCULATING_TOLERANCE_ARCSEC, day
        assert abs(apogee.latitude_deg - sky_latitude) * 3600.0 < OSCULATING_TOLERANCE_ARCSEC, day

        before = skyfield_points(eph, ts, day - RATE_HALF_STEP_DAYS)
        after = skyfield_points(eph, ts, day + RATE_HALF_STEP_DAYS)
        for point, index in ((node, 0), (apogee, 1)):
            change = (after[index] - before[index] + 180.0) % 360.0 - 180.0
            rate = change / (2 * RATE_HALF_STEP_DAYS)
            assert point.longitude_speed_deg_per_day == pytest.approx(
                rate, abs=OSCULATING_RATE_TOLERANCE_DEG_PER_DAY), day


@pytest.mark.parametrize("name, code", [("mean_node", "MEAN_NODE"), ("mean_apogee", "MEAN_APOG")])
def test_mean_points_match_swiss_ephemeris_beyond_the_kernel(engine, name, code):
    swe = pytest.importorskip("swisseph")
    flags = swe.FLG_MOSEPH | swe.FLG_SPEED
    for day in MEAN_DAYS:
        point = orbyx_ext.lunar_point(engine, name, orbyx.Instant.tt(day))
        (longitude, latitude, _, speed, _, _), _ = swe.calc(day, getattr(swe, code), flags)
        assert arcsec_apart(point.longitude_deg, longitude) < MEAN_TOLERANCE_ARCSEC, day
        assert abs(point.latitude_deg - latitude) * 3600.0 < MEAN_TOLERANCE_ARCSEC, day
        assert point.longitude_speed_deg_per_day == pytest.approx(speed, abs=MEAN_RATE_TOLERANCE_DEG_PER_DAY), day


@pytest.mark.parametrize("mode", ["lahiri", "fagan_bradley"])
def test_sidereal_points_and_opposites_follow_the_tropical_points(engine, mode):
    options = orbyx.apparent("geocentric", "ecliptic")
    for instant in (orbyx.Instant.utc(2433000.5), orbyx.Instant.ut1(2460800.25), orbyx.Instant.tdb(2470000.5)):
        # The ayanamsha orbyx subtracts from the Sun at that instant, and its rate; the
        # engine itself reads no UTC before 1972.
        tt = orbyx_ext.convert(engine, instant, "tt").instant
        tropical_sun = engine.position("sun", tt, options)
        sidereal_sun = engine.sidereal_position("sun", tt, options, mode)
        ayanamsha = tropical_sun.longitude_deg - sidereal_sun.longitude_deg
        ayanamsha_rate = tropical_sun.longitude_speed_deg_per_day - sidereal_sun.longitude_speed_deg_per_day
        tropical = {name: orbyx_ext.lunar_point(engine, name, instant) for name in POINTS}
        for name in POINTS:
            sidereal = orbyx_ext.lunar_point(engine, name, instant, sidereal_mode=mode)
            assert arcsec_apart(sidereal.longitude_deg, tropical[name].longitude_deg - ayanamsha) < 1e-6, name
            assert sidereal.latitude_deg == tropical[name].latitude_deg
            assert sidereal.longitude_speed_deg_per_day == pytest.approx(
                tropical[name].longitude_speed_deg_per_day - ayanamsha_rate, abs=1e-12), name
        for south, north in OPPOSITES.items():
            assert arcsec_apart(tropical[south].longitude_deg, tropical[north].longitude_deg + 180.0) < 1e-9
            assert tropical[south].latitude_deg == -tropical[north].latitude_deg
            assert tropical[south].longitude_speed_deg_per_day == tropical[north].longitude_speed_deg_per_day


def test_instants_of_every_scale_and_refusals(engine):
    # A UTC day before 1972 is read as UT1 by the time model, like every other function.
    early = orbyx.Instant.utc(2433000.5)
    as_tt = orbyx_ext.convert(engine, early, "tt").instant
    for name in ("true_node", "mean_apogee"):
        assert orbyx_ext.lunar_point(engine, name, early) == orbyx_ext.lunar_point(engine, name, as_tt)
    with pytest.raises(ValueError, match='unknown lunar point "south_node"'):
        orbyx_ext.lunar_point(engine, "south_node", as_tt)
    with pytest.raises(TypeError, match="argument 'point' must be str"):
        orbyx_ext.lunar_point(engine, 1, as_tt)
    with pytest.raises(ValueError, match="outside kernel range"):
        orbyx_ext.lunar_point(engine, "osculating_apogee", orbyx.Instant.tt(DE421_END_JD + 10.0))
