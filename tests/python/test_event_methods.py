"""The Python face of the event searches, sidereal positions and house cusps:
argument rules, result classes and error texts (accuracy lives in test_accuracy_*)."""
import math

import pytest

import orbyx
from conftest import DE430, DUMMY_SHA256, LEAPSECONDS

PARIS = orbyx.GeodeticObserver(2.35, 48.85, 35.0)
# 2015-03-04 12:00 UT1, inside the DE430 excerpt (TDB 2457080.5 to 2457088.5).
MARCH_4_2015 = 2457086.0
J2000 = orbyx.J2000_JULIAN_DAY


@pytest.fixture
def engine(eop_c04):
    return orbyx.open(DE430, DUMMY_SHA256, LEAPSECONDS, DUMMY_SHA256, eop_c04, DUMMY_SHA256)


class Named:
    """Any object with a str `name` stands for a member of any enumeration."""

    def __init__(self, name):
        self.name = name


class TestHouseCusps:
    def test_result_is_a_snapshot_with_fresh_members(self):
        cusps = orbyx.house_cusps(PARIS, J2000, J2000, "equal")
        first = cusps.cusp_ecliptic_longitude_deg
        assert len(first) == 12 and all(isinstance(c, float) for c in first)
        first[0] = -1.0
        assert cusps.cusp_ecliptic_longitude_deg[0] == cusps.ascendant_deg
        assert cusps.cusp_ecliptic_longitude_deg is not cusps.cusp_ecliptic_longitude_deg
        assert cusps.system.name == "equal" and cusps.system is not cusps.system
        assert cusps.ramc_deg == cusps.local_sidereal_time_deg
        assert repr(cusps) == (
            f'HouseCusps(system="equal", ascendant_deg={cusps.ascendant_deg!r}, '
            f"midheaven_deg={cusps.midheaven_deg!r})"
        )

    def test_julian_days_come_from_instants_or_floats(self):
        from_floats = orbyx.house_cusps(PARIS, J2000, J2000 + 0.0007, "placidus")
        # An Instant gives its Julian day whatever its scale: no conversion happens.
        from_instants = orbyx.house_cusps(
            PARIS, orbyx.Instant.utc(J2000), orbyx.Instant.tdb(J2000 + 0.0007), "placidus"
        )
        assert from_instants.cusp_ecliptic_longitude_deg == from_floats.cusp_ecliptic_longitude_deg
        from_int = orbyx.house_cusps(PARIS, 2451545, 2451545, "campanus")
        assert from_int.ramc_deg == orbyx.house_cusps(PARIS, J2000, J2000, "campanus").ramc_deg

    @pytest.mark.parametrize(
        "ut1, tt, message",
        [
            (math.nan, J2000, "Julian day must be finite"),
            (J2000, math.inf, "Julian day must be finite"),
            ("2451545.0", J2000, "expected an Instant or a finite Julian day float"),
            (J2000, None, "expected an Instant or a finite Julian day float"),
        ],
    )
    def test_bad_julian_days(self, ut1, tt, message):
        with pytest.raises(ValueError, match=f"^{message}$"):
            orbyx.house_cusps(PARIS, ut1, tt, "equal")

    def test_system_given_by_name_object_or_class(self):
        by_class = orbyx.house_cusps(PARIS, J2000, J2000, orbyx.HouseSystem.whole_sign())
        by_object = orbyx.house_cusps(PARIS, J2000, J2000, Named("Whole-Sign"))
        assert by_class.cusp_ecliptic_longitude_deg == by_object.cusp_ecliptic_longitude_deg
        with pytest.raises(ValueError, match='^unknown house system "koch"$'):
            orbyx.house_cusps(PARIS, J2000, J2000, Named("Koch"))
        for not_a_name in (3, Named(3), object()):
            with pytest.raises(
                ValueError, match="^expected a name string or an orbyx enum with a name attribute$"
            ):
                orbyx.house_cusps(PARIS, J2000, J2000, not_a_name)

    def test_failures_and_argument_order(self):
        north_cape = orbyx.GeodeticObserver(25.8, 70.0)
        with pytest.raises(
            ValueError, match="^house cusps are undefined for this system at the requested latitude$"
        ):
            orbyx.house_cusps(north_cape, J2000, J2000, "placidus")
        assert orbyx.house_cusps(north_cape, J2000, J2000, "campanus").ascendant_deg >= 0
        with pytest.raises(TypeError):
            orbyx.house_cusps((2.35, 48.85), J2000, J2000, "equal")
        # The observer is converted before the days, the days before the system.
        with pytest.raises(TypeError):
            orbyx.house_cusps(None, math.nan, J2000, "koch")
        with pytest.raises(ValueError, match="^Julian day must be finite$"):
            orbyx.house_cusps(PARIS, math.nan, J2000, "koch")


