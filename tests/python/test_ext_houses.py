"""orbyx_ext.house_cusps against Swiss Ephemeris (pyswisseph's houses_armc_ex2), fed with
the RAMC, latitude and true obliquity the function reports, so only the divisions and
the Vertex and East Point are compared.

None of the companion's own systems iterates (Koch's semi-arc is closed form), so all
are held to rounding, 1e-9 degree. Worst differences seen over the grid below: Koch
1.2e-12 degree, the other systems 3.4e-13 or less, the Vertex 1.1e-13 and the East
Point 5.7e-14. Placidus is orbyx's own, compared with its iteration tolerance in
test_accuracy_houses.
"""
import numpy as np
import pytest

import orbyx
import orbyx_ext

SWISS_CODES = {"koch": b"K", "regiomontanus": b"R", "porphyry": b"O", "alcabitius": b"B",
               "topocentric": b"T", "morinus": b"M", "meridian": b"X", "vehlow": b"V", "sripati": b"S",
               "campanus": b"C", "equal": b"E", "whole_sign": b"W"}
TOLERANCE_DEG = 1e-9
# Systems whose cusps hang on the ascendant's side of the horizon: where Swiss Ephemeris
# turns the ascendant over (see below), it turns these cusps too, and for the first
# three the MC as well.
TURNED_WITH_THE_ASCENDANT = {"campanus": 14, "regiomontanus": 14, "topocentric": 14, "equal": 13,
                             "vehlow": 13, "whole_sign": 13}

RNG = np.random.default_rng(2406)
UT1_DAYS = RNG.uniform(2415020.5, 2488069.5, 30)  # 1900..2100
LONGITUDES_DEG = RNG.uniform(-180.0, 180.0, 30)
DELTA_T_DAYS = 69.2 / 86400.0


@pytest.fixture(scope="module")
def swe():
    return pytest.importorskip("swisseph")


def degrees_apart(a, b):
    return np.abs((np.asarray(a) - np.asarray(b) + 180.0) % 360.0 - 180.0)


def compared(swe, system, latitudes_deg):
    """Ours and Swiss Ephemeris's (cusps, ascendant, MC, Vertex, East Point) as rows, and
    whether our ascendant lies more than 180 degrees east of the MC, over the grid."""
    ours, theirs, turned = [], [], []
    for latitude in latitudes_deg:
        for ut1, longitude in zip(UT1_DAYS, LONGITUDES_DEG):
            site = orbyx.GeodeticObserver(float(longitude), float(latitude))
            houses = orbyx_ext.house_cusps(site, float(ut1), float(ut1) + DELTA_T_DAYS, system)
            assert houses.system == system and not houses.fallback_used
            cusps, ascmc, _, _ = swe.houses_armc_ex2(houses.ramc_deg, float(latitude),
                                                      houses.true_obliquity_deg, SWISS_CODES[system])
            ours.append([*houses.cusps, houses.ascendant_deg, houses.midheaven_deg, houses.vertex_deg,
                         houses.east_point_deg])
            theirs.append([*cusps, *ascmc[:2], ascmc[3], ascmc[4]])
            turned.append((houses.ascendant_deg - houses.midheaven_deg) % 360.0 > 180.0)
    return np.array(ours), np.array(theirs), np.array(turned)


@pytest.mark.parametrize("system", sorted(SWISS_CODES))
def test_cusps_vertex_and_east_point_agree_with_swiss_ephemeris(swe, system):
    ours, theirs, _ = compared(swe, system, np.linspace(-66.0, 66.0, 23))
    assert degrees_apart(ours, theirs).max() < TOLERANCE_DEG


@pytest.mark.parametrize("system", sorted(set(SWISS_CODES) - {"koch"}))
def test_inside_the_polar_circles_only_the_ascendant_convention_differs(swe, system):
    # There the horizon formula can put the ascendant more than 180 degrees east of the
    # MC. Like orbyx, the companion keeps the formula's point; Swiss Ephemeris then turns
    # the ascendant over, and the cusps built on it (Porphyry, Alcabitius and Sripati
    # divide from it, so theirs change altogether). The rest always agree.
    ours, theirs, turned = compared(swe, system, [-89.0, -80.0, -70.0, 70.0, 80.0, 89.0])
    assert 0 < turned.sum() < len(turned)
    assert degrees_apart(ours[:, 14:], theirs[:, 14:]).max() < TOLERANCE_DEG  # Vertex, East Point
    assert degrees_apart(ours[~turned], theirs[~turned]).max() < TOLERANCE_DEG
    if system in ("morinus", "meridian"):
        assert degrees_apart(ours[:, :12], theirs[:, :12]).max() < TOLERANCE_DEG
    elif system in TURNED_WITH_THE_ASCENDANT:
        end = TURNED_WITH_THE_ASCENDANT[system]
        assert degrees_apart(ours[turned, :end] + 180.0, theirs[turned, :end]).max() < TOLERANCE_DEG


