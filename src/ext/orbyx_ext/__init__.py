"""Conveniences on top of orbyx: instants from and to calendar dates and datetimes,
conversions between time scales through an engine's time kernels, and the places of
bodies in a site's sky."""
from orbyx_ext._datetime import datetime_from_instant, instant_from_datetime
from orbyx_ext._time import CalendarDate, ConvertedInstant, calendar_from_instant, convert
from orbyx_ext._native import instant_from_calendar
from orbyx_ext._sky import HorizontalPlace, HourAngle, LocalSiderealTime, horizontal, hour_angle, local_sidereal_time

__all__ = [
    "CalendarDate",
    "ConvertedInstant",
    "HorizontalPlace",
    "HourAngle",
    "LocalSiderealTime",
    "calendar_from_instant",
    "convert",
    "datetime_from_instant",
    "horizontal",
    "hour_angle",
    "instant_from_calendar",
    "instant_from_datetime",
    "local_sidereal_time",
]
