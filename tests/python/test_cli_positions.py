"""`orbyx positions` on the default data: the table must carry the module's own numbers."""
import csv
import io
import json
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

import orbyx
import orbyx_ext
from orbyx_cli import default_data
from orbyx_cli.day_numbers import julian_day_from_calendar
from orbyx_cli.planet_centres import STAND_IN_NOTE

from conftest import DUMMY_SHA256, JUP310, LEAPSECONDS

ALL_BUT_EARTH = ["sun", "moon", "mercury", "venus", "mars", "jupiter", "saturn", "uranus", "neptune", "pluto"]
JAN_2024 = julian_day_from_calendar(2024, 1, 1)


@pytest.fixture(scope="module")
def engine(de421, eop_c04):
    """The default data opened by hand, as the command should open them."""
    opened = orbyx.open(de421, DUMMY_SHA256, leap_second_kernel=str(default_data.SHIPPED_LEAP_SECONDS),
                        leap_second_sha256=DUMMY_SHA256, eop=eop_c04, eop_sha256=DUMMY_SHA256)
    opened.with_additional_kernel_file(str(default_data.SHIPPED_PLANET_CENTRES), DUMMY_SHA256)
    return opened


def rows_of(output):
    return json.loads(output)["rows"]


def expected(engine, body, instant, options):
    place = engine.position(body, instant, options)
    return [place.longitude_deg, place.latitude_deg, place.distance_au, place.longitude_speed_deg_per_day]


@pytest.mark.parametrize("arguments, options", [
    ((), orbyx.apparent()),
    (("--geometric", "--origin", "barycentric", "--frame", "equatorial"),
     orbyx.geometric("barycentric", "equatorial")),
    (("--origin", "heliocentric", "--geometric", "--epoch", "of_date"),
     orbyx.PositionOptions("heliocentric", "ecliptic", "of_date", true_ecliptic=True, precession=True,
                           nutation=True)),
])
def test_single_instant_table_holds_the_module_numbers_exactly(cli, engine, arguments, options):
    status, out, err = cli("positions", "--at", "2024-03-10T06:30:00", "--format", "json", *arguments)
    assert (status, err) == (0, "")
    rows = rows_of(out)
    assert len(rows) >= 10
    instant = orbyx.Instant.utc(JAN_2024 + 69 + 6.5 / 24)
    for row in rows:
        assert row["julian_day_utc"] == instant.julian_day
        assert list(row.values())[3:] == expected(engine, row["body"], instant, options), row["body"]


def test_default_bodies_leave_out_the_origin(cli):
    bodies = {origin: [row["body"] for row in rows_of(cli("positions", "--at", "2024-01-01", "--origin", origin,
                                                          "--format", "json")[1])]
              for origin in ("geocentric", "heliocentric", "barycentric")}
    assert bodies["geocentric"] == ALL_BUT_EARTH
    assert "sun" not in bodies["heliocentric"] and "earth" in bodies["heliocentric"]
    assert len(bodies["barycentric"]) == 11


def test_topocentric_and_sidereal_rows(cli, engine):
    paris = orbyx.GeodeticObserver(2.35, 48.85, 35.0)
    status, out, _ = cli("positions", "--at", "2024-06-01T21:00Z", "--lat", 48.85, "--lon", 2.35, "--height", 35,
                         "--frame", "equatorial", "--bodies", "Moon,mars", "--format", "json")
    instant = orbyx.Instant.utc(julian_day_from_calendar(2024, 6, 1) + 21 / 24)
    document = json.loads(out)
    assert status == 0 and any("site: latitude 48.85" in line for line in document["header"])
    for row in document["rows"]:
        assert list(row.values())[3:] == expected(engine, row["body"], instant,
                                                  orbyx.apparent("topocentric", "equatorial", paris))
    status, out, _ = cli("positions", "--at", "2024-06-01T21:00Z", "--sidereal", "lahiri", "--bodies", "sun",
                         "--format", "json")
    place = engine.sidereal_position("sun", instant, orbyx.apparent(), "lahiri")
    assert rows_of(out)[0]["longitude_deg"] == place.longitude_deg


