"""Whole charts from orbyx_ext on DE421: a chart against its parts, the rates of its
longitudes against differences of orbyx's own positions and against Swiss Ephemeris,
its retrograde flags at real stations, and batches against single charts.

The rate of an apparent longitude is checked against central differences of
Engine.position over half-steps of 2^-4, 2^-5 and 2^-6 days extrapolated to a zero
step (Romberg),
whose own error, mostly the engine's rounding of epochs, stays under 1e-7 deg/day.
Worst differences seen: geocentric 1.6e-8 deg/day, topocentric 6.8e-8 (both the Moon).
Topocentric instants avoid the days of leap seconds, across which the module's UTC
conversion turns the site by a UT1 that jumps.

Swiss Ephemeris here has only its Moshier theory, whose speeds differ from these rates
by up to 2.0e-4 deg/day for the Moon and 7e-6 for the planets (topocentric: 1.1e-3
and 3.2e-5). The module's longitude speed, which leaves out light time and the turning
of the equinox, differs from Swiss Ephemeris's by up to 1.4e-3 and 2.9e-4 (2.3e-3 and
5.1e-4), beyond the bounds the rates keep.
"""
import numpy as np
import pytest

import orbyx
import orbyx_ext
from de421_oracle import open_de421

LONGITUDE_DEG, LATITUDE_DEG, HEIGHT_M = 2.3522, 48.8566, 35.0
SITE = orbyx.GeodeticObserver(LONGITUDE_DEG, LATITUDE_DEG, HEIGHT_M)
GEOCENTRIC = orbyx.apparent("geocentric", "ecliptic")
TOPOCENTRIC = orbyx.apparent("topocentric", "ecliptic", observer=SITE)
RNG = np.random.default_rng(2612)
# 1962..2024, where the EOP table reaches, so that topocentric places from the module are defined.
TT_DAYS = RNG.uniform(2437700.0, 2460300.0, 24)
# 1999..2005, free of leap seconds.
TOPOCENTRIC_TT_DAYS = RNG.uniform(2451240.0, 2453700.0, 12)
RATE_TOLERANCE_DEG_PER_DAY = 2e-7
ROMBERG_STEP_DAYS = 2.0 ** -4
SWISS_RATE_TOLERANCE = {"geocentric": {"moon": 4e-4, "planets": 2e-5},
                        "topocentric": {"moon": 1.5e-3, "planets": 6e-5}}


@pytest.fixture(scope="module")
def engine(tmp_path_factory):
    return open_de421(tmp_path_factory.mktemp("de421-chart"), time_kernels=True)


def place_of(position):
    return (position.longitude_deg, position.latitude_deg, position.distance_au)


def instants():
    """TT, UTC and UT1 instants, one before 1972 read as UT1 as the companion reads it."""
    return [orbyx.Instant.tt(2451545.25), orbyx.Instant.utc(2458849.7), orbyx.Instant.ut1(2446000.1),
            orbyx.Instant.utc(2439000.4)]


@pytest.mark.parametrize("instant", instants(), ids=["tt", "utc", "ut1", "utc-1965"])
@pytest.mark.parametrize("sidereal_mode", [None, "lahiri", "krishnamurti", "true_chitra"])
def test_a_chart_is_its_parts(engine, instant, sidereal_mode):
    chart = orbyx_ext.chart(engine, SITE, instant, "koch", sidereal_mode)
    tropical = orbyx_ext.chart(engine, SITE, instant, "koch") if sidereal_mode else chart
    evaluable = orbyx_ext.convert(engine, instant, "tt").instant
    for name in orbyx_ext.BODY_NAMES:
        place = engine.position(name, evaluable if instant.time_scale == "utc" and instant.julian_day < 2441317.5
                                else instant, GEOCENTRIC)
        assert tropical.bodies[name][:3] == place_of(place)
        body = chart.bodies[name]
        assert body.retrograde == (body.longitude_speed_deg_per_day < 0.0)
        if sidereal_mode:
            assert body.longitude_deg == (place.longitude_deg - chart.ayanamsha_deg) % 360.0
    for name in orbyx_ext.LUNAR_POINT_NAMES:
        assert chart.lunar_points[name] == orbyx_ext.lunar_point(engine, name, instant, sidereal_mode)
    ut1 = orbyx_ext.convert(engine, instant, "ut1").instant.julian_day
    assert chart.houses == orbyx_ext.house_cusps(SITE, ut1, evaluable.julian_day, "koch", None, sidereal_mode)
    if sidereal_mode is None:
        assert chart.ayanamsha_deg is None
    else:
        ayanamsha = orbyx_ext.ayanamsha(sidereal_mode, evaluable, engine=engine) if sidereal_mode != "lahiri" \
            else chart.ayanamsha_deg
        assert chart.ayanamsha_deg == ayanamsha
        assert tropical.lunar_points["true_node"].longitude_deg - chart.lunar_points["true_node"].longitude_deg \
            == pytest.approx(chart.ayanamsha_deg, abs=1e-9)