class TestHorizonEvents:
    def test_rise_set_transit_result(self, engine):
        events = engine.rise_set_transit(
            "sun", PARIS, orbyx.Instant.ut1(MARCH_4_2015), orbyx.SUN_UPPER_LIMB_ALTITUDE_DEG
        )
        assert events.rise_ut1_julian_day < events.transit_ut1_julian_day < events.set_ut1_julian_day
        assert abs(events.transit_ut1_julian_day - MARCH_4_2015) < 0.5
        assert repr(events) == (
            f"RiseSetTransit(transit_ut1_julian_day={events.transit_ut1_julian_day!r}, "
            f"rise_ut1_julian_day=Some({events.rise_ut1_julian_day!r}), "
            f"set_ut1_julian_day=Some({events.set_ut1_julian_day!r}))"
        )

    def test_body_that_never_sets_has_only_a_transit(self, engine):
        # Early March: the Sun stays above the horizon all day near the south pole.
        events = engine.rise_set_transit(
            "Sun", orbyx.GeodeticObserver(0.0, -85.0), orbyx.Instant.ut1(MARCH_4_2015), -0.8333
        )
        assert events.rise_ut1_julian_day is None and events.set_ut1_julian_day is None
        assert repr(events).endswith("rise_ut1_julian_day=None, set_ut1_julian_day=None)")
        with pytest.raises(
            ValueError, match="^no Rise of Sun within 3 days after the query instant$"
        ):
            engine.next_horizon_event(
                "sun", orbyx.GeodeticObserver(0.0, -85.0), orbyx.Instant.ut1(MARCH_4_2015), "rise",
                -0.8333,
            )

    def test_next_event_result_and_kind_spellings(self, engine):
        after = orbyx.Instant.ut1(MARCH_4_2015)
        event = engine.next_horizon_event("moon", PARIS, after, orbyx.HorizonEventKind.set(), -0.5)
        assert event.kind.name == "set" and event.kind is not event.kind
        assert MARCH_4_2015 < event.ut1_julian_day < MARCH_4_2015 + 1.1
        assert repr(event) == f'HorizonEvent(kind="set", ut1_julian_day={event.ut1_julian_day!r})'
        same = engine.next_horizon_event("Moon", PARIS, after, Named(" SET "), -0.5)
        assert same.ut1_julian_day == event.ut1_julian_day

    def test_argument_rules(self, engine):
        around = orbyx.Instant.ut1(MARCH_4_2015)
        with pytest.raises(TypeError):
            engine.rise_set_transit("sun", PARIS, around)  # no default altitude
        with pytest.raises(TypeError):
            engine.rise_set_transit("sun", PARIS, MARCH_4_2015, -0.5)
        with pytest.raises(TypeError):
            engine.rise_set_transit("sun", (2.35, 48.85), around, -0.5)
        with pytest.raises(ValueError, match="^unsupported body: Mars$"):
            engine.rise_set_transit("mars", PARIS, around, -0.5)
        with pytest.raises(ValueError, match="^horizon altitude must be finite$"):
            engine.rise_set_transit("sun", PARIS, around, math.nan)
        with pytest.raises(ValueError, match='^unknown horizon event "dusk"$'):
            engine.next_horizon_event("sun", PARIS, around, "dusk", -0.5)
        with pytest.raises(ValueError, match='^unknown body "vulcan"$'):
            engine.next_horizon_event("vulcan", PARIS, around, "dusk", -0.5)

    def test_searches_need_the_earth_orientation_table(self):
        engine = orbyx.open(DE430, DUMMY_SHA256, LEAPSECONDS, DUMMY_SHA256)
        message = (
            "^topocentric origins require an Earth orientation table \\(DUT1\\); "
            "attach one with SpkEphemeris::with_eop$"
        )
        with pytest.raises(ValueError, match=message):
            engine.rise_set_transit("sun", PARIS, orbyx.Instant.ut1(MARCH_4_2015), -0.5)
        with pytest.raises(ValueError, match=message):
            engine.next_horizon_event("mars", PARIS, orbyx.Instant.tt(MARCH_4_2015), "rise", -0.5)


