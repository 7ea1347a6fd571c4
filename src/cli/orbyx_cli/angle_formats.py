"""How text tables show angles: decimal degrees, degrees-minutes-seconds, zodiac signs, hours.

Each value is rounded once, as a whole count of its last printed unit, and only then
split into degrees, minutes and seconds, so a carry reaches every field: 29°59′59.96″
Aries shows at whole seconds as 0°00′00″ Taurus, never as 60″.
"""
from __future__ import annotations

from typing import Any, Callable, Dict, Tuple

STYLES = ("decimal", "dms", "zodiac")
SIGNS = ("Ari", "Tau", "Gem", "Cnc", "Leo", "Vir", "Lib", "Sco", "Sgr", "Cap", "Aqr", "Psc")
# What an angle measures decides how the dms and zodiac styles show it.
KINDS = ("longitude", "circle", "signed", "right_ascension")
SECONDS_DECIMALS = 1


def _sexagesimal(value: float, units_per_whole: int, decimals: int, turn: int = 0) -> Tuple[bool, int, int, float]:
    """(negative, whole, minutes, seconds) of `value` rounded to `decimals` of a second;
    with `turn` whole units, the rounded count wraps to [0, turn)."""
    scale = 10 ** decimals
    ticks = round(abs(value) * units_per_whole * 60 * 60 * scale)
    negative = value < 0.0 and ticks != 0
    if turn:
        ticks = (-ticks if negative else ticks) % (turn * 3600 * scale)
        negative = False
    whole, rest = divmod(ticks, 3600 * scale)
    minutes, seconds = divmod(rest, 60 * scale)
    return negative, whole, minutes, seconds / scale


def _seconds_text(seconds: float, decimals: int) -> str:
    return f"{seconds:0{3 + decimals if decimals else 2}.{decimals}f}"


def dms(value: float, decimals: int = SECONDS_DECIMALS, wrap: bool = False) -> str:
    """245°42′07.3″; with `wrap`, an angle on the circle, [0, 360)."""
    negative, degrees, minutes, seconds = _sexagesimal(value, 1, decimals, 360 if wrap else 0)
    return f"{'-' if negative else ''}{degrees}°{minutes:02d}′{_seconds_text(seconds, decimals)}″"


def hours(value_deg: float, decimals: int = SECONDS_DECIMALS) -> str:
    """A right ascension in degrees as 14h29m43.2s."""
    _, whole, minutes, seconds = _sexagesimal(value_deg / 15.0, 1, decimals, 24)
    return f"{whole:02d}h{minutes:02d}m{_seconds_text(seconds, decimals)}s"


def zodiac(longitude_deg: float, decimals: int = 0) -> str:
    """An ecliptic longitude as 15°42′07″ Gem."""
    _, degrees, minutes, seconds = _sexagesimal(longitude_deg, 1, decimals, 360)
    return f"{degrees % 30}°{minutes:02d}′{_seconds_text(seconds, decimals)}″ {SIGNS[degrees // 30]}"


def _absent_as_dash(show: Callable[[float], str]) -> Callable[[Any], str]:
    return lambda value: "-" if value is None else show(value)


def angle_text(style: str, kind: str, decimals: int = 6) -> Callable[[Any], str]:
    """How a text column of this kind of angle shows its values in `style`; other kinds
    than ecliptic longitudes show in dms where zodiac is asked."""
    if style == "decimal":
        return _absent_as_dash(lambda value: f"{value:.{decimals}f}")
    shows: Dict[str, Callable[[float], str]] = {
        "longitude": zodiac if style == "zodiac" else (lambda value: dms(value, wrap=True)),
        "circle": lambda value: dms(value, wrap=True),
        "signed": dms,
        "right_ascension": hours,
    }
    return _absent_as_dash(shows[kind])


def text_width(show: Callable[[Any], str], kind: str) -> int:
    """The widest text `show` gives an angle of this kind."""
    widest = {"longitude": (359.99, 29.99), "circle": (359.99,), "signed": (-89.99,),
              "right_ascension": (359.99,)}[kind]
    return max(len(show(value)) for value in widest)
