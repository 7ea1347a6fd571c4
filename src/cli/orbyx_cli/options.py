"""Options shared by the subcommands and their conversion into engine arguments."""
from __future__ import annotations

import argparse
import math
from typing import List, NoReturn, Optional, Tuple

import orbyx
import orbyx_ext

from .angle_formats import STYLES as ANGLE_STYLES
from .calendar import format_instant, parse_civil, parse_instant
from .clock import Clock, clock_from
from .default_data import OpenedData, open_data, resolve_files
from .errors import CommandError, readable

BODIES = ("sun", "moon", "mercury", "venus", "earth", "mars", "jupiter", "saturn", "uranus", "neptune", "pluto")
FORMATS = ("text", "csv", "json", "jsonl")
SCALES = ("utc", "ut1", "tt", "tdb")
LAST_MINUTE_SECONDS = 86340.0
# A site is on the ground, at sea or in the air: from below the deepest ocean floor (10,935 m)
# to the edge of space, which takes in mines, aircraft and stratospheric balloons.
LOWEST_SITE_M = -12_000.0
HIGHEST_SITE_M = 100_000.0


class CommandParser(argparse.ArgumentParser):
    """Reports a bad argument as one line with status 2, never the whole usage."""

    def error(self, message: str) -> NoReturn:
        raise CommandError(f"{message} (see {self.prog} --help)", prog=self.prog)


def add_data_options(parser: argparse.ArgumentParser) -> None:
    group = parser.add_argument_group("data files (default: JPL DE421 and the IERS table from orbyx[data])")
    group.add_argument("--kernel", metavar="PATH", help="SPK kernel to use instead of DE421")
    group.add_argument("--add-kernel", metavar="PATH", action="append", default=[],
                       help="further SPK kernel for bodies the first one lacks (repeatable)")
    group.add_argument("--lsk", metavar="PATH", help="NAIF leap-second kernel (default: the one shipped)")
    group.add_argument("--eop", metavar="PATH", help="IERS EOP 20 C04 table (default: astropy-iers-data's)")


def add_scale_option(parser: argparse.ArgumentParser, help_text: str) -> None:
    parser.add_argument("--scale", choices=SCALES, default="utc", type=str.lower, help=help_text)


def add_format_option(parser: argparse.ArgumentParser) -> None:
    parser.add_argument("--format", choices=FORMATS, default="text", type=str.lower,
                        help="aligned text led by the provenance as # lines (default), CSV (one header row, "
                             "then data rows), one JSON document with a \"header\" list, or JSON Lines "
                             "(one object per row)")
    parser.add_argument("--header", action="store_true",
                        help="CSV: the provenance as # lines before the header row; JSON Lines: a first "
                             "line {\"header\": [...]}")


def refuse_idle_header(arguments: argparse.Namespace) -> None:
    # Text and JSON always carry the provenance: a --header there asks for what cannot be.
    if getattr(arguments, "header", False) and arguments.format in ("text", "json"):
        raise CommandError(f"--header adds the provenance to csv and jsonl; --format {arguments.format} always "
                           "carries it: drop --header or choose csv or jsonl")


def add_angles_option(parser: argparse.ArgumentParser) -> None:
    parser.add_argument("--angles", choices=ANGLE_STYLES, default="decimal", type=str.lower,
                        help="how text shows angles: decimal degrees (default), dms (245°42′07.3″, right "
                             "ascension as 14h29m43.2s) or zodiac (ecliptic longitudes as 15°42′07″ Gem, "
                             "other angles as dms); CSV and JSON always keep full-precision decimal degrees")


def finite_float(text: str) -> float:
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a number: {text!r}") from None
    if not math.isfinite(value):
        raise argparse.ArgumentTypeError(f"not a finite number: {text!r}")
    return value


def add_site_options(parser: argparse.ArgumentParser, required: bool) -> None:
    group = parser.add_argument_group("site")
    group.add_argument("--lat", type=finite_float, required=required, metavar="DEG",
                       help="geodetic latitude, degrees north, -90 to 90")
    group.add_argument("--lon", type=finite_float, required=required, metavar="DEG",
                       help="longitude, degrees east, -180 to 360 (180 and more is read as west: 270 = -90)")
    group.add_argument("--height", type=finite_float, metavar="M",
                       help=f"height above the GRS80 ellipsoid in metres, {LOWEST_SITE_M:,.0f} to "
                            f"{HIGHEST_SITE_M:,.0f} (default 0)")


