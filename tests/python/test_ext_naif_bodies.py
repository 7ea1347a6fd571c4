"""Bodies by NAIF id or the companion's names, on DE421 with the JUP310 excerpt attached
(the Galilean moons, 2015-03-02 to 03-04): the module's eleven keep its bits by id, and
the moons' apparent places agree with skyfield's on the same two files within 1 mas once
skyfield's nutation is moved to IAU 2000B (worst seen 0.42 mas, Io; skyfield also bends
light by Jupiter, orbyx by the Sun only)."""
import math

import pytest

import orbyx
import orbyx_ext
from conftest import DUMMY_SHA256, JUP310, LEAPSECONDS, de421_path, eop_c04_path
from de421_oracle import BODY_NAIF

APPARENT_TOLERANCE_MAS = 1.0
# Inside the excerpt, and late enough that the light left the moons inside it too.
EXCERPT_TT_DAYS = [2457084.05 + k * 0.1 for k in range(12)]
GALILEAN = {"io": 501, "europa": 502, "ganymede": 503, "callisto": 504}
OPTION_SETS = [
    orbyx.PositionOptions("geocentric", "equatorial", "of_date", apparent=True),
    orbyx.PositionOptions("geocentric", "ecliptic", "of_date", apparent=True, true_ecliptic=True),
    orbyx.PositionOptions("heliocentric", "ecliptic", light_time=True, gravitational_deflection=True),
    orbyx.PositionOptions("barycentric", "equatorial"),
]


@pytest.fixture(scope="module")
def engine():
    opened = orbyx_ext.open(de421_path(), DUMMY_SHA256, leap_second_kernel=LEAPSECONDS,
                            leap_second_sha256=DUMMY_SHA256, eop=eop_c04_path(), eop_sha256=DUMMY_SHA256)
    opened.with_additional_kernel_file(JUP310, DUMMY_SHA256)
    return opened


def fields(position):
    return (position.longitude_deg, position.latitude_deg, position.distance_au,
            position.longitude_speed_deg_per_day)


def error_of(call):
    """The position's fields, or the refusal."""
    try:
        return ("value", fields(call()))
    except (TypeError, ValueError) as error:
        return (type(error), str(error))


@pytest.mark.parametrize("options", OPTION_SETS, ids=["equator-of-date", "true-ecliptic", "heliocentric",
                                                      "barycentric"])
def test_the_eleven_by_id_keep_the_module_bits_and_refusals(engine, options):
    instant = orbyx.Instant.tt(EXCERPT_TT_DAYS[3])
    for name, naif in BODY_NAIF.items():
        own = error_of(lambda: engine.position(name, instant, options))
        assert error_of(lambda: orbyx_ext.position(engine, naif, instant, options)) == own, name
        assert error_of(lambda: orbyx_ext.position(engine, name.upper(), instant, options)) == own, name
    observer = orbyx.GeodeticObserver(-70.0, -30.0, 2000.0)
    assert orbyx_ext.horizontal(engine, 599, observer, instant) == \
        orbyx_ext.horizontal(engine, "jupiter", observer, instant)


def test_horizontal_batches_by_id_give_the_single_places(engine):
    observer = orbyx.GeodeticObserver(-70.0, -30.0, 2000.0)
    instants = [orbyx.Instant.tt(day) for day in EXCERPT_TT_DAYS[:3]]
    bodies = ["io", 599, "jupiter", 502]
    batch = orbyx_ext.horizontal(engine, bodies, observer, instants, pressure_mbar=1000.0)
    for i, instant in enumerate(instants):
        for b, body in enumerate(bodies):
            one = orbyx_ext.horizontal(engine, body, observer, instant, pressure_mbar=1000.0)
            assert (batch.altitude_deg[i, b], batch.azimuth_deg[i, b], batch.distance_au[i, b]) == \
                (one.altitude_deg, one.azimuth_deg, one.distance_au)
    with pytest.raises(ValueError, match="the Earth has no place"):
        orbyx_ext.horizontal(engine, ["io", 399], observer, instants)


