"""`orbyx events`, `sun`, `moon` and `houses`: each row must be what the module finds."""
import json

import numpy as np
import pytest

import orbyx
import orbyx_ext
from orbyx_cli import default_data
from orbyx_cli.calendar import format_instant
from orbyx_cli.day_numbers import julian_day_from_calendar

from conftest import DUMMY_SHA256

PARIS = orbyx.GeodeticObserver(2.35, 48.85, 0.0)
TT_MINUS_UTC_DAYS = (37 + 32.184) / 86400  # in force since 2017


@pytest.fixture(scope="module")
def engine(de421, eop_c04):
    return orbyx.open(de421, DUMMY_SHA256, leap_second_kernel=str(default_data.SHIPPED_LEAP_SECONDS),
                      leap_second_sha256=DUMMY_SHA256, eop=eop_c04, eop_sha256=DUMMY_SHA256)


@pytest.fixture(scope="module")
def dut1(eop_c04):
    """UT1 − UTC in days by UTC Julian day, interpolated straight from the C04 columns."""
    table = np.loadtxt(eop_c04, comments="#", usecols=(4, 7))
    return lambda utc: np.interp(utc, table[:, 0] + 2400000.5, table[:, 1]) / 86400


def document(cli, *arguments):
    status, out, err = cli(*arguments, "--format", "json")
    assert (status, err) == (0, ""), err
    return json.loads(out)


def test_events_of_2027_are_the_four_seasons_and_every_lunation(cli, engine):
    rows = document(cli, "events", "--from", "2027-01-01", "--to", "2028-01-01")["rows"]
    kinds = [row["event"] for row in rows]
    assert [kind for kind in kinds if "moon" not in kind] == ["march_equinox", "june_solstice",
                                                             "september_equinox", "december_solstice"]
    assert kinds.count("new_moon") == 13 and kinds.count("full_moon") == 12
    assert [row["julian_day_tt"] for row in rows] == sorted(row["julian_day_tt"] for row in rows)
    start = orbyx.Instant.utc(julian_day_from_calendar(2027, 1, 1))
    for kind in ("june_solstice", "full_moon"):
        found = [row for row in rows if row["event"] == kind][0]
        expected = (engine.next_season_event if kind.endswith("solstice") else engine.next_lunation)(start, kind)
        assert found["julian_day_tt"] == expected.julian_day
        assert found["tt"] == format_instant(expected.julian_day, "millisecond")
        assert found["time"] == format_instant(expected.julian_day - TT_MINUS_UTC_DAYS, "millisecond")
    assert [row["time"][:16] for row in rows if row["event"] == "june_solstice"] == ["2027-06-21T14:10"]


@pytest.mark.parametrize("clock, label, solstice", [
    ((), "UTC", "2027-06-21T14:10:"),
    (("--tz", "Europe/Paris"), "Europe/Paris", "2027-06-21T16:10:"),
])
def test_the_time_column_keeps_its_key_on_any_clock(cli, clock, label, solstice):
    events = document(cli, "events", "--from", "2027-06-01", "--to", "2027-07-01", "--kind", "seasons", *clock)
    assert events["header"][-1].endswith(f"; the time column in {label}")
    assert list(events["rows"][0])[:2] == ["time", "tt"] and events["rows"][0]["time"].startswith(solstice)


def test_event_ranges_are_half_open_and_filtered_by_kind(cli, engine):
    solstice = engine.next_season_event(orbyx.Instant.tt(julian_day_from_calendar(2027, 6, 1)), "june_solstice")
    following = engine.next_season_event(solstice, "june_solstice")
    rows = document(cli, "events", "--from", f"JD {solstice.julian_day!r} TT", "--to",
                    f"JD {following.julian_day!r} TT", "--kind", "seasons")["rows"]
    assert [row["event"] for row in rows] == ["june_solstice", "september_equinox", "december_solstice",
                                              "march_equinox"]
    assert rows[0]["julian_day_tt"] == solstice.julian_day
    old = document(cli, "events", "--from", "1950-01-01 TT", "--to", "1950-04-01 TT", "--kind", "seasons")
    # Before 1972 UTC is UT1 from the ΔT model, and the header says so.
    assert [(row["event"], row["time"][:16]) for row in old["rows"]] == [("march_equinox", "1950-03-21T04:35")]
    assert any(line.startswith("UT1 and UTC before 1972-01-01 (UTC read as UT1) from the ΔT") for line in old["header"])