def test_range_in_tt_as_csv_matches_the_batch(cli, engine):
    status, out, _ = cli("positions", "--from", "2024-01-01 TT", "--to", "2024-01-03T00:00:00 TT", "--step", "6h",
                         "--bodies", "sun,moon", "--format", "csv")
    assert status == 0
    lines = [line for line in out.splitlines() if not line.startswith("#")]
    table = list(csv.DictReader(io.StringIO("\n".join(lines))))
    days = [JAN_2024 + k / 4 for k in range(9)]
    assert [float(row["julian_day_tt"]) for row in table[::2]] == days
    assert table[-1]["time"] == "2024-01-03T00:00:00"
    batch = engine.positions(["sun", "moon"], [orbyx.Instant.tt(day) for day in days], orbyx.apparent())
    printed = np.array([[float(row[key]) for key in list(row)[3:]] for row in table]).reshape(9, 2, 4)
    assert np.array_equal(printed, batch)


def test_text_table_is_aligned_and_says_where_planet_centres_come_from(cli):
    status, out, _ = cli("positions", "--at", "2024-01-01T00:00:00")
    header = [line for line in out.splitlines() if line.startswith("#")]
    table = [line for line in out.splitlines() if not line.startswith("#")]
    assert status == 0
    assert any("planet centres 599-999 stand on their system barycentres" in line for line in header)
    assert any("apparent geocentric ecliptic positions, of date; times in UTC" in line for line in header)
    assert table[0].split() == ["time", "body", "longitude_deg", "latitude_deg", "distance_au",
                                "longitude_speed_deg_per_day"]
    assert len({len(line) for line in table[1:]}) == 1  # right-aligned numbers end in one column
    assert table[1].startswith("2024-01-01T00:00:00  sun ")


@pytest.mark.parametrize("lon, height, site", [("270", "-12000", "longitude -90 east, height -12000 m"),
                                               ("-180", "100000", "longitude -180 east, height 100000 m")])
def test_sites_at_the_limits_and_longitudes_past_180_as_west(cli, lon, height, site):
    arguments = ("positions", "--at", "2024-01-01", "--bodies", "sun", "--lat", "10", "--height", height, "--lon")
    status, out, err = cli(*arguments, lon)
    assert (status, err) == (0, "") and f"# site: latitude 10, {site}" in out
    assert out == cli(*arguments, float(lon) - 360.0 if float(lon) > 180.0 else lon)[1]


def synthetic_kernel(write_file, centres=False, last_julian_day=2470000.5):
    from daf_writer import build_daf, constant_segment, tdb_seconds

    links = [(target, 0) for target in range(1, 11)] + [(399, 3), (301, 3)]
    links += [(planet * 100 + 99, planet) for planet in range(1, 10 if centres else 5)]
    return write_file("synthetic.bsp", build_daf([
        constant_segment(target, tdb_seconds(2440000.5), tdb_seconds(last_julian_day), center=center,
                         position=(1e8 + 1e6 * target, 2e7, 3e6)) for target, center in links]))


@pytest.mark.parametrize("kernel, note", [
    (None, STAND_IN_NOTE),
    ({}, STAND_IN_NOTE),
    ({"last_julian_day": 9000000.5}, STAND_IN_NOTE + "; the stand-in covers only -13200-05-06T00:00:00 to "
                                                     "17191-03-15T00:00:00 TDB, outside which those centres fail"),
    ({"centres": True}, "planet centres: 599 from synthetic.bsp for 1968-05-24T00:00:00 to 2050-07-13T00:00:00 TDB;"),
])
def test_a_named_kernel_without_planet_centres_gets_the_stand_in(cli, de421, write_file, kernel, note):
    path = de421 if kernel is None else synthetic_kernel(write_file, **kernel)
    arguments = ("positions", "--at", "2024-01-01", "--bodies", "jupiter,pluto", "--format", "json", "--kernel", path)
    status, out, err = cli(*arguments)
    assert (status, err) == (0, "")
    centres = [line for line in json.loads(out)["header"] if line.startswith("planet centres")]
    holds_centres = kernel == {"centres": True}
    assert len(centres) == 1 and centres[0].startswith(note) and ("barycentres" in centres[0]) != holds_centres
    if kernel is None:  # DE421 named is DE421 by default
        assert rows_of(out) == rows_of(cli(*arguments[:-2])[1])


