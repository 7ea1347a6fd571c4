"""Dates and time scales of the command: ISO text both ways, and the same conversions as the engine."""
import datetime
import json
import random
import zoneinfo

import pytest

import orbyx
import orbyx_ext
from orbyx_cli import default_data
from orbyx_cli.calendar import format_instant, parse_instant
from orbyx_cli.day_numbers import julian_day_from_calendar
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


# --- the command on any day of DE421, on civil clocks ---

ANY_YEAR = ["1900-03-01T06:00", "1950-06-15T12:00", "1965-05-01T12:00", "2049-11-20T18:00"]
PARIS = orbyx.GeodeticObserver(2.35, 48.85, 0.0)


def rows(cli, *arguments):
    status, out, err = cli(*arguments, "--format", "json")
    assert (status, err) == (0, ""), err
    return json.loads(out)


def utc_day(text):
    return julian_day_from_calendar(int(text[:4]), int(text[5:7]), int(text[8:10])) + \
        (int(text[11:13]) * 60 + int(text[14:16])) / 1440


def engine_instant(engine, day):
    """The instant the engine should see: UTC within the tables, the companion's TT outside."""
    tt = orbyx_ext.convert(engine, orbyx.Instant.utc(day), "tt")
    return tt.instant if tt.source == "model" else orbyx.Instant.utc(day)


@pytest.mark.parametrize("at", ANY_YEAR)
def test_positions_and_houses_on_any_day_of_the_kernel(cli, data, at):
    document = rows(cli, "positions", "--at", at, "--bodies", "sun,moon,mars")
    instant = engine_instant(data.engine, utc_day(at))
    expected = orbyx_ext.positions(data.engine, ["sun", "moon", "mars"], [instant], orbyx.apparent())[0]
    assert [list(row.values())[3:] for row in document["rows"]] == expected.tolist()
    modelled = at < "1972"
    assert any("from the ΔT model" in line for line in document["header"]) == modelled

    houses = rows(cli, "houses", "--at", at, "--lat", PARIS.latitude_deg, "--lon", PARIS.longitude_east_deg,
                  "--system", "placidus")
    ut1 = orbyx_ext.convert(data.engine, orbyx.Instant.utc(utc_day(at)), "ut1").instant.julian_day
    tt = orbyx_ext.convert(data.engine, orbyx.Instant.utc(utc_day(at)), "tt").instant.julian_day
    cusps = orbyx.house_cusps(PARIS, ut1, tt, "placidus")
    assert [row["placidus"] for row in houses["rows"][:12]] == list(cusps.cusp_ecliptic_longitude_deg)


@pytest.mark.parametrize("at", ANY_YEAR)
def test_sun_and_moon_agree_with_skyfield_on_its_delta_t(cli, at):
    skyfield = pytest.importorskip("skyfield.api")
    from de421_oracle import load_skyfield_de421, longitude_as_iau2000b
    from skyfield.framelib import ecliptic_frame

    document = rows(cli, "positions", "--at", at, "--bodies", "sun,moon")
    kernel, ts = load_skyfield_de421(), skyfield.load.timescale()
    fields = (int(at[:4]), int(at[5:7]), int(at[8:10]), int(at[11:13]), int(at[14:16]))
    # Before 1972 the command reads UTC as UT1; skyfield's UT1 comes from its own ΔT splines.
    t = ts.ut1(*fields) if at < "1972" else ts.utc(*fields)
    for row in document["rows"]:
        place = kernel["earth"].at(t).observe(kernel[row["body"]]).apparent().frame_latlon(ecliptic_frame)
        oracle = float(longitude_as_iau2000b(place[1].degrees, t.tt))
        difference = abs((row["longitude_deg"] - oracle + 180) % 360 - 180) * 3600
        # The Moon moves 0.5" per second of time: near 1972 the companion's model, bent onto the
        # tables, parts from skyfield's splines by some 60 ms (0.03").
        assert difference < (0.1 if at < "1972" and row["body"] == "moon" else 0.01), (row["body"], difference)


# skyfield takes UT1 from its own ΔT splines, the command from the companion's model (or,
# after the table, its held last values): at TT-given instants only the site's turn
# differs. The site moves 0.3 km a second, which shifts the Moon seen from it by up to
# 0.17" a second of ΔT, the Sun and planets by under 1e-4".
MOON_SHIFT_ARCSEC_PER_SECOND = 0.17
PLACES_ARCSEC = 0.01


