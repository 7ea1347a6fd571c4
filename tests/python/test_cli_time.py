"""Dates and time scales of the command: ISO text both ways, and the same conversions as the engine."""
import random

import pytest

import orbyx
import orbyx_ext
from orbyx_cli import default_data
from orbyx_cli.calendar import format_instant, julian_day_from_calendar, parse_instant
from orbyx_cli.errors import CommandError

from conftest import LEAPSECONDS


@pytest.mark.parametrize("text, day, scale", [
    ("2000-01-01T12:00:00", 2451545.0, "ut1"),
    ("2000-01-01 12:00 TT", 2451545.0, "tt"),
    ("2000-01-01T12:00:00Z", 2451545.0, "utc"),
    ("2000-01-01T14:30+02:30", 2451545.0, "utc"),
    ("2000-01-01T06:00:00-0600", 2451545.0, "utc"),
    ("2000-01-01t12:00:00 tdb", 2451545.0, "tdb"),
    ("1582-10-15", 2299160.5, "ut1"),
    ("-4713-11-24T12:00", 0.0, "ut1"),
    ("JD 2460000.25 TT", 2460000.25, "tt"),
    ("jd2460000.25", 2460000.25, "ut1"),
])
def test_iso_dates_read_as_julian_days(text, day, scale):
    assert parse_instant(text, "ut1") == (day, scale)


@pytest.mark.parametrize("text", ["2024-1-01", "2024-01-01T12", "2024-01-01T12:00:00 GMT", "2023-02-29",
                                  "2024-04-31", "2024-01-01T12:60", "2024-01-01T12:00:60", "", "JD"])
def test_malformed_dates_are_refused(text):
    with pytest.raises(CommandError) as refused:
        parse_instant(text, "utc")
    assert refused.value.status == 2 and repr(text) in str(refused.value)


def test_printed_dates_round_trip_and_round_to_the_unit():
    rng = random.Random(7)
    for _ in range(2000):
        day = rng.uniform(-1e6, 4e6)
        text = format_instant(day, "millisecond")
        assert abs(parse_instant(text, "tt")[0] - day) <= 0.0005 / 86400 + 1e-9, text
    assert format_instant(2451545.0 - 0.4 / 86400) == "2000-01-01T12:00:00"
    assert format_instant(2451544.5 - 0.4 / 86400) == "2000-01-01T00:00:00"  # carried into the next day
    assert format_instant(julian_day_from_calendar(2024, 2, 29), "day") == "2024-02-29"
    assert format_instant(julian_day_from_calendar(-44, 3, 15), "minute") == "-0044-03-15T00:00"


def test_first_leap_second_read_from_both_kernels():
    assert default_data._first_leap_second_entry(default_data.SHIPPED_LEAP_SECONDS) == "1972-01-01"
    assert default_data._first_leap_second_entry(default_data.Path(LEAPSECONDS)) == "1972-01-01"


@pytest.fixture(scope="module")
def data():
    return default_data.open_data(default_data.resolve_files())


@pytest.mark.parametrize("scale", ["tt", "tdb", "ut1"])
def test_conversions_agree_with_the_engine(data, scale):
    """The engine at a UTC instant and at the command's conversion of it must see the same sky."""
    paris = orbyx.apparent("topocentric", "equatorial", orbyx.GeodeticObserver(2.35, 48.85, 0.0))
    rng = random.Random(scale)
    for _ in range(200):
        utc = rng.uniform(julian_day_from_calendar(1972, 1, 1), data.eop_last_day)
        converted = data.time_scales.convert(utc, "utc", scale)
        moon_utc = data.engine.position("moon", orbyx.Instant.utc(utc), paris)
        moon_converted = data.engine.position("moon", orbyx.Instant(converted, scale), paris)
        # A Julian day near 2.4e6 resolves ~40 µs; two such steps move the Moon by up to ~1.2e-8 degrees.
        assert moon_converted.longitude_deg == pytest.approx(moon_utc.longitude_deg, abs=3e-8)
        # Back to within the last bit of the Julian day, 40 µs.
        assert data.time_scales.convert(converted, scale, "utc") == pytest.approx(utc, abs=5e-10)


def test_utc_before_1972_comes_from_the_model_and_ut1_needs_a_table(data):
    """Before the first leap second UTC is read as UT1 on the companion's ΔT model."""
    tt = data.time_scales.convert(2441317.0, "utc", "tt")
    assert tt == orbyx_ext.convert(data.engine, orbyx.Instant.utc(2441317.0), "tt").instant.julian_day
    assert 42.0 < (tt - 2441317.0) * 86400 < 43.0 and data.time_scales.modelled
    without_table = default_data.open_data(default_data.DataFiles(
        default_data.default_kernel(), [], default_data.SHIPPED_LEAP_SECONDS, None, True, False))
    with pytest.raises(CommandError) as refused:
        without_table.time_scales.convert(2460000.5, "utc", "ut1")
    assert refused.value.status == 1