@pytest.fixture(scope="module")
def true_centres(de421):
    """DE421 and the Jupiter satellite kernel, without the stand-in centres."""
    opened = orbyx_ext.open(de421, DUMMY_SHA256, leap_second_kernel=str(default_data.SHIPPED_LEAP_SECONDS),
                            leap_second_sha256=DUMMY_SHA256)
    opened.with_additional_kernel_file(JUP310, DUMMY_SHA256)
    return opened


def cartesian_km(longitude_deg, latitude_deg, distance_au):
    lon, lat = np.radians(longitude_deg), np.radians(latitude_deg)
    return distance_au * 149597870.7 * np.array([np.cos(lat) * np.cos(lon), np.cos(lat) * np.sin(lon), np.sin(lat)])


@pytest.mark.parametrize("arguments, options", [
    (("--geometric", "--frame", "equatorial"), orbyx.geometric("geocentric", "equatorial")),
    ((), orbyx.apparent()),
])
def test_a_satellite_kernel_puts_jupiter_on_its_true_centre(cli, engine, true_centres, arguments, options):
    # jup310 holds Jupiter's centre (599) as Type 3 from 2015-03-02T00:00 to 2015-03-04 TDB.
    status, out, err = cli("positions", "--at", "2015-03-02T12:00:00", "--bodies", "jupiter,saturn,europa,599",
                           "--add-kernel", JUP310, "--format", "json", *arguments)
    assert (status, err) == (0, "")
    document = json.loads(out)
    assert "planet centres: 599 from jup310-2015-03-02.bsp for 2015-03-02T00:00:00 to 2015-03-04T00:00:00 TDB " \
           "(outside it, on its system barycentre); 699-999 stand on their system barycentres" in document["header"][2]
    instant = orbyx.Instant.utc(julian_day_from_calendar(2015, 3, 2) + 0.5)
    jupiter, saturn, europa, centre = (list(row.values())[3:] for row in document["rows"])
    for body, row in (("jupiter", jupiter), ("europa", europa)):
        place = orbyx_ext.position(true_centres, body, instant, options)
        assert row == [place.longitude_deg, place.latitude_deg, place.distance_au, place.longitude_speed_deg_per_day]
    assert centre == jupiter
    assert saturn == expected(engine, "saturn", instant, options)
    offset = cartesian_km(*jupiter[:3]) - cartesian_km(*expected(engine, "jupiter", instant, options)[:3])
    if options.apparent:
        assert 50 < np.linalg.norm(offset) < 500
        return
    # Geometric J2000: the two differ by exactly the satellite kernel's centre-to-barycentre vector.
    jplephem = pytest.importorskip("jplephem.spk")
    kernel = jplephem.SPK.open(JUP310)
    try:
        centre_offset = kernel[5, 599].compute(orbyx_ext.convert(true_centres, instant, "tdb")[0].julian_day)[:3]
    finally:
        kernel.close()
    assert 50 < np.linalg.norm(centre_offset) < 500
    np.testing.assert_allclose(offset, centre_offset, atol=1e-3)


