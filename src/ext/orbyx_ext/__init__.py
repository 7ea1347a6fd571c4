"""Conveniences on top of orbyx: instants from and to calendar dates and datetimes,
conversions between time scales through an engine's time kernels, how bodies look
(elongation, phase, illuminated fraction, angular diameter, the Moon's age), and the
crossings, node passages and stations of a body's apparent ecliptic track."""
from orbyx_ext._crossings import (EclipticPassage, LongitudeCrossing, Station, ecliptic_passages,
                                  longitude_crossings, stations)
from orbyx_ext._datetime import datetime_from_instant, instant_from_datetime
from orbyx_ext._time import CalendarDate, ConvertedInstant, calendar_from_instant, convert
from orbyx_ext._native import instant_from_calendar
from orbyx_ext._phenomena import MoonAge, Phenomena, moon_age, phenomena

__all__ = [
    "CalendarDate",
    "ConvertedInstant",
    "EclipticPassage",
    "LongitudeCrossing",
    "MoonAge",
    "Phenomena",
    "Station",
    "calendar_from_instant",
    "convert",
    "datetime_from_instant",
    "ecliptic_passages",
    "instant_from_calendar",
    "instant_from_datetime",
    "longitude_crossings",
    "moon_age",
    "phenomena",
    "stations",
]