def topocentric_places_match(engine):
    instant = orbyx.Instant.utc(2458849.7)
    chart = orbyx_ext.chart(engine, SITE, instant, topocentric=True)
    for name in orbyx_ext.BODY_NAMES:
        assert chart.bodies[name][:3] == place_of(engine.position(name, instant, TOPOCENTRIC))


def test_topocentric_places_are_the_module_s(engine):
    topocentric_places_match(engine)


def extrapolated_rate(engine, name, tt, options):
    def central(step):
        after = engine.position(name, orbyx.Instant.tt(tt + step), options).longitude_deg
        before = engine.position(name, orbyx.Instant.tt(tt - step), options).longitude_deg
        return ((after - before + 180.0) % 360.0 - 180.0) / (2.0 * step)

    differences = [central(ROMBERG_STEP_DAYS / 2.0 ** k) for k in range(3)]
    once = [(4.0 * differences[k + 1] - differences[k]) / 3.0 for k in range(2)]
    return (16.0 * once[1] - once[0]) / 15.0


@pytest.mark.parametrize("topocentric", [False, True], ids=["geocentric", "topocentric"])
def test_rates_are_those_of_the_apparent_longitude(engine, topocentric):
    days, options = (TOPOCENTRIC_TT_DAYS, TOPOCENTRIC) if topocentric else (TT_DAYS, GEOCENTRIC)
    worst = 0.0
    for tt in days:
        chart = orbyx_ext.chart(engine, SITE, orbyx.Instant.tt(float(tt)), topocentric=topocentric)
        for name in orbyx_ext.BODY_NAMES:
            expected = extrapolated_rate(engine, name, float(tt), options)
            worst = max(worst, abs(chart.bodies[name].longitude_speed_deg_per_day - expected))
    assert worst < RATE_TOLERANCE_DEG_PER_DAY


@pytest.mark.parametrize("body", ["mercury", "venus"])
def test_rates_hold_where_the_sun_bends_the_light_most(engine, body):
    """At superior conjunction the Sun's deflection turns fastest."""
    days = np.arange(2451545.0, 2451545.0 + 600.0, 0.25)
    gaps = [abs((engine.position(body, orbyx.Instant.tt(day), GEOCENTRIC).longitude_deg
                 - engine.position("sun", orbyx.Instant.tt(day), GEOCENTRIC).longitude_deg + 180.0) % 360.0 - 180.0)
            if engine.position(body, orbyx.Instant.tt(day), GEOCENTRIC).distance_au > 1.0 else 360.0
            for day in days]
    conjunction = float(days[int(np.argmin(gaps))])
    assert min(gaps) < 1.5
    for tt in conjunction + np.linspace(-0.5, 0.5, 5):
        chart = orbyx_ext.chart(engine, SITE, orbyx.Instant.tt(float(tt)))
        expected = extrapolated_rate(engine, body, float(tt), GEOCENTRIC)
        assert abs(chart.bodies[body].longitude_speed_deg_per_day - expected) < RATE_TOLERANCE_DEG_PER_DAY


@pytest.mark.parametrize("topocentric", [False, True], ids=["geocentric", "topocentric"])
def test_rates_agree_with_swiss_ephemeris_where_the_module_speed_does_not(engine, topocentric):
    swe = pytest.importorskip("swisseph")
    codes = [swe.SUN, swe.MOON, swe.MERCURY, swe.VENUS, swe.MARS, swe.JUPITER, swe.SATURN, swe.URANUS,
             swe.NEPTUNE, swe.PLUTO]
    flags = swe.FLG_MOSEPH | swe.FLG_SPEED | (swe.FLG_TOPOCTR if topocentric else 0)
    swe.set_topo(LONGITUDE_DEG, LATITUDE_DEG, HEIGHT_M)
    tolerance = SWISS_RATE_TOLERANCE["topocentric" if topocentric else "geocentric"]
    ours_worst, module_worst = {"moon": 0.0, "planets": 0.0}, {"moon": 0.0, "planets": 0.0}
    for tt in TOPOCENTRIC_TT_DAYS if topocentric else TT_DAYS:
        instant = orbyx.Instant.tt(float(tt))
        chart = orbyx_ext.chart(engine, SITE, instant, topocentric=topocentric)
        ut = orbyx_ext.convert(engine, instant, "ut1").instant.julian_day
        for name, code in zip(orbyx_ext.BODY_NAMES, codes):
            theirs = swe.calc_ut(ut, code, flags)[0][3]
            group = "moon" if name == "moon" else "planets"
            ours = chart.bodies[name].longitude_speed_deg_per_day
            module = engine.position(name, instant, TOPOCENTRIC if topocentric else GEOCENTRIC)
            ours_worst[group] = max(ours_worst[group], abs(ours - theirs))
            module_worst[group] = max(module_worst[group], abs(module.longitude_speed_deg_per_day - theirs))
    for group, bound in tolerance.items():
        assert ours_worst[group] < bound < module_worst[group], group


