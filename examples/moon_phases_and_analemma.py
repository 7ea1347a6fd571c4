"""A year of Moon phases and the Sun's analemma at a site, drawn into a PNG file.

    python examples/moon_phases_and_analemma.py --lat 48.85 --lon 2.35 --year 2026 --output sky.png

Top: the lit fraction of the Moon's disc at 00:00 UTC each day, with the new and full Moons
found by `engine.next_lunation`. Bottom: where the Sun stands at 12:00 local mean time each
day, its declination against the equation of time (how far the sundial runs ahead of the
clock): the figure-eight the Sun traces when seen at the same clock time every day.

Needs matplotlib (`pip install 'orbyx[plot]'`) and the default data (`pip install 'orbyx[data]'`).
"""
import argparse
import datetime

import matplotlib

matplotlib.use("Agg")  # draw into the file only, never in a window
import matplotlib.dates  # noqa: E402 - after the backend is chosen
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
import orbyx  # noqa: E402
from orbyx_cli.default_data import open_data, resolve_files  # noqa: E402

JULIAN_DAY_OF_ORDINAL_ZERO = 1721424.5  # Julian day at 00:00 of the day before 0001-01-01


def julian_day(date):
    return date.toordinal() + JULIAN_DAY_OF_ORDINAL_ZERO


def to_datetime(day):
    return datetime.datetime(1, 1, 1) + datetime.timedelta(days=day - JULIAN_DAY_OF_ORDINAL_ZERO - 1)


def year_days(year):
    """Julian days of 00:00 on each day of the year."""
    return np.arange(julian_day(datetime.date(year, 1, 1)), julian_day(datetime.date(year + 1, 1, 1)))


def lit_fraction(sun, moon):
    """Lit fraction of the Moon's disc from apparent geocentric ecliptic positions.

    `sun` and `moon` are rows of (longitude°, latitude°, distance au, speed). The Moon's
    elongation ψ from the Sun: cos ψ = sin β☾ sin β☉ + cos β☾ cos β☉ cos(λ☾ − λ☉); its phase
    angle i, seen from the Moon between Sun and Earth: tan i = R sin ψ / (Δ − R cos ψ), with R
    and Δ the distances of Sun and Moon; the lit fraction is (1 + cos i) / 2.
    """
    lon_sun, lat_sun, r = np.radians(sun[:, 0]), np.radians(sun[:, 1]), sun[:, 2]
    lon_moon, lat_moon, delta = np.radians(moon[:, 0]), np.radians(moon[:, 1]), moon[:, 2]
    cos_elongation = (np.sin(lat_moon) * np.sin(lat_sun)
                      + np.cos(lat_moon) * np.cos(lat_sun) * np.cos(lon_moon - lon_sun))
    elongation = np.arccos(np.clip(cos_elongation, -1.0, 1.0))
    phase_angle = np.arctan2(r * np.sin(elongation), delta - r * np.cos(elongation))
    return (1.0 + np.cos(phase_angle)) / 2.0


def moon_phases(data, year):
    """UTC days of the year and the Moon's lit fraction at each."""
    days = year_days(year)
    instants = [orbyx.Instant.utc(day) for day in days]
    sun_and_moon = data.engine.positions(["sun", "moon"], instants, orbyx.apparent())
    return days, lit_fraction(sun_and_moon[:, 0], sun_and_moon[:, 1])


def lunations(data, year, kind):
    """UTC Julian days of the year's new or full Moons (kind "new_moon" or "full_moon")."""
    days = year_days(year)
    end = days[-1] + 1.0
    found = []
    after = orbyx.Instant.utc(days[0])
    while True:
        event = data.engine.next_lunation(after, kind)  # a TT instant
        utc = data.time_scales.convert(event.julian_day, "tt", "utc")
        if utc >= end:
            return found
        found.append(utc)
        after = orbyx.Instant.tt(event.julian_day + 1.0)  # lunations are 29.5 days apart