def test_angles_are_orbyx_own_and_so_are_its_systems():
    site = orbyx.GeodeticObserver(2.35, 48.85, 35.0)
    for system in ("placidus", "campanus", "equal", "whole_sign", "koch", "sripati"):
        # Names are read as orbyx reads them; days come as Instants or floats; a fallback
        # is left unused where the system divides.
        ours = orbyx_ext.house_cusps(site, orbyx.Instant.ut1(2461543.39), 2461543.3908, f" {system.title()}",
                                     fallback="equal")
        orbyx_divides = system in ("placidus", "campanus", "equal", "whole_sign")
        module = orbyx.house_cusps(site, 2461543.39, 2461543.3908, system if orbyx_divides else "equal")
        assert (ours.ascendant_deg, ours.midheaven_deg, ours.ramc_deg, ours.true_obliquity_deg) == (
            module.ascendant_deg, module.midheaven_deg, module.ramc_deg, module.true_obliquity_deg)
        assert ours.system == system and not ours.fallback_used
        assert (ours.cusps == tuple(module.cusp_ecliptic_longitude_deg)) == orbyx_divides


@pytest.mark.parametrize("latitude_deg", [-70.0, 67.0, 89.0, 90.0])
def test_koch_and_placidus_refuse_polar_sites_unless_a_fallback_is_named(swe, latitude_deg):
    site = orbyx.GeodeticObserver(10.0, latitude_deg)
    for system in ("koch", "placidus"):
        with pytest.raises(ValueError) as info:
            orbyx_ext.house_cusps(site, 2460676.3, 2460676.3008, system)
        assert str(info.value) == (f"{system} house cusps are undefined at the requested latitude; "
                                   "name a fallback system for such sites")
        houses = orbyx_ext.house_cusps(site, 2460676.3, 2460676.3008, system, fallback="porphyry")
        assert houses.system == "porphyry" and houses.fallback_used
        assert houses == orbyx_ext.house_cusps(site, 2460676.3, 2460676.3008, "porphyry")._replace(
            fallback_used=True)
    if abs(latitude_deg) < 90.0:  # Swiss Ephemeris refuses Koch there too
        with pytest.raises(swe.Error):
            swe.houses_armc_ex2(houses.ramc_deg, latitude_deg, houses.true_obliquity_deg, b"K")
    with pytest.raises(ValueError, match="^koch house cusps are undefined at the requested latitude$"):
        orbyx_ext.house_cusps(site, 2460676.3, 2460676.3008, "placidus", fallback="koch")


@pytest.mark.parametrize("mode", ["krishnamurti", "raman", orbyx_ext.UserAyanamsha(2435553.5, 23.25)])
def test_sidereal_houses_move_as_swiss_ephemeris_moves_them(swe, mode):
    # Swiss Ephemeris's own sidereal time and Delta T differ from orbyx's, so what is
    # compared is how far each moves the longitudes from its own tropical houses: its
    # ayanamsha with nutation, to 0.01". Whole signs become sidereal signs. (In its
    # J2000, J1900 and B1950 modes it projects houses, not planets, onto that epoch's
    # ecliptic; the companion subtracts the ayanamsha from both alike.)
    if isinstance(mode, str):
        swe.set_sid_mode(getattr(swe, "SIDM_" + mode.upper()))
    else:
        swe.set_sid_mode(swe.SIDM_USER, mode.reference_tt_day, mode.value_deg)
    site = orbyx.GeodeticObserver(77.2, 28.6)
    for ut1 in UT1_DAYS[:8]:
        for system in ("koch", "whole_sign"):
            code = SWISS_CODES[system]
            tropical = orbyx_ext.house_cusps(site, ut1, ut1 + DELTA_T_DAYS, system)
            sidereal = orbyx_ext.house_cusps(site, ut1, ut1 + DELTA_T_DAYS, system, sidereal_mode=mode)
            swiss_cusps, swiss_angles = swe.houses_ex(ut1, 28.6, 77.2, code, swe.FLG_SIDEREAL)
            swiss_tropical_cusps, swiss_tropical_angles = swe.houses_ex(ut1, 28.6, 77.2, code)
            ours_moved = np.subtract([tropical.ascendant_deg, tropical.vertex_deg, tropical.east_point_deg],
                                     [sidereal.ascendant_deg, sidereal.vertex_deg, sidereal.east_point_deg])
            swiss_moved = np.subtract(np.take(swiss_tropical_angles, [0, 3, 4]), np.take(swiss_angles, [0, 3, 4]))
            assert degrees_apart(ours_moved, swiss_moved).max() * 3600.0 < 0.01
            assert (sidereal.ramc_deg, sidereal.true_obliquity_deg) == (tropical.ramc_deg,
                                                                       tropical.true_obliquity_deg)
            if system == "whole_sign":
                assert sidereal.cusps == swiss_cusps
            else:
                assert degrees_apart(np.subtract(tropical.cusps, sidereal.cusps),
                                     np.subtract(swiss_tropical_cusps, swiss_cusps)).max() * 3600.0 < 0.01


def test_arguments_are_checked():
    site = orbyx.GeodeticObserver(2.35, 48.85)
    with pytest.raises(ValueError, match='^unknown house system "koch2"$'):
        orbyx_ext.house_cusps(site, 2460676.3, 2460676.3008, "Koch2")
    with pytest.raises(ValueError, match="^Julian day must be finite$"):
        orbyx_ext.house_cusps(site, float("nan"), 2460676.3008, "koch")
    with pytest.raises(TypeError, match="'observer' must be orbyx.GeodeticObserver"):
        orbyx_ext.house_cusps((2.35, 48.85, 0.0), 2460676.3, 2460676.3008, "koch")