@pytest.mark.parametrize("name", list(GALILEAN))
def test_galilean_moons_apparent_places_match_skyfield(engine, name):
    import numpy as np
    pytest.importorskip("skyfield")
    pytest.importorskip("erfa")
    from skyfield.api import load, load_file

    from de421_oracle import radec_as_iau2000b

    planets, moons = load_file(de421_path()), load_file(JUP310)
    naif = GALILEAN[name]
    moon = planets["jupiter barycenter"] + next(s for s in moons.segments if s.center == 5 and s.target == naif)
    t = load.timescale(builtin=True).tt_jd(np.array(EXCERPT_TT_DAYS))
    ra, dec, distance = planets["earth"].at(t).observe(moon).apparent().radec(epoch="date")
    ra_b, dec_b = radec_as_iau2000b(ra._degrees, dec.degrees, np.array(EXCERPT_TT_DAYS))
    options = orbyx.PositionOptions("geocentric", "equatorial", "of_date", apparent=True)
    worst = 0.0
    for k, day in enumerate(EXCERPT_TT_DAYS):
        place = orbyx_ext.position(engine, name, orbyx.Instant.tt(day), options)
        assert fields(place) == fields(orbyx_ext.position(engine, naif, orbyx.Instant.tt(day), options))
        d_ra = (place.longitude_deg - ra_b[k] + 180.0) % 360.0 - 180.0
        separation = math.hypot(d_ra * math.cos(math.radians(dec_b[k])), place.latitude_deg - dec_b[k])
        worst = max(worst, separation * 3.6e6)
        assert place.distance_au == pytest.approx(distance.au[k], rel=1e-12)
    print(f"{name}: worst {worst:.3f} mas against skyfield")
    assert worst <= APPARENT_TOLERANCE_MAS


@pytest.mark.parametrize("body, error, message", [
    ("vulcan", ValueError, 'unknown body "vulcan"'),
    (" Phobos ", ValueError, 'unknown body "phobos"'),
    (2 ** 40, ValueError, "NAIF body id is out of range"),
    (True, TypeError, "str or int"),
    (1.5, TypeError, "str or int"),
    # Named and numbered alike, but not in these kernels: the engine's own refusal.
    ("ceres", ValueError, "2000001"),
    (2002060, ValueError, "2002060"),
])
def test_bodies_are_refused_clearly(engine, body, error, message):
    instant = orbyx.Instant.tt(EXCERPT_TT_DAYS[0])
    options = orbyx.PositionOptions("geocentric", "ecliptic")
    with pytest.raises(error, match=message):
        orbyx_ext.position(engine, body, instant, options)
    with pytest.raises(error, match=message):
        orbyx_ext.longitude_crossings(engine, body, 0.0, instant, orbyx.Instant.tt(EXCERPT_TT_DAYS[-1]))


def test_io_searches_land_on_its_apparent_track(engine):
    start, end = orbyx.Instant.tt(EXCERPT_TT_DAYS[0]), orbyx.Instant.tt(EXCERPT_TT_DAYS[-1])
    track = orbyx.PositionOptions("geocentric", "ecliptic", "of_date", apparent=True, true_ecliptic=True)
    first = orbyx_ext.position(engine, "io", start, track).longitude_deg
    last = orbyx_ext.position(engine, "io", end, track).longitude_deg
    # Io swings about Jupiter faster than Jupiter moves back: its track turns within the excerpt.
    turns = orbyx_ext.stations(engine, "io", start, end)
    assert turns
    for turn in turns:
        # An extreme of the longitude: a hundredth of a day either side lies on one side of it.
        around = [orbyx_ext.position(engine, 501, orbyx.Instant.tt(turn.instant.julian_day + shift), track)
                  for shift in (-0.01, 0.0, 0.01)]
        before, at, after = (place.longitude_deg for place in around)
        assert (at - before) * (after - at) < 0.0
        assert (turn.direction == "direct") == (after > at)
    crossings = orbyx_ext.longitude_crossings(engine, 501, (first + last) / 2.0, start, end)
    assert crossings
    for crossing in crossings:
        reached = orbyx_ext.position(engine, "io", crossing.instant, track).longitude_deg
        assert reached == pytest.approx((first + last) / 2.0, abs=1e-8)


def test_a_barycentre_rises_and_sets_with_its_planet(tmp_path):
    from de421_oracle import open_de421

    # The test kernel puts Jupiter's centre on its barycentre: the same states, by id.
    engine = open_de421(tmp_path, time_kernels=True)
    site = orbyx.GeodeticObserver(-70.4, -24.6, 2600.0)
    start, end = orbyx.Instant.tt(2461000.5), orbyx.Instant.tt(2461004.5)
    def events(body):
        return [(event.instant.julian_day, event.kind) for event in
                orbyx_ext.horizon_events(engine, body, site, start, end)]

    by_name = events("jupiter")
    assert len(by_name) == 16
    assert events(5) == by_name
    with pytest.raises(ValueError, match="unknown body"):
        orbyx_ext.horizon_events(engine, "vulcan", site, start, end)
