"""Calendar dates, datetimes and time-scale conversions of orbyx_ext, against the
engine's own relations and its time kernels."""
import datetime
import zoneinfo

import pytest

import orbyx
import orbyx_ext
from conftest import DE430, DUMMY_SHA256, LEAPSECONDS, eop_c04_path

UTC = datetime.timezone.utc
SCALES = ["utc", "ut1", "tt", "tdb"]
SECOND = 1 / 86400
TT_MINUS_TAI = 32.184


@pytest.fixture(scope="module")
def engine():
    return orbyx.open(DE430, DUMMY_SHA256, LEAPSECONDS, DUMMY_SHA256, eop_c04_path(), DUMMY_SHA256)


def dut1_at(utc_julian_day):
    """UT1 - UTC from the C04 table, interpolated linearly between its days."""
    with open(eop_c04_path(), encoding="ascii") as table:
        rows = [line.split() for line in table if line[:4].strip().isdigit()]
    days = [(float(row[4]) + 2400000.5, float(row[7])) for row in rows]
    for (day, dut1), (next_day, next_dut1) in zip(days, days[1:]):
        if day <= utc_julian_day < next_day:
            return dut1 + (next_dut1 - dut1) * (utc_julian_day - day) / (next_day - day)
    raise AssertionError("outside the table")


@pytest.mark.parametrize("start", SCALES)
@pytest.mark.parametrize("target", SCALES)
def test_conversions_go_there_and_back(engine, start, target):
    instant = orbyx.Instant(2457084.123456789, start)
    there = orbyx_ext.convert(engine, instant, target)
    back = orbyx_ext.convert(engine, there.instant, start)
    assert there.instant.time_scale == target
    assert there.source == back.source == ("unchanged" if start == target else "tables")
    # Within a few units in the last place of a Julian day near 2.46e6 (40 µs each).
    assert back.instant.julian_day == pytest.approx(instant.julian_day, abs=1e-4 * SECOND)


@pytest.mark.parametrize("utc", [2457083.5, 2457084.25, 2457084.7])
def test_conversions_keep_the_tables_relations(engine, utc):
    converted = {scale: orbyx_ext.convert(engine, orbyx.Instant.utc(utc), scale).instant.julian_day
                 for scale in SCALES}
    # TAI - UTC is 35 s from 2012-07-01 to 2015-06-30: the engine's own sum, bit for bit.
    assert converted["tt"] == utc + (35.0 + TT_MINUS_TAI) / 86400
    assert converted["ut1"] == pytest.approx(utc + dut1_at(utc) * SECOND, abs=1e-4 * SECOND)
    # TDB - TT is periodic, under 2 ms.
    assert abs(converted["tdb"] - converted["tt"]) < 0.002 * SECOND
    # The TDB day is the one the engine evaluates positions at.
    sun = orbyx.geometric()
    assert (engine.position("sun", orbyx.Instant.tdb(converted["tdb"]), sun).longitude_deg
            == pytest.approx(engine.position("sun", orbyx.Instant.utc(utc), sun).longitude_deg, abs=1e-8))


def test_conversions_need_the_kernels_they_read():
    bare = orbyx.open(DE430, DUMMY_SHA256)
    for target, needed in [("utc", "a leap-second kernel"), ("ut1", "an Earth orientation table")]:
        with pytest.raises(ValueError, match=needed):
            orbyx_ext.convert(bare, orbyx.Instant.tt(2457084.0), target)
    with pytest.raises(ValueError, match="time scale"):
        orbyx_ext.convert(bare, orbyx.Instant.tt(2457084.0), "tai")


@pytest.mark.parametrize("fields", [
    (2015, 3, 2, 0, 0, 0.0), (2000, 2, 29, 12, 30, 15.25), (1600, 12, 31, 23, 59, 59.5),
    (-4712, 1, 1, 12, 0, 0.0), (-1000, 3, 1, 6, 0, 0.0), (9999, 12, 31, 18, 45, 30.0),
])
def test_calendar_dates_go_there_and_back(fields):
    instant = orbyx_ext.instant_from_calendar(*fields, time_scale="tt")
    date = orbyx_ext.calendar_from_instant(instant)
    assert date[:5] == fields[:5]
    assert date.second == pytest.approx(fields[5], abs=1e-4)