class TestLongitudeSearches:
    def test_full_moon_inside_the_excerpt(self, engine):
        after = orbyx.Instant.tdb(2457081.0)
        full = engine.next_lunation(after, "fullmoon")
        assert full.time_scale == "tt"
        # 2015-03-05 18:05 UTC
        assert abs(full.julian_day - 2457087.254) < 0.002
        by_class = engine.next_lunation(after, orbyx.LunationEvent.full_moon())
        assert by_class.julian_day == full.julian_day

    def test_kind_rules(self, engine):
        after = orbyx.Instant.tt(2457081.0)
        with pytest.raises(ValueError, match='^unknown season event "equal"$'):
            engine.next_season_event(after, orbyx.HouseSystem.equal())
        with pytest.raises(TypeError):
            engine.next_season_event(2457081.0, "june-solstice")
        with pytest.raises(ValueError, match="^expected a name string"):
            engine.next_lunation(after, None)
        # The June solstice lies beyond the excerpt: the search reports the coverage.
        for kind in (orbyx.SeasonEvent.june_solstice(), "june-solstice", Named("june_solstice")):
            with pytest.raises(ValueError, match="outside"):
                engine.next_season_event(after, kind)

    def test_failed_search_leaves_the_engine_open(self, engine):
        with pytest.raises(ValueError):
            engine.next_lunation(orbyx.Instant.tt(2457088.4), "new_moon")
        assert engine.next_lunation(orbyx.Instant.tt(2457081.0), "full_moon").time_scale == "tt"


class TestSiderealPosition:
    def test_sidereal_longitude_is_tropical_less_ayanamsha(self, engine):
        instant = orbyx.Instant.tt(2457084.0)
        options = orbyx.apparent()
        tropical = engine.position("moon", instant, options)
        sidereal = engine.sidereal_position("moon", instant, options, orbyx.SiderealMode.lahiri())
        ayanamsha = (tropical.longitude_deg - sidereal.longitude_deg) % 360
        assert 24.0 < ayanamsha < 24.2  # Lahiri in 2015
        assert sidereal.latitude_deg == tropical.latitude_deg
        assert sidereal.distance_au == tropical.distance_au
        fagan = engine.sidereal_position("moon", instant, options, Named("Fagan-Bradley"))
        assert 0.8 < (sidereal.longitude_deg - fagan.longitude_deg) % 360 < 0.95

    def test_frame_rule_and_mode_parsing(self, engine):
        instant = orbyx.Instant.tt(2457084.0)
        with pytest.raises(ValueError, match="^sidereal longitudes require ecliptic of date$"):
            engine.sidereal_position("sun", instant, orbyx.geometric(), "lahiri")
        with pytest.raises(ValueError, match='^unknown sidereal mode "raman"$'):
            engine.sidereal_position("sun", instant, orbyx.apparent(), "raman")
        with pytest.raises(TypeError):
            engine.sidereal_position("sun", 2457084.0, orbyx.apparent(), "lahiri")
