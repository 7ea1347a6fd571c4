"""Arguments that contradict each other or leave the Earth: one line naming the flags, status 2."""
import pytest

SITE = ("--lat", "48.85", "--lon", "2.35")


@pytest.mark.parametrize("arguments, message", [
    (("positions", "--geometric", "--sidereal", "lahiri"), "drop --geometric or --sidereal"),
    (("positions", "--sidereal", "lahiri", "--frame", "equatorial"), "drop --frame equatorial or --sidereal"),
    (("positions", "--bodies", "mars,earth"),
     "--bodies earth: the Earth is the origin; drop it or use --origin heliocentric or barycentric"),
    (("positions", "--bodies", "earth", *SITE), "--bodies earth: the Earth is the origin"),
    (("positions", "--bodies", "sun", "--origin", "heliocentric"),
     "the Sun is the origin; drop it or use --origin geocentric, topocentric or barycentric"),
    (("positions", "--height", "100"), "--height is a site's: give --lat and --lon too, or drop --height"),
    (("positions", "--lat", "1", "--lon", "360"), "--lon must lie within -180 to 360 degrees east, not 360"),
    (("positions", "--lat", "1", "--lon", "-180.5"), "--lon must lie within -180 to 360 degrees east"),
    (("sky", "--lat", "-90.01", "--lon", "0"), "--lat must lie within -90 to 90 degrees"),
    (("houses", *SITE, "--height", "-12001"), "--height must lie within -12000 to 100000 metres, not -12001"),
    (("chart", *SITE, "--height", "1e6"), "--height must lie within -12000 to 100000 metres"),
    (("chart", *SITE, "--height=-inf"), "not a finite number: '-inf'"),
    (("chart", *SITE, "--houses", "koch", "--house-fallback", "koch"), "--house-fallback koch is --houses itself"),
    (("events", "--kind", "seasons,nodes", "--bodies", "mars"), "--bodies applies to ingresses and stations only"),
    (("events", "--kind", "lunations", "--sidereal", "lahiri"), "--sidereal applies to ingresses and stations"),
    (("moon", *SITE, "--altitude", "-91"), "--altitude must lie within -90 to 90 degrees, not -91"),
    (("sky", *SITE, "--no-refraction", "--pressure", "900"), "--no-refraction leaves no use for --pressure"),
    (("sky", *SITE, "--pressure", "-5"), "--pressure must lie within 0 to 1200 mbar, not -5"),
    (("sky", *SITE, "--temperature", "-300"), "--temperature must lie within -100 to 70 °C, not -300"),
])
def test_contradictions_and_limits_are_refused_naming_the_flags(cli, arguments, message):
    status, out, err = cli(*arguments)
    assert (status, out) == (2, "")
    assert err.count("\n") == 1 and err.startswith("orbyx") and message in err, err


@pytest.mark.parametrize("lon, height, shown", [
    ("270", "-11000", "longitude -90 east, height -11000 m"),
    ("-180", "100000", "longitude -180 east, height 100000 m"),
    ("180", None, "longitude 180 east, height 0 m"),
])
def test_longitudes_past_180_are_west_and_heights_at_the_limits_pass(cli, lon, height, shown):
    arguments = ("positions", "--at", "2024-01-01", "--bodies", "sun", "--lat", "10", "--lon", lon)
    status, out, err = cli(*arguments, *(("--height", height) if height else ()))
    assert (status, err) == (0, "") and f"# site: latitude 10, {shown}" in out
    if lon == "270":
        assert out.splitlines()[-1] == cli(*arguments[:-1], "-90", "--height", height)[1].splitlines()[-1]