def observer_from(arguments: argparse.Namespace) -> Optional[orbyx.GeodeticObserver]:
    if arguments.lat is None and arguments.lon is None:
        if arguments.height is not None:
            raise CommandError("--height is a site's: give --lat and --lon too, or drop --height")
        return None
    if arguments.lat is None or arguments.lon is None:
        raise CommandError("a site needs both --lat and --lon")
    if not -90.0 <= arguments.lat <= 90.0:
        raise CommandError(f"--lat must lie within -90 to 90 degrees, not {arguments.lat:g}")
    if not -180.0 <= arguments.lon < 360.0:
        raise CommandError(f"--lon must lie within -180 to 360 degrees east, not {arguments.lon:g}")
    height = 0.0 if arguments.height is None else arguments.height
    if not LOWEST_SITE_M <= height <= HIGHEST_SITE_M:
        raise CommandError(f"--height must lie within {LOWEST_SITE_M:g} to {HIGHEST_SITE_M:g} metres, "
                           f"not {height:g}: a site is on the Earth or in its air")
    # One longitude for one meridian, so that headers show the site however it was written.
    longitude = arguments.lon - 360.0 if arguments.lon > 180.0 else arguments.lon
    try:
        return orbyx.GeodeticObserver(longitude, arguments.lat, height)
    except ValueError as error:
        raise CommandError(f"invalid site: {error}") from None


def opened_data(arguments: argparse.Namespace) -> OpenedData:
    # Opened once per run: a leap second in a date already needs the leap-second kernel.
    opened: Optional[OpenedData] = getattr(arguments, "opened_data", None)
    if opened is None:
        opened = open_data(resolve_files(arguments.kernel, arguments.add_kernel, arguments.lsk, arguments.eop))
        arguments.opened_data = opened
    return opened


def failure_text(error: CommandError, arguments: Optional[argparse.Namespace]) -> str:
    """The line for a failure: an engine's instants in the scale the user's dates are in."""
    opened: Optional[OpenedData] = getattr(arguments, "opened_data", None)
    if error.engine_message is None or opened is None or arguments is None:
        return str(error)
    scale = getattr(arguments, "scale", "utc")
    time_scales = opened.time_scales
    clock = clock_from(arguments)  # already read without fault before the data was opened

    def in_user_scale(julian_day: float, day_scale: str) -> str:
        try:
            converted = time_scales.convert(julian_day, day_scale, scale)
        except CommandError:
            return f"{format_instant(julian_day)} {day_scale.upper()}"
        if scale == "utc" and not clock.is_utc:
            return clock.text(converted)
        return f"{format_instant(converted)} {scale.upper()}"

    return readable(error.engine_message, in_user_scale)


def command_clock(arguments: argparse.Namespace) -> Clock:
    """The clock of dates without a suffix and of printed times; a zone or offset means UTC."""
    clock = clock_from(arguments)
    if not clock.is_utc and getattr(arguments, "scale", "utc") != "utc":
        raise CommandError(f"--tz and --utc-offset set a civil clock, which --scale {arguments.scale} contradicts")
    return clock


def is_leap_second(text: str) -> bool:
    try:
        return parse_civil(text).is_leap_second
    except CommandError:
        return False


def instant_heading(arguments: argparse.Namespace, text: str, julian_day: float, scale: str) -> str:
    """The instant of a one-instant command as its header names it: on the user's clock,
    in the scale it was read in, or a leap second as written (it was read into TT)."""
    if scale == "tt" and is_leap_second(text):
        return f"{opened_data(arguments).time_scales.utc_text(julian_day, 'second')} UTC"
    clock = command_clock(arguments)
    if scale == "utc" and not clock.is_utc:
        return clock.text(julian_day)
    return f"{format_instant(julian_day)} {scale.upper()}"


def _instant(text: str, arguments: argparse.Namespace, clock: Clock) -> Tuple[float, str]:
    stripped = text.strip()
    if stripped.lower() == "now" or stripped[:2].upper() == "JD":
        return parse_instant(stripped, arguments.scale)
    civil = parse_civil(stripped)
    if civil.is_leap_second and civil.zone in (None, "z", "utc") and arguments.scale == "utc":
        engine = opened_data(arguments).engine
        try:
            instant = orbyx_ext.instant_from_calendar(civil.year, civil.month, civil.day, 23, 59,
                                                      civil.seconds_of_day - LAST_MINUTE_SECONDS, "utc", engine)
        except ValueError as error:
            raise CommandError(f"invalid date {text!r}: {error}") from None
        return instant.julian_day, instant.time_scale
    if civil.zone is None and not clock.is_utc:
        return clock.utc_day(civil.year, civil.month, civil.day, civil.seconds_of_day), "utc"
    return parse_instant(stripped, arguments.scale)


def instant_argument(text: str, arguments: argparse.Namespace, option: str) -> Tuple[float, str]:
    clock = command_clock(arguments)
    try:
        return _instant(text, arguments, clock)
    except CommandError as error:
        if error.status != 2:
            raise
        raise CommandError(f"{option}: {error}") from None


def instant_span(arguments: argparse.Namespace, start: str, end: str) -> Tuple[float, float, str]:
    """Julian days of --from and --to, which must name one time scale."""
    first, scale = instant_argument(start, arguments, "--from")
    last, end_scale = instant_argument(end, arguments, "--to")
    if end_scale != scale:
        raise CommandError(f"--from is in {scale.upper()} but --to in {end_scale.upper()}: use one time scale")
    return first, last, scale