@pytest.mark.parametrize("arguments, status, message", [
    (("--bodies", "vulcan"), 2, 'unknown body "vulcan"'),
    (("--at", "2024-02-30"), 2, "--at: invalid date '2024-02-30': no such day in the calendar"),
    (("--at", "yesterday"), 2, "--at: invalid date 'yesterday': expected ISO 8601"),
    (("--at", "2024-01-01T24:00"), 2, "the time of day must lie within"),
    (("--from", "2024-01-02", "--to", "2024-01-01"), 2, "--to comes before --from"),
    (("--from", "2024-01-01", "--to", "2024-01-02 TT"), 2, "--from is in UTC but --to in TT"),
    (("--from", "2024-01-01", "--to", "2024-01-02", "--step", "0s"), 2, "--step must not be zero"),
    (("--from", "2024-01-01", "--to", "2024-01-02", "--step", "-1d"), 2, "--to comes after --from, and a negative"),
    (("--from", "2000-01-01", "--to", "2024-01-02", "--step", "1s"), 2, "exceed the limit"),
    (("--at", "2024-01-01", "--step", "1d"), 2, "--step needs --from and --to"),
    (("--header",), 2, "--header adds the provenance to csv and jsonl; --format text always carries it"),
    (("--kernel", "/no/such/kernel.bsp"), 2, "--kernel: no such file: /no/such/kernel.bsp"),
    (("--epoch", "j2000"), 2, "apparent positions are of date: --epoch j2000 needs --geometric"),
    (("--origin", "topocentric"), 2, "a topocentric origin needs --lat and --lon"),
    (("--lat", "95", "--lon", "0"), 2, "--lat must lie within -90 to 90 degrees"),
    (("--lat", "nan", "--lon", "0"), 2, "not a finite number: 'nan'"),
    (("--at", "2100-01-01"), 1, "2100-01-01T00:00:00 UTC is outside de421.bsp, which covers 1899-07-29 to 2053-10-09"),
    (("--at", "1890-06-15T12:00", "--lat", "1", "--lon", "2"), 1, "1890-06-15T12:00:00 UTC is outside de421.bsp, which covers"),
    (("--tz", "Mars/Olympus"), 2, "--tz: unknown time zone 'Mars/Olympus'"),
    (("--tz", "UTC", "--utc-offset", "+01:00"), 2, "give either --tz or --utc-offset"),
    (("--tz", "Europe/Paris", "--scale", "tt"), 2, "--scale tt contradicts"),
    (("--lsk", "README.md"), 1, "README.md: leap-second kernel has no"),
    (("--at", "2016-12-31T23:58:60"), 2, "(23:59:60 in a leap second)"),
    (("--geometric", "--sidereal", "lahiri"), 2, "drop --geometric or --sidereal"),
    (("--epoch", "j2000", "--sidereal", "lahiri"), 2, "apparent and of date: drop --epoch j2000 or --sidereal"),
    (("--sidereal", "lahiri", "--frame", "equatorial"), 2, "drop --frame equatorial or --sidereal"),
    (("--bodies", "mars,earth"), 2, "the Earth is the origin; drop it or use --origin heliocentric or barycentric"),
    (("--bodies", "earth", "--lat", "1", "--lon", "2"), 2, "--bodies earth: the Earth is the origin"),
    (("--bodies", "sun", "--origin", "heliocentric"), 2, "drop it or use --origin geocentric, topocentric or bary"),
    (("--height", "100"), 2, "--height is a site's: give --lat and --lon too, or drop --height"),
    (("--lat", "1", "--lon", "360"), 2, "--lon must lie within -180 to 360 degrees east, not 360"),
    (("--lat", "1", "--lon", "2", "--height", "-12001"), 2, "--height must lie within -12000 to 100000 metres"),
])
def test_bad_input_gives_one_line_and_its_status(cli, arguments, status, message):
    code, out, err = cli("positions", *arguments)
    assert (code, out) == (status, "")
    assert err.count("\n") == 1 and err.startswith("orbyx") and message in err, err


def test_corrupt_kernel_is_an_engine_failure(cli, write_file):
    path = write_file("broken.bsp", b"DAF/SPK " + b"\0" * 100)
    status, out, err = cli("positions", "--kernel", path)
    assert (status, out) == (1, "") and err.startswith(f"orbyx: error: {path}: ") and err.count("\n") == 1


