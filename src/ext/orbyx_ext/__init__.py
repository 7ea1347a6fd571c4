"""Conveniences on top of orbyx: instants from and to calendar dates and datetimes,
conversions between time scales through an engine's time kernels, and how bodies
look: elongation, phase, illuminated fraction, angular diameter, the Moon's age."""
from orbyx_ext._datetime import datetime_from_instant, instant_from_datetime
from orbyx_ext._time import CalendarDate, ConvertedInstant, calendar_from_instant, convert
from orbyx_ext._native import instant_from_calendar
from orbyx_ext._phenomena import MoonAge, Phenomena, moon_age, phenomena

__all__ = [
    "CalendarDate",
    "ConvertedInstant",
    "MoonAge",
    "Phenomena",
    "calendar_from_instant",
    "convert",
    "datetime_from_instant",
    "instant_from_calendar",
    "instant_from_datetime",
    "moon_age",
    "phenomena",
]
