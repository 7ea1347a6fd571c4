"""Conveniences on top of orbyx: instants from and to calendar dates and datetimes,
conversions between time scales through an engine's time kernels, and complete
horizon events: rises, sets, transits and twilights."""
from orbyx_ext._datetime import datetime_from_instant, instant_from_datetime
from orbyx_ext._horizon import HorizonEvent, TwilightEvent
from orbyx_ext._time import CalendarDate, ConvertedInstant, calendar_from_instant, convert
from orbyx_ext._native import horizon_events, instant_from_calendar, twilight_events

__all__ = [
    "CalendarDate",
    "ConvertedInstant",
    "HorizonEvent",
    "TwilightEvent",
    "calendar_from_instant",
    "convert",
    "datetime_from_instant",
    "horizon_events",
    "instant_from_calendar",
    "instant_from_datetime",
    "twilight_events",
]
