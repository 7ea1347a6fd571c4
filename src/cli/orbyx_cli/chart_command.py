"""`orbyx chart`: a whole chart at one instant for one site, as `orbyx_ext.chart` gives it."""
from __future__ import annotations

import argparse
import sys
from typing import Any, Dict, List, Optional

import orbyx
import orbyx_ext

from .angle_formats import angle_text
from .bodies import body_failure, body_list
from .clock import add_clock_options
from .errors import ENGINE_FAILURE, CommandError
from .options import (add_angles_option, add_data_options, add_format_option, add_scale_option, add_site_options,
                      instant_argument, instant_heading, observer_from, opened_data)
from .output import Column, fixed, write_table

HOUSE_SYSTEMS = ("placidus", "koch", "regiomontanus", "campanus", "porphyry", "equal", "whole_sign", "alcabitius",
                 "topocentric", "morinus", "meridian", "vehlow", "sripati")
SIDEREAL_MODES = ("lahiri", "fagan_bradley", "krishnamurti", "raman", "yukteshwar", "j2000", "j1900", "b1950",
                  "true_chitra", "true_revati", "true_pushya", "galactic_centre")
# The nodes and apogees most charts show; --all-points adds the south nodes and perigees.
DEFAULT_POINTS = ("mean_node", "true_node", "mean_apogee", "osculating_apogee")
# (row name, HouseCusps field, kind of angle): how each angle shows in the dms and zodiac styles.
ANGLES = (("ascendant", "ascendant_deg", "longitude"), ("midheaven", "midheaven_deg", "longitude"),
          ("vertex", "vertex_deg", "longitude"), ("east_point", "east_point_deg", "longitude"),
          ("ramc", "ramc_deg", "circle"), ("true_obliquity", "true_obliquity_deg", "signed"))


def add_parser(subcommands: Any) -> None:
    parser = subcommands.add_parser(
        "chart", help="a whole chart: bodies, lunar nodes and apogees, house cusps and angles",
        description="The Sun, Moon and planets (apparent places on the true ecliptic and equinox of date, "
                    "with their longitude speeds and retrograde flags), the Moon's nodes and apogees, the "
                    "twelve house cusps and the angles of a site at one instant, tropical or sidereal.")
    add_site_options(parser, required=True)
    parser.add_argument("--at", metavar="DATE", default="now", help="instant, ISO 8601 (default: now)")
    add_scale_option(parser, "time scale of a date without a suffix (default utc)")
    add_clock_options(parser, "a date without a suffix and of the printed time")
    chart = parser.add_argument_group("chart")
    chart.add_argument("--houses", choices=HOUSE_SYSTEMS, default="placidus", type=str.lower, metavar="SYSTEM",
                       help=f"house system (default placidus): {', '.join(HOUSE_SYSTEMS)}")
    chart.add_argument("--house-fallback", choices=HOUSE_SYSTEMS, type=str.lower, metavar="SYSTEM",
                       help="system dividing where --houses is undefined (Placidus and Koch near the poles)")
    chart.add_argument("--sidereal", choices=SIDEREAL_MODES, type=str.lower, metavar="AYANAMSHA",
                       help=f"sidereal longitudes with this ayanamsha: {', '.join(SIDEREAL_MODES)}")
    chart.add_argument("--topocentric", action="store_true", help="bodies seen from the site, not the geocentre")
    chart.add_argument("--all-points", action="store_true",
                       help=f"all eight lunar points, not only {', '.join(DEFAULT_POINTS)}")
    chart.add_argument("--extra", metavar="LIST",
                       help="comma-separated further bodies by name or NAIF id (chiron, 2000001, ...), "
                            "from the kernels given with --add-kernel")
    add_angles_option(parser)
    add_format_option(parser)
    add_data_options(parser)
    parser.set_defaults(run=run)


