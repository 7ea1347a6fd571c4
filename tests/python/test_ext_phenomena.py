"""Elongation, phase, illuminated fraction and the Moon's age from orbyx_ext on DE421,
against skyfield on the same kernel, leap seconds and C04 table.

skyfield's almanac takes the phase angle at the body where it sent the light seen,
between the directions back to the observer and to the Sun at the instant; orbyx_ext
does the same, so both agree to hundredths of a mas. Elongations between apparent
places keep the engine's first-order aberration against skyfield's relativistic one,
under 1 mas apart on these dates.
"""
import numpy as np
import pytest

import orbyx
import orbyx_ext
from de421_oracle import SKYFIELD_NAMES, load_skyfield_de421, open_de421, skyfield_timescale_from_c04

PHASE_TOLERANCE_MAS = 1.0
ELONGATION_TOLERANCE_MAS = 1.0
FRACTION_TOLERANCE = 1e-8
SECOND = 1 / 86400
EPOCHS = np.random.default_rng(2027).uniform(2442413.5, 2460676.5, 12)  # 1975..2025
PARIS = (2.35, 48.85, 35.0)


@pytest.fixture(scope="module")
def engine(tmp_path_factory):
    return open_de421(tmp_path_factory.mktemp("de421-phenomena"), time_kernels=True)


@pytest.fixture(scope="module")
def skyfield():
    return load_skyfield_de421(), skyfield_timescale_from_c04()


def skyfield_site(eph, observer):
    from skyfield.toposlib import Geoid

    if observer is None:
        return eph["earth"]
    grs80 = Geoid("GRS80", 6378137.0, 298.257222101)
    return eph["earth"] + grs80.latlon(observer.latitude_deg, observer.longitude_east_deg,
                                       elevation_m=observer.height_m)


def angle_deg(a, b):
    return np.degrees(np.arctan2(np.linalg.norm(np.cross(a, b)), np.dot(a, b)))


@pytest.mark.parametrize("body", ["moon", "mercury", "venus", "mars", "jupiter", "pluto"])
@pytest.mark.parametrize("site", [None, PARIS])
def test_phenomena_match_skyfield(engine, skyfield, body, site):
    from skyfield import almanac

    eph, ts = skyfield
    observer = None if site is None else orbyx.GeodeticObserver(*site)
    where = skyfield_site(eph, observer)
    target, sun = eph[SKYFIELD_NAMES[body]], eph["sun"]
    worst = {"phase": 0.0, "elongation": 0.0, "fraction": 0.0}
    for tt in EPOCHS:
        ours = orbyx_ext.phenomena(engine, body, orbyx.Instant.tt(tt), observer)
        t = ts.tt_jd(tt)
        seen = where.at(t).observe(target)
        if observer is None:
            phase = almanac.phase_angle(eph, SKYFIELD_NAMES[body], t).degrees
            fraction = almanac.fraction_illuminated(eph, SKYFIELD_NAMES[body], t)
        else:  # almanac's vectors, from the site
            emitted = ts.tt_jd(t.tt - seen.light_time)
            phase = angle_deg(-seen.position.au, sun.at(t).position.au - target.at(emitted).position.au)
            fraction = (1 + np.cos(np.radians(phase))) / 2
        elongation = seen.apparent().separation_from(where.at(t).observe(sun).apparent()).degrees
        worst["phase"] = max(worst["phase"], abs(ours.phase_angle_deg - phase) * 3.6e6)
        worst["elongation"] = max(worst["elongation"], abs(ours.elongation_deg - elongation) * 3.6e6)
        worst["fraction"] = max(worst["fraction"], abs(ours.illuminated_fraction - fraction))
        # Light-time iterations stopped apart: a metre or two.
        assert ours.distance_au == pytest.approx(seen.distance().au, abs=2e-11)
    print(f"{body} from {site or 'the geocentre'}: worst phase {worst['phase']:.4f} mas, "
          f"elongation {worst['elongation']:.4f} mas, fraction {worst['fraction']:.1e}")
    assert worst["phase"] <= PHASE_TOLERANCE_MAS
    assert worst["elongation"] <= ELONGATION_TOLERANCE_MAS
    assert worst["fraction"] <= FRACTION_TOLERANCE