def analemma(data, observer, year):
    """The Sun's declination and the equation of time (minutes) at 12:00 local mean time each day.

    Local mean time is UT1 moved by the longitude, so 12:00 there is UT1 12:00 − longitude/15 h.
    The Sun's hour angle H is the local apparent sidereal time less its right ascension;
    apparent solar time is 12:00 + H, so at 12:00 mean time the equation of time (apparent
    minus mean solar time) is H itself, at 4 minutes per degree.
    """
    ut1_days = year_days(year) + 0.5 - observer.longitude_east_deg / 360.0
    instants = [orbyx.Instant.ut1(day) for day in ut1_days]
    options = orbyx.apparent("topocentric", "equatorial", observer)
    sun = data.engine.positions(["sun"], instants, options)[:, 0]
    right_ascension, declination = sun[:, 0], sun[:, 1]
    sidereal_time = np.array([
        orbyx.house_cusps(observer, day, data.time_scales.convert(day, "ut1", "tt"), "equal")
        .local_sidereal_time_deg for day in ut1_days])
    hour_angle = (sidereal_time - right_ascension + 180.0) % 360.0 - 180.0
    return declination, 4.0 * hour_angle


def draw(path, year, observer, phases, new_moons, full_moons, sun):
    days, fraction = phases
    declination, equation_of_time = sun
    figure, (top, bottom) = plt.subplots(2, 1, figsize=(9, 10), height_ratios=(1, 1.6))
    top.plot([to_datetime(day) for day in days], fraction, color="0.3", linewidth=1)
    top.plot([to_datetime(day) for day in new_moons], [0.0] * len(new_moons), "o", color="black",
             label="new Moon")
    top.plot([to_datetime(day) for day in full_moons], [1.0] * len(full_moons), "o", color="gold",
             markeredgecolor="black", label="full Moon")
    top.xaxis.set_major_formatter(matplotlib.dates.DateFormatter("%b"))
    top.set(title=f"The Moon in {year}: lit fraction at 00:00 UTC", ylabel="lit fraction", ylim=(-0.08, 1.3),
            yticks=(0.0, 0.25, 0.5, 0.75, 1.0))
    top.legend(loc="upper center", ncols=2, fontsize="small")
    bottom.plot(equation_of_time, declination, ".", color="darkorange", markersize=4)
    for day, x, y in zip(days, equation_of_time, declination):
        moment = to_datetime(day)
        if moment.day == 1:
            bottom.annotate(moment.strftime("%b"), (x, y), xytext=(5, 0), textcoords="offset points",
                            fontsize="small", va="center")
    place = f"latitude {observer.latitude_deg:g}°, longitude {observer.longitude_east_deg:g}°"
    bottom.set(title=f"The Sun at 12:00 local mean time, {place}",
               xlabel="equation of time (minutes, sundial ahead of clock)", ylabel="declination (°)")
    bottom.grid(alpha=0.3)
    figure.tight_layout()
    figure.savefig(path, dpi=100)
    plt.close(figure)


def format_utc(day):
    return to_datetime(day).strftime("%Y-%m-%d %H:%M UTC")


def main(argv=None):
    """Draws the figure; returns {"new_moon": [...], "full_moon": [...]} as UTC Julian days."""
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--lat", type=float, required=True, help="geodetic latitude, degrees north")
    parser.add_argument("--lon", type=float, required=True, help="longitude, degrees east")
    parser.add_argument("--year", type=int, required=True)
    parser.add_argument("--output", required=True, help="PNG file to write")
    args = parser.parse_args(argv)
    data = open_data(resolve_files())
    observer = orbyx.GeodeticObserver(args.lon, args.lat)
    events = {kind: lunations(data, args.year, kind) for kind in ("new_moon", "full_moon")}
    draw(args.output, args.year, observer, moon_phases(data, args.year), events["new_moon"],
         events["full_moon"], analemma(data, observer, args.year))
    for line in data.header + data.ut1_notes(year_days(args.year)[-1] + 1.0):
        print(f"# {line}")
    for kind, days in events.items():
        print(f"{kind.replace('_', ' ')}: " + ", ".join(format_utc(day) for day in days))
    print(f"wrote {args.output}")
    return events


if __name__ == "__main__":
    main()