def test_named_time_files_are_read_by_the_engine_itself(cli, write_file):
    eop = write_file("eop.txt", "2024 1 1 0 60310.00 0.1 0.2 0.03\n2024 1 2 0 60311.00 0.1 0.2 oops\n")
    status, out, err = cli("positions", "--eop", eop)
    assert (status, out) == (1, "") and err == f"orbyx: error: {eop}: invalid IERS EOP 20 C04 line 2\n"
    not_utf8 = write_file("eop.bin", b"2024 1 1 0 60310.00 0.1 0.2 0.03 \xff\n")
    status, _, err = cli("positions", "--eop", not_utf8)
    assert status == 1 and err.startswith(f"orbyx: error: {not_utf8}: ") and "UTF-8" in err


def test_unreadable_file_is_one_line(cli):
    # Reading /proc/self/mem from its start fails with EIO, even for root.
    status, out, err = cli("positions", "--lsk", "/proc/self/mem")
    assert (status, out) == (1, "") and err.startswith("orbyx: error: /proc/self/mem: ") and err.count("\n") == 1


def test_missing_default_data_says_how_to_install_it(cli, monkeypatch):
    monkeypatch.setattr(default_data, "default_kernel", lambda: None)
    status, _, err = cli("positions")
    assert status == 2 and "pip install 'orbyx[data]'" in err and "--kernel" in err


def test_progress_bar_only_on_a_terminal(cli, monkeypatch):
    class Terminal(io.StringIO):
        def isatty(self):
            return True

    terminal = Terminal()
    monkeypatch.setattr(sys, "stderr", terminal)
    status, _, _ = cli("positions", "--from", "2024-01-01", "--to", "2024-03-01", "--step", "10m", "--format", "csv")
    assert status == 0
    drawn = terminal.getvalue()
    assert "[" + "#" * 30 + "] 86410/86410 positions" in drawn and drawn.endswith("\r")
    status, _, err = cli("positions", "--from", "2024-01-01", "--to", "2024-03-01", "--step", "10m", "--format",
                         "csv")
    assert "positions" not in err


def test_command_runs_as_a_program_without_traceback(tmp_path):
    script = Path(sys.executable).with_name("orbyx")
    commands = [[sys.executable, "-m", "orbyx_cli"]] + ([[str(script)]] if script.exists() else [])
    for command in commands:
        good = subprocess.run(command + ["positions", "--at", "2024-01-01", "--bodies", "moon"],
                              capture_output=True, text=True)
        assert good.returncode == 0 and "moon" in good.stdout, good.stderr
        bad = subprocess.run(command + ["positions", "--at", "2024-01-01", "--bodies", "pluto,vulcan"],
                             capture_output=True, text=True)
        assert bad.returncode == 2 and bad.stderr.count("\n") == 1 and "Traceback" not in bad.stderr
        nothing = subprocess.run(command, capture_output=True, text=True)
        assert nothing.returncode == 2 and "the following arguments are required: COMMAND" in nothing.stderr
        version = subprocess.run(command + ["--version"], capture_output=True, text=True)
        assert version.returncode == 0 and version.stdout.startswith("orbyx ")


@pytest.mark.parametrize("output_format", ["text", "csv", "json", "jsonl"])
def test_long_runs_are_written_piece_by_piece_as_one_table(cli, monkeypatch, output_format):
    from orbyx_cli import chunked_table

    arguments = ("positions", "--from", "2024-01-01", "--to", "2024-01-02", "--step", "1h", "--bodies",
                 "sun,moon,mars", "--format", output_format)
    whole = cli(*arguments)
    monkeypatch.setattr(chunked_table, "CHUNK_INSTANTS", 7)  # 25 instants: pieces of 7, 7, 7 and 4
    pieces = cli(*arguments)
    assert pieces == whole and whole[0] == 0
    if output_format == "json":
        rows = rows_of(whole[1])
        assert len(rows) == 75 and rows[-1]["time"] == "2024-01-02T00:00:00" and rows[-1]["body"] == "mars"
