"""Instants, sites, options and the name-carrying classes, with their parsers."""
import inspect
import math
import sys

import numpy
import pytest

import orbyx
from conftest import DE430, DUMMY_SHA256

IS_PYPY = sys.implementation.name == "pypy"


class TestInstant:
    def test_defaults_to_tdb_and_writes_debug_floats(self):
        instant = orbyx.Instant(2451545)
        assert instant.julian_day == 2451545.0 and instant.time_scale == "tdb"
        assert repr(instant) == 'Instant(2451545.0, time_scale="tdb")'
        assert repr(orbyx.Instant(1.5e-5, "tt")) == 'Instant(1.5e-5, time_scale="tt")'

    def test_scale_names_are_normalised(self):
        assert orbyx.Instant(2451545.5, " \tUTC\u3000").time_scale == "utc"
        assert orbyx.Instant(julian_day=1.0, time_scale="Ut1").time_scale == "ut1"

    @pytest.mark.parametrize("scale", ["gps", "", "u t c", "tai"])
    def test_unknown_scale(self, scale):
        with pytest.raises(ValueError) as error:
            orbyx.Instant(2451545.0, scale)
        assert str(error.value) == "unknown time scale " + '"' + scale.strip().lower() + '"'

    @pytest.mark.parametrize("day", [math.nan, math.inf, -math.inf])
    def test_non_finite_days(self, day):
        for make in (orbyx.Instant, orbyx.Instant.tt, orbyx.Instant.utc):
            with pytest.raises(ValueError, match="^Julian day must be finite$"):
                make(day)

    def test_class_methods_pick_the_scale(self):
        for scale in ("tdb", "tt", "utc", "ut1"):
            instant = getattr(orbyx.Instant, scale)(2460000.25)
            assert (instant.julian_day, instant.time_scale) == (2460000.25, scale)
        assert orbyx.Instant.tt(julian_day=1).julian_day == 1.0

    def test_day_conversions(self):
        assert orbyx.Instant(numpy.float64(2.5)).julian_day == 2.5
        with pytest.raises(TypeError):
            orbyx.Instant("2451545.0")
        with pytest.raises(TypeError):
            orbyx.Instant(2451545.0, 3)
        with pytest.raises(TypeError):  # conversion comes before the finiteness check
            orbyx.Instant(math.nan, 3)
        with pytest.raises(ValueError, match="^Julian day must be finite$"):
            orbyx.Instant(math.nan, "gps")


class TestGeodeticObserver:
    def test_repr_and_default_height(self):
        site = orbyx.GeodeticObserver(2.35, 48.85)
        assert site.height_m == 0.0
        assert repr(site) == "GeodeticObserver(longitude_east_deg=2.35, latitude_deg=48.85, height_m=0)"

    def test_longitudes_are_not_limited(self):
        assert orbyx.GeodeticObserver(400.0, 90.0, -50.5).longitude_east_deg == 400.0

    @pytest.mark.parametrize(
        "args, message",
        [
            ((0.0, 90.000001), "geodetic latitude must be finite and within [-90, 90] degrees"),
            ((0.0, -91.0), "geodetic latitude must be finite and within [-90, 90] degrees"),
            ((0.0, math.nan), "Cartesian state must be finite"),
            ((math.inf, 0.0), "Cartesian state must be finite"),
            ((0.0, 0.0, math.nan), "Cartesian state must be finite"),
        ],
    )
    def test_invalid_sites(self, args, message):
        with pytest.raises(ValueError) as error:
            orbyx.GeodeticObserver(*args)
        assert str(error.value) == message


