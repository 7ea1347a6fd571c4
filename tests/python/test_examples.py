"""The example scripts run and compute what they claim (CPython only: they need matplotlib and dask)."""
import datetime
import importlib.util
import struct
from pathlib import Path

import numpy as np
import pytest

import orbyx

EXAMPLES_DIR = Path(__file__).resolve().parents[2] / "examples"
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def load_example(name):
    # Left out of sys.modules, as when run as a script, so that Dask ships its functions by value.
    spec = importlib.util.spec_from_file_location(name, EXAMPLES_DIR / f"{name}.py")
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


@pytest.fixture(scope="module")
def data():
    from orbyx_cli.default_data import open_data, resolve_files

    return open_data(resolve_files())


@pytest.fixture(scope="module")
def sky():
    pytest.importorskip("matplotlib")
    return load_example("moon_phases_and_analemma")


def test_sky_example_draws_a_png_and_marks_the_lunations_of_the_year(sky, data, tmp_path, capsys):
    png = tmp_path / "sky.png"
    events = sky.main(["--lat", "48.85", "--lon", "2.35", "--year", "2026", "--output", str(png)])

    content = png.read_bytes()
    assert content[:8] == PNG_SIGNATURE and content[12:16] == b"IHDR"
    assert struct.unpack(">II", content[16:24]) == (900, 1000)
    assert len(content) > 30_000  # two drawn panels, not an empty canvas
    assert "wrote" in capsys.readouterr().out

    # 2026 has 12 new Moons and 13 full ones (two in May); the chain of searches agrees.
    assert (len(events["new_moon"]), len(events["full_moon"])) == (12, 13)
    year_end = sky.julian_day(datetime.date(2027, 1, 1))
    for kind in ("new_moon", "full_moon"):
        found, after = [], orbyx.Instant.utc(sky.julian_day(datetime.date(2026, 1, 1)))
        while True:
            after = data.engine.next_lunation(after, kind)
            utc = data.time_scales.convert(after.julian_day, "tt", "utc")
            if utc >= year_end:
                break
            found.append(utc)
        assert events[kind] == found

    # The daily lit fraction bottoms out at each new Moon and peaks at each full Moon.
    days, fraction = sky.moon_phases(data, 2026)
    for kind, extreme in (("new_moon", 0.0), ("full_moon", 1.0)):
        for event in events[kind]:
            nearest = np.argmin(np.abs(days - event))
            assert abs(fraction[nearest] - extreme) < 0.02, (kind, event)


def test_sky_example_lit_fraction_agrees_with_skyfield(sky, data):
    from de421_oracle import load_skyfield_de421
    from skyfield import almanac
    from skyfield.api import load

    tdb_days = 2451545.0 + np.linspace(0.0, 29.5, 60)
    positions = data.engine.positions(["sun", "moon"], [orbyx.Instant.tdb(d) for d in tdb_days], orbyx.apparent())
    ours = sky.lit_fraction(positions[:, 0], positions[:, 1])
    theirs = almanac.fraction_illuminated(load_skyfield_de421(), "moon", load.timescale(builtin=True).tdb_jd(tdb_days))
    np.testing.assert_allclose(ours, theirs, atol=2e-4)


def test_sky_example_analemma_has_the_known_equation_of_time_at_any_longitude(sky, data):
    # Extremes of the equation of time: about -14.2 min near 11 February, +16.4 min near 3 November.
    days = sky.year_days(2026)
    for longitude in (2.35, -122.4, 151.2):
        declination, equation_of_time = sky.analemma(data, orbyx.GeodeticObserver(longitude, 40.0), 2026)
        lowest, highest = np.argmin(equation_of_time), np.argmax(equation_of_time)
        assert -14.4 < equation_of_time[lowest] < -14.0 and sky.to_datetime(days[lowest]).month == 2
        assert 16.2 < equation_of_time[highest] < 16.6 and sky.to_datetime(days[highest]).month in (10, 11)
        assert 23.3 < declination.max() < 23.5 and -23.5 < declination.min() < -23.3


@pytest.fixture(scope="module")
def grid():
    pytest.importorskip("dask")
    pytest.importorskip("distributed")
    return load_example("dask_grid")


def test_dask_example_equals_one_engine_call_bit_for_bit(grid, data, capsys):
    bodies = ["sun", "moon", "mars", "jupiter"]
    # Worker processes, as the script starts them by default: a little slower to start than
    # threads (a few seconds), but they are what the engines' thread binding is built for.
    result = grid.main(["--instants", "300", "--chunk", "64", "--workers", "2", "--bodies", ",".join(bodies)])

    instants = [orbyx.Instant.tdb(day) for day in grid.grid_julian_days(300)]
    expected = data.engine.positions(bodies, instants, orbyx.apparent())
    assert result.shape == expected.shape == (300, 4, 4)
    assert result.tobytes() == expected.tobytes()
    assert "shape (300, 4, 4)" in capsys.readouterr().out