@pytest.mark.parametrize("at", ANY_YEAR)
def test_topocentric_positions_agree_with_skyfield_on_any_day(cli, data, at):
    skyfield = pytest.importorskip("skyfield.api")
    from de421_oracle import load_skyfield_de421, longitude_as_iau2000b
    from skyfield.framelib import ecliptic_frame

    site = ("--lat", PARIS.latitude_deg, "--lon", PARIS.longitude_east_deg)
    tropical = rows(cli, "positions", "--at", at + " TT", *site, "--bodies", "sun,moon,mars")
    # After the table the command holds its last values (and says so) rather than model them.
    assert any("UT1" in line and "from the ΔT model" in line for line in tropical["header"]) == (at < "1972")
    kernel, ts = load_skyfield_de421(), skyfield.load.timescale()
    t = ts.tt(int(at[:4]), int(at[5:7]), int(at[8:10]), int(at[11:13]), int(at[14:16]))
    ut1 = orbyx_ext.convert(data.engine, orbyx.Instant.tt(t.tt), "ut1").instant.julian_day
    delta_t_apart = abs((t.tt - ut1) * 86400 - t.delta_t)
    observer = kernel["earth"] + skyfield.wgs84.latlon(PARIS.latitude_deg, PARIS.longitude_east_deg)
    for row in tropical["rows"]:
        place = observer.at(t).observe(kernel[row["body"]]).apparent().frame_latlon(ecliptic_frame)
        oracle = float(longitude_as_iau2000b(place[1].degrees, t.tt))
        difference = abs((row["longitude_deg"] - oracle + 180) % 360 - 180) * 3600
        moon = MOON_SHIFT_ARCSEC_PER_SECOND * delta_t_apart if row["body"] == "moon" else 0.0
        assert difference < PLACES_ARCSEC + moon, (row["body"], difference, delta_t_apart)

    # The ayanamsha depends on the instant alone: the same from the site as from the geocentre.
    def ayanamsha(*origin):
        return [(plain["longitude_deg"] - sidereal["longitude_deg"]) % 360 for plain, sidereal in zip(
            rows(cli, "positions", "--at", at + " TT", *origin, "--bodies", "sun,moon")["rows"],
            rows(cli, "positions", "--at", at + " TT", *origin, "--bodies", "sun,moon", "--sidereal", "lahiri")["rows"])]
    assert ayanamsha(*site) == pytest.approx(ayanamsha(), abs=1e-12)
    assert len(set(round(value, 10) for value in ayanamsha(*site))) == 1


@pytest.mark.parametrize("zone, latitude, longitude, first, last", [
    ("Europe/Paris", 48.85, 2.35, "2027-03-27", "2027-03-29"),
    ("America/New_York", 40.71, -74.01, "2027-11-06", "2027-11-08"),
])
def test_rise_and_set_days_on_a_zone_across_daylight_saving(cli, data, zone, latitude, longitude, first, last):
    document = rows(cli, "sun", "--lat", latitude, "--lon", longitude, "--from", first, "--to", last, "--tz", zone)
    assert document["header"][-1].endswith(f"times in {zone}") or any(
        line.endswith(f"times in {zone}") for line in document["header"])
    site, clock = orbyx.GeodeticObserver(longitude, latitude, 0.0), zoneinfo.ZoneInfo(zone)
    offsets = set()
    for row in document["rows"]:
        date = datetime.date.fromisoformat(row["date"])
        start = datetime.datetime.combine(date, datetime.time(), clock)
        end = datetime.datetime.combine(date + datetime.timedelta(days=1), datetime.time(), clock)
        events = orbyx_ext.horizon_events(data.engine, "sun", site, orbyx_ext.instant_from_datetime(start),
                                          orbyx_ext.instant_from_datetime(end), orbyx.SUN_UPPER_LIMB_ALTITUDE_DEG)
        local = {event.kind: orbyx_ext.datetime_from_instant(
            orbyx_ext.convert(data.engine, event.instant, "utc").instant).astimezone(clock) for event in events}
        for column, kind in (("rise", "rise"), ("transit", "upper_transit"), ("set", "set")):
            shown = datetime.datetime.fromisoformat(row[column])
            assert shown.utcoffset() == local[kind].utcoffset()
            assert abs((shown - local[kind]).total_seconds()) <= 0.5, (row["date"], column)
        offsets.add(local["rise"].utcoffset())
    assert len(offsets) == 2  # the clock changed within the range