class TestPositionOptions:
    def test_defaults_and_normalised_names(self):
        options = orbyx.PositionOptions("GeoCentric ", "Equatorial", "Of-Date", precession=True)
        assert (options.origin, options.coordinate_system, options.reference_epoch) == (
            "geocentric",
            "equatorial",
            "of_date",
        )
        assert options.observer is None and options.apparent is False
        assert repr(options) == (
            'PositionOptions(origin="geocentric", coordinate_system="equatorial", '
            'reference_epoch="of_date", apparent=false)'
        )

    def test_topocentric_observer_is_copied_out(self):
        site = orbyx.GeodeticObserver(-70.5, -30.25, 2200)
        options = orbyx.PositionOptions("topocentric", "ecliptic", observer=site, apparent=True)
        first, second = options.observer, options.observer
        assert first is not second and first is not site
        assert (first.longitude_east_deg, first.latitude_deg, first.height_m) == (-70.5, -30.25, 2200)
        assert repr(options) == (
            'PositionOptions(origin="topocentric", observer=GeodeticObserver(longitude_east_deg=-70.5, '
            'latitude_deg=-30.25, height_m=2200), coordinate_system="ecliptic", '
            'reference_epoch="j2000", apparent=true)'
        )

    @pytest.mark.parametrize(
        "kwargs, message",
        [
            ({"origin": "topocentric"}, 'origin "topocentric" requires a GeodeticObserver'),
            (
                {"origin": "geocentric", "observer": orbyx.GeodeticObserver(0, 0)},
                'observer is only valid with origin "topocentric"',
            ),
            (
                {"origin": "selenocentric", "observer": orbyx.GeodeticObserver(0, 0)},
                'unknown origin "selenocentric"',
            ),
            ({"origin": "geocentric", "coordinate_system": "galactic"}, 'unknown coordinate system "galactic"'),
            ({"origin": "geocentric", "reference_epoch": "b1950"}, 'unknown reference epoch "b1950"'),
            ({"origin": "geocentric", "reference_epoch": "of date"}, 'unknown reference epoch "of date"'),
        ],
    )
    def test_parse_errors(self, kwargs, message):
        kwargs.setdefault("coordinate_system", "ecliptic")
        with pytest.raises(ValueError) as error:
            orbyx.PositionOptions(**kwargs)
        assert str(error.value) == message

    def test_flags_take_bools_only(self):
        assert orbyx.PositionOptions("geocentric", "ecliptic", apparent=numpy.bool_(True)).apparent
        for impostor in ("numpy.bool_", "numpy.bool"):  # NumPy's type, not its name
            with pytest.raises(TypeError, match="^PositionOptions\\(\\) argument 'apparent' must be bool"):
                orbyx.PositionOptions("geocentric", "ecliptic", apparent=type(impostor, (), {})())
        with pytest.raises(TypeError):
            orbyx.PositionOptions("geocentric", "ecliptic", light_time=1)
        with pytest.raises(TypeError):
            orbyx.PositionOptions("geocentric", "ecliptic", nutation=None)
        with pytest.raises(TypeError):
            orbyx.PositionOptions("topocentric", "ecliptic", observer=(0.0, 0.0))
        with pytest.raises(TypeError):
            orbyx.PositionOptions(1, "ecliptic")

    def test_consistency_is_checked_only_when_used(self):
        options = orbyx.PositionOptions("geocentric", "equatorial", apparent=True, true_ecliptic=True)
        assert options.apparent and options.true_ecliptic


class TestOptionFunctions:
    def test_geometric_and_apparent_defaults(self):
        geometric, apparent = orbyx.geometric(), orbyx.apparent()
        assert (geometric.origin, geometric.coordinate_system, geometric.reference_epoch) == (
            "geocentric",
            "ecliptic",
            "j2000",
        )
        assert geometric.apparent is False
        assert (apparent.reference_epoch, apparent.apparent, apparent.true_ecliptic) == ("of_date", True, False)

    def test_observer_rules(self):
        with pytest.raises(ValueError, match='^origin "topocentric" requires a GeodeticObserver$'):
            orbyx.geometric("topocentric")
        site = orbyx.GeodeticObserver(10, 20)
        assert orbyx.apparent("topocentric", "equatorial", site).observer.latitude_deg == 20
        with pytest.raises(ValueError, match='^unknown coordinate system "horizontal"$'):
            orbyx.apparent(coordinate_system="horizontal")


NAME_CLASSES = {
    orbyx.HouseSystem: ["placidus", "campanus", "equal", "whole_sign"],
    orbyx.SeasonEvent: ["march_equinox", "june_solstice", "september_equinox", "december_solstice"],
    orbyx.LunationEvent: ["new_moon", "full_moon"],
    orbyx.SiderealMode: ["lahiri", "fagan_bradley"],
    orbyx.HorizonEventKind: ["rise", "set", "transit"],
}


