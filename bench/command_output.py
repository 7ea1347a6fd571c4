"""The `orbyx` command writing a year of hourly positions of ten bodies as CSV, against
skyfield doing the same work.

orbyx: `orbyx positions --from 2027-01-01 --to 2028-01-01 --step 1h --bodies (the ten)
--format csv` run as a subprocess on its default data (DE421 from skyfield-data), output
discarded, so the time includes the interpreter's start. skyfield: a subprocess of this
file that loads DE421 and computes the same 8,761 hourly instants' apparent geocentric
positions on the ecliptic of date (with longitude rates) for the same ten bodies, and
writes the same CSV columns with csv.writer. Medians of a few runs each.
"""
import csv
import io
import os
import statistics
import subprocess
import sys
import time

from common import BODIES, interpreter, skyfield_name, skyfield_setup

COMMAND = ["positions", "--from", "2027-01-01", "--to", "2028-01-01", "--step", "1h",
           "--bodies", ",".join(BODIES), "--format", "csv"]
RUNS = 5
FIRST_UTC_DAY = 2461406.5  # 2027-01-01T00:00 UTC


def skyfield_csv(stream):
    from skyfield.framelib import ecliptic_frame

    planets, timescale = skyfield_setup()
    earth = planets["earth"]
    hours = range(365 * 24 + 1)
    times = timescale.utc(2027, 1, 1, hours)
    writer = csv.writer(stream, lineterminator="\n")
    writer.writerow(["time", "julian_day_utc", "body", "longitude_deg", "latitude_deg", "distance_au",
                     "longitude_speed_deg_per_day"])
    columns = []
    for body in BODIES:
        apparent = earth.at(times).observe(planets[skyfield_name(body)]).apparent()
        latitude, longitude, distance, _, longitude_rate, _ = apparent.frame_latlon_and_rates(ecliptic_frame)
        columns.append((longitude.degrees.tolist(), latitude.degrees.tolist(), distance.au.tolist(),
                        longitude_rate.degrees.per_day.tolist()))
    stamps = times.utc_iso()
    days = [FIRST_UTC_DAY + hour / 24.0 for hour in hours]
    for index, (stamp, day) in enumerate(zip(stamps, days)):
        for body, (longitudes, latitudes, distances, rates) in zip(BODIES, columns):
            writer.writerow([stamp[:-1], repr(day), body, repr(longitudes[index]), repr(latitudes[index]),
                             repr(distances[index]), repr(rates[index])])


def worst_longitude_difference_arcsec(ours_command, peer_command):
    """The two tables side by side, so that the timed work is the same work."""
    tables = [list(csv.DictReader(io.StringIO(subprocess.run(command, capture_output=True, text=True,
                                                             check=True).stdout)))
              for command in (ours_command, peer_command)]
    assert [(row["time"], row["body"]) for row in tables[0]] == [(row["time"], row["body"]) for row in tables[1]]
    return max(abs((float(ours["longitude_deg"]) - float(peer["longitude_deg"]) + 180.0) % 360.0 - 180.0)
               for ours, peer in zip(*tables)) * 3600.0


def seconds_of(command):
    spans = []
    with open(os.devnull, "w") as sink:
        for _ in range(RUNS):
            start = time.perf_counter()
            subprocess.run(command, stdout=sink, check=True)
            spans.append(time.perf_counter() - start)
    return statistics.median(spans)


def main():
    ours_command = [sys.executable, "-m", "orbyx_cli", *COMMAND]
    peer_command = [sys.executable, os.path.abspath(__file__), "--skyfield"]
    worst = worst_longitude_difference_arcsec(ours_command, peer_command)
    ours = seconds_of(ours_command)
    peer = seconds_of(peer_command)
    print(f"orbyx positions, a year hourly for 10 bodies as CSV (8,761 x 10 rows; {interpreter()})")
    print(f"  orbyx    {ours:6.3f} s (target 0.4 s)")
    print(f"  skyfield {peer:6.3f} s (same rows and columns, csv.writer; longitudes within {worst:.3f} arcsec)")
    print(f"  skyfield takes {peer / ours:.1f}x orbyx's time")


if __name__ == "__main__":
    if sys.argv[1:] == ["--skyfield"]:
        skyfield_csv(sys.stdout)
    else:
        main()