def test_sun_rise_transit_and_set_are_the_module_events_in_utc(cli, engine, dut1):
    rows = document(cli, "sun", "--lat", 48.85, "--lon", 2.35, "--from", "2024-06-20", "--to", "2024-06-22")["rows"]
    assert [row["date"] for row in rows] == ["2024-06-20", "2024-06-21", "2024-06-22"]
    for day, row in zip(range(20, 23), rows):
        noon = julian_day_from_calendar(2024, 6, day) + 0.5 - 2.35 / 360
        events = engine.rise_set_transit("sun", PARIS, orbyx.Instant.utc(noon), orbyx.SUN_UPPER_LIMB_ALTITUDE_DEG)
        for key in ("rise", "transit", "set"):
            ut1 = getattr(events, f"{key}_ut1_julian_day")
            # The module stops after eight steps at the sidereal rate, the companion's search at
            # convergence: 0.1 s apart at most (0.04 s seen).
            assert abs(row[f"{key}_julian_day_utc"] - (ut1 - dut1(ut1))) * 86400 < 0.1, key
            assert row[key] == format_instant(row[f"{key}_julian_day_utc"], "millisecond"), key


def test_sun_far_beyond_the_eop_table_holds_its_last_values(cli):
    status, out, _ = cli("sun", "--lat", 48.85, "--lon", 2.35, "--date", "2027-06-21")
    assert status == 0
    assert "held at their last values" in out
    assert out.splitlines()[-1].split() == ["2027-06-21", "03:46:57", "11:52:22", "19:57:47"]


def test_explicit_eop_table_is_not_extended_but_modelled(cli, eop_c04):
    status, out, err = cli("sun", "--lat", 48.85, "--lon", 2.35, "--date", "2040-01-01", "--eop", eop_c04)
    assert (status, err) == (0, "") and "UT1 after 2026-02-06 from the ΔT model" in out and "held at their last" not in out


def test_utc_offset_sets_the_clock_of_days_and_times(cli):
    utc = document(cli, "sun", "--lat", 48.85, "--lon", 2.35, "--date", "2024-06-21")["rows"][0]
    local = document(cli, "sun", "--lat", 48.85, "--lon", 2.35, "--date", "2024-06-21", "--utc-offset", "+02:00")
    assert utc["rise"] == "2024-06-21T03:47:05.410" and local["rows"][0]["rise"] == "2024-06-21T05:47:05.410+02:00"
    assert any(line.endswith("times in UTC+02:00") for line in local["header"])
    # Far east the local day starts before the UTC day: Tokyo's sunrise of the 21st is on the 20th in UTC.
    tokyo = document(cli, "sun", "--lat", 35.68, "--lon", 139.69, "--date", "2024-06-21", "--utc-offset", "+09:00")
    assert tokyo["rows"][0]["rise"].startswith("2024-06-21T04:2")


@pytest.mark.parametrize("date, note", [("2024-06-21", "above the altitude all day"),
                                        ("2024-12-21", "below the altitude all day")])
def test_polar_day_and_night(cli, date, note):
    row = document(cli, "sun", "--lat", 80, "--lon", 15, "--date", date)["rows"][0]
    assert (row["rise"], row["set"], row["note"]) == (None, None, note)
    assert row["transit"].startswith(date)


def test_moon_days_list_every_event_once(cli, engine):
    rows = document(cli, "moon", "--lat", 48.85, "--lon", 2.35, "--from", "2024-03-01", "--to", "2024-03-31",
                    "--altitude", orbyx.MEAN_REFRACTION_ALTITUDE_DEG)["rows"]
    start, end = julian_day_from_calendar(2024, 3, 1), julian_day_from_calendar(2024, 4, 1)
    for kind in ("rise", "transit", "set"):
        listed = [time for row in rows if row[kind] for time in row[kind].split(" ")]
        assert all(time.startswith(row["date"]) for row in rows if row[kind] for time in row[kind].split(" "))
        # The same events by chaining the module's next-event search through the month.
        chained, after = [], orbyx.Instant.utc(start)
        while True:
            event = engine.next_horizon_event("moon", PARIS, after, kind, orbyx.MEAN_REFRACTION_ALTITUDE_DEG)
            if event.ut1_julian_day >= end:
                break
            chained.append(event.ut1_julian_day)
            after = orbyx.Instant.ut1(event.ut1_julian_day)
        assert len(listed) == len(chained), kind
        assert len(chained) in (29, 30)  # one day of the month goes without
        assert all(abs(julian_day_from_calendar(int(t[:4]), int(t[5:7]), int(t[8:10])) - start) < 32 for t in listed)