class _Rows:
    """Table rows whose angles text shows in the chosen style and machine formats keep as numbers."""

    def __init__(self, style: str, as_text: bool) -> None:
        self.style, self.as_text = style, as_text
        self.rows: List[Dict[str, Any]] = []

    def angle(self, value: Optional[float], kind: str) -> Any:
        return angle_text(self.style, kind)(value) if self.as_text else value

    def add(self, name: str, kind: str, longitude: float, longitude_kind: str = "longitude",
            latitude: Optional[float] = None, distance: Optional[float] = None, speed: Optional[float] = None,
            retrograde: Optional[bool] = None) -> None:
        shown_retrograde: Any = retrograde
        if self.as_text:
            shown_retrograde = "R" if retrograde else ""
        self.rows.append({"name": name, "kind": kind, "longitude_deg": self.angle(longitude, longitude_kind),
                          "latitude_deg": self.angle(latitude, "signed"),
                          "distance_au": fixed(9)(distance) if self.as_text and distance is not None else distance,
                          "longitude_speed_deg_per_day": fixed(6)(speed) if self.as_text and speed is not None
                          else speed,
                          "retrograde": shown_retrograde})


def chart_rows(chart: orbyx_ext.Chart, all_points: bool, style: str, as_text: bool) -> List[Dict[str, Any]]:
    rows = _Rows(style, as_text)
    for name, body in chart.bodies.items():
        rows.add(name, "body", body.longitude_deg, latitude=body.latitude_deg, distance=body.distance_au,
                 speed=body.longitude_speed_deg_per_day, retrograde=body.retrograde)
    for name, point in chart.lunar_points.items():
        if all_points or name in DEFAULT_POINTS:
            rows.add(name, "lunar_point", point.longitude_deg, latitude=point.latitude_deg,
                     speed=point.longitude_speed_deg_per_day)
    for house, cusp in enumerate(chart.houses.cusps, start=1):
        rows.add(f"cusp_{house}", "cusp", cusp)
    for name, field, kind in ANGLES:
        rows.add(name, "angle", getattr(chart.houses, field), kind)
    if chart.ayanamsha_deg is not None:
        rows.add("ayanamsha", "angle", chart.ayanamsha_deg, "signed")
    return rows.rows


def _description(arguments: argparse.Namespace, chart: orbyx_ext.Chart) -> str:
    places = "topocentric" if arguments.topocentric else "geocentric"
    zodiac = f"sidereal ({arguments.sidereal})" if arguments.sidereal else "tropical"
    houses = chart.houses.system + (f" (fallback for {arguments.houses})" if chart.houses.fallback_used else "")
    return (f"apparent {places} places on the true ecliptic and equinox of date, {zodiac}; {houses} houses; "
            "degrees, speeds in degrees per day")


def run(arguments: argparse.Namespace) -> None:
    if arguments.house_fallback == arguments.houses:
        raise CommandError(f"--house-fallback {arguments.houses} is --houses itself: name another system or "
                           "drop --house-fallback")
    julian_day, scale = instant_argument(arguments.at, arguments, "--at")
    observer = observer_from(arguments)
    assert observer is not None  # --lat and --lon are required here
    extras = body_list(arguments.extra, "--extra") if arguments.extra else []
    data = opened_data(arguments)
    try:
        chart = orbyx_ext.chart(data.engine, observer, orbyx.Instant(julian_day, scale), arguments.houses,
                                sidereal_mode=arguments.sidereal, fallback=arguments.house_fallback,
                                topocentric=arguments.topocentric, extra_bodies=extras)
    except ValueError as error:
        if arguments.house_fallback is None and "fallback" in str(error):
            raise CommandError(f"{error} (--house-fallback SYSTEM)", ENGINE_FAILURE) from None
        raise body_failure(error) from None

    as_text = arguments.format == "text"
    when = instant_heading(arguments, arguments.at, julian_day, scale)
    header = data.header + [
        f"chart at {when}, latitude {observer.latitude_deg:g}, "
        f"longitude {observer.longitude_east_deg:g} east, height {observer.height_m:g} m",
        _description(arguments, chart)]
    header += data.ut1_notes(data.time_scales.convert(julian_day, scale, "utc"))
    data.time_scales.convert(julian_day, scale, "ut1")  # notes whether the ΔT model turned the Earth
    header += data.model_notes()
    columns = [Column("name", align_left=True), Column("kind", align_left=True), Column("longitude_deg"),
               Column("latitude_deg"), Column("distance_au"), Column("longitude_speed_deg_per_day"),
               Column("retrograde", heading="retro" if as_text else None, align_left=True)]
    write_table(sys.stdout, arguments.format, header, columns,
                chart_rows(chart, arguments.all_points, arguments.angles, as_text), arguments.header)
