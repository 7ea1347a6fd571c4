"""The data files the command line ships: written by tools/write_default_data.py, used by orbyx."""
import datetime
import math
import os
import re
import subprocess
import sys

import numpy
import pytest
from jplephem.spk import SPK

import orbyx
from conftest import DUMMY_SHA256, LEAPSECONDS, TESTS_DIR
from daf_writer import build_daf, constant_segment, tdb_seconds

ROOT = os.path.normpath(os.path.join(TESTS_DIR, "..", ".."))
TOOL = os.path.join(ROOT, "tools", "write_default_data.py")
DATA_DIR = os.path.join(ROOT, "src", "cli", "orbyx_cli", "data")
SHIPPED_LEAPSECONDS = os.path.join(DATA_DIR, "leapseconds.tls")
PLANET_CENTRES = os.path.join(DATA_DIR, "planet_centres.bsp")
DATA_FILES = ("leapseconds.tls", "planet_centres.bsp")

DE441_SPAN = (-3100015.5, 8000016.5)
KM_PER_AU = 149597870.7
# Julian day at 0h of the proleptic Gregorian day whose ordinal is 0.
ORDINAL_TO_JULIAN_DAY = 1721424.5
FIRST_UTC_JULIAN_DAY = 2441317.5  # 1972 January 1
SECONDS_PER_DAY = 86400.0
SYSTEMS = {"mars": 4, "jupiter": 5, "saturn": 6, "uranus": 7, "neptune": 8, "pluto": 9}
BARYCENTRIC = orbyx.geometric("barycentric", "equatorial")


def run_tool(*arguments):
    return subprocess.run([sys.executable, TOOL, *arguments], capture_output=True, text=True)


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def test_committed_files_are_what_the_tool_writes():
    result = run_tool("--check")
    assert result.returncode == 0, result.stderr


def test_check_reports_a_stale_file_in_one_line(tmp_path):
    assert run_tool("--output-dir", str(tmp_path)).returncode == 0
    for name in DATA_FILES:
        assert read_bytes(tmp_path / name) == read_bytes(os.path.join(DATA_DIR, name))

    stale = tmp_path / "planet_centres.bsp"
    stale.write_bytes(stale.read_bytes()[:-1] + b"\1")
    result = run_tool("--check", "--output-dir", str(tmp_path))
    assert result.returncode == 1
    assert result.stderr.count("\n") == 1 and "planet_centres.bsp" in result.stderr
    assert "leapseconds.tls" not in result.stderr


def leap_second_dates_of_the_test_kernel():
    """UTC Julian days of the leap-second entries of the test suite's own kernel."""
    with open(LEAPSECONDS, encoding="ascii") as f:
        dates = re.findall(r"@(\d{4})-(JAN|JUL)-1\b", f.read())
    assert len(dates) == 28
    return [datetime.date(int(year), 1 if month == "JAN" else 7, 1).toordinal() + ORDINAL_TO_JULIAN_DAY
            for year, month in dates]


def open_with_leap_seconds(de421, kernel):
    return orbyx.open(de421, DUMMY_SHA256, leap_second_kernel=kernel, leap_second_sha256=DUMMY_SHA256)


def test_shipped_leap_seconds_convert_utc_like_the_suite_kernel(de421):
    offsets = [-0.5 * SECONDS_PER_DAY, -1.5, -0.5, -1e-3, 0.0, 1e-3, 0.5, 1.5, 0.5 * SECONDS_PER_DAY]
    days = [day + offset / SECONDS_PER_DAY for day in leap_second_dates_of_the_test_kernel() for offset in offsets]
    instants = [orbyx.Instant.utc(day) for day in days if day >= FIRST_UTC_JULIAN_DAY]
    instants.append(orbyx.Instant.utc(2460000.5))
    # The Moon moves 0.5 arcsec a second: a slipped leap second is far above rounding.
    bodies = ["sun", "moon"]
    shipped, expected = (open_with_leap_seconds(de421, kernel).positions(bodies, instants, orbyx.geometric())
                         for kernel in (SHIPPED_LEAPSECONDS, LEAPSECONDS))
    assert numpy.array_equal(shipped, expected)


@pytest.mark.parametrize("julian_day", [FIRST_UTC_JULIAN_DAY - 1.0 / SECONDS_PER_DAY, 2430000.5])
def test_shipped_leap_seconds_refuse_utc_before_1972_like_the_suite_kernel(de421, julian_day):
    messages = []
    for kernel in (SHIPPED_LEAPSECONDS, LEAPSECONDS):
        with pytest.raises(ValueError) as info:
            engine = open_with_leap_seconds(de421, kernel)
            engine.position("sun", orbyx.Instant.utc(julian_day), orbyx.geometric())
        messages.append(str(info.value))
    assert messages[0] == messages[1]
    assert "precedes the kernel's earliest leap-second entry" in messages[0]