def test_houses_match_the_module_at_the_converted_instants(cli, dut1):
    rows = document(cli, "houses", "--lat", 48.85, "--lon", 2.35, "--at", "2024-05-01T18:00:00")["rows"]
    utc = julian_day_from_calendar(2024, 5, 1) + 0.75
    for system in ("placidus", "campanus", "equal", "whole_sign"):
        cusps = orbyx.house_cusps(PARIS, utc + dut1(utc), utc + TT_MINUS_UTC_DAYS, system)
        printed = {row["quantity"]: row[system] for row in rows}
        assert [printed[f"cusp_{k}"] for k in range(1, 13)] == pytest.approx(cusps.cusp_ecliptic_longitude_deg,
                                                                            abs=1e-9)
        assert printed["ascendant_deg"] == pytest.approx(cusps.ascendant_deg, abs=1e-9)
        assert printed["ramc_deg"] == pytest.approx(cusps.ramc_deg, abs=1e-9)


def test_houses_beyond_the_polar_circle_leave_placidus_out(cli):
    status, out, _ = cli("houses", "--lat", 70, "--lon", 20, "--at", "2024-05-01T18:00:00")
    assert status == 0
    assert "# placidus: house cusps are undefined for this system at the requested latitude" in out
    assert [line for line in out.splitlines() if line.startswith("quantity")][0].split() == \
        ["quantity", "campanus", "equal", "whole_sign"]
    status, out, err = cli("houses", "--lat", 70, "--lon", 20, "--system", "placidus")
    assert (status, out) == (1, "") and err == \
        "orbyx: error: placidus: house cusps are undefined for this system at the requested latitude\n"


@pytest.mark.parametrize("arguments, message", [
    (("sun", "--date", "2024-06-21"), "the following arguments are required: --lat, --lon"),
    (("moon", "--lat", 1, "--lon", 2, "--utc-offset", "+25:00"), "--utc-offset: invalid offset '+25:00'"),
    (("sun", "--lat", 1, "--lon", 2, "--date", "21/06/2024"), "--date: invalid date '21/06/2024'"),
    (("sun", "--lat", 1, "--lon", 2, "--from", "2024-06-21"), "--from and --to go together"),
    (("events", "--from", "2024-01-01", "--to", "2023-01-01"), "--to must come after --from"),
    (("events", "--kind", "eclipses"), "argument --kind: invalid choice: 'eclipses'"),
    (("houses", "--lat", 1, "--lon", 2, "--system", "koch"), "argument --system: invalid choice: 'koch'"),
    (("events", "--kind", "seasons,nodes", "--bodies", "mars"), "--bodies applies to ingresses and stations only"),
    (("moon", "--lat", 1, "--lon", 2, "--altitude", "-91"), "--altitude must lie within -90 to 90 degrees, not -91"),
])
def test_bad_arguments_of_the_event_commands(cli, arguments, message):
    status, out, err = cli(*arguments)
    assert (status, out) == (2, "") and message in err and err.count("\n") == 1, err


# Sign ingresses, stations and the Moon's node crossings, searched a month at a time.

def year_2027_rows(cli, *arguments):
    rows = document(cli, "events", "--from", "2027-01-01 TT", "--to", "2028-01-01 TT", *arguments)["rows"]
    assert [row["julian_day_tt"] for row in rows] == sorted(row["julian_day_tt"] for row in rows)
    return rows


@pytest.mark.parametrize("sidereal", [None, "lahiri", "true_chitra"])
def test_track_events_are_the_companion_searches_over_the_whole_year(cli, sidereal):
    from orbyx_cli.angle_formats import SIGNS
    from orbyx_cli.default_data import open_data, resolve_files
    engine, bodies = open_data(resolve_files()).engine, ("moon", "mercury", "mars", "saturn")
    options = ("--kind", "ingresses,stations,nodes", "--bodies", ",".join(bodies)) + \
        (("--sidereal", sidereal) if sidereal else ())
    shown = sorted((row["event"], row["body"], row["detail"], row["julian_day_tt"])
                   for row in year_2027_rows(cli, *options))
    start, end = (orbyx.Instant.tt(julian_day_from_calendar(year, 1, 1)) for year in (2027, 2028))
    expected = [("node", "moon", event.direction, event.instant.julian_day)
                for event in orbyx_ext.ecliptic_passages(engine, "moon", start, end)]
    for body in bodies:
        expected += [("station", body, event.direction, event.instant.julian_day)
                     for event in orbyx_ext.stations(engine, body, start, end, sidereal)]
        expected += [("ingress", body, f"{SIGNS[sign]} direct" if event.direction == "increasing"
                      else f"{SIGNS[sign - 1]} retrograde", event.instant.julian_day)
                     for sign in range(12) for event in orbyx_ext.longitude_crossings(
                         engine, body, 30.0 * sign, start, end, sidereal)]
    expected.sort()
    assert [row[:3] for row in shown] == [row[:3] for row in expected]
    assert any(row[2].endswith(" retrograde") for row in shown)  # Mercury backing over a sign boundary
    # Against one whole-year search: the same to the last bits but for stations, whose instant,
    # where the rate crosses zero slowly, is searched to about a millisecond.
    for (kind, *_, ours), (*_, theirs) in zip(shown, expected):
        assert abs(ours - theirs) * 86400 < (5e-3 if kind == "station" else 1e-4), kind