class TestNameClasses:
    @pytest.mark.parametrize("cls", list(NAME_CLASSES))
    def test_class_methods_carry_canonical_names(self, cls):
        for name in NAME_CLASSES[cls]:
            member = getattr(cls, name)()
            assert member.name == name and cls(name).name == name
            assert repr(member) == f'{cls.__name__}("{name}")'
            assert member is not getattr(cls, name)()

    @pytest.mark.parametrize(
        "cls, spelling, name",
        [
            (orbyx.HouseSystem, "  Whole-Sign ", "whole_sign"),
            (orbyx.HouseSystem, "WHOLESIGN", "whole_sign"),
            (orbyx.SeasonEvent, "vernal_equinox", "march_equinox"),
            (orbyx.SeasonEvent, "Autumnal_Equinox", "september_equinox"),
            (orbyx.SeasonEvent, "december-solstice", "december_solstice"),
            (orbyx.SiderealMode, "faganbradley", "fagan_bradley"),
            (orbyx.LunationEvent, "FullMoon", "full_moon"),
            (orbyx.LunationEvent, "new-moon", "new_moon"),
        ],
    )
    def test_alternative_spellings(self, cls, spelling, name):
        assert cls(spelling).name == name

    @pytest.mark.parametrize(
        "cls, spelling, message",
        [
            (orbyx.SeasonEvent, "vernal-equinox", 'unknown season event "vernal-equinox"'),
            (orbyx.HouseSystem, "whole sign", 'unknown house system "whole sign"'),
            (orbyx.HouseSystem, "Koch", 'unknown house system "koch"'),
            (orbyx.SiderealMode, "", 'unknown sidereal mode ""'),
            (orbyx.LunationEvent, "\u00c9CLIPSE", 'unknown lunation event "\u00c9clipse"'),
            (orbyx.HorizonEventKind, "  \t", 'unknown horizon event ""'),
        ],
    )
    def test_unknown_spellings(self, cls, spelling, message):
        with pytest.raises(ValueError) as error:
            cls(spelling)
        assert str(error.value) == message

    def test_name_must_be_str(self):
        with pytest.raises(TypeError):
            orbyx.HouseSystem(orbyx.HouseSystem.equal())

    @pytest.mark.skipif(IS_PYPY, reason="PyPy does not expose C text signatures")
    def test_signatures(self):
        assert str(inspect.signature(orbyx.HouseSystem)) == "(name)"
        assert str(inspect.signature(orbyx.Instant)) == "(julian_day, time_scale='tdb')"
        assert str(inspect.signature(orbyx.Instant.tt)) == "(julian_day)"
        assert str(inspect.signature(orbyx.SeasonEvent.june_solstice)) == "()"
        assert str(inspect.signature(orbyx.geometric)) == (
            "(origin='geocentric', coordinate_system='ecliptic', observer=None)"
        )
        assert str(inspect.signature(orbyx.GeodeticObserver)) == (
            "(longitude_east_deg, latitude_deg, height_m=0.0)"
        )


class OwnConversionFails:
    def __float__(self):
        raise ArithmeticError("own conversion")


SITE = orbyx.GeodeticObserver(2.35, 48.85)
AROUND = orbyx.Instant.ut1(2457086.0)


@pytest.mark.parametrize(
    "call, argument",
    [
        (lambda x: orbyx.Instant(x), "Instant() argument 'julian_day'"),
        (lambda x: orbyx.Instant.tt(x), "tt() argument 'julian_day'"),
        (lambda x: orbyx.GeodeticObserver(x, 0.0), "GeodeticObserver() argument 'longitude_east_deg'"),
        (lambda x: orbyx.GeodeticObserver(0.0, x), "GeodeticObserver() argument 'latitude_deg'"),
        (lambda x: orbyx.GeodeticObserver(0.0, 0.0, x), "GeodeticObserver() argument 'height_m'"),
        (
            lambda x: orbyx.open(DE430, DUMMY_SHA256).rise_set_transit("sun", SITE, AROUND, x),
            "rise_set_transit() argument 'altitude_deg'",
        ),
        (
            lambda x: orbyx.open(DE430, DUMMY_SHA256).next_horizon_event("sun", SITE, AROUND, "rise", x),
            "next_horizon_event() argument 'altitude_deg'",
        ),
    ],
)
def test_float_arguments_are_named_in_type_errors(call, argument):
    with pytest.raises(TypeError) as error:
        call("1.5")
    assert str(error.value) == f"{argument} must be real number, not str"
    with pytest.raises(ArithmeticError, match="^own conversion$"):
        call(OwnConversionFails())