@pytest.mark.parametrize("command, numbers", [
    ("chart", lambda row: (row["longitude_deg"], row["latitude_deg"])),
    ("sky", lambda row: (row["altitude_deg"], row["azimuth_deg"], row["distance_au"])),
])
def test_chart_and_sky_read_and_show_a_zone_and_note_the_time_model(cli, command, numbers):
    site = ("--lat", PARIS.latitude_deg, "--lon", PARIS.longitude_east_deg)
    on_zone = rows(cli, command, "--at", "2027-07-14T14:00", "--tz", "Europe/Paris", *site)
    in_utc = rows(cli, command, "--at", "2027-07-14T12:00Z", *site)
    assert [numbers(row) for row in on_zone["rows"]] == [numbers(row) for row in in_utc["rows"]]
    assert any("2027-07-14T14:00:00+02:00" in line for line in on_zone["header"]) or \
        {row["time"] for row in on_zone["rows"]} == {"2027-07-14T14:00:00+02:00"}
    assert not any("ΔT model" in line for line in in_utc["header"])
    old = rows(cli, command, "--at", "1950-06-01T12:00", *site)
    assert any("UT1 and UTC before 1972-01-01" in line and "ΔT model" in line for line in old["header"])


def test_west_offset_backward_step_and_a_leap_second(cli, data):
    backward = rows(cli, "positions", "--from", "2027-01-03", "--to", "2027-01-01", "--step", "-1d",
                    "--utc-offset", "-10:00", "--bodies", "sun")["rows"]
    forward = rows(cli, "positions", "--from", "2027-01-01T10:00Z", "--to", "2027-01-03T10:00Z",
                   "--bodies", "sun")["rows"]
    assert [row["time"] for row in backward] == [f"2027-01-0{day}T00:00:00-10:00" for day in (3, 2, 1)]
    assert [list(row.values())[1:] for row in backward] == [list(row.values())[1:] for row in reversed(forward)]
    # Thirty minutes are no exact fraction of a Julian day near 2.46e6: the end is still reached.
    halves = rows(cli, "positions", "--from", "2027-07-14T12:00", "--to", "2027-07-14T13:00", "--step", "30m",
                  "--bodies", "sun")["rows"]
    assert [row["time"][11:16] for row in halves] == ["12:00", "12:30", "13:00"]

    leap = rows(cli, "positions", "--at", "2016-12-31T23:59:60Z", "--bodies", "sun")["rows"][0]
    before = orbyx_ext.convert(data.engine, orbyx.Instant.utc(julian_day_from_calendar(2017, 1, 1)), "tt")
    assert leap["time"] == "2016-12-31T23:59:60"
    site = ("--lat", "48", "--lon", "2")
    assert rows(cli, "sky", "--at", "2016-12-31T23:59:60Z", *site, "--bodies", "sun")["rows"][0]["time"] == \
        "2016-12-31T23:59:60"
    for command in ("chart", "houses"):
        assert "at 2016-12-31T23:59:60 UTC" in rows(cli, command, "--at", "2016-12-31T23:59:60Z", *site)["header"][4]
    assert leap["julian_day_tt"] == pytest.approx(before.instant.julian_day - 1 / 86400, abs=1e-9)


@pytest.mark.parametrize("arguments, status, message", [
    (("sun", "--lat", 1, "--lon", 2, "--tz", "Nowhere/Atlantis"), 2, "--tz: unknown time zone 'Nowhere/Atlantis'"),
    (("moon", "--lat", 1, "--lon", 2, "--date", "2100-01-01"), 1, "2100-01-01 is outside the kernel, which covers"),
    (("events", "--from", "2054-01-01"), 1, "which covers 1899-07-29 to 2053-10-09"),
    (("positions", "--eop", "README.md"), 1, "README.md: invalid IERS EOP"),
])
def test_errors_speak_in_dates_and_options(cli, arguments, status, message):
    code, out, err = cli(*arguments)
    assert (code, out) == (status, "")
    assert err.count("\n") == 1 and message in err and "Julian day" not in err and "::" not in err, err