def test_tropical_ingresses_and_stations_match_swiss_ephemeris(cli):
    """Swiss's Moshier planets lie within about an arcsecond of DE421: ingresses differed by
    up to 9 s (Jupiter; the Moon's 3 s), stations by 6 s for Mercury and 2.5 min for Pluto."""
    swe = pytest.importorskip("swisseph")
    rows = year_2027_rows(cli, "--kind", "ingresses,stations")
    tolerance_s = {"ingress": 15.0, "station": 180.0}
    for body in ("sun", "moon", "mercury", "venus", "mars", "jupiter", "saturn", "uranus", "neptune", "pluto"):
        code = getattr(swe, body.upper())

        def swiss(tt_day, index):  # index 0: apparent longitude of date, 3: its rate
            return swe.calc(tt_day, code, swe.FLG_MOSEPH | swe.FLG_SPEED)[0][index]

        def root(low, high, function):
            for _ in range(50):
                middle = (low + high) / 2
                low, high = (middle, high) if (function(middle) > 0) == (function(low) > 0) else (low, middle)
            return low

        theirs = {"ingress": [], "station": []}
        days = np.arange(julian_day_from_calendar(2027, 1, 1), julian_day_from_calendar(2028, 1, 1), 0.25)
        for before, after in zip(days, days[1:]):
            signs = swiss(before, 0) // 30, swiss(after, 0) // 30
            if signs[0] != signs[1]:
                boundary = 30.0 * max(signs) % 360 if abs(signs[0] - signs[1]) == 1 else 0.0
                theirs["ingress"].append(root(before, after, lambda t: (swiss(t, 0) - boundary + 180) % 360 - 180))
            if (swiss(before, 3) > 0) != (swiss(after, 3) > 0):
                theirs["station"].append(root(before, after, lambda t: swiss(t, 3)))
        for kind, found in theirs.items():
            ours = [row["julian_day_tt"] for row in rows if (row["event"], row["body"]) == (kind, body)]
            assert len(ours) == len(found) and np.abs(np.subtract(ours, found)).max(initial=0) * 86400 < \
                tolerance_s[kind], (body, kind, ours, found)


@pytest.mark.parametrize("to, kind, refusal", [
    ("2060-01-01", "all", "2060-01-01T00:00:00 UTC is outside de421.bsp, which covers 1899-07-29 to 2053-10-09"),
    ("2053-10-01", "lunations", "the first new_moon after 2053-10-01T00:00:00 UTC lies past the end of de421.bsp"),
    ("2053-10-01", "seasons,nodes", None),
])
def test_ranges_are_checked_against_the_kernel_before_any_search(cli, to, kind, refusal):
    status, out, err = cli("events", "--from", "2027-01-01" if refusal else "2053-01-01", "--to", to, "--kind", kind)
    if refusal:
        assert (status, out) == (1, "") and err.startswith(f"orbyx: error: {refusal}") and err.count("\n") == 1
    else:
        # Seasons up to the kernel's last months, though the next equinox lies beyond it.
        assert (status, err) == (0, "") and out.splitlines()[-1].split()[2:] == ["node", "moon", "descending"]
        assert "2053-09-22T13:06:34" in out


def test_a_failure_midway_keeps_every_month_searched_before_it(cli, tmp_path):
    from daf_writer import build_daf, constant_segment, tdb_seconds
    asteroid = tmp_path / "asteroid.bsp"  # ends on 2027-05-01, in the fourth month searched
    first, last = julian_day_from_calendar(2027, 1, 1), julian_day_from_calendar(2027, 5, 1)
    asteroid.write_bytes(build_daf([constant_segment(2000001, tdb_seconds(first), tdb_seconds(last), center=10,
                                                     position=(3e8, 0.0, 0.0))]))
    arguments = ("events", "--from", "2027-01-02", "--kind", "ingresses", "--bodies", "sun,2000001",
                 "--add-kernel", asteroid, "--format", "json")
    status, out, err = cli(*arguments, "--to", "2028-01-01")
    assert status == 1 and err.startswith("orbyx: error: ") and err.count("\n") == 1
    written = json.loads(out)["rows"]
    assert written == document(cli, *arguments[:-2], "--to", "2027-04-02")["rows"]
    assert 2000001 in [row["body"] for row in written] and written[-1]["detail"] == "Ari direct"