@pytest.mark.parametrize("body", ["mercury", "mars"])
def test_retrograde_flags_turn_at_stations(engine, body):
    stations = orbyx_ext.stations(engine, body, orbyx.Instant.tt(2458000.5), orbyx.Instant.tt(2460000.5))
    assert len(stations) >= 4
    seconds = 1.0 / 86400.0
    for station in stations:
        tt = station.instant.julian_day
        before = orbyx_ext.chart(engine, SITE, orbyx.Instant.tt(tt - seconds)).bodies[body]
        after = orbyx_ext.chart(engine, SITE, orbyx.Instant.tt(tt + seconds)).bodies[body]
        assert (before.retrograde, after.retrograde) == ((False, True) if station.direction == "retrograde"
                                                         else (True, False))


@pytest.mark.parametrize("sidereal_mode, topocentric, system", [
    (None, False, "placidus"), ("fagan_bradley", True, "whole_sign"), ("raman", False, "regiomontanus")])
def test_a_batch_holds_the_single_charts(engine, sidereal_mode, topocentric, system):
    count = 300  # more than a chunk
    days = np.linspace(2451300.0, 2453600.0, count)
    instants = [orbyx.Instant.tt(float(day)) if i % 2 else orbyx.Instant.utc(float(day))
                for i, day in enumerate(days)]
    sites = [orbyx.GeodeticObserver(float(lon), float(lat), 10.0)
             for lon, lat in zip(np.linspace(-170, 170, count), np.linspace(-80, 80, count))]
    for observers in (SITE, sites):
        batch = orbyx_ext.charts(engine, observers, instants, system, sidereal_mode, "porphyry", topocentric)
        assert batch.bodies.shape == (count, 10, 4) and batch.lunar_points.shape == (count, 8, 3)
        assert batch.fallback_used.any() == (observers is sites and system == "placidus")
        for i in range(0, count, 37):
            site = SITE if observers is SITE else sites[i]
            single = orbyx_ext.chart(engine, site, instants[i], system, sidereal_mode, "porphyry", topocentric)
            assert batch.bodies[i].tolist() == [list(body[:4]) for body in single.bodies.values()]
            assert batch.retrograde[i].tolist() == [body.retrograde for body in single.bodies.values()]
            assert batch.lunar_points[i].tolist() == [list(point) for point in single.lunar_points.values()]
            houses = single.houses
            assert tuple(batch.cusps[i]) == houses.cusps
            assert batch.angles[i].tolist() == [houses.ascendant_deg, houses.midheaven_deg, houses.ramc_deg,
                                                houses.true_obliquity_deg, houses.vertex_deg,
                                                houses.east_point_deg]
            assert batch.fallback_used[i] == houses.fallback_used
            assert (batch.ayanamsha_deg is None if sidereal_mode is None
                    else batch.ayanamsha_deg[i] == single.ayanamsha_deg)


A_DAY = orbyx.Instant.tt(2460000.5)
POLAR = orbyx.GeodeticObserver(10.0, 80.0)


@pytest.mark.parametrize("call, error, message", [
    (lambda e: orbyx_ext.charts(e, [SITE, SITE, POLAR], [A_DAY] * 3), ValueError,
     "^chart 2: placidus house cusps are undefined at the requested latitude; name a fallback system for "
     "such sites$"),
    (lambda e: orbyx_ext.chart(e, POLAR, A_DAY), ValueError,
     "^placidus house cusps are undefined at the requested latitude; name a fallback system for such sites$"),
    (lambda e: orbyx_ext.charts(e, SITE, [A_DAY, orbyx.Instant.tt(2480000.5)]), ValueError,
     "^chart 1: Julian day 2480000.5 is outside kernel range"),
    (lambda e: orbyx_ext.charts(e, [SITE, SITE], [A_DAY] * 3), ValueError,
     "^charts needs one observer, or one per instant: got 2 observers for 3 instants$"),
    (lambda e: orbyx_ext.charts(e, [SITE], [A_DAY] * 2), ValueError,
     "^charts needs one observer, or one per instant: got 1 observers for 2 instants$"),
    (lambda e: orbyx_ext.chart(e, SITE, 2460000.5), TypeError,
     "^chart\\(\\) argument 'instant' must be orbyx.Instant, not float$"),
    (lambda e: orbyx_ext.charts(e, [SITE, "paris"], [A_DAY] * 2), TypeError,
     "^charts\\(\\) argument 'observers' must be orbyx.GeodeticObserver, not str$"),
    (lambda e: orbyx_ext.charts(e, SITE, A_DAY), TypeError,
     "^charts\\(\\) argument 'instants' must be a sequence of orbyx.Instant, not (orbyx\\.)?Instant$"),
    (lambda e: orbyx_ext.chart(e, SITE, A_DAY, topocentric=1), TypeError,
     "^chart\\(\\) argument 'topocentric' must be bool, not int$"),
    (lambda e: orbyx_ext.chart(e, SITE, A_DAY, "octopus"), ValueError, '^unknown house system "octopus"$'),
    (lambda e: orbyx_ext.chart(e, SITE, A_DAY, sidereal_mode="tropical"), ValueError, "^unknown"),
])
def test_misuse_is_refused_with_one_sentence(engine, call, error, message):
    with pytest.raises(error, match=message):
        call(engine)