def cartesian_km(position):
    longitude, latitude = math.radians(position.longitude_deg), math.radians(position.latitude_deg)
    r = position.distance_au * KM_PER_AU
    return numpy.array([r * math.cos(latitude) * math.cos(longitude),
                        r * math.cos(latitude) * math.sin(longitude), r * math.sin(latitude)])


def longitude_speed_deg_per_day(position_km, velocity_km_per_day):
    x, y, _ = position_km
    vx, vy, _ = velocity_km_per_day
    return math.degrees((x * vy - y * vx) / (x * x + y * y))


def assert_same_point(position, expected_km):
    # 1 mm, widened by the last-place rounding of the spherical round trip:
    # one unit in the last place of 30 au is already 0.95 mm.
    tolerance_km = 1e-6 + 4 * math.ulp(float(numpy.linalg.norm(expected_km)))
    assert numpy.max(numpy.abs(cartesian_km(position) - expected_km)) <= tolerance_km


@pytest.mark.parametrize("julian_day", [2414864.5, 2451545.0, 2460000.25, 2471184.5])
def test_planet_centres_sit_on_de421_system_barycentres(de421, julian_day):
    engine = orbyx.open(de421, DUMMY_SHA256)
    engine.with_additional_kernel_file(PLANET_CENTRES, DUMMY_SHA256)
    with SPK.open(de421) as oracle:
        for body, barycentre in SYSTEMS.items():
            position = engine.position(body, orbyx.Instant.tdb(julian_day), BARYCENTRIC)
            expected_km, velocity = oracle[0, barycentre].compute_and_differentiate(julian_day)
            if body == "mars":
                # DE421's own Mars centre comes first, the primary kernel being searched
                # first; its offset is zero in DE421, so only the sum can be checked here.
                expected_km = expected_km + oracle[4, 499].compute(julian_day)
            assert_same_point(position, expected_km)
            assert position.longitude_speed_deg_per_day == pytest.approx(
                longitude_speed_deg_per_day(expected_km, velocity), rel=1e-12)


@pytest.mark.parametrize("centres_first", [False, True])
def test_the_first_attached_kernel_with_a_centre_answers(de421, write_file, centres_first):
    # So a satellite kernel attached before the centres gives the true centre.
    julian_day, offset_km = 2451545.0, numpy.array([100.0, -50.0, 25.0])
    satellites = write_file("satellites.bsp", build_daf([constant_segment(
        599, tdb_seconds(2414864.5), tdb_seconds(2471184.5), center=5, position=offset_km)]))
    engine = orbyx.open(de421, DUMMY_SHA256)
    for path in [PLANET_CENTRES, satellites] if centres_first else [satellites, PLANET_CENTRES]:
        engine.with_additional_kernel_file(path, DUMMY_SHA256)
    with SPK.open(de421) as oracle:
        barycentre_km = oracle[0, 5].compute(julian_day)
    position = engine.position("jupiter", orbyx.Instant.tdb(julian_day), BARYCENTRIC)
    assert_same_point(position, barycentre_km if centres_first else barycentre_km + offset_km)


def test_planet_centres_alone_cover_the_span_of_de441():
    supported = orbyx.open(PLANET_CENTRES, DUMMY_SHA256).supported_range
    assert (supported.start_julian_day, supported.end_julian_day) == DE441_SPAN
    assert supported.time_scale == "tdb"


def test_planet_centres_read_by_jplephem_with_their_naif_comment_area():
    with SPK.open(PLANET_CENTRES) as kernel:
        segments = [(s.center, s.target, s.frame, s.data_type, s.start_jd, s.end_jd)
                    for s in kernel.segments]
        assert segments == [(n, n * 100 + 99, 1, 2, *DE441_SPAN) for n in SYSTEMS.values()]
        for segment in kernel.segments:
            for julian_day in DE441_SPAN:
                assert list(segment.compute(julian_day)) == [0.0, 0.0, 0.0]
        # The comment area ends at EOT; jplephem turns its NUL line ends into newlines.
        comments = kernel.comments()
        assert comments.startswith("orbyx default kernel: planet centres") and "\0" not in comments
        assert comments.rstrip().endswith("Written by orbyx's tools/write_default_data.py; do not edit.")