def test_calendar_dates_match_known_julian_days():
    assert orbyx_ext.instant_from_calendar(2000, 1, 1, 12).julian_day == 2451545.0
    assert orbyx_ext.instant_from_calendar(-4713, 11, 24, 12).julian_day == 0.0
    assert orbyx_ext.instant_from_calendar(1858, 11, 17).julian_day == 2400000.5


@pytest.mark.parametrize("fields, message", [
    ((2015, 2, 29), "calendar day 29 is out of range"),
    ((2015, 13, 1), "calendar month 13 is out of range"),
    ((2015, 1, 1, 24), "calendar hour 24 is out of range"),
    ((2015, 1, 1, 0, 0, -0.5), "calendar second -0.5 must be at least 0 and less than 61"),
    ((2015, 1, 1, 23, 58, 60.0), "calendar second 60 must be less than 60 outside a leap second"),
    ((2016, 12, 31, 23, 59, 60.0), "a leap second needs an engine with a leap-second kernel"),
    ((2016, 12, 30, 23, 59, 60.0, "utc"), "the leap-second kernel has no leap second"),
    ((2016, 12, 31, 23, 59, 60.0, "tt"), "calendar second must be less than 60 outside UTC"),
    ((10**30, 1, 1), "calendar year is out of range"),
])
def test_impossible_calendar_dates_are_refused(engine, fields, message):
    with pytest.raises(ValueError, match=message):
        orbyx_ext.instant_from_calendar(*fields, engine=engine if len(fields) == 7 else None)


def test_a_leap_second_lies_between_its_neighbours_one_second_apart(engine):
    def tt(*fields):
        instant = orbyx_ext.instant_from_calendar(*fields, engine=engine)
        return orbyx_ext.convert(engine, instant, "tt").instant.julian_day

    before = tt(2016, 12, 31, 23, 59, 59.5)
    leap = tt(2016, 12, 31, 23, 59, 60.5)
    after = tt(2017, 1, 1, 0, 0, 0.5)
    assert leap - before == pytest.approx(SECOND, abs=1e-4 * SECOND)
    assert after - leap == pytest.approx(SECOND, abs=1e-4 * SECOND)


@pytest.mark.parametrize("moment", [
    datetime.datetime(2015, 3, 2, 12, 0, 0, 250000, tzinfo=UTC),
    datetime.datetime(2015, 3, 2, 17, 30, 0, 250000, tzinfo=datetime.timezone(datetime.timedelta(hours=5, minutes=30))),
    datetime.datetime(2015, 3, 2, 7, 0, 0, 250000, tzinfo=zoneinfo.ZoneInfo("America/New_York")),
    datetime.datetime(2015, 3, 1, 23, 59, 59, 999999, tzinfo=datetime.timezone(datetime.timedelta(hours=-12))),
])
def test_aware_datetimes_cross_in_utc(moment):
    instant = orbyx_ext.instant_from_datetime(moment)
    assert instant.time_scale == "utc"
    back = orbyx_ext.datetime_from_instant(instant)
    assert back.tzinfo is UTC
    assert abs(back - moment) <= datetime.timedelta(microseconds=50)


def test_datetimes_refuse_what_has_no_utc_reading(engine):
    with pytest.raises(ValueError, match="^naive datetime refused"):
        orbyx_ext.instant_from_datetime(datetime.datetime(2015, 3, 2))
    with pytest.raises(TypeError, match="must be datetime.datetime, not date"):
        orbyx_ext.instant_from_datetime(datetime.date(2015, 3, 2))
    with pytest.raises(ValueError, match="needs a UTC instant, not tt"):
        orbyx_ext.datetime_from_instant(orbyx.Instant.tt(2457084.0))
    # A UTC day never falls inside a leap second: the second after 23:59:59 is midnight.
    last = orbyx_ext.datetime_from_instant(orbyx.Instant.utc(2457754.5 - 0.5 * SECOND))
    assert abs(last - datetime.datetime(2016, 12, 31, 23, 59, 59, 500000, tzinfo=UTC)) <= datetime.timedelta(microseconds=50)
