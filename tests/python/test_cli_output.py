"""The command's machine formats read back, by the usual readers, to the engine's own floats."""
import csv
import io
import json

import numpy as np
import pytest

import orbyx
from orbyx_cli import default_data
from orbyx_cli.day_numbers import julian_day_from_calendar

from conftest import DUMMY_SHA256

BODIES = ["sun", "moon", "mars"]
RANGE = ("positions", "--from", "2024-01-01", "--to", "2024-01-02T12:00", "--step", "90m",
         "--bodies", ",".join(BODIES))
COORDINATES = ["longitude_deg", "latitude_deg", "distance_au", "longitude_speed_deg_per_day"]
COLUMNS = ["time", "julian_day_utc", "body"] + COORDINATES


@pytest.fixture(scope="module")
def batch(de421, eop_c04):
    """The range's positions straight from Engine.positions, on the command's default data."""
    engine = orbyx.open(de421, DUMMY_SHA256, leap_second_kernel=str(default_data.SHIPPED_LEAP_SECONDS),
                        leap_second_sha256=DUMMY_SHA256, eop=eop_c04, eop_sha256=DUMMY_SHA256)
    engine.with_additional_kernel_file(str(default_data.SHIPPED_PLANET_CENTRES), DUMMY_SHA256)
    days = [julian_day_from_calendar(2024, 1, 1) + k / 16 for k in range(25)]
    return days, engine.positions(BODIES, [orbyx.Instant.utc(day) for day in days], orbyx.apparent())


def assert_rows_hold(rows, batch):
    days, values = batch
    assert [row["body"] for row in rows] == BODIES * len(days)
    assert [float(row["julian_day_utc"]) for row in rows[::len(BODIES)]] == days
    printed = np.array([[float(row[key]) for key in COORDINATES] for row in rows]).reshape(values.shape)
    assert np.array_equal(printed, values)  # every float to the bit


def test_csv_is_one_header_row_and_rows_that_readers_take_as_is(cli, batch):
    status, out, err = cli(*RANGE, "--format", "csv")
    assert (status, err) == (0, "")
    assert out.splitlines()[0] == ",".join(COLUMNS)
    rows = list(csv.DictReader(io.StringIO(out)))
    assert rows[len(BODIES)]["time"] == "2024-01-01T01:30:00"
    assert_rows_hold(rows, batch)
    pandas = pytest.importorskip("pandas")
    frame = pandas.read_csv(io.StringIO(out))
    assert list(frame.columns) == COLUMNS and all(frame[key].dtype == np.float64 for key in COORDINATES)
    # pandas' default float parser may miss the last bits; its round-trip parser must not.
    np.testing.assert_allclose(frame[COORDINATES].to_numpy().reshape(batch[1].shape), batch[1], rtol=1e-11)
    exact = pandas.read_csv(io.StringIO(out), float_precision="round_trip")
    assert_rows_hold(exact.to_dict("records"), batch)


@pytest.mark.parametrize("output_format", ["json", "jsonl"])
def test_json_and_json_lines_hold_the_same_rows(cli, batch, output_format):
    status, out, _ = cli(*RANGE, "--format", output_format)
    assert status == 0
    rows = json.loads(out)["rows"] if output_format == "json" else [json.loads(line) for line in out.splitlines()]
    assert [list(row) for row in rows] == [COLUMNS] * len(rows)
    assert_rows_hold(rows, batch)


@pytest.mark.parametrize("command", [RANGE, ("sky", "--at", "2024-01-01", "--lat", 48.85, "--lon", 2.35),
                                     ("houses", "--at", "2024-01-01", "--lat", 48.85, "--lon", 2.35)])
def test_header_option_gives_the_text_formats_provenance(cli, command):
    provenance = [line for line in cli(*command)[1].splitlines() if line.startswith("# ")]
    assert any(line.startswith("# kernel: de421.bsp") for line in provenance)
    plain_csv, with_header = cli(*command, "--format", "csv")[1], cli(*command, "--format", "csv", "--header")[1]
    assert "#" not in plain_csv and with_header == "\n".join(provenance) + "\n" + plain_csv
    jsonl = cli(*command, "--format", "jsonl", "--header")[1].splitlines()
    assert json.loads(jsonl[0]) == {"header": [line[2:] for line in provenance]}
    assert jsonl[1:] == cli(*command, "--format", "jsonl")[1].splitlines()
    assert json.loads(cli(*command, "--format", "json")[1])["header"] == [line[2:] for line in provenance]


@pytest.mark.parametrize("output_format", ["text", "csv", "json", "jsonl"])
def test_a_grid_in_bulk_writes_what_row_by_row_writes(output_format):
    from orbyx_cli.output import Column, TableWriter, fixed

    columns = [Column("time"), Column("julian_day_tt"), Column("body")] + [
        Column(key, fixed(6), printf="%.6f", width=12) for key in ("a", "b", "c")]
    instants = [("2027-01-01T00:00:00", 2461406.5), ('odd, "quoted"', 1e-7)]
    bodies = [("sun",), ("moon\n",)]
    values = np.array([[[1e16, -0.0, 123.456789], [1e-5, 0.1, -280.5]]] * 2)

    def written(in_bulk):
        stream = io.StringIO()
        writer = TableWriter(stream, output_format, ["provenance"], columns, with_header=True)
        for _ in range(2):  # a second piece continues the first
            if in_bulk:
                writer.write_grid(instants, bodies, values)
            else:
                writer.write(writer._rows(instants, bodies, values))
        writer.close()
        return stream.getvalue()

    assert written(True) == written(False)