def test_the_sun_is_whole_and_its_disc_follows_the_year(engine):
    perihelion = orbyx_ext.phenomena(engine, "sun", orbyx_ext.instant_from_calendar(2024, 1, 3, time_scale="tt"))
    aphelion = orbyx_ext.phenomena(engine, "sun", orbyx_ext.instant_from_calendar(2024, 7, 5, time_scale="tt"))
    assert (perihelion.elongation_deg, perihelion.phase_angle_deg, perihelion.illuminated_fraction) == (0.0, 0.0, 1.0)
    # 695,700 km seen from 0.98331 and 1.01673 au: 32'31.0" and 31'26.9".
    assert perihelion.distance_au == pytest.approx(0.98331, abs=1e-5)
    assert perihelion.angular_diameter_arcsec == pytest.approx(1951.0, abs=0.1)
    assert aphelion.distance_au == pytest.approx(1.01673, abs=1e-5)
    assert aphelion.angular_diameter_arcsec == pytest.approx(1886.9, abs=0.1)


def test_moon_age_counts_from_skyfields_new_moon(engine, skyfield):
    from skyfield import almanac

    eph, ts = skyfield
    for tt in EPOCHS[:6]:
        age = orbyx_ext.moon_age(engine, orbyx.Instant.tt(tt))
        times, phases = almanac.find_discrete(ts.tt_jd(tt - 31), ts.tt_jd(tt), almanac.moon_phases(eph))
        last_new_moon = times.tt[phases == 0][-1]
        # skyfield's search stops within a millisecond, orbyx's lunations agree to that.
        assert age.new_moon.time_scale == "tt"
        assert age.new_moon.julian_day == pytest.approx(last_new_moon, abs=0.01 * SECOND)
        assert age.age_days == pytest.approx(tt - last_new_moon, abs=0.01 * SECOND)
        assert age.phase_angle_deg == pytest.approx(almanac.phase_angle(eph, "moon", ts.tt_jd(tt)).degrees,
                                                    abs=PHASE_TOLERANCE_MAS / 3.6e6)


def test_moon_age_restarts_at_the_new_moon(engine):
    new_moon = orbyx_ext.moon_age(engine, orbyx.Instant.tt(2460000.5)).new_moon
    at = orbyx_ext.moon_age(engine, new_moon)
    assert (at.age_days, at.new_moon.julian_day) == (0.0, new_moon.julian_day)
    assert at.phase_angle_deg > 170.0
    just_before = orbyx_ext.moon_age(engine, orbyx.Instant.tt(new_moon.julian_day - 10 * SECOND))
    assert 29.2 < just_before.age_days < 29.9


def test_phenomena_refuse_what_has_no_meaning(engine):
    instant = orbyx.Instant.tt(2460000.5)
    with pytest.raises(ValueError, match="the Earth has no phase or elongation seen from itself"):
        orbyx_ext.phenomena(engine, "earth", instant)
    with pytest.raises(ValueError, match='unknown body "vulcan"'):
        orbyx_ext.phenomena(engine, "vulcan", instant)
    # A body these kernels do not hold: the engine's own refusal.
    with pytest.raises(ValueError, match="2000001"):
        orbyx_ext.phenomena(engine, "ceres", instant)
    with pytest.raises(TypeError, match="observer"):
        orbyx_ext.phenomena(engine, "moon", instant, (2.35, 48.85, 35.0))
    with pytest.raises(ValueError, match="range"):
        orbyx_ext.moon_age(engine, orbyx.Instant.tt(2414880.5))
